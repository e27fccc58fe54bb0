#ifndef KY_I3DOBJECT2_H
#define KY_I3DOBJECT2_H

#include "core/KyArray.h"
#include "core/KyColor.h"
#include "core/KyICallback0Param.h"
#include "core/KyMatrix4x4.h"
#include "core/KyQuaternion.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"

// The scene-graph node as the rest of the engine sees it: layouts, the main
// window and the panorama scene hold and pass nodes through this interface,
// so an override in a derived node is what every caller gets.
class KyI3DObject2 {
public:
    typedef KyArray<KyICallback0Param*> Signal;

    virtual ~KyI3DObject2() {}

    virtual void setParent(KyI3DObject2* parent) = 0;
    virtual KyI3DObject2* parent() = 0;
    virtual void addChild(KyI3DObject2* child) = 0;
    virtual void addChildBefore(KyI3DObject2* child, KyI3DObject2* before) = 0;
    virtual void removeChild(KyI3DObject2* child) = 0;
    virtual u32 childCount() = 0;
    // No bounds check: the caller keeps index below childCount().
    virtual KyI3DObject2* child(u32 index) = 0;

    virtual void setVisible(bool visible) = 0;
    virtual bool visible() = 0;
    virtual bool worldVisible() = 0;

    virtual void setPosition(const KyVector3f32& position) = 0;
    virtual KyVector3f32 position() = 0;
    virtual Signal& onPositionChanged() = 0;
    virtual KyVector3f32 worldPosition() = 0;

    virtual void setSize(const KyVector3f32& size) = 0;
    virtual KyVector3f32 size() = 0;
    virtual Signal& onSizeChanged() = 0;

    virtual void setAnchor(const KyVector3f32& anchor) = 0;
    virtual KyVector3f32 anchor() = 0;

    virtual void setScale(const KyVector3f32& scale) = 0;
    virtual KyVector3f32 scale() = 0;
    virtual KyVector3f32 worldScale() = 0;

    virtual void setRotation(const KyQuaternion& rotation) = 0;
    virtual KyQuaternion rotation() = 0;
    virtual KyQuaternion worldRotation() = 0;

    virtual void setColor(const KyColor& color) = 0;
    virtual KyColor color() = 0;
    virtual KyColor worldColor() = 0;
    virtual Signal& onWorldColorChanged() = 0;

    virtual KyMatrix4x4 transformationMatrix() = 0;
    virtual KyMatrix4x4 worldTransformationMatrix() = 0;
    virtual Signal& onWorldTransformationChanged() = 0;

    virtual void update() = 0;
    virtual void updateZ() = 0;
};

#endif

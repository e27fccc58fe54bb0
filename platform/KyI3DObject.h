#ifndef KY_I3DOBJECT_H
#define KY_I3DOBJECT_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyMatrix4x4.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"

#include <cstdint>

// The simpler object interface of sprites, buttons, text objects, players,
// the camera and meshes: a parent link, position and size with change
// signals, a scale and a z rotation in degrees about centres relative to
// the size, an opacity, and the matrix built from them.
class KyI3DObject {
public:
    typedef KyArray<KyICallback0Param*> Signal;

    virtual ~KyI3DObject() {}

    // A free value for the owner. It is pointer-wide: cameras carry the
    // screen they draw on in it.
    virtual void setTag(std::intptr_t tag) = 0;
    virtual std::intptr_t tag() = 0;

    virtual KyI3DObject* parent() = 0;
    virtual void setParent(KyI3DObject* parent) = 0;

    virtual KyVector3f32 position() = 0;
    virtual void setPosition(const KyVector3f32& position) = 0;
    virtual Signal& onPositionChanged() = 0;
    virtual KyVector3f32 worldPosition() = 0;

    virtual KyVector3f32 size() = 0;
    virtual void setSize(const KyVector3f32& size) = 0;
    virtual Signal& onSizeChanged() = 0;

    virtual const KyVector3f32& scale() = 0;
    virtual void setScale(const KyVector3f32& scale) = 0;
    // Centre of scaling, relative to the size (0.5 is the middle).
    virtual const KyVector3f32& scaleCenter() = 0;
    virtual void setScaleCenter(const KyVector3f32& center) = 0;

    virtual bool hasOptionalPoint() = 0;
    virtual void setOptionalPoint(bool has, const KyVector3f32& point) = 0;

    // Rotation about z, in degrees.
    virtual f32 rotation() = 0;
    virtual void setRotation(f32 degrees) = 0;
    // Centre of rotation, relative to the size.
    virtual KyVector3f32 rotationCenter() = 0;
    virtual void setRotationCenter(const KyVector3f32& center) = 0;

    // 0 (transparent) to 1 (opaque).
    virtual f32 opacity() = 0;
    virtual void setOpacity(f32 opacity) = 0;

    virtual KyMatrix4x4 transformationMatrix() = 0;
    virtual KyMatrix4x4 worldTransformationMatrix() = 0;
};

#endif

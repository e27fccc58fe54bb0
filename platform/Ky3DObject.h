#ifndef KY_3DOBJECT_H
#define KY_3DOBJECT_H

#include "core/KyObject.h"
#include "platform/KyI3DObject.h"

// The plain object base: no children and no world-change signals. Only
// setPosition and setSize fire signals (when the value really changes);
// every other setter is a plain store.
class Ky3DObject : public KyObject, public KyI3DObject {
public:
    Ky3DObject();
    ~Ky3DObject() override;
    Ky3DObject(const Ky3DObject&) = delete;
    Ky3DObject& operator=(const Ky3DObject&) = delete;

    // Sets the rotation centre from a point (x, y) in the parent's
    // coordinates. A size component of 0 leaves that component of the
    // centre as it is.
    virtual void setRotationCenterAt(f32 x, f32 y);

    // Copies every stored value of other (tag and parent included); the
    // signals stay this object's own and nothing fires.
    void copyFrom(const Ky3DObject& other);

    void setTag(std::intptr_t tag) override { m_tag = tag; }
    std::intptr_t tag() override { return m_tag; }

    KyI3DObject* parent() override { return m_parent; }
    void setParent(KyI3DObject* parent) override { m_parent = parent; }

    KyVector3f32 position() override { return m_position; }
    void setPosition(const KyVector3f32& position) override;
    Signal& onPositionChanged() override { return m_onPositionChanged; }
    // Plain sum of positions up the chain.
    KyVector3f32 worldPosition() override;

    KyVector3f32 size() override { return m_size; }
    void setSize(const KyVector3f32& size) override;
    Signal& onSizeChanged() override { return m_onSizeChanged; }

    const KyVector3f32& scale() override { return m_scale; }
    void setScale(const KyVector3f32& scale) override { m_scale = scale; }
    const KyVector3f32& scaleCenter() override { return m_scaleCenter; }
    void setScaleCenter(const KyVector3f32& center) override { m_scaleCenter = center; }

    bool hasOptionalPoint() override { return m_hasOptionalPoint; }
    void setOptionalPoint(bool has, const KyVector3f32& point) override;
    const KyVector3f32& optionalPoint() const { return m_optionalPoint; }

    f32 rotation() override { return m_rotation; }
    void setRotation(f32 degrees) override { m_rotation = degrees; }
    KyVector3f32 rotationCenter() override { return m_rotationCenter; }
    void setRotationCenter(const KyVector3f32& center) override { m_rotationCenter = center; }

    f32 opacity() override { return m_opacity; }
    void setOpacity(f32 opacity) override { m_opacity = opacity; }

    // T(position), then (for a non-zero angle) the rotation about the
    // rotation centre, then (for a scale other than 1) the scale about the
    // scale centre; the centres are rounded to whole units of the size.
    KyMatrix4x4 transformationMatrix() override;
    // parent's world matrix . local matrix.
    KyMatrix4x4 worldTransformationMatrix() override;

protected:
    std::intptr_t m_tag;
    KyI3DObject* m_parent;
    KyVector3f32 m_position;
    Signal m_onPositionChanged;
    KyVector3f32 m_size;
    Signal m_onSizeChanged;
    KyVector3f32 m_scale;
    KyVector3f32 m_scaleCenter;
    bool m_hasOptionalPoint;
    KyVector3f32 m_optionalPoint;
    KyVector3f32 m_rotationCenter;
    f32 m_rotation;
    f32 m_opacity;
};

#endif

#include "platform/Ky3DObject.h"

#include "core/KyQuaternion.h"

#include <cmath>

namespace {

const f32 kPi = 3.14159265358979f;

// floor(v + 0.5) per component: a centre rounded to whole units.
KyVector3f32 roundHalfUp(const KyVector3f32& v)
{
    return KyVector3f32(std::floor(v.x + 0.5f), std::floor(v.y + 0.5f), std::floor(v.z + 0.5f));
}

// M = M . T(c+) . X . T(c-), c+ and c- being the centre and the negated
// centre rounded half up. Negating before rounding differs from -c+ when a
// product ends in exactly .5; the matrix keeps that.
void aboutCenter(KyMatrix4x4& m, const KyVector3f32& size, const KyVector3f32& center, const KyMatrix4x4& x)
{
    m.translate(roundHalfUp(size * center));
    m = m * x;
    m.translate(roundHalfUp(-size * center));
}

} // namespace

Ky3DObject::Ky3DObject()
    : m_tag(0),
      m_parent(nullptr),
      m_position(0.0f, 0.0f, 0.0f),
      m_size(0.0f, 0.0f, 0.0f),
      m_scale(1.0f, 1.0f, 1.0f),
      m_scaleCenter(0.5f, 0.5f, 0.5f),
      m_hasOptionalPoint(false),
      m_optionalPoint(0.0f, 0.0f, 0.0f),
      m_rotationCenter(0.5f, 0.5f, 0.5f),
      m_rotation(0.0f),
      m_opacity(1.0f)
{
}

Ky3DObject::~Ky3DObject() {}

void Ky3DObject::setRotationCenterAt(f32 x, f32 y)
{
    if (m_size.x != 0.0f)
        m_rotationCenter.x = (x - m_position.x) / m_size.x;
    if (m_size.y != 0.0f)
        m_rotationCenter.y = (y - m_position.y) / m_size.y;
}

void Ky3DObject::copyFrom(const Ky3DObject& other)
{
    m_tag = other.m_tag;
    m_parent = other.m_parent;
    m_position = other.m_position;
    m_size = other.m_size;
    m_scale = other.m_scale;
    m_scaleCenter = other.m_scaleCenter;
    m_hasOptionalPoint = other.m_hasOptionalPoint;
    m_optionalPoint = other.m_optionalPoint;
    m_rotationCenter = other.m_rotationCenter;
    m_rotation = other.m_rotation;
    m_opacity = other.m_opacity;
}

void Ky3DObject::setPosition(const KyVector3f32& position)
{
    if (position == m_position)
        return;
    m_position = position;
    m_onPositionChanged.call();
}

KyVector3f32 Ky3DObject::worldPosition()
{
    if (!m_parent)
        return position();
    return position() + m_parent->worldPosition();
}

void Ky3DObject::setSize(const KyVector3f32& size)
{
    if (size == m_size)
        return;
    m_size = size;
    m_onSizeChanged.call();
}

void Ky3DObject::setOptionalPoint(bool has, const KyVector3f32& point)
{
    m_hasOptionalPoint = has;
    m_optionalPoint = point;
}

KyMatrix4x4 Ky3DObject::transformationMatrix()
{
    KyMatrix4x4 m;
    m.translate(position());

    const f32 angle = rotation();
    if (angle != 0.0f) {
        const f32 h = angle * kPi / 180.0f * 0.5f;
        KyQuaternion q(0.0f, 0.0f, std::sin(h), std::cos(h));
        aboutCenter(m, size(), rotationCenter(), q.toMatrix());
    }

    const KyVector3f32 s = scale();
    if (s.x != 1.0f || s.y != 1.0f || s.z != 1.0f) {
        KyMatrix4x4 scaling;
        scaling.scale(s);
        aboutCenter(m, size(), scaleCenter(), scaling);
    }
    return m;
}

KyMatrix4x4 Ky3DObject::worldTransformationMatrix()
{
    if (!m_parent)
        return transformationMatrix();
    return m_parent->worldTransformationMatrix() * transformationMatrix();
}

#include "platform/Ky3DObject2.h"

Ky3DObject2::Ky3DObject2()
    : m_parent(nullptr),
      m_visible(true),
      m_position(0.0f, 0.0f, 0.0f),
      m_size(0.0f, 0.0f, 0.0f),
      m_anchor(0.5f, 0.5f, 0.5f),
      m_scale(1.0f, 1.0f, 1.0f),
      m_rotation(0.0f, 0.0f, 0.0f, 1.0f),
      m_color(255, 255, 255, 255),
      m_colorListener(this, &Ky3DObject2::onParentWorldColorChanged, 0.0f),
      m_transformationListener(this, &Ky3DObject2::onParentWorldTransformationChanged, 0.0f)
{
}

Ky3DObject2::~Ky3DObject2()
{
    for (u32 i = 0; i < m_children.count(); ++i)
        m_children[i]->setParent(nullptr);
    m_children.clear();
    if (m_parent) {
        KyI3DObject2* parent = m_parent;
        // The parent's removeChild also unhooks this node (setParent(null)).
        parent->removeChild(this);
        if (m_parent)
            Ky3DObject2::setParent(nullptr);
    }
}

void Ky3DObject2::removeChildren()
{
    for (u32 i = 0; i < m_children.count(); ++i)
        m_children[i]->setParent(nullptr);
    m_children.clear();
}

bool Ky3DObject2::onParentWorldTransformationChanged()
{
    m_onWorldTransformationChanged.call();
    return false;
}

bool Ky3DObject2::onParentWorldColorChanged()
{
    m_onWorldColorChanged.call();
    return false;
}

void Ky3DObject2::setParent(KyI3DObject2* parent)
{
    if (m_parent) {
        m_parent->onWorldTransformationChanged().removeCallback(&m_transformationListener);
        m_parent->onWorldColorChanged().removeCallback(&m_colorListener);
    }
    m_parent = parent;
    if (parent) {
        parent->onWorldTransformationChanged().pushBack(&m_transformationListener);
        parent->onWorldColorChanged().pushBack(&m_colorListener);
        m_onWorldTransformationChanged.call();
        m_onWorldColorChanged.call();
    }
}

bool Ky3DObject2::hasAncestor(KyI3DObject2* node)
{
    for (KyI3DObject2* p = m_parent; p; p = p->parent()) {
        if (p == node)
            return true;
    }
    return false;
}

void Ky3DObject2::addChild(KyI3DObject2* child)
{
    if (!child || child == this || m_children.contains(child) || hasAncestor(child))
        return;
    KyI3DObject2* oldParent = child->parent();
    if (oldParent && oldParent != this)
        oldParent->removeChild(child);
    m_children.pushBack(child);
    child->setParent(this);
}

void Ky3DObject2::addChildBefore(KyI3DObject2* child, KyI3DObject2* before)
{
    if (!child || child == this || hasAncestor(child))
        return;
    u32 index;
    if (child == before || !m_children.find(before, &index)) {
        addChild(child);
        return;
    }
    if (m_children.contains(child)) {
        // Already a child: only its place in the drawing order changes.
        m_children.remove(child);
        m_children.find(before, &index);
        m_children.insert(index, child);
        return;
    }
    KyI3DObject2* oldParent = child->parent();
    if (oldParent && oldParent != this) {
        oldParent->removeChild(child);
        // removeChild is virtual and may reach back into this node: look
        // the place up again.
        if (!m_children.find(before, &index)) {
            addChild(child);
            return;
        }
    }
    m_children.insert(index, child);
    child->setParent(this);
}

void Ky3DObject2::removeChild(KyI3DObject2* child)
{
    if (!m_children.contains(child))
        return;
    child->setParent(nullptr);
    m_children.remove(child);
}

bool Ky3DObject2::worldVisible()
{
    if (!m_visible)
        return false;
    for (KyI3DObject2* p = m_parent; p; p = p->parent()) {
        if (!p->visible())
            return false;
    }
    return true;
}

void Ky3DObject2::setPosition(const KyVector3f32& position)
{
    if (position == m_position)
        return;
    m_position = position;
    m_onPositionChanged.call();
    m_onWorldTransformationChanged.call();
}

KyVector3f32 Ky3DObject2::worldPosition()
{
    if (!m_parent)
        return m_position;
    return m_position + m_parent->worldPosition();
}

void Ky3DObject2::setSize(const KyVector3f32& size)
{
    if (size == m_size)
        return;
    m_size = size;
    m_onSizeChanged.call();
}

void Ky3DObject2::setScale(const KyVector3f32& scale)
{
    if (scale == m_scale)
        return;
    m_scale = scale;
    m_onWorldTransformationChanged.call();
}

KyVector3f32 Ky3DObject2::worldScale()
{
    if (!m_parent)
        return m_scale;
    return m_scale * m_parent->worldScale();
}

void Ky3DObject2::setRotation(const KyQuaternion& rotation)
{
    if (rotation.w == m_rotation.w && rotation.x == m_rotation.x && rotation.y == m_rotation.y &&
        rotation.z == m_rotation.z)
        return;
    m_rotation = rotation;
    m_onWorldTransformationChanged.call();
}

KyQuaternion Ky3DObject2::worldRotation()
{
    if (!m_parent)
        return m_rotation;
    const KyQuaternion p = m_parent->worldRotation();
    const KyQuaternion& o = m_rotation;
    return KyQuaternion(p.w * o.x + p.x * o.w + p.y * o.z - p.z * o.y,
                        p.w * o.y + p.y * o.w + p.z * o.x - p.x * o.z,
                        p.w * o.z + p.z * o.w + p.x * o.y - p.y * o.x,
                        p.w * o.w - p.x * o.x - p.y * o.y - p.z * o.z);
}

void Ky3DObject2::setColor(const KyColor& color)
{
    m_color = color;
    m_onWorldColorChanged.call();
}

KyColor Ky3DObject2::worldColor()
{
    if (!m_parent)
        return m_color;
    return m_color * m_parent->worldColor();
}

KyMatrix4x4 Ky3DObject2::transformationMatrix()
{
    KyMatrix4x4 m;
    m.translate(m_position - m_anchor);
    KyQuaternion rotation = m_rotation;
    m = m * rotation.toMatrix();
    m.scale(m_scale);
    return m;
}

KyMatrix4x4 Ky3DObject2::worldTransformationMatrix()
{
    if (!m_parent)
        return transformationMatrix();
    return m_parent->worldTransformationMatrix() * transformationMatrix();
}

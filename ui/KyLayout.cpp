#include "ui/KyLayout.h"

#include "core/KySingleton.h"
#include "ui/KyMainWindow.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

namespace {

// The single-precision float two steps above 0.5: points on an edge of the
// quad count as inside despite rounding in the inverse matrix.
f32 hitBound()
{
    const u32 bits = 0x3F000002u;
    f32 bound;
    std::memcpy(&bound, &bits, sizeof(bound));
    return bound;
}

// The draw signal of the live main window, or null when there is none (or it
// is being destroyed). create: make the main window when it does not exist.
KyArray<KyICallback0Param*>* drawSignal(bool create)
{
    if (!create && !KySingleton<KyMainWindow>::exists())
        return nullptr;
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    return window && !KyMainWindow::isClosing(window) ? &window->onDraw() : nullptr;
}

KyVector3f32 pointOf(const KyMatrix4x4& m, f32 x, f32 y, f32 z)
{
    return m.transformPoint(KyVector3f32(x, y, z));
}

// Any component differs; a NaN always differs.
bool differs(const KyVector3f32& a, const KyVector3f32& b)
{
    return a.x != b.x || a.y != b.y || a.z != b.z;
}

KyMatrix4x4 rotationMatrix(KyQuaternion q)
{
    return q.toMatrix();
}

} // namespace

KyLayout::KyLayout()
    : m_needsUpdate(true)
    , m_updating(false)
    , m_drawMode(0)
    , m_sizeType(Pixel)
    , m_userSize(1.0f, 1.0f, 1.0f)
    , m_ratio(1.0f)
    , m_ratioMode(None)
    , m_safeAreaRatio(4.0f / 3.0f)
    , m_positionType(Percent)
    , m_userPosition(0.5f, 0.5f, 0.5f)
    , m_drawCallback(this, &KyLayout::draw, 0.0f)
    , m_parentSizeCallback(this, &KyLayout::onParentSizeChanged, 0.0f)
    , m_inDrawSignal(false)
    , m_releasing(nullptr)
    , m_releasingAll(false)
{
    m_position = KyVector3f32(0.5f, 0.5f, 0.5f);
    m_size = KyVector3f32(1.0f, 1.0f, 1.0f);

    const KyColor green(0, 255, 0, 255);
    m_quadMesh.init(4, 4, 3);
    m_anchorMesh.init(4, 4, 2);
    for (u32 i = 0; i < 4; ++i) {
        m_quadMesh.setNormal(i, 0.0f, 0.0f, 1.0f);
        m_quadMesh.setColor(i, green);
        // Drawn untextured, but the mesh hands its coordinates to OpenGL.
        m_quadMesh.setTextureCoords(i, 0.0f, 0.0f);
        m_anchorMesh.setTextureCoords(i, 0.0f, 0.0f);
    }
    updateMesh();
}

KyLayout::~KyLayout()
{
    m_releasingAll = true;
    leaveDrawSignal();
    if (m_parent)
        m_parent->onSizeChanged().removeCallback(&m_parentSizeCallback);
}

bool KyLayout::isMainWindow()
{
    if (!KySingleton<KyMainWindow>::exists())
        return false;
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    return !KyMainWindow::isClosing(window) && static_cast<KyLayout*>(window) == this;
}

void KyLayout::leaveDrawSignal()
{
    if (!m_inDrawSignal)
        return;
    m_inDrawSignal = false;
    if (KyArray<KyICallback0Param*>* signal = drawSignal(false))
        signal->removeCallback(&m_drawCallback);
}

bool KyLayout::onParentWorldTransformationChanged()
{
    m_needsUpdate = true;
    m_onWorldTransformationChanged.call();
    return false;
}

bool KyLayout::onParentSizeChanged()
{
    m_needsUpdate = true;
    m_onWorldTransformationChanged.call();
    return false;
}

void KyLayout::setDrawMode(u32 mode) { m_drawMode = mode; }
u32 KyLayout::drawMode() { return m_drawMode; }

bool KyLayout::setName(const KyString& name)
{
    m_name = name;
    return true;
}

KyString KyLayout::name() { return m_name; }

void KyLayout::setSizeType(CoordinatesType type)
{
    m_sizeType = type;
    m_needsUpdate = true;
}

KyLayout::CoordinatesType KyLayout::sizeType() { return m_sizeType; }
KyVector3f32 KyLayout::userSize() { return m_userSize; }

void KyLayout::setRatio(f32 ratio)
{
    m_ratio = ratio;
    m_needsUpdate = true;
}

f32 KyLayout::ratio() { return m_ratio; }

void KyLayout::setRatioMode(RatioMode mode)
{
    m_ratioMode = mode;
    m_needsUpdate = true;
}

KyLayout::RatioMode KyLayout::ratioMode() { return m_ratioMode; }

void KyLayout::setSafeAreaRatio(f32 ratio)
{
    m_safeAreaRatio = ratio;
    m_needsUpdate = true;
}

f32 KyLayout::safeAreaRatio() { return m_safeAreaRatio; }

void KyLayout::setPositionType(CoordinatesType type)
{
    m_positionType = type;
    m_needsUpdate = true;
}

KyLayout::CoordinatesType KyLayout::positionType() { return m_positionType; }
KyVector3f32 KyLayout::userPosition() { return m_userPosition; }

void KyLayout::setQuadColor(const KyColor& color)
{
    for (u32 i = 0; i < 4; ++i)
        m_quadMesh.setColor(i, color);
}

void KyLayout::removeChildren()
{
    m_releasingAll = true;
    Ky3DObject2::removeChildren();
    m_releasingAll = false;
    m_needsUpdate = true;
}

void KyLayout::setParent(KyI3DObject2* parent)
{
    if (m_parent && m_parent != parent) {
        KyLayout* old = dynamic_cast<KyLayout*>(m_parent);
        // The old parent's removeChild comes back here with null and does
        // the unhooking below.
        if (old && !old->m_releasingAll && old->m_releasing != this && old->m_children.contains(this))
            old->removeChild(this);
    }
    if (m_parent)
        m_parent->onSizeChanged().removeCallback(&m_parentSizeCallback);
    leaveDrawSignal();
    Ky3DObject2::setParent(parent);
    m_needsUpdate = true;
    if (parent) {
        parent->onSizeChanged().pushBack(&m_parentSizeCallback);
        onParentSizeChanged();
        if (KyArray<KyICallback0Param*>* signal = drawSignal(true)) {
            signal->pushBack(&m_drawCallback);
            m_inDrawSignal = true;
        }
    }
}

void KyLayout::addChild(KyI3DObject2* child)
{
    Ky3DObject2::addChild(child);
    m_needsUpdate = true;
}

void KyLayout::addChildBefore(KyI3DObject2* child, KyI3DObject2* before)
{
    Ky3DObject2::addChildBefore(child, before);
    m_needsUpdate = true;
}

void KyLayout::removeChild(KyI3DObject2* child)
{
    KyI3DObject2* outer = m_releasing;
    m_releasing = child;
    Ky3DObject2::removeChild(child);
    m_releasing = outer;
    m_needsUpdate = true;
}

void KyLayout::setPosition(const KyVector3f32& position)
{
    m_userPosition = position;
    m_needsUpdate = true;
}

KyVector3f32 KyLayout::position()
{
    updateLayout();
    return m_position;
}

KyVector3f32 KyLayout::worldPosition()
{
    if (!m_parent)
        return position();
    return position() + m_parent->worldPosition() - m_parent->anchor() * m_parent->size();
}

void KyLayout::setSize(const KyVector3f32& size)
{
    if (!differs(size, m_userSize))
        return;
    m_userSize = size;
    m_needsUpdate = true;
    m_onSizeChanged.call();
}

KyVector3f32 KyLayout::size()
{
    updateLayout();
    KyVector3f32 o = pointOf(m_worldMatrix, 0.0f, 0.0f, 0.0f);
    return KyVector3f32((pointOf(m_worldMatrix, 1.0f, 0.0f, 0.0f) - o).length(),
                        (pointOf(m_worldMatrix, 0.0f, 1.0f, 0.0f) - o).length(),
                        (pointOf(m_worldMatrix, 0.0f, 0.0f, 1.0f) - o).length());
}

void KyLayout::setAnchor(const KyVector3f32& anchor)
{
    m_anchor = anchor;
    m_needsUpdate = true;
}

void KyLayout::setScale(const KyVector3f32& scale)
{
    Ky3DObject2::setScale(scale);
    m_needsUpdate = true;
}

KyVector3f32 KyLayout::scale()
{
    updateLayout();
    return m_scale;
}

KyVector3f32 KyLayout::worldScale()
{
    if (m_parent && m_sizeType == Percent)
        return scale() * m_parent->worldScale();
    return scale();
}

void KyLayout::setRotation(const KyQuaternion& rotation)
{
    if (rotation.w == m_rotation.w && rotation.x == m_rotation.x && rotation.y == m_rotation.y &&
        rotation.z == m_rotation.z)
        return;
    Ky3DObject2::setRotation(rotation);
    m_needsUpdate = true;
}

KyMatrix4x4 KyLayout::worldTransformationMatrix()
{
    updateLayout();
    return m_worldMatrix;
}

void KyLayout::update()
{
    updateLayout();
    // Read the count afresh: an update listener may change the children.
    for (u32 i = 0; i < childCount(); ++i)
        child(i)->update();
}

void KyLayout::updateLayout()
{
    if (!m_needsUpdate || m_updating)
        return;
    if (!m_parent && !isMainWindow())
        return;
    // A parent that places its children (a list) measures them while it
    // updates: it goes first, so that it never measures this layout half-way
    // through its own update (a hit test that reaches a child first would
    // otherwise leave the list placed after a stale size).
    if (KyLayout* parentLayout = dynamic_cast<KyLayout*>(m_parent)) {
        parentLayout->updateLayout();
        if (!m_needsUpdate || m_updating)
            return;
    }
    m_needsUpdate = false;
    m_updating = true;
    updateZ();
    updateSize();
    updateMesh();
    updatePosition();
    updateWorldMatrix();
    m_updating = false;
}

void KyLayout::updateZ()
{
    u32 n = childCount();
    if (n == 0)
        return;
    f32 step = 0.5f / static_cast<f32>(n);
    for (u32 i = 0; i < n && i < childCount(); ++i) {
        KyLayout* layout = dynamic_cast<KyLayout*>(child(i));
        if (!layout)
            continue;
        KyVector3f32 p = layout->userPosition();
        KyVector3f32 s = layout->userSize();
        layout->setSize(s);
        p.z = 0.5f + (static_cast<f32>(i) + 0.5f) * step;
        layout->setPosition(p);
    }
}

void KyLayout::updateSize()
{
    if (m_sizeType == Percent) {
        m_scale = m_userSize;
    } else if (m_sizeType == Pixel) {
        KyVector3f32 v = rotationMatrix(m_rotation).transformPoint(m_userSize);
        m_size = KyVector3f32(std::fabs(v.x), std::fabs(v.y), std::fabs(v.z));
        m_scale = m_size;
    }

    // The parent's width and height in pixels.
    KyMatrix4x4 parentMatrix;
    if (m_parent)
        parentMatrix = m_parent->worldTransformationMatrix();
    KyVector3f32 o = pointOf(parentMatrix, 0.0f, 0.0f, 0.0f);
    f32 width = (pointOf(parentMatrix, 1.0f, 0.0f, 0.0f) - o).length();
    f32 height = (pointOf(parentMatrix, 0.0f, 1.0f, 0.0f) - o).length();
    // A parent of no (or no measurable) area leaves the ratio unapplied.
    if (!(width > 0.0f) || !(height > 0.0f))
        return;
    f32 parentRatio = width / height;

    if (m_ratioMode == LetterBox) {
        if (m_ratio < parentRatio)
            m_scale.x = height * m_ratio / width;
        else
            m_scale.y = width / (m_ratio * height);
    } else if (m_ratioMode == PanScan) {
        if (m_safeAreaRatio > parentRatio) {
            f32 k = 1.0f - (m_safeAreaRatio - parentRatio) / m_safeAreaRatio;
            m_scale.x = height * m_ratio * k / width;
        } else {
            m_scale.x = height * m_ratio / width;
        }
    }
}

void KyLayout::updatePosition()
{
    if (m_positionType != Pixel && m_positionType != Percent)
        return;
    KyVector3f32 old = m_position;
    m_position = m_userPosition;
    if (differs(old, m_position))
        m_onPositionChanged.call();
}

void KyLayout::updateMesh()
{
    m_quadMesh.setVertex(0, -0.5f, -0.5f, 0.0f);
    m_quadMesh.setVertex(1, 0.5f, -0.5f, 0.0f);
    m_quadMesh.setVertex(2, 0.5f, 0.5f, 0.0f);
    m_quadMesh.setVertex(3, -0.5f, 0.5f, 0.0f);

    const f32 cx = 0.5f - m_anchor.x;
    const f32 cy = 0.5f - m_anchor.y;
    const f32 d = 0.01f;
    m_anchorMesh.setVertex(0, cx - d, cy - d, 0.0f);
    m_anchorMesh.setVertex(1, cx + d, cy + d, 0.0f);
    m_anchorMesh.setVertex(2, cx - d, cy + d, 0.0f);
    m_anchorMesh.setVertex(3, cx + d, cy - d, 0.0f);
    const KyColor red(255, 0, 0, 255);
    for (u32 i = 0; i < 4; ++i) {
        m_quadMesh.setIndex(i, static_cast<u16>(i));
        m_anchorMesh.setNormal(i, 0.0f, 0.0f, 1.0f);
        m_anchorMesh.setColor(i, red);
        m_anchorMesh.setIndex(i, static_cast<u16>(i));
    }
}

void KyLayout::updateWorldMatrix()
{
    const KyMatrix4x4 old = m_worldMatrix;
    KyMatrix4x4 parentMatrix;
    if (m_parent)
        parentMatrix = m_parent->worldTransformationMatrix();
    const KyVector3f32 fromCentre = m_position - KyVector3f32(0.5f, 0.5f, 0.5f);

    KyMatrix4x4 m;
    if (m_sizeType == Percent) {
        // Scaled in the parent's frame.
        m = parentMatrix;
        m.translate(fromCentre);
        m.scale(m_scale);
        m = m * rotationMatrix(m_rotation);
    } else {
        // Pixel scale; only the origin and the rotation come from the parent.
        m.translate(parentMatrix.transformPoint(fromCentre));
        m = m * rotationMatrix(worldRotation());
        m.scale(m_scale);
    }
    m.translate(KyVector3f32(0.5f - m_anchor.x, 0.5f - m_anchor.y, 0.5f - m_anchor.z));
    m_worldMatrix = m;

    m_drawCallback.setPriority(-pointOf(m, 0.0f, 0.0f, 0.0f).z);
    if (m_worldMatrix != old)
        m_onWorldTransformationChanged.call();
}

bool KyLayout::draw()
{
    if (visible() && worldVisible() && m_drawMode == 1) {
        updateLayout();
        glPushMatrix();
        glLoadMatrixf(m_worldMatrix.data());
        m_quadMesh.Render();
        m_anchorMesh.Render();
        glPopMatrix();
    }
    return false;
}

bool KyLayout::isMouseIn(const KyVector2s32& point)
{
    if (!m_parent)
        return false;
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    KyVector3f32 windowSize = window->size();
    KyVector3f32 windowAnchor = window->anchor();
    f32 x = std::trunc(static_cast<f32>(point.x) - windowAnchor.x * windowSize.x);
    f32 y = std::trunc(static_cast<f32>(point.y) - windowAnchor.y * windowSize.y);

    KyMatrix4x4 m = worldTransformationMatrix();
    KyVector3f32 q;
    if (m.determinant() != 0.0f) {
        q = m.inverse().transformPoint(KyVector3f32(x, y, 0.0f));
    } else {
        // A layout without depth (size z of 0) is still a rectangle on the
        // screen: solve in its plane. One without width or height has no
        // inside at all.
        f32 det = m.m[0] * m.m[5] - m.m[4] * m.m[1];
        if (det == 0.0f || !std::isfinite(det))
            return false;
        f32 dx = x - m.m[12];
        f32 dy = y - m.m[13];
        q = KyVector3f32((dx * m.m[5] - dy * m.m[4]) / det, (dy * m.m[0] - dx * m.m[1]) / det, 0.0f);
    }
    const f32 bound = hitBound();
    return -bound <= q.x && q.x < bound && -bound <= q.y && q.y < bound;
}

void KyLayout::replaceChild(KyLayout*& slot, KyLayout* layout, const KyColor& outline)
{
    if (slot)
        removeChild(slot);
    if (layout)
        addChild(layout);
    slot = layout;
    if (layout)
        layout->setQuadColor(outline);
}

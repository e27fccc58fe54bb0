#include "platform/KyCamera.h"

#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "platform/KyRenderer.h"
#include "platform/KyScreen.h"
#include "platform/KyVectorHistory.h"

#include <GL/gl.h>

#include <climits>
#include <cmath>

namespace {

const f32 kPi = 3.14159265358979f;

KyVector3f32 roundHalfUp(const KyVector3f32& v)
{
    return KyVector3f32(std::floor(v.x + 0.5f), std::floor(v.y + 0.5f), std::floor(v.z + 0.5f));
}

// M = M . T(c+) . X . T(c-) with c+ = floor(size * centre + 0.5) and
// c- = floor(-size * centre + 0.5).
void aboutCenter(KyMatrix4x4& m, const KyVector3f32& plus, const KyVector3f32& minus, const KyMatrix4x4& x)
{
    m.translate(plus);
    m = m * x;
    m.translate(minus);
}

// Truncation toward zero into an int, saturating instead of overflowing.
s32 truncToInt(f32 v)
{
    if (!(v == v))
        return 0;
    if (v >= 2147483647.0f)
        return INT_MAX;
    if (v <= -2147483648.0f)
        return INT_MIN;
    return static_cast<s32>(v);
}

KyQuaternion conjugate(const KyQuaternion& q)
{
    return KyQuaternion(-q.x, -q.y, -q.z, q.w);
}

KyVector3f32 rotateBy(KyQuaternion q, const KyVector3f32& v)
{
    return q.toMatrix().transformPoint(v);
}

} // namespace

KyCamera::KyCamera()
    : m_projectionMode(ProjectionNone),
      m_left(0.0f),
      m_right(0.0f),
      m_bottom(0.0f),
      m_top(0.0f),
      m_orthoNear(0.0f),
      m_orthoFar(0.0f),
      m_fov(0.0f),
      m_aspect(0.0f),
      m_near(0.0f),
      m_far(0.0f),
      m_viewportX(0),
      m_viewportY(0),
      m_viewportWidth(0),
      m_viewportHeight(0),
      m_rotationQuaternion(0.0f, 0.0f, 0.0f, 1.0f),
      m_orientation(0.0f, 0.0f, 0.0f, 1.0f),
      m_projectionScale(1.0f, 1.0f, 1.0f)
{
}

KyCamera::~KyCamera() {}

KyCamera& KyCamera::global()
{
    // Built on first use so that no static initialiser can reach it early.
    static KyCamera camera;
    return camera;
}

namespace {
// ... and first used here, before main.
KyCamera& g_globalCamera = KyCamera::global();
} // namespace

void KyCamera::setViewport(s32 x, s32 y, u32 width, u32 height)
{
    m_viewportX = x;
    m_viewportY = y;
    m_viewportWidth = width;
    m_viewportHeight = height;
}

void KyCamera::setPerspective(f32 fov, f32 aspect, f32 zNear, f32 zFar)
{
    // The parameters are kept even when they give no matrix, so that a
    // later call that completes them (a window that gets its size) works.
    m_fov = fov;
    m_aspect = aspect;
    m_near = zNear;
    m_far = zFar;
    if (aspect == 0.0f || zNear == zFar)
        return;

    const f32 f = 1.0f / std::tan(fov * kPi / 180.0f * 0.5f);
    KyMatrix4x4 m;
    for (u32 i = 0; i < 16; ++i)
        m.m[i] = 0.0f;
    m.m[0] = f / aspect;
    m.m[5] = f;
    m.m[10] = (zFar + zNear) / (zNear - zFar);
    m.m[11] = zFar * zNear / (zNear - zFar);
    m.m[14] = -1.0f;
    if (f == 0.0f || !std::isfinite(m.m[0]) || !std::isfinite(m.m[5]) || !std::isfinite(m.m[10]) ||
        !std::isfinite(m.m[11]))
        return;
    m_perspective = m;
}

void KyCamera::setFov(f32 fov)
{
    setPerspective(fov, m_aspect, m_near, m_far);
}

void KyCamera::setOrthogonal(f32 left, f32 right, f32 bottom, f32 top, f32 zNear, f32 zFar)
{
    m_left = left;
    m_right = right;
    m_bottom = bottom;
    m_top = top;
    m_orthoNear = zNear;
    m_orthoFar = zFar;
    setSize(KyVector3f32(right - left, top - bottom, zFar - zNear));
}

f32 KyCamera::rotation()
{
    KyVector3f32 axis;
    f32 angle;
    m_rotationQuaternion.toAxisAngle(axis, angle);
    return axis.z * angle * 180.0f / kPi;
}

void KyCamera::setRotation(f32 degrees)
{
    Ky3DObject::setRotation(degrees);
    const f32 h = degrees * kPi / 180.0f * 0.5f;
    m_rotationQuaternion = KyQuaternion(0.0f, 0.0f, std::sin(h), std::cos(h));
}

KyMatrix4x4 KyCamera::viewProjectionMatrix() const
{
    KyQuaternion q = m_rotationQuaternion;
    q.normalize();
    return m_perspective * conjugate(q).toMatrix();
}

KyVector3f32 KyCamera::projectPoint(const KyVector3f32& p)
{
    m_rotationQuaternion.normalize();
    const KyVector3f32 clip = viewProjectionMatrix().transformPoint(p);

    // The viewport as the orientation turns it on the screen.
    const KyVector3f32 a = rotateBy(m_orientation, KyVector3f32(f32(m_viewportX), f32(m_viewportY), 0.0f));
    const KyVector3f32 b = rotateBy(m_orientation, KyVector3f32(f32(m_viewportX) + f32(m_viewportWidth),
                                                                f32(m_viewportY) + f32(m_viewportHeight), 0.0f));
    const f32 halfW = std::fabs(std::trunc(std::trunc(b.x - a.x) * 0.5f));
    const f32 halfH = std::fabs(std::trunc(std::trunc(b.y - a.y) * 0.5f));
    return KyVector3f32(halfW * (clip.x + 1.0f), halfH * (clip.y + 1.0f), clip.z);
}

void KyCamera::getRay(const KyVector2s32& point, KyVector3f32& direction, KyVector3f32& origin)
{
    const KyVector3f32 v = rotateBy(m_orientation, KyVector3f32(f32(m_viewportWidth), f32(m_viewportHeight), 0.0f));
    const f32 w = std::fabs(v.x);
    const f32 h = std::fabs(v.y);
    // A viewport without width or height has only its centre: a division
    // by zero there would give a ray of NaNs, which the ray test takes for
    // a hit on every triangle.
    KyVector3f32 d(w > 0.0f ? 2.0f * f32(point.x) / w - 1.0f : 0.0f,
                   h > 0.0f ? 2.0f * f32(point.y) / h - 1.0f : 0.0f, 1.0f);
    d = m_perspective.inverse().transformPoint(d);
    d.normalize();
    origin = KyVector3f32(0.0f, 0.0f, 0.0f);
    m_rotationQuaternion.normalize();
    direction = rotateBy(m_rotationQuaternion, d);
}

KyRenderer* KyCamera::drawingRenderer()
{
    KyScreen* s = screen();
    if (s && s->renderer())
        return s->renderer();
    return KySingleton<KyRenderer>::instance();
}

bool KyCamera::viewFlipped()
{
    return KyVectorHistory::instance()->isFlipped() && !KySingleton<KyCore>::instance()->isFixedLandscape();
}

void KyCamera::applyProjection()
{
    KyRenderer* renderer = drawingRenderer();
    const KyVector3f32& s = scale();
    renderer->viewport(m_viewportX, m_viewportY, truncToInt(f32(m_viewportWidth) * s.x),
                       truncToInt(f32(m_viewportHeight) * s.y));

    KyQuaternion orientation = m_orientation;
    KyMatrix4x4 q = orientation.toMatrix();
    q.scale(m_projectionScale);

    renderer->setMatrixMode(KyRenderer::Projection);
    if (m_projectionMode == ProjectionPerspective) {
        renderer->loadProjection(q.inverse() * m_perspective);
    } else if (m_projectionMode == ProjectionOrthographic) {
        renderer->ortho(m_left, m_right, m_bottom, m_top, m_orthoNear, m_orthoFar);
        // The projection scale and the orientation belong to the projection
        // matrix: the model-view matrix is replaced by applyTransformation.
        renderer->setMatrixMode(KyRenderer::Projection);
        renderer->scale(m_projectionScale.x, m_projectionScale.y, m_projectionScale.z);
        KyVector3f32 axis;
        f32 angle;
        m_orientation.toAxisAngle(axis, angle);
        if (angle != 0.0f && axis.length() > 0.0f)
            renderer->rotate(-angle * 180.0f / kPi, axis.x, axis.y, axis.z);
    }
    renderer->setMatrixMode(KyRenderer::ModelView);
}

void KyCamera::applyTransformation()
{
    const KyVector3f32 sz = size();
    const KyVector3f32& sc = scale();
    const KyVector3f32& scaleCentre = scaleCenter();
    const KyVector3f32 rotationCentre = rotationCenter();
    const KyVector3f32 rotPlus = roundHalfUp(sz * rotationCentre);
    const KyVector3f32 rotMinus = roundHalfUp(-sz * rotationCentre);

    KyMatrix4x4 m;
    // The scale step works in the plane: its translations have z = 0.
    KyVector3f32 scalePlus = roundHalfUp(sz * scaleCentre);
    KyVector3f32 scaleMinus = roundHalfUp(-sz * scaleCentre);
    scalePlus.z = 0.0f;
    scaleMinus.z = 0.0f;
    KyMatrix4x4 scaling;
    scaling.scale(sc);
    aboutCenter(m, scalePlus, scaleMinus, scaling);

    if (viewFlipped()) {
        KyQuaternion halfTurn(0.0f, 0.0f, 1.0f, 0.0f);
        aboutCenter(m, rotPlus, rotMinus, halfTurn.toMatrix());
    }
    aboutCenter(m, rotPlus, rotMinus, conjugate(m_rotationQuaternion).toMatrix());
    m.translate(-position());

    KyRenderer* renderer = drawingRenderer();
    renderer->loadMatrix(m);
    renderer->color(1.0f, 1.0f, 1.0f, opacity());
}

void KyCamera::apply()
{
    applyProjection();
    applyTransformation();
}

void KyCamera::resetColor()
{
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

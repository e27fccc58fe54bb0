#ifndef KY_CAMERA_H
#define KY_CAMERA_H

#include "core/KyMatrix4x4.h"
#include "core/KyQuaternion.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DObject.h"

class KyRenderer;
class KyScreen;

// Sets up the OpenGL projection and model-view matrices: a perspective
// camera for the panoramas and an orthographic one for the 2D interface.
// It also projects world points to window coordinates and turns a window
// point into a picking ray.
//
// The camera draws with the renderer of its screen; the screen travels in
// the object's tag (setScreen, or setTag with the screen's address).
// Without a screen, or with a screen that has no renderer yet, the
// renderer singleton is used.
class KyCamera : public Ky3DObject {
public:
    enum Projection { ProjectionNone = 0, ProjectionPerspective = 1, ProjectionOrthographic = 2 };

    KyCamera();
    ~KyCamera() override;

    // The process-wide camera, built before main and destroyed at exit: the
    // application sets it up as the 2D camera that widgets draw through.
    static KyCamera& global();

    // 0 none, 1 perspective, 2 orthographic; set directly by the owner.
    void setProjectionMode(s32 mode) { m_projectionMode = mode; }
    s32 projectionMode() const { return m_projectionMode; }

    void setScreen(KyScreen* screen) { setTag(reinterpret_cast<std::intptr_t>(screen)); }
    KyScreen* screen() { return reinterpret_cast<KyScreen*>(tag()); }

    // Viewport at (0, 0) of the given size.
    void setViewport(u32 width, u32 height) { setViewport(0, 0, width, height); }
    void setViewport(s32 x, s32 y, u32 width, u32 height);
    s32 viewportX() const { return m_viewportX; }
    s32 viewportY() const { return m_viewportY; }
    u32 viewportWidth() const { return m_viewportWidth; }
    u32 viewportHeight() const { return m_viewportHeight; }

    // Stores the parameters (fov in degrees) and builds the perspective
    // matrix. With f = 1 / tan(fov / 2), its elements are [0] = f / aspect,
    // [5] = f, [10] = (far + near) / (near - far), [11] = far * near /
    // (near - far), [14] = -1 and 0 elsewhere: a depth that runs from about
    // 0 at the near plane to 1 at the far plane, which marker placement
    // relies on. Parameters that give no matrix (aspect 0, near equal to
    // far, a field of view whose tangent is 0 or infinite) change nothing.
    void setPerspective(f32 fov, f32 aspect, f32 zNear, f32 zFar);
    // The same with the current aspect, near and far.
    void setFov(f32 fov);
    f32 fov() const { return m_fov; }
    f32 aspect() const { return m_aspect; }
    f32 near() const { return m_near; }
    f32 far() const { return m_far; }
    const KyMatrix4x4& perspectiveMatrix() const { return m_perspective; }

    // Stores the bounds and sets the object's size to (r - l, t - b, f - n).
    // A bottom bound greater than the top makes y grow downwards.
    void setOrthogonal(f32 left, f32 right, f32 bottom, f32 top, f32 zNear, f32 zFar);
    f32 orthoLeft() const { return m_left; }
    f32 orthoRight() const { return m_right; }
    f32 orthoBottom() const { return m_bottom; }
    f32 orthoTop() const { return m_top; }
    f32 orthoNear() const { return m_orthoNear; }
    f32 orthoFar() const { return m_orthoFar; }

    // The camera's turn about z in degrees, kept in its rotation quaternion.
    f32 rotation() override;
    void setRotation(f32 degrees) override;
    // The camera's own rotation as a quaternion (the view turns the other
    // way).
    void setRotationQuaternion(const KyQuaternion& rotation) { m_rotationQuaternion = rotation; }
    const KyQuaternion& rotationQuaternion() const { return m_rotationQuaternion; }

    // Extra rotation of the projection (the screen's orientation).
    void setOrientation(const KyQuaternion& orientation) { m_orientation = orientation; }
    const KyQuaternion& orientation() const { return m_orientation; }
    void setProjectionScale(const KyVector3f32& scale) { m_projectionScale = scale; }
    const KyVector3f32& projectionScale() const { return m_projectionScale; }

    // perspective matrix . rotation matrix of the conjugate of the
    // (normalised) rotation: the clip transform of a point seen from the
    // origin. projectPoint and the view-frustum planes both use it.
    KyMatrix4x4 viewProjectionMatrix() const;

    // Window coordinates of p relative to the viewport origin, and its depth
    // after the perspective division.
    KyVector3f32 projectPoint(const KyVector3f32& p);
    // The ray from the camera through a window point given in input
    // coordinates (y up from the bottom). The origin is (0, 0, 0).
    void getRay(const KyVector2s32& point, KyVector3f32& direction, KyVector3f32& origin);

    void applyProjection();
    void applyTransformation();
    void apply();

    // The current colour becomes opaque white.
    static void resetColor();

private:
    KyRenderer* drawingRenderer();
    // Whether the 2D view is turned half a turn (the motion history says so
    // and the platform does not keep the landscape layout).
    static bool viewFlipped();

    s32 m_projectionMode;
    f32 m_left, m_right, m_bottom, m_top, m_orthoNear, m_orthoFar;
    f32 m_fov, m_aspect, m_near, m_far;
    s32 m_viewportX, m_viewportY;
    u32 m_viewportWidth, m_viewportHeight;
    KyQuaternion m_rotationQuaternion;
    KyQuaternion m_orientation;
    KyVector3f32 m_projectionScale;
    KyMatrix4x4 m_perspective;
};

#endif

#include "platform/KyCamera.h"

#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "platform/KyPickMesh.h"
#include "platform/KyRenderer.h"
#include "platform/KyScreen.h"
#include "platform/KyVectorHistory.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/StdoutCapture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

const f32 kPi = 3.14159265f;

void expectNear(const KyVector3f32& expected, const KyVector3f32& actual, f32 eps = 1e-4f)
{
    EXPECT_NEAR(expected.x, actual.x, eps);
    EXPECT_NEAR(expected.y, actual.y, eps);
    EXPECT_NEAR(expected.z, actual.z, eps);
}

KyMatrix4x4 glMatrix(GLenum which)
{
    KyMatrix4x4 m;
    glGetFloatv(which, m.m);
    return m;
}

void expectMatrixIdentityish(const KyMatrix4x4& m)
{
    KyMatrix4x4 identity;
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(identity.m[i], m.m[i], 1e-5f) << i;
}

} // namespace

TEST(CameraTest, PerspectiveMatrixElements)
{
    KyCamera camera;
    camera.setPerspective(90, 1, 1, 100);
    const KyMatrix4x4& m = camera.perspectiveMatrix();
    EXPECT_FLOAT_EQ(1, m.m[0]);
    EXPECT_FLOAT_EQ(1, m.m[5]);
    EXPECT_FLOAT_EQ(-101.0f / 99.0f, m.m[10]);
    EXPECT_FLOAT_EQ(-100.0f / 99.0f, m.m[11]);
    EXPECT_FLOAT_EQ(-1, m.m[14]);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13, 15})
        EXPECT_EQ(0, m.m[i]) << i;

    camera.setPerspective(60, 2, 1, 4096);
    EXPECT_NEAR(1.7320508f / 2, camera.perspectiveMatrix().m[0], 1e-5f);
    EXPECT_EQ(60, camera.fov());
    EXPECT_EQ(2, camera.aspect());
    EXPECT_EQ(1, camera.near());
    EXPECT_EQ(4096, camera.far());

    // setFov keeps the rest.
    camera.setFov(90);
    EXPECT_FLOAT_EQ(0.5f, camera.perspectiveMatrix().m[0]);
    EXPECT_EQ(2, camera.aspect());
}

TEST(CameraTest, PerspectiveWithoutAMatrixKeepsThePreviousOne)
{
    KyCamera camera;
    camera.setPerspective(90, 1, 1, 100);
    const KyMatrix4x4 good = camera.perspectiveMatrix();
    camera.setPerspective(90, 0, 1, 100);
    EXPECT_EQ(good, camera.perspectiveMatrix());
    camera.setPerspective(90, 1, 5, 5);
    EXPECT_EQ(good, camera.perspectiveMatrix());
    camera.setPerspective(0, 1, 1, 100);
    EXPECT_EQ(good, camera.perspectiveMatrix());
    camera.setPerspective(NAN, 1, 1, 100);
    EXPECT_EQ(good, camera.perspectiveMatrix());
    // The parameters are kept, so completing them later works.
    camera.setPerspective(60, 0, 1, 100);
    EXPECT_EQ(60, camera.fov());
    camera.setPerspective(camera.fov(), 1.5f, camera.near(), camera.far());
    EXPECT_NEAR(1.7320508f / 1.5f, camera.perspectiveMatrix().m[0], 1e-5f);
}

TEST(CameraTest, RotationInDegreesThroughTheQuaternion)
{
    KyCamera camera;
    camera.setRotation(90);
    EXPECT_NEAR(std::sin(kPi / 4), camera.rotationQuaternion().z, 1e-6f);
    EXPECT_NEAR(std::cos(kPi / 4), camera.rotationQuaternion().w, 1e-6f);
    EXPECT_NEAR(90, camera.rotation(), 1e-3f);
    camera.setRotation(-30);
    EXPECT_NEAR(-30, camera.rotation(), 1e-3f);
}

TEST(CameraTest, OrthogonalBoundsGiveTheSize)
{
    KyCamera camera;
    camera.setOrthogonal(-400, 400, 300, -300, -2048, 2048);
    EXPECT_EQ(KyVector3f32(800, -600, 4096), camera.size());
    EXPECT_EQ(300, camera.orthoBottom());
    EXPECT_EQ(-300, camera.orthoTop());
}

TEST(CameraTest, RayThroughTheWindowCentre)
{
    KyCamera camera;
    camera.setViewport(800, 600);
    camera.setPerspective(60, 800.0f / 600.0f, 1, 4096);
    KyVector3f32 direction, origin(5, 5, 5);
    camera.getRay(KyVector2s32(400, 300), direction, origin);
    expectNear(KyVector3f32(0, 0, 0), origin);
    expectNear(KyVector3f32(0, 0, -1), direction);

    // Turned a quarter about y, the camera looks down -x.
    camera.setRotationQuaternion(KyQuaternion::fromAxisAndAngle(KyVector3f32(0, 1, 0), kPi / 2));
    camera.getRay(KyVector2s32(400, 300), direction, origin);
    expectNear(KyVector3f32(-1, 0, 0), direction);

    // A point along the ray projects back onto the centre of the window,
    // and a point on the ray through a corner onto that corner.
    KyVector3f32 p = camera.projectPoint(direction * 50);
    EXPECT_NEAR(400, p.x, 1e-2f);
    EXPECT_NEAR(300, p.y, 1e-2f);
    camera.getRay(KyVector2s32(800, 0), direction, origin);
    p = camera.projectPoint(direction * 50);
    EXPECT_NEAR(800, p.x, 1e-2f);
    EXPECT_NEAR(0, p.y, 1e-2f);

    // Depth runs from about 0 at the near plane to 1 at the far plane.
    camera.setRotationQuaternion(KyQuaternion());
    EXPECT_NEAR(1, camera.projectPoint(KyVector3f32(0, 0, -4096)).z, 1e-4f);
    EXPECT_LT(camera.projectPoint(KyVector3f32(0, 0, -1)).z, 0.01f);

    // A viewport without size gives a usable ray, not NaNs.
    KyCamera empty;
    empty.getRay(KyVector2s32(10, 10), direction, origin);
    EXPECT_TRUE(std::isfinite(direction.x) && std::isfinite(direction.y) && std::isfinite(direction.z));
}

TEST(CameraTest, ProjectedViewportFollowsTheOrientation)
{
    KyCamera camera;
    camera.setViewport(800, 600);
    camera.setPerspective(60, 600.0f / 800.0f, 1, 4096);
    camera.setOrientation(KyQuaternion::fromAxisAndAngle(KyVector3f32(0, 0, 1), kPi / 2));
    // A quarter turn swaps the halves: the centre is at (300, 400).
    KyVector3f32 p = camera.projectPoint(KyVector3f32(0, 0, -10));
    EXPECT_NEAR(300, p.x, 1e-3f);
    EXPECT_NEAR(400, p.y, 1e-3f);
    KyVector3f32 direction, origin;
    camera.getRay(KyVector2s32(300, 400), direction, origin);
    expectNear(KyVector3f32(0, 0, -1), direction);
}

TEST(CameraTest, FrustumHoldsWhatProjectsIntoTheViewport)
{
    const KyQuaternion turns[] = {
        KyQuaternion(),
        KyQuaternion::fromAxisAndAngle(KyVector3f32(0, 1, 0), kPi / 2),
        KyQuaternion::fromAxisAndAngle(KyVector3f32(0, 1, 0), kPi),
        KyQuaternion::fromAxisAndAngle(KyVector3f32(1, 0, 0), 0.6f),
        KyQuaternion::fromAxisAndAngle(KyVector3f32(0.3f, -0.8f, 0.5f), 2.2f),
    };
    std::mt19937 random(1234);
    std::uniform_real_distribution<f32> coordinate(-60.0f, 60.0f);
    for (const KyQuaternion& turn : turns) {
        KyCamera camera;
        camera.setViewport(640, 480);
        camera.setPerspective(60, 640.0f / 480.0f, 1, 100);
        camera.setRotationQuaternion(turn);
        f32 planes[6][4];
        buildFrustumPlanes(camera, planes);

        // A small triangle straight ahead of the turned camera is kept.
        KyVector3f32 ahead, origin;
        camera.getRay(KyVector2s32(320, 240), ahead, origin);
        const KyVector3f32 front[3] = {ahead * 10, ahead * 10 + KyVector3f32(0.1f, 0, 0), ahead * 10 + KyVector3f32(0, 0.1f, 0)};
        EXPECT_EQ(2, isTriangleInFrustum(front, planes));
        const KyVector3f32 behind[3] = {ahead * -10, ahead * -10 + KyVector3f32(0.1f, 0, 0), ahead * -10 + KyVector3f32(0, 0.1f, 0)};
        EXPECT_EQ(0, isTriangleInFrustum(behind, planes));

        int inside = 0;
        for (int i = 0; i < 4000; ++i) {
            KyVector3f32 p(coordinate(random), coordinate(random), coordinate(random));
            KyVector3f32 w = camera.projectPoint(p);
            // In front of the camera: the view-space z is negative.
            KyQuaternion conj(-camera.rotationQuaternion().x, -camera.rotationQuaternion().y,
                              -camera.rotationQuaternion().z, camera.rotationQuaternion().w);
            bool inFront = conj.toMatrix().transformPoint(p).z < 0;
            bool inViewport = inFront && w.x > 0 && w.x < 640 && w.y > 0 && w.y < 480 && w.z > -1 && w.z < 1;
            const KyVector3f32 point[3] = {p, p, p};
            EXPECT_EQ(inViewport ? 2 : 0, isTriangleInFrustum(point, planes)) << p.x << " " << p.y << " " << p.z;
            inside += inViewport;
        }
        EXPECT_GT(inside, 50);
    }
}

TEST(CameraTest, FlagsNothingWithoutMotionHistory)
{
    KyVectorHistory* history = KyVectorHistory::instance();
    EXPECT_EQ(history, KyVectorHistory::instance());
    EXPECT_FALSE(history->isFlipped());
    EXPECT_EQ(KyVector3f32(0, 0, 0), history->average());

    // The average takes the newest twenty samples and turns them.
    KyVectorHistory own;
    for (int i = 0; i < 30; ++i)
        own.addSample(KyVector3f32(i < 10 ? 1000.0f : 2.0f, 0, 0));
    EXPECT_EQ(KyVector3f32(2, 0, 0), own.average());
    own.setOrientation(KyQuaternion::fromAxisAndAngle(KyVector3f32(0, 0, 1), kPi / 2));
    expectNear(KyVector3f32(0, 2, 0), own.average());
    own.reset();
    expectNear(KyVector3f32(0, 0, 0), own.average());
}

class CameraGLTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        screen.setRenderer(&renderer);
        StdoutCapture quiet;
        renderer.init();
    }

    KyRenderer renderer;
    KyScreen screen;
};

TEST_F(CameraGLTest, NoProjectionOnlySetsViewportAndModes)
{
    KyCamera camera;
    camera.setScreen(&screen);
    camera.setViewport(32, 16);
    camera.setScale(KyVector3f32(0.5f, 2, 1));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    const KyMatrix4x4 projection = glMatrix(GL_PROJECTION_MATRIX);
    camera.applyProjection();

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(0, viewport[0]);
    EXPECT_EQ(16, viewport[2]);
    EXPECT_EQ(32, viewport[3]);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(GL_MODELVIEW, mode);
    EXPECT_EQ(1, renderer.matrixMode());
    EXPECT_EQ(projection, glMatrix(GL_PROJECTION_MATRIX));
}

TEST_F(CameraGLTest, PerspectiveProjectionIsLoaded)
{
    KyCamera camera;
    camera.setScreen(&screen);
    camera.setProjectionMode(KyCamera::ProjectionPerspective);
    camera.setViewport(64, 64);
    camera.setPerspective(90, 1, 1, 100);
    camera.setRotationQuaternion(KyQuaternion::fromAxisAndAngle(KyVector3f32(0, 1, 0), 0.3f));
    camera.setPosition(KyVector3f32(0, 0, 0));
    camera.apply();
    EXPECT_EQ(camera.perspectiveMatrix(), glMatrix(GL_PROJECTION_MATRIX));

    // The drawn transform is the one projectPoint uses.
    KyMatrix4x4 clip = glMatrix(GL_PROJECTION_MATRIX) * glMatrix(GL_MODELVIEW_MATRIX);
    KyMatrix4x4 expected = camera.viewProjectionMatrix();
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(expected.m[i], clip.m[i], 1e-5f) << i;
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(1.0f, colour[3]);
}

TEST_F(CameraGLTest, WindowCameraPutsNegativeYOnTheTopRow)
{
    // The main window's 2D camera for an 80 x 60 window.
    KyCamera camera;
    camera.setScreen(&screen);
    camera.setProjectionMode(KyCamera::ProjectionOrthographic);
    camera.setViewport(64, 64);
    camera.setOrthogonal(-32, 32, 32, -32, -2048, 2048);
    camera.setOpacity(0.5f);
    screen.setClearColor(0, 0, 0, 1);
    renderer.beginFrame();
    camera.apply();
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(0.5f, colour[3]);

    glDisable(GL_BLEND);
    glColor4f(1, 0, 0, 1);
    glBegin(GL_QUADS); // the top row of pixels: y from -32 to -31
    glVertex3f(-32, -32, 0);
    glVertex3f(32, -32, 0);
    glVertex3f(32, -31, 0);
    glVertex3f(-32, -31, 0);
    glEnd();
    glColor4f(0, 1, 0, 1);
    glBegin(GL_QUADS); // the bottom row: y from 31 to 32
    glVertex3f(-32, 31, 0);
    glVertex3f(32, 31, 0);
    glVertex3f(32, 32, 0);
    glVertex3f(-32, 32, 0);
    glEnd();
    // OpenGL counts rows from the bottom.
    EXPECT_EQ(KyColor(255, 0, 0, 255), pixel(10, 63));
    EXPECT_EQ(KyColor(0, 0, 0, 255), pixel(10, 62));
    EXPECT_EQ(KyColor(0, 255, 0, 255), pixel(10, 0));
    EXPECT_EQ(KyColor(0, 0, 0, 255), pixel(10, 1));
}

TEST_F(CameraGLTest, FlippedViewTurnsHalfAboutTheRotationCentre)
{
    KyCamera camera;
    camera.setScreen(&screen);
    camera.setOrthogonal(0, 480, 0, 320, -2048, 2048);
    camera.applyTransformation();
    expectMatrixIdentityish(glMatrix(GL_MODELVIEW_MATRIX));

    KyCore* core = KySingleton<KyCore>::instance();
    const bool fixedLandscape = core->isFixedLandscape();
    KyVectorHistory::instance()->setFlipped(true);
    core->setFixedLandscape(true); // the platform keeps the landscape view
    camera.applyTransformation();
    expectMatrixIdentityish(glMatrix(GL_MODELVIEW_MATRIX));

    core->setFixedLandscape(false);
    camera.applyTransformation();
    KyMatrix4x4 m = glMatrix(GL_MODELVIEW_MATRIX);
    expectNear(KyVector3f32(480, 320, 0), m.transformPoint(KyVector3f32(0, 0, 0)));
    expectNear(KyVector3f32(240, 160, 0), m.transformPoint(KyVector3f32(240, 160, 0)));

    KyVectorHistory::instance()->setFlipped(false);
    core->setFixedLandscape(fixedLandscape);
}

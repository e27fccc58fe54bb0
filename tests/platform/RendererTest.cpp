#include "platform/KyRenderer.h"

#include "core/KySingleton.h"
#include "core/KyCallback0Param.h"
#include "platform/KyCamera.h"
#include "platform/KyScreen.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/StdoutCapture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

GLint glInt(GLenum which)
{
    GLint value = -1;
    glGetIntegerv(which, &value);
    return value;
}

KyMatrix4x4 glMatrix(GLenum which)
{
    KyMatrix4x4 m;
    glGetFloatv(which, m.m);
    return m;
}

void expectMatrixNear(const KyMatrix4x4& expected, const KyMatrix4x4& actual)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(expected.m[i], actual.m[i], 1e-4f) << "element " << i;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        result.push_back(line);
    return result;
}

// An interface camera of a 40 x 30 view drawing through screen's renderer.
void setSmallOverlayCamera(KyCamera& camera, KyScreen& screen)
{
    camera.setScreen(&screen);
    camera.setProjectionMode(KyCamera::ProjectionOrthographic);
    camera.setViewport(40, 30);
    camera.setOrthogonal(-20, 20, 15, -15, -2048, 2048);
}

} // namespace

typedef GLTest RendererTest;

TEST_F(RendererTest, StartUpStateAndLog)
{
    // Start from the opposite of what init sets.
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glShadeModel(GL_FLAT);
    glClearColor(1, 1, 1, 1);
    glClearDepth(0.5);

    KyRenderer renderer;
    StdoutCapture capture;
    renderer.init();
    std::vector<std::string> log = lines(capture.text());

    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(GL_SMOOTH, glInt(GL_SHADE_MODEL));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(GL_SRC_ALPHA, glInt(GL_BLEND_SRC));
    EXPECT_EQ(GL_ONE_MINUS_SRC_ALPHA, glInt(GL_BLEND_DST));
    EXPECT_EQ(GL_LEQUAL, glInt(GL_DEPTH_FUNC));
    EXPECT_EQ(GL_NICEST, glInt(GL_PERSPECTIVE_CORRECTION_HINT));
    GLfloat depth = 0, colour[4] = {-1, -1, -1, -1};
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, colour);
    EXPECT_EQ(1.0f, depth);
    EXPECT_EQ(0.0f, colour[0]);
    EXPECT_EQ(0.0f, colour[2]);
    EXPECT_EQ(1.0f, colour[3]);
    EXPECT_EQ(GL_NO_ERROR, glGetError());

    // Vendor, renderer, version and extensions, one line each, then the
    // framebuffer-object extension's line.
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(reinterpret_cast<const char*>(glGetString(GL_VENDOR)), log[0]);
    EXPECT_EQ(reinterpret_cast<const char*>(glGetString(GL_RENDERER)), log[1]);
    EXPECT_EQ(reinterpret_cast<const char*>(glGetString(GL_VERSION)), log[2]);
    EXPECT_EQ(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), log[3]);
    EXPECT_NE(std::string::npos, log[4].find("GL_EXT_framebuffer_object"));
    EXPECT_STREQ(reinterpret_cast<const char*>(glGetString(GL_VENDOR)), renderer.vendor().c_str());
    EXPECT_STREQ(reinterpret_cast<const char*>(glGetString(GL_RENDERER)), renderer.renderer().c_str());
}

TEST(RendererNoContextTest, MissingDriverStringsReadAsEmpty)
{
    KyOsGL::makeNoneCurrent();
    KyRenderer renderer;
    EXPECT_STREQ("", renderer.vendor().c_str());
    EXPECT_STREQ("", renderer.renderer().c_str());
}

TEST_F(RendererTest, MatrixModesAndProjections)
{
    KyRenderer renderer;
    renderer.setMatrixMode(KyRenderer::Texture);
    EXPECT_EQ(GL_TEXTURE, glInt(GL_MATRIX_MODE));
    renderer.setMatrixMode(3); // recorded only
    EXPECT_EQ(3, renderer.matrixMode());
    EXPECT_EQ(GL_TEXTURE, glInt(GL_MATRIX_MODE));

    renderer.ortho(-10, 30, 20, -20, -1, 3);
    EXPECT_EQ(1, renderer.matrixMode());
    EXPECT_EQ(GL_MODELVIEW, glInt(GL_MATRIX_MODE));
    expectMatrixNear(KyMatrix4x4(), glMatrix(GL_MODELVIEW_MATRIX));
    expectMatrixNear(glMatrix(GL_PROJECTION_MATRIX), renderer.currentMatrix(KyRenderer::Projection));
    EXPECT_NEAR(2.0f / 40.0f, glMatrix(GL_PROJECTION_MATRIX).m[0], 1e-6f);
    EXPECT_NEAR(-0.5f, glMatrix(GL_PROJECTION_MATRIX).m[12], 1e-6f);

    KyMatrix4x4 projection;
    projection.m[0] = 3;
    projection.m[11] = -1;
    projection.m[14] = 2;
    renderer.loadProjection(projection);
    EXPECT_EQ(projection, glMatrix(GL_PROJECTION_MATRIX));
    EXPECT_EQ(1, renderer.matrixMode());

    // beginFrame resets both matrices and leaves the model-view current.
    renderer.translate(1, 2, 3);
    renderer.beginFrame();
    expectMatrixNear(KyMatrix4x4(), glMatrix(GL_PROJECTION_MATRIX));
    expectMatrixNear(KyMatrix4x4(), glMatrix(GL_MODELVIEW_MATRIX));
    EXPECT_EQ(GL_MODELVIEW, glInt(GL_MATRIX_MODE));
}

TEST_F(RendererTest, MatrixRecordsFollowTheWrappers)
{
    KyRenderer renderer;
    renderer.setMatrixMode(KyRenderer::ModelView);
    renderer.loadIdentity();
    renderer.translate(5, 6, 7);
    renderer.pushMatrix();
    EXPECT_EQ(1u, renderer.savedMatrixCount(KyRenderer::ModelView));
    renderer.rotate(30, 0, 0, 2);
    renderer.scale(2, 3, 4);
    KyMatrix4x4 extra;
    extra.m[13] = 9;
    renderer.multMatrix(extra);
    expectMatrixNear(glMatrix(GL_MODELVIEW_MATRIX), renderer.currentMatrix(KyRenderer::ModelView));
    renderer.popMatrix();
    EXPECT_EQ(0u, renderer.savedMatrixCount(KyRenderer::ModelView));
    expectMatrixNear(glMatrix(GL_MODELVIEW_MATRIX), renderer.currentMatrix(KyRenderer::ModelView));
    renderer.rotate(45, 0, 0, 0); // no axis: nothing turns
    expectMatrixNear(glMatrix(GL_MODELVIEW_MATRIX), renderer.currentMatrix(KyRenderer::ModelView));
    renderer.popMatrix(); // nothing saved: the record stays
    EXPECT_EQ(0u, renderer.savedMatrixCount(KyRenderer::ModelView));
    glGetError();
}

TEST_F(RendererTest, SwitchesAndWrappers)
{
    KyRenderer renderer;
    renderer.enableTexture();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(renderer.isTextureEnabled());
    renderer.disableTexture();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(renderer.isTextureEnabled());

    renderer.depthOff();
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean mask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(GL_FALSE, mask);
    renderer.depthOn();
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(GL_TRUE, mask);

    renderer.viewport(1, 2, 30, 40);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(30, viewport[2]);
    renderer.color(0.25f, 0.5f, 0.75f, 1);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(0.5f, colour[1]);

    renderer.setClearColor(KyColor(255, 0, 51, 255));
    renderer.clear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(KyColor(255, 0, 51, 255), pixel(5, 5));
}

TEST_F(RendererTest, ScreenKeepsSizeRendererAndClearColour)
{
    KyScreen* screen = KySingleton<KyScreen>::instance();
    EXPECT_EQ(screen, KySingleton<KyScreen>::instance());
    EXPECT_EQ(KyColor(0, 0, 0, 255), screen->clearColor());
    EXPECT_EQ(nullptr, screen->renderer());

    // Floats become bytes by truncation, low byte kept.
    screen->setClearColor(0.5f, 1.0f, 0.999f, 2.0f);
    EXPECT_EQ(KyColor(127, 255, 254, 254), screen->clearColor());

    KyRenderer renderer;
    KyScreen own;
    own.setRenderer(&renderer);
    own.setClearColor(KyColor(0, 255, 0, 255));
    renderer.clear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(KyColor(0, 255, 0, 255), pixel(1, 1));

    own.setSize(KyVector3f32(800, 600, 100));
    EXPECT_EQ(800, own.width());
    EXPECT_EQ(600, own.height());
}

namespace {

// An interface element that draws carelessly.
struct MessyListener {
    bool depthWasOff = false;
    int calls = 0;
    bool draw()
    {
        ++calls;
        depthWasOff = !glIsEnabled(GL_DEPTH_TEST);
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_FALSE);
        glColor4f(1, 0, 0, 0.5f);
        glTranslatef(5, 5, 5);
        return false;
    }
};

} // namespace

TEST_F(RendererTest, OverlayPassRestoresTheStateWhateverListenersDid)
{
    KyRenderer renderer;
    KyScreen screen;
    screen.setRenderer(&renderer);
    KyCamera camera;
    setSmallOverlayCamera(camera, screen);

    KyArray<KyICallback0Param*> onDraw;
    MessyListener first, second;
    onDraw.insertByPriority(kyNewCallback(&first, &MessyListener::draw, 2.0f));
    onDraw.insertByPriority(kyNewCallback(&second, &MessyListener::draw, 1.0f));
    renderer.drawOverlay(camera, onDraw);

    EXPECT_EQ(1, first.calls);
    EXPECT_EQ(1, second.calls);
    EXPECT_TRUE(first.depthWasOff);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(40, viewport[2]);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(GL_TRUE, mask);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(1.0f, colour[1]);
    EXPECT_EQ(1.0f, colour[3]);
    EXPECT_EQ(KyMatrix4x4(), glMatrix(GL_MODELVIEW_MATRIX));
    // The projection is the camera's.
    EXPECT_NEAR(2.0f / 40.0f, glMatrix(GL_PROJECTION_MATRIX).m[0], 1e-6f);
    EXPECT_NEAR(-2.0f / 30.0f, glMatrix(GL_PROJECTION_MATRIX).m[5], 1e-6f);
}

TEST_F(RendererTest, CameraDrawAppliesTheCameraAndGivesBothMatricesBack)
{
    KyRenderer renderer;
    KyScreen screen;
    screen.setRenderer(&renderer);
    KyCamera camera;
    setSmallOverlayCamera(camera, screen);
    camera.setPosition(KyVector3f32(7, 0, 0));

    renderer.setMatrixMode(KyRenderer::Projection);
    renderer.loadIdentity();
    renderer.translate(1, 2, 3);
    renderer.setMatrixMode(KyRenderer::ModelView);
    renderer.loadIdentity();
    renderer.translate(4, 5, 6);
    const KyMatrix4x4 projection = glMatrix(GL_PROJECTION_MATRIX);
    const KyMatrix4x4 modelView = glMatrix(GL_MODELVIEW_MATRIX);

    renderer.beginCameraDraw(camera);
    EXPECT_EQ(1u, renderer.savedMatrixCount(KyRenderer::Projection));
    EXPECT_EQ(1u, renderer.savedMatrixCount(KyRenderer::ModelView));
    EXPECT_EQ(GL_MODELVIEW, glInt(GL_MATRIX_MODE));
    EXPECT_NEAR(2.0f / 40.0f, glMatrix(GL_PROJECTION_MATRIX).m[0], 1e-6f);
    EXPECT_NEAR(0.0f, glMatrix(GL_PROJECTION_MATRIX).m[12], 1e-6f);
    EXPECT_NEAR(-7.0f, glMatrix(GL_MODELVIEW_MATRIX).m[12], 1e-4f);

    renderer.endCameraDraw();
    EXPECT_EQ(0u, renderer.savedMatrixCount(KyRenderer::Projection));
    EXPECT_EQ(0u, renderer.savedMatrixCount(KyRenderer::ModelView));
    EXPECT_EQ(GL_MODELVIEW, glInt(GL_MATRIX_MODE));
    expectMatrixNear(projection, glMatrix(GL_PROJECTION_MATRIX));
    expectMatrixNear(modelView, glMatrix(GL_MODELVIEW_MATRIX));
    expectMatrixNear(modelView, renderer.currentMatrix(KyRenderer::ModelView));
    glGetError();
}

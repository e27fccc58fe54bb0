#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KySingleton.h"
#include "os/KyOsClock.h"
#include "os/KyOsEvents.h"
#include "os/KyOsGL.h"
#include "platform/KyAppHooks.h"
#include "platform/KyInputMgr.h"
#include "platform/KyOpenGLContext.h"
#include "platform/KyRenderer.h"
#include "tests/support/StdoutCapture.h"
#include "ui/KyLayout.h"
#include "ui/KyMainWindow.h"

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

const s32 Width = 160;
const s32 Height = 120;

struct Pixel {
    u8 r, g, b, a;
};

// The real main window, off screen, with its OpenGL context.
class MainWindowOffscreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KyOsClock::installFake(0);
        window = KySingleton<KyMainWindow>::instance();
        window->setSize(KyVector3f32(Width, Height, 0));
        ASSERT_TRUE(window->create());
        ASSERT_NE(nullptr, window->handle());
        ASSERT_TRUE(KyOpenGLContext::Initialize(window->handle()));
        {
            StdoutCapture quiet; // the driver strings
            KySingleton<KyRenderer>::instance()->init();
        }
        KyMainWindow::messagePump().clear();
    }
    void TearDown() override
    {
        KyAppHooks::setRenderFrameAndSwap(nullptr);
        KySingleton<KyInputMgr>::destroy();
        KyOpenGLContext::destroy();
        if (window)
            window->destroy();
        KySingleton<KyMainWindow>::destroy();
        KyOsClock::install(nullptr);
    }

    // One frame as the application runs it: the layout tree, then the
    // overlay through the draw signal.
    void drawFrame()
    {
        KySingleton<KyRenderer>::instance()->beginFrame();
        window->update();
        window->draw();
        glFinish();
    }

    // A pixel of the window, counted from the top-left corner.
    Pixel at(s32 x, s32 y)
    {
        Pixel p;
        glReadPixels(x, Height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &p);
        return p;
    }

    KyMainWindow* window = nullptr;
};

bool isGreen(const Pixel& p) { return p.r == 0 && p.g == 255 && p.b == 0; }
bool isBlue(const Pixel& p) { return p.r == 0 && p.g == 0 && p.b == 255; }
bool isBlack(const Pixel& p) { return p.r == 0 && p.g == 0 && p.b == 0; }

class ClickListener {
public:
    bool down(unsigned int button)
    {
        presses.push_back(KyInputMgr::instance()->mousePosition(button));
        return true;
    }
    bool up(unsigned int)
    {
        ++releases;
        return true;
    }
    std::vector<KyVector2s32> presses;
    int releases = 0;
};

int g_frames = 0;
void countFrame() { ++g_frames; }

} // namespace

TEST_F(MainWindowOffscreenTest, LayoutTreeDrawsThroughTheDrawSignal)
{
    // Outlines land on pixel centres: an odd size about the window centre.
    KyLayout outer;
    outer.setSize(KyVector3f32(41, 21, 1));
    outer.setDrawMode(1);
    window->addChild(&outer);

    // A second one centred on the window's top-left quarter, in blue.
    KyLayout inner;
    inner.setSize(KyVector3f32(21, 11, 1));
    inner.setPosition(KyVector3f32(0.25f, 0.25f, 0.5f));
    inner.setDrawMode(1);
    inner.setQuadColor(KyColor(0, 0, 255, 255));
    window->addChild(&inner);
    // Not drawn: hidden, or the draw mode off.
    KyLayout hidden;
    hidden.setSize(KyVector3f32(61, 41, 1));
    hidden.setDrawMode(1);
    hidden.setVisible(false);
    window->addChild(&hidden);

    drawFrame();
    // outer spans x 59.5 .. 100.5 and y 49.5 .. 70.5.
    EXPECT_TRUE(isGreen(at(70, 49)));
    EXPECT_TRUE(isGreen(at(70, 70)));
    EXPECT_TRUE(isGreen(at(59, 55)));
    EXPECT_TRUE(isGreen(at(100, 65)));
    EXPECT_TRUE(isBlack(at(70, 55)));
    EXPECT_TRUE(isBlack(at(70, 47)));
    // inner is centred on (40, 30): x 29.5 .. 50.5, y 24.5 .. 35.5.
    EXPECT_TRUE(isBlue(at(35, 24)));
    EXPECT_TRUE(isBlue(at(50, 33)));
    // The hidden one's outline would be at x 49.5 / y 39.5.
    EXPECT_TRUE(isBlack(at(70, 39)));

    // The pass leaves depth testing on and the colour white.
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(GL_TRUE, depthWrites);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(1.0f, colour[0]);
    EXPECT_EQ(1.0f, colour[3]);

    // Moving the outline through the tree shows at the next frame.
    outer.setPosition(KyVector3f32(0.75f, 0.5f, 0.5f));
    drawFrame();
    EXPECT_TRUE(isGreen(at(110, 49)));
    EXPECT_TRUE(isBlack(at(70, 49)));

    window->removeChild(&outer);
    window->removeChild(&inner);
    window->removeChild(&hidden);
}

TEST_F(MainWindowOffscreenTest, ClickThroughTheEventQueueReachesAListenerOnce)
{
    KyInputMgr* input = KyInputMgr::instance();
    input->setDevice(window);
    input->reset();
    ClickListener listener;
    input->onButtonDown().insertByPriority(kyNewCallback(&listener, &ClickListener::down, 3.4028235e38f));
    input->onButtonUp().insertByPriority(kyNewCallback(&listener, &ClickListener::up, 3.4028235e38f));

    KyOsWindow& os = *window->handle();
    ASSERT_TRUE(KyOsEvents::pushMouseButton(os, KyOsMessage::LeftButton, true, 30, 20));
    ASSERT_TRUE(KyOsEvents::pushMouseButton(os, KyOsMessage::LeftButton, false, 30, 20));
    // One message a turn, then the frame's poll, as the main loop does.
    for (int turn = 0; turn < 10; ++turn) {
        window->pumpMessage();
        KyOsClock::advanceFake(16000);
        input->update();
    }
    ASSERT_EQ(1u, listener.presses.size());
    // Input coordinates: y counted up from the bottom of the window.
    EXPECT_EQ(KyVector2s32(30, Height - 20), listener.presses[0]);
    EXPECT_EQ(1, listener.releases);
    EXPECT_FALSE(window->quit());

    ASSERT_TRUE(KyOsEvents::pushQuit());
    while (window->pumpMessage()) {
    }
    EXPECT_TRUE(window->quit());
}

TEST_F(MainWindowOffscreenTest, PaintRunsTheApplicationFrameOnceTheWindowExists)
{
    g_frames = 0;
    KyMainWindow::windowProc(KyOsMessage::paint());
    EXPECT_EQ(0, g_frames); // no hook installed: nothing to run
    KyAppHooks::setRenderFrameAndSwap(&countFrame);
    KyMainWindow::windowProc(KyOsMessage::paint());
    EXPECT_EQ(1, g_frames);
    window->destroy();
    EXPECT_EQ(nullptr, window->handle());
    KyMainWindow::windowProc(KyOsMessage::paint());
    EXPECT_EQ(1, g_frames);
}

TEST_F(MainWindowOffscreenTest, SizeFollowsTheWindowAndTheTitleFollowsTheName)
{
    EXPECT_TRUE(window->redrawOnPaint());
    EXPECT_TRUE(window->setName("Ky test"));
    EXPECT_STREQ("Ky test", SDL_GetWindowTitle(window->handle()->sdlWindow()));
    EXPECT_FALSE(window->setName(""));
    EXPECT_STREQ("Ky test", SDL_GetWindowTitle(window->handle()->sdlWindow()));

    window->setSize(KyVector3f32(200, 100, 0));
    s32 w = 0, h = 0;
    ASSERT_TRUE(window->handle()->clientSize(w, h));
    EXPECT_EQ(200, w);
    EXPECT_EQ(100, h);

    KyVector2s32 desktop = KyMainWindow::getDesktopRect();
    EXPECT_GT(desktop.x, 0);
    EXPECT_GT(desktop.y, 0);
}

TEST_F(MainWindowOffscreenTest, FullScreenCoversTheDesktopOrFallsBackToAWindow)
{
    window->destroy();
    window->setFullScreen(true);
    StdoutCapture log;
    ASSERT_TRUE(window->create());
    KyVector2s32 desktop = KyMainWindow::getDesktopRect();
    if (window->isFullScreen()) {
        // The layout, the screen object and the camera follow the real
        // client area.
        s32 w = 0, h = 0;
        window->handle()->clientSize(w, h);
        EXPECT_EQ(KyVector3f32(static_cast<f32>(w), static_cast<f32>(h), 100), window->userSize());
        EXPECT_EQ(static_cast<u32>(w), window->camera().viewportWidth());
        EXPECT_EQ(desktop.x, w);
    } else {
        // Refused: the user is told (in the log, headless) and the window stays.
        EXPECT_NE(std::string::npos, log.text().find("The Fullscreen Mode Is Not Supported By"));
        EXPECT_NE(nullptr, window->handle());
    }
    // Losing the focus pauses the game and minimises; coming back resumes.
    window->setFullScreen(true);
    KyMainWindow::windowProc(KyOsMessage::activate(false));
    EXPECT_TRUE(window->paused());
    KyMainWindow::windowProc(KyOsMessage::activate(true));
    EXPECT_FALSE(window->paused());
}

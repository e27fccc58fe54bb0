#include "core/KyCallback0Param.h"
#include "core/KySingleton.h"
#include "os/KyOsClock.h"
#include "os/KyOsMessage.h"
#include "platform/KyInputMgr.h"
#include "platform/KyScreen.h"
#include "ui/KyMainWindow.h"

#include <gtest/gtest.h>

namespace {

const u32 Left = KyOsMessage::LeftButtonBit;
const u32 Right = KyOsMessage::RightButtonBit;

class PauseCounter {
public:
    bool changed()
    {
        ++count;
        return false;
    }
    int count = 0;
};

// A window object without a system window: the procedure only records.
class MainWindowProcTest : public ::testing::Test {
protected:
    void SetUp() override { KyMainWindow::setCurrent(&window); }
    void TearDown() override { KyMainWindow::setCurrent(nullptr); }

    void send(const KyOsMessage& message) { KyMainWindow::windowProc(message); }

    KyMainWindow window;
};

} // namespace

TEST_F(MainWindowProcTest, StartsAsTheEngineWindow)
{
    EXPECT_EQ(KyString("KyEngine Application"), window.name());
    EXPECT_EQ(KyMainWindow::DefaultIconResourceId, window.iconResourceId());
    EXPECT_FALSE(window.isFullScreen());
    EXPECT_FALSE(window.quit());
    EXPECT_FALSE(window.paused());
    EXPECT_FALSE(window.redrawOnPaint());
    EXPECT_EQ(nullptr, window.handle());
    EXPECT_EQ(1u, window.pointerCount());

    EXPECT_FALSE(window.setName(""));
    EXPECT_EQ(KyString("KyEngine Application"), window.name());
    EXPECT_TRUE(window.setName("Orvalen"));
    EXPECT_EQ(KyString("Orvalen"), window.name());

    // Size and position types of the window are fixed, so is its position.
    window.setSizeType(KyLayout::Percent);
    window.setPositionType(KyLayout::Pixel);
    window.setPosition(KyVector3f32(3, 4, 5));
    EXPECT_EQ(KyLayout::Pixel, window.sizeType());
    EXPECT_EQ(KyLayout::Percent, window.positionType());
    EXPECT_EQ(KyVector3f32(0.5f, 0.5f, 0.5f), window.userPosition());
}

TEST_F(MainWindowProcTest, MouseMessagesRecordPositionsAndButtonWords)
{
    send(KyOsMessage::mouseMove(10, 20));
    send(KyOsMessage::mouseMove(-3, -4));
    EXPECT_EQ(KyVector2s32(-3, -4), window.mousePosition(0));
    EXPECT_EQ(KyVector2s32(10, 20), window.previousMousePosition(7));

    send(KyOsMessage::buttonDown(KyOsMessage::LeftButton, -3, -4, Left));
    EXPECT_EQ(Left, window.buttonState(0));
    EXPECT_EQ(0u, window.previousButtonState(0));
    send(KyOsMessage::buttonDown(KyOsMessage::RightButton, -3, -4, Left | Right));
    EXPECT_EQ(Left | Right, window.buttonState(0));
    EXPECT_EQ(Left, window.previousButtonState(0));
    send(KyOsMessage::buttonUp(KyOsMessage::LeftButton, -3, -4, Right));
    EXPECT_EQ(Right, window.buttonState(0));
    EXPECT_EQ(Left | Right, window.previousButtonState(0));
    send(KyOsMessage::buttonUp(KyOsMessage::RightButton, -3, -4, 0));
    EXPECT_EQ(0u, window.buttonState(0));
    EXPECT_EQ(Right, window.previousButtonState(0));
    // A button the window does not know leaves the words alone.
    send(KyOsMessage::buttonDown(KyOsMessage::NoButton, 0, 0, 0));
    EXPECT_EQ(Right, window.previousButtonState(0));

    // No window is current: messages go nowhere.
    KyMainWindow::setCurrent(nullptr);
    send(KyOsMessage::mouseMove(1, 1));
    EXPECT_EQ(KyVector2s32(-3, -4), window.mousePosition(0));
}

TEST_F(MainWindowProcTest, ClickWithinOneFrameReachesTheInputManagerAsNothing)
{
    KyOsClock::installFake(0);
    KyInputMgr* input = KyInputMgr::instance();
    input->setDevice(&window);
    input->reset();
    send(KyOsMessage::buttonDown(KyOsMessage::LeftButton, 5, 5, Left));
    send(KyOsMessage::buttonUp(KyOsMessage::LeftButton, 5, 5, 0));
    EXPECT_EQ(0u, window.buttonState(0));
    EXPECT_EQ(Left, window.previousButtonState(0));
    input->update();
    EXPECT_FALSE(input->isButtonPressed(0));
    KySingleton<KyInputMgr>::destroy();
    KyOsClock::install(nullptr);
}

TEST_F(MainWindowProcTest, SizeMessagesResizeLayoutCameraAndScreenButNotWhenEmpty)
{
    send(KyOsMessage::size(800, 600));
    EXPECT_EQ(KyVector3f32(800, 600, 100), window.userSize());
    EXPECT_EQ(KyVector3f32(800, 600, 100), KySingleton<KyScreen>::instance()->size());
    KyCamera& camera = window.camera();
    EXPECT_EQ(KyCamera::ProjectionOrthographic, camera.projectionMode());
    EXPECT_EQ(800u, camera.viewportWidth());
    EXPECT_EQ(600u, camera.viewportHeight());
    EXPECT_EQ(-400.0f, camera.orthoLeft());
    EXPECT_EQ(400.0f, camera.orthoRight());
    EXPECT_EQ(300.0f, camera.orthoBottom());
    EXPECT_EQ(-300.0f, camera.orthoTop());
    EXPECT_EQ(-2048.0f, camera.orthoNear());
    EXPECT_EQ(2048.0f, camera.orthoFar());

    // Minimising reports an empty client area: nothing changes.
    send(KyOsMessage::minimizedSize());
    send(KyOsMessage::size(0, 600));
    send(KyOsMessage::size(800, -1));
    EXPECT_EQ(KyVector3f32(800, 600, 100), window.userSize());
    EXPECT_EQ(800u, camera.viewportWidth());
    EXPECT_EQ(KyVector3f32(800, 600, 100), KySingleton<KyScreen>::instance()->size());

    // Any size set on the window has a depth of 100.
    window.setSize(KyVector3f32(640, 480, 7));
    EXPECT_EQ(KyVector3f32(640, 480, 100), window.userSize());
    EXPECT_EQ(KyVector3f32(640, 480, 100), KySingleton<KyScreen>::instance()->size());
}

TEST_F(MainWindowProcTest, MoveDestroyAndPaintRecordWithoutSideEffects)
{
    send(KyOsMessage::move(30, -5));
    EXPECT_EQ(30.0f, window.position().x);
    EXPECT_EQ(-5.0f, window.position().y);
    EXPECT_FALSE(window.quit());
    send(KyOsMessage::destroy());
    EXPECT_TRUE(window.quit());
    send(KyOsMessage::mouseMove(1, 1));
    EXPECT_TRUE(window.quit());
}

TEST_F(MainWindowProcTest, OnlyAFullScreenWindowPausesWhenItLosesTheFocus)
{
    PauseCounter counter;
    window.onPauseChanged().pushBack(kyNewCallback(&counter, &PauseCounter::changed));

    send(KyOsMessage::activate(false));
    send(KyOsMessage::activate(true, true));
    EXPECT_FALSE(window.paused());
    EXPECT_EQ(0, counter.count);

    window.setFullScreen(true);
    send(KyOsMessage::activate(false));
    EXPECT_TRUE(window.paused());
    EXPECT_EQ(1, counter.count);
    send(KyOsMessage::activate(true));
    EXPECT_FALSE(window.paused());
    EXPECT_EQ(2, counter.count);
    // Minimising deactivates even while the focus flag says active.
    send(KyOsMessage::activate(true, true));
    EXPECT_TRUE(window.paused());
    EXPECT_EQ(3, counter.count);
    EXPECT_TRUE(window.isFullScreen());
}

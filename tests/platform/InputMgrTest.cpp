#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KySingleton.h"
#include "os/KyOsClock.h"
#include "platform/KyInputMgr.h"
#include "platform/KyScreen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A device whose state the test writes, as the window procedure would.
class FakeDevice : public KyInputDevice {
public:
    u32 pointerCount() override { return pointers; }
    KyVector2s32 mousePosition(u32 pointer) override { return pointer < 4 ? position[pointer] : KyVector2s32(); }
    KyVector2s32 previousMousePosition(u32) override { return KyVector2s32(); }
    u32 buttonState(u32) override { return buttons; }
    u32 previousButtonState(u32) override { return previousButtons; }

    void press()
    {
        previousButtons = buttons;
        buttons |= 2;
    }
    void release()
    {
        previousButtons = buttons;
        buttons &= ~2u;
    }

    u32 pointers = 1;
    KyVector2s32 position[4];
    u32 buttons = 0;
    u32 previousButtons = 0;
};

// Records the events it hears, in order; some handlers claim the event.
class Listener {
public:
    bool buttonDown(unsigned int button)
    {
        log.push_back("down" + std::to_string(button));
        return claimButtons;
    }
    bool buttonUp(unsigned int button)
    {
        log.push_back("up" + std::to_string(button));
        return claimButtons;
    }
    bool leftDown()
    {
        log.push_back("leftDown");
        return false;
    }
    bool leftUp()
    {
        log.push_back("leftUp");
        return false;
    }
    bool pointerMove(unsigned int pointer)
    {
        log.push_back("pointer" + std::to_string(pointer));
        return true; // claimed: the mouse-move signal still fires
    }
    bool mouseMove()
    {
        log.push_back("mouse");
        return false;
    }
    bool keyReleased(KyKey& key)
    {
        log.push_back("key" + std::to_string(key));
        return false;
    }

    void listenTo(KyInputMgr& input)
    {
        input.onButtonDown().insertByPriority(kyNewCallback(this, &Listener::buttonDown));
        input.onButtonUp().insertByPriority(kyNewCallback(this, &Listener::buttonUp));
        input.onLeftButtonDown().insertByPriority(kyNewCallback(this, &Listener::leftDown));
        input.onLeftButtonUp().insertByPriority(kyNewCallback(this, &Listener::leftUp));
        input.onPointerMove().insertByPriority(kyNewCallback(this, &Listener::pointerMove));
        input.onMouseMove().insertByPriority(kyNewCallback(this, &Listener::mouseMove));
        input.onKeyReleased().insertByPriority(kyNewCallback(this, &Listener::keyReleased));
    }

    std::vector<std::string> take()
    {
        std::vector<std::string> out;
        out.swap(log);
        return out;
    }

    bool claimButtons = false;
    std::vector<std::string> log;
};

typedef std::vector<std::string> Log;

class InputMgrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KyOsClock::installFake(1000000);
        KySingleton<KyScreen>::instance()->setSize(KyVector3f32(1024, 768, 100));
        input = KyInputMgr::instance();
        input->setDevice(&device);
        input->reset();
        listener.listenTo(*input);
    }

    // The first poll moves the pointer from its record's (0, 0) to the
    // device's point; the tests start after it.
    void settle()
    {
        frame();
        listener.take();
    }
    void TearDown() override
    {
        KySingleton<KyInputMgr>::destroy();
        KyOsClock::install(nullptr);
    }

    // One frame later, then the poll.
    void frame(u64 milliseconds = 16)
    {
        KyOsClock::advanceFake(milliseconds * 1000);
        input->update();
    }

    FakeDevice device;
    KyInputMgr* input = nullptr;
    Listener listener;
};

} // namespace

TEST_F(InputMgrTest, PollMapsWindowPointsToInputCoordinates)
{
    device.position[0] = KyVector2s32(10, 20);
    frame();
    EXPECT_EQ(KyVector2s32(10, 748), input->mousePosition(0));
    EXPECT_EQ(KyVector2s32(10, 20), input->rawMousePosition(0));
    EXPECT_EQ((Log{"pointer0", "mouse"}), listener.take());

    // The transform applies after the flip: T(offset) . R(angle) . S(scale).
    input->setScale(KyVector3f32(2, 0.5f, 1));
    input->setOffset(KyVector2s32(5, -8));
    frame();
    EXPECT_EQ(KyVector2s32(25, 366), input->mousePosition(0));
    input->setScale(KyVector3f32(1, 1, 1));
    input->setOffset(KyVector2s32(0, 0));
    input->setAngle(90);
    frame();
    KyVector2s32 turned = input->mousePosition(0);
    EXPECT_NEAR(-748, turned.x, 1);
    EXPECT_NEAR(10, turned.y, 1);

    // Nothing to poll without a device; nothing moves.
    input->setDevice(nullptr);
    frame();
    EXPECT_EQ(turned, input->mousePosition(0));
}

TEST_F(InputMgrTest, SlowFrameIsSkippedAndTheNextOneCatchesUp)
{
    settle();
    device.position[0] = KyVector2s32(100, 100);
    device.press();
    frame(300);
    EXPECT_EQ(KyVector2s32(0, 768), input->mousePosition(0));
    EXPECT_FALSE(input->isButtonPressed(0));
    EXPECT_TRUE(listener.take().empty());

    frame(299);
    EXPECT_EQ(KyVector2s32(100, 668), input->mousePosition(0));
    EXPECT_TRUE(input->isButtonPressed(0));
    EXPECT_EQ((Log{"pointer0", "mouse", "down0", "leftDown"}), listener.take());

    // The press stays the device's last transition: polling it again
    // reports nothing more.
    frame();
    EXPECT_TRUE(listener.take().empty());
}

TEST_F(InputMgrTest, ButtonListenersComeBeforeTheLeftButtonFallback)
{
    settle();
    device.press();
    frame();
    device.release();
    frame();
    EXPECT_EQ((Log{"down0", "leftDown", "up0", "leftUp"}), listener.take());

    // A per-button listener that handles the event keeps it from the
    // left-button listeners.
    listener.claimButtons = true;
    device.press();
    frame();
    device.release();
    frame();
    EXPECT_EQ((Log{"down0", "up0"}), listener.take());

    // Only button 0 has a fallback; the right button is never polled.
    listener.claimButtons = false;
    device.pointers = 2;
    input->reset();
    input->setButtonState(true, 1);
    input->setButtonState(false, 1);
    EXPECT_EQ((Log{"down1", "up1"}), listener.take());
    settle();
    device.previousButtons = 0;
    device.buttons = 4;
    frame();
    EXPECT_TRUE(listener.take().empty());
}

TEST_F(InputMgrTest, PressAndReleaseWithinOneFrameGoUnseen)
{
    settle();
    device.press();
    device.release();
    frame();
    EXPECT_FALSE(input->isButtonPressed(0));
    EXPECT_TRUE(listener.take().empty());
}

TEST_F(InputMgrTest, LockedButtonIgnoresChangesUntilItsStateIsRepeated)
{
    device.pointers = 2;
    input->reset();
    input->setButtonStateLocked(true, 1);
    // The lock presses button 0 and locks record 1.
    EXPECT_TRUE(input->isButtonPressed(0));
    EXPECT_EQ((Log{"down0", "leftDown"}), listener.take());

    input->setButtonState(true, 1);
    EXPECT_FALSE(input->isButtonPressed(1));
    EXPECT_TRUE(listener.take().empty());
    // Repeating the state it holds clears the lock.
    input->setButtonState(false, 1);
    input->setButtonState(true, 1);
    EXPECT_TRUE(input->isButtonPressed(1));
    EXPECT_EQ((Log{"down1"}), listener.take());

    // Frozen, the lock does nothing at all.
    input->setFrozen(true);
    input->setButtonStateLocked(false, 0);
    input->setFrozen(false);
    EXPECT_TRUE(input->isButtonPressed(0));
}

TEST_F(InputMgrTest, MovesRecordPreviousPositionsAndRestartAfterARelease)
{
    input->setMousePosition(KyVector2s32(5, 6), 0);
    input->setMousePosition(KyVector2s32(7, 8), 0);
    EXPECT_EQ(KyVector2s32(5, 6), input->mousePreviousPosition(0));
    // The same point again is no move.
    input->setMousePosition(KyVector2s32(7, 8), 0);
    EXPECT_EQ((Log{"pointer0", "mouse", "pointer0", "mouse"}), listener.take());

    input->setButtonState(true, 0);
    input->setButtonState(false, 0);
    input->setMousePosition(KyVector2s32(40, 41), 0);
    EXPECT_EQ(KyVector2s32(40, 41), input->mousePreviousPosition(0));
    input->setMousePosition(KyVector2s32(42, 43), 0);
    EXPECT_EQ(KyVector2s32(40, 41), input->mousePreviousPosition(0));

    // The 16-bit setter always addresses pointer 0; the getter keeps the
    // low 16 bits.
    device.pointers = 2;
    input->reset();
    input->setMousePosition16(300, 65535, 1);
    EXPECT_EQ(KyVector2s32(300, 65535), input->mousePosition(0));
    EXPECT_EQ(KyVector2s32(0, 0), input->mousePosition(1));
    input->setMousePosition(KyVector2s32(-2, 70000), 0);
    u16 x = 0, y = 0;
    input->mousePosition16(&x, &y, 0);
    EXPECT_EQ(65534, x);
    EXPECT_EQ(70000 & 0xFFFF, y);
}

TEST_F(InputMgrTest, OutOfRangeIndicesAndFrozenStateChangeNothing)
{
    listener.take();
    input->setButtonState(true, 1);
    input->setButtonStateLocked(true, 9);
    input->setMousePosition(KyVector2s32(1, 1), 3);
    input->setRawMousePosition(KyVector2s32(1, 1), 3);
    input->setKeyState(16, 1);
    input->setKeyState(0xFFFFFFFFu, 0);
    EXPECT_FALSE(input->isButtonPressed(1));
    EXPECT_EQ(KyVector2s32(0, 0), input->mousePosition(3));
    EXPECT_EQ(KyVector2s32(0, 0), input->rawMousePosition(3));
    EXPECT_EQ(KyVector2s32(0, 0), input->mousePreviousPosition(3));
    EXPECT_EQ(0, input->keyState(16));
    EXPECT_EQ((Log{"down0", "leftDown"}), listener.take()); // from the lock on record 0

    input->setKeyState(3, 1);
    input->setKeyState(3, 1);
    input->setKeyState(3, 0);
    EXPECT_EQ((Log{"key3"}), listener.take());

    input->setFrozen(true);
    input->setButtonState(false, 0);
    input->setMousePosition(KyVector2s32(9, 9), 0);
    input->setKeyState(4, 1);
    device.position[0] = KyVector2s32(50, 50);
    frame();
    EXPECT_TRUE(input->isButtonPressed(0));
    EXPECT_EQ(KyVector2s32(0, 0), input->mousePosition(0));
    EXPECT_EQ(0, input->keyState(4));
    EXPECT_TRUE(listener.take().empty());
    // reset thaws.
    input->reset();
    EXPECT_FALSE(input->isFrozen());
    EXPECT_FALSE(input->isButtonPressed(0));
}

TEST_F(InputMgrTest, MouseDeltaAveragesSamplesAndZeroFramesGiveZero)
{
    KyVector3f32 v(9, 9, 9);
    input->mouseDelta(v, 0);
    EXPECT_EQ(KyVector3f32(0, 0, 0), v);
    input->mouseDelta(v, 5);
    EXPECT_EQ(KyVector3f32(0, 0, 0), v);

    input->pushMouseSample(2, 4, -6);
    input->pushMouseSample(4, 8, -10);
    input->mouseDelta(v, 2);
    EXPECT_EQ(KyVector3f32(3, 6, -8), v);
    input->mouseDelta(v, 1000); // capped at the 100 samples of the ring
    EXPECT_FLOAT_EQ(0.06f, v.x);
    u16 x = 1, y = 1, z = 1;
    input->mouseDelta16(&x, &y, &z);
    EXPECT_EQ(4, x);
    EXPECT_EQ(8, y);
    EXPECT_EQ(static_cast<u16>(-10), z);
}

TEST_F(InputMgrTest, MouseSpeedFollowsTheRecentMoves)
{
    EXPECT_EQ(KyVector2s32(0, 0), input->mouseSpeed(0));
    for (s32 i = 1; i <= 5; ++i) {
        KyOsClock::advanceFake(10000);
        input->setMousePosition(KyVector2s32(10 * i, -5 * i), 0);
    }
    // 50 pixels right and 25 down in 50 ms.
    KyVector2s32 speed = input->mouseSpeed(0);
    EXPECT_NEAR(1000, speed.x, 1);
    EXPECT_NEAR(-500, speed.y, 1);
    // After 35 ms of rest the window holds the last two moves (20 pixels
    // over 55 ms); after 55 ms it holds none: a pointer that stopped has no
    // speed, however fast it came.
    KyOsClock::advanceFake(35000);
    speed = input->mouseSpeed(0);
    EXPECT_NEAR(363, speed.x, 1);
    EXPECT_NEAR(-181, speed.y, 1);
    KyOsClock::advanceFake(20000);
    EXPECT_EQ(KyVector2s32(0, 0), input->mouseSpeed(0));
    KyOsClock::advanceFake(1000000);
    EXPECT_EQ(KyVector2s32(0, 0), input->mouseSpeed(0));
}

#include "core/KyCallback1Param.h"
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "os/KyOsClock.h"
#include "platform/KyInputMgrWrapper.h"
#include "platform/KyScreen.h"
#include "platform/KyVectorHistory.h"

#include <gtest/gtest.h>

namespace {

class ButtonCounter {
public:
    bool down(unsigned int)
    {
        ++count;
        return false;
    }
    int count = 0;
};

class InputMgrWrapperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KyOsClock::installFake(0);
        KySingleton<KyScreen>::instance()->setSize(KyVector3f32(800, 600, 100));
        global = KyInputMgr::instance();
        wrapper = KyInputMgrWrapper::instance();
    }
    void TearDown() override
    {
        KyVectorHistory::instance()->setFlipped(false);
        KySingleton<KyInputMgrWrapper>::destroy();
        KySingleton<KyInputMgr>::destroy();
        KyOsClock::install(nullptr);
    }

    KyInputMgr* global = nullptr;
    KyInputMgrWrapper* wrapper = nullptr;
};

} // namespace

TEST_F(InputMgrWrapperTest, IsItsOwnSingletonSharingTheGlobalSignalsAndButtons)
{
    EXPECT_EQ(wrapper, KyInputMgrWrapper::instance());
    EXPECT_NE(static_cast<KyInputMgr*>(wrapper), global);
    EXPECT_EQ(&global->onButtonDown(), &wrapper->onButtonDown());
    EXPECT_EQ(&global->onButtonUp(), &wrapper->onButtonUp());
    EXPECT_EQ(&global->onPointerMove(), &wrapper->onPointerMove());
    EXPECT_EQ(&global->onMouseMove(), &wrapper->onMouseMove());

    ButtonCounter counter;
    wrapper->onButtonDown().insertByPriority(kyNewCallback(&counter, &ButtonCounter::down));
    global->setButtonState(true, 0);
    EXPECT_EQ(1, counter.count);
    EXPECT_TRUE(wrapper->isButtonPressed(0));

    global->setRawMousePosition(KyVector2s32(12, 34), 0);
    EXPECT_EQ(KyVector2s32(12, 34), wrapper->rawMousePosition(0));
}

TEST_F(InputMgrWrapperTest, PositionsGoThroughTheWrappersOwnTransform)
{
    // The interface's 480 x 320 virtual screen stretched over 800 x 600.
    wrapper->setScale(480.0f / 800, 320.0f / 600, 0);
    global->setMousePosition(KyVector2s32(400, 300), 0);
    global->setMousePosition(KyVector2s32(800, 600), 0);
    EXPECT_EQ(KyVector2s32(480, 320), wrapper->mousePosition(0));
    EXPECT_EQ(KyVector2s32(240, 160), wrapper->mousePreviousPosition(0));
    u16 x = 0, y = 0;
    wrapper->mousePosition16(&x, &y, 0);
    EXPECT_EQ(480, x);
    EXPECT_EQ(320, y);
    // The global manager is not affected.
    EXPECT_EQ(KyVector2s32(800, 600), global->mousePosition(0));

    // Portrait: a quarter turn and an offset.
    wrapper->setScale(1, 1, 1);
    wrapper->setAngle(90);
    wrapper->setOffset(480, 0);
    global->setMousePosition(KyVector2s32(100, 50), 0);
    KyVector2s32 p = wrapper->mousePosition(0);
    EXPECT_NEAR(430, p.x, 1);
    EXPECT_NEAR(100, p.y, 1);
}

TEST_F(InputMgrWrapperTest, FlippedScreenTurnsPositionsAboutTheCentreUnlessLandscapeIsFixed)
{
    global->setMousePosition(KyVector2s32(100, 50), 0);
    KyVectorHistory::instance()->setFlipped(true);
    KyCore* core = KySingleton<KyCore>::instance();
    u8 ready = core->ready;
    core->ready = 0;
    EXPECT_EQ(KyVector2s32(700, 550), wrapper->mousePosition(0));
    core->ready = 1;
    EXPECT_EQ(KyVector2s32(100, 50), wrapper->mousePosition(0));
    core->ready = ready;
}

TEST_F(InputMgrWrapperTest, SpeedTurnsAndScalesButDoesNotMove)
{
    for (s32 i = 1; i <= 5; ++i) {
        KyOsClock::advanceFake(10000);
        global->setMousePosition(KyVector2s32(10 * i, 0), 0);
    }
    wrapper->setScale(0.5f, 2, 1);
    wrapper->setOffset(1000, 1000);
    KyVector2s32 speed = wrapper->mouseSpeed(0);
    EXPECT_NEAR(500, speed.x, 1);
    EXPECT_EQ(0, speed.y);
    wrapper->setAngle(90);
    speed = wrapper->mouseSpeed(0);
    EXPECT_NEAR(0, speed.x, 1);
    EXPECT_NEAR(500, speed.y, 1);
}

#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KySingleton.h"
#include "media/KySFX.h"
#include "media/KySoundManager.h"
#include "platform/KyInputMgr.h"
#include "tests/support/TempDir.h"
#include "tests/ui/ClickableLayoutFixture.h"
#include "tools/content/SoundWriters.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyCheckboxLayout.h"
#include "ui/KyMainWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Records the states the check box reports, in order.
struct StateLog {
    std::vector<u32> states;
    bool onState(KyCheckboxLayout::State state)
    {
        states.push_back(state);
        return false;
    }
};

class CheckboxLayoutTest : public ClickableLayoutTest {
protected:
    void SetUp() override
    {
        ClickableLayoutTest::SetUp();
        box = std::make_unique<KyCheckboxLayout>();
        box->setSize(KyVector3f32(40, 40, 1));
        window->addChild(box.get());
        window->update();
        box->onStateChanged.pushBack(kyNewCallback(&log, &StateLog::onState));
    }

    void TearDown() override
    {
        box.reset();
        ClickableLayoutTest::TearDown();
    }

    StateLog log;
    std::unique_ptr<KyCheckboxLayout> box;
};

} // namespace

TEST_F(CheckboxLayoutTest, LooksFollowTheState)
{
    KyCheckboxLayout fresh;
    EXPECT_EQ(KyCheckboxLayout::Unactive, fresh.state);
    KyLayout* unactive = addLook(30, 30);
    fresh.setUnactiveLayout(unactive);
    // A Pixel box at its default size takes its unactive look's size.
    EXPECT_NEAR(30.0f, fresh.userSize().x, 1e-4f);
    EXPECT_EQ(&fresh, unactive->parent());

    KyLayout* active = addLook(10, 10);
    KyLayout* activeDisabled = addLook(10, 10);
    KyLayout* unactiveDisabled = addLook(10, 10);
    box->setActiveLayout(active);
    box->setUnactiveLayout(unactive);
    box->setActiveDisabledLayout(activeDisabled);
    box->setUnactiveDisabledLayout(unactiveDisabled);
    EXPECT_EQ(box.get(), unactive->parent());
    EXPECT_NEAR(40.0f, box->userSize().x, 1e-4f);

    auto shown = [&]() {
        return std::vector<bool>{active->visible(), unactive->visible(), activeDisabled->visible(),
                                 unactiveDisabled->visible()};
    };
    EXPECT_EQ((std::vector<bool>{false, true, false, false}), shown());
    box->setState(KyCheckboxLayout::Active);
    EXPECT_EQ((std::vector<bool>{true, false, false, false}), shown());
    box->setState(KyCheckboxLayout::ActiveDisabled);
    EXPECT_EQ((std::vector<bool>{false, false, true, false}), shown());
    box->setState(KyCheckboxLayout::UnactiveDisabled);
    EXPECT_EQ((std::vector<bool>{false, false, false, true}), shown());
    EXPECT_EQ((std::vector<u32>{0, 2, 3}), log.states);

    // Without its own look, the other look of the pair keeps its
    // visibility.
    box->setActiveLayout(nullptr);
    unactive->setVisible(true);
    box->setState(KyCheckboxLayout::Active);
    EXPECT_TRUE(unactive->visible());
    EXPECT_EQ(nullptr, active->parent());
}

TEST_F(CheckboxLayoutTest, ClickTogglesPlaysAndTellsTwice)
{
    TempDir dir;
    const std::string on = dir.file("on.wav");
    const std::string off = dir.file("off.wav");
    SoundWriters::writeFile(on, SoundWriters::makeWav(1, 22050, 16, SoundWriters::Bytes(2000, 0)));
    SoundWriters::writeFile(off, SoundWriters::makeWav(1, 22050, 16, SoundWriters::Bytes(2000, 0)));
    box->activationSound = on.c_str();
    box->unactivationSound = off.c_str();
    KySoundManager* sound = KySingleton<KySoundManager>::instance();
    const u32 before = sound->effects.count();

    input->moveTo(400, 300);
    input->press();
    // A press changes nothing but is consumed.
    EXPECT_EQ(KyCheckboxLayout::Unactive, box->state);
    EXPECT_EQ(0, unhandled.presses);
    input->release();
    EXPECT_EQ(KyCheckboxLayout::Active, box->state);
    EXPECT_EQ((std::vector<u32>{0, 0}), log.states);
    ASSERT_EQ(before + 1, sound->effects.count());
    EXPECT_STREQ(on.c_str(), (*sound->effects.last())->name().c_str());
    EXPECT_EQ(0, unhandled.releases);

    input->click(400, 300);
    EXPECT_EQ(KyCheckboxLayout::Unactive, box->state);
    EXPECT_EQ((std::vector<u32>{0, 0, 1, 1}), log.states);
    ASSERT_EQ(before + 2, sound->effects.count());
    EXPECT_STREQ(off.c_str(), (*sound->effects.last())->name().c_str());
    KySingleton<KySoundManager>::destroy();
}

TEST_F(CheckboxLayoutTest, ReleaseOutsideChangesNothing)
{
    input->moveTo(400, 300);
    input->press();
    EXPECT_EQ(1u, box->touches.count());
    input->moveTo(600, 300);
    input->release();
    EXPECT_EQ(KyCheckboxLayout::Unactive, box->state);
    EXPECT_EQ(0u, box->touches.count());
    EXPECT_TRUE(log.states.empty());
    EXPECT_EQ(1, unhandled.releases);
}

TEST_F(CheckboxLayoutTest, DisabledBoxIgnoresPressAndRelease)
{
    box->setState(KyCheckboxLayout::UnactiveDisabled);
    input->click(400, 300);
    EXPECT_EQ(KyCheckboxLayout::UnactiveDisabled, box->state);
    EXPECT_EQ(0u, box->touches.count());
    // Unlike a disabled button, a disabled box lets the events through.
    EXPECT_EQ(1, unhandled.presses);
    EXPECT_EQ(1, unhandled.releases);

    // Pressed while enabled, released once disabled: no toggle, and the
    // pointer leaves the list.
    box->setState(KyCheckboxLayout::Unactive);
    input->press();
    box->setState(KyCheckboxLayout::UnactiveDisabled);
    input->release();
    EXPECT_EQ(KyCheckboxLayout::UnactiveDisabled, box->state);
    EXPECT_EQ(0u, box->touches.count());
    EXPECT_EQ(2, unhandled.releases);
    box->setState(KyCheckboxLayout::Unactive);
    input->press();
    input->release();
    EXPECT_EQ(KyCheckboxLayout::Active, box->state);

    // Hidden while pressed: the pointer leaves the list as well.
    input->press();
    box->setVisible(false);
    input->release();
    EXPECT_EQ(0u, box->touches.count());
    EXPECT_EQ(KyCheckboxLayout::Active, box->state);
}

TEST_F(CheckboxLayoutTest, TwoPointersToggleOnce)
{
    input->moveTo(0, 390, 300);
    input->moveTo(1, 410, 300);
    input->press(0);
    input->press(1);
    input->release(0);
    EXPECT_EQ(KyCheckboxLayout::Unactive, box->state);
    input->release(1);
    EXPECT_EQ(KyCheckboxLayout::Active, box->state);
    EXPECT_EQ(0u, box->touches.count());
}

TEST_F(CheckboxLayoutTest, PassThroughReachesTheLayoutBehind)
{
    // A button behind the box, then the box brought to the front.
    KyButtonLayout behind;
    behind.setSize(KyVector3f32(200, 200, 1));
    window->removeChild(box.get());
    window->addChild(&behind);
    window->addChild(box.get());
    window->update();
    int validated = 0;
    struct Counter {
        int* count;
        bool hit() { return ++*count, false; }
    } counter{&validated};
    behind.onValidated.pushBack(kyNewCallback(&counter, &Counter::hit));

    input->click(400, 300);
    EXPECT_EQ(KyCheckboxLayout::Active, box->state);
    EXPECT_EQ(0, validated);

    box->clickPassThrough = true;
    input->click(401, 300);
    EXPECT_EQ(KyCheckboxLayout::Unactive, box->state);
    EXPECT_EQ(1, validated);
    window->removeChild(&behind);
}

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
#include "ui/KyMainWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Counts what a button tells its listeners.
struct Counts {
    int validated = 0;
    int up = 0;
    int down = 0;
    int hover = 0;

    bool onValidated() { return ++validated, false; }
    bool onUp() { return ++up, false; }
    bool onDown() { return ++down, false; }
    bool onHover() { return ++hover, false; }

    void listenTo(KyButtonLayout& button)
    {
        button.onValidated.pushBack(kyNewCallback(this, &Counts::onValidated));
        button.onStateUp.pushBack(kyNewCallback(this, &Counts::onUp));
        button.onStateDown.pushBack(kyNewCallback(this, &Counts::onDown));
        button.onStateHover.pushBack(kyNewCallback(this, &Counts::onHover));
    }
};

class ButtonLayoutTest : public ClickableLayoutTest {
protected:
    void TearDown() override
    {
        buttons.clear();
        ClickableLayoutTest::TearDown();
    }

    // A button of width x height pixels centred on the window point (x, y);
    // later buttons lie in front of earlier ones.
    KyButtonLayout* addButton(s32 x, s32 y, f32 width, f32 height)
    {
        buttons.push_back(std::make_unique<KyButtonLayout>());
        KyButtonLayout* button = buttons.back().get();
        button->setSize(KyVector3f32(width, height, 1));
        button->setPosition(KyVector3f32(x / 800.0f, y / 600.0f, 0.5f));
        window->addChild(button);
        window->update();
        return button;
    }

    std::vector<std::unique_ptr<KyButtonLayout>> buttons;
};

} // namespace

TEST_F(ButtonLayoutTest, ClickInsideValidatesAndIsConsumed)
{
    KyButtonLayout* button = addButton(400, 300, 100, 50);
    Counts counts;
    counts.listenTo(*button);

    input->moveTo(400, 300);
    EXPECT_EQ(u32(KyButtonLayout::StateHover), button->state);
    input->press();
    EXPECT_EQ(1u, button->state);
    EXPECT_EQ(1u, button->touches.count());
    input->release();
    EXPECT_EQ(0u, button->state);
    EXPECT_EQ(0u, button->touches.count());
    EXPECT_EQ(1, counts.validated);
    EXPECT_EQ(1, counts.hover);
    EXPECT_EQ(1, counts.down);
    EXPECT_EQ(1, counts.up);
    EXPECT_EQ(0, unhandled.presses);
    EXPECT_EQ(0, unhandled.releases);

    // The edges of the button: 350 .. 450 across, 275 .. 325 down.
    input->click(349, 300);
    input->click(400, 326);
    EXPECT_EQ(1, counts.validated);
    EXPECT_EQ(2, unhandled.presses);
    input->click(350, 275);
    input->click(449, 324);
    EXPECT_EQ(3, counts.validated);
}

TEST_F(ButtonLayoutTest, DragOutCancelsAndDragBackInCompletes)
{
    KyButtonLayout* button = addButton(400, 300, 100, 50);
    Counts counts;
    counts.listenTo(*button);

    input->moveTo(400, 300);
    input->press();
    input->moveTo(600, 300);
    EXPECT_EQ(0u, button->state);
    input->release();
    EXPECT_EQ(0, counts.validated);
    EXPECT_EQ(0u, button->touches.count());
    // The release outside is not the button's.
    EXPECT_EQ(1, unhandled.releases);

    input->moveTo(400, 300);
    input->press();
    input->moveTo(600, 300);
    input->moveTo(410, 310);
    EXPECT_EQ(1u, button->state);
    input->release();
    EXPECT_EQ(1, counts.validated);
    EXPECT_EQ(0u, button->state);
}

TEST_F(ButtonLayoutTest, TwoPointersCompleteOneClick)
{
    KyButtonLayout* button = addButton(400, 300, 100, 50);
    Counts counts;
    counts.listenTo(*button);

    input->moveTo(0, 390, 300);
    input->moveTo(1, 420, 300);
    input->press(0);
    input->press(1);
    EXPECT_EQ(2u, button->touches.count());
    input->release(0);
    EXPECT_EQ(1u, button->state);
    EXPECT_EQ(0, counts.validated);
    EXPECT_EQ(1, counts.down);
    input->release(1);
    EXPECT_EQ(1, counts.validated);
    EXPECT_EQ(0u, button->state);

    // The second pointer dragged off: releasing the first completes the
    // click, since no other pointer holds the button any more.
    input->press(0);
    input->press(1);
    input->moveTo(1, 700, 100);
    EXPECT_EQ(1u, button->state);
    input->release(0);
    EXPECT_EQ(2, counts.validated);
    EXPECT_EQ(0u, button->state);
    input->release(1);
    EXPECT_EQ(2, counts.validated);
    EXPECT_EQ(0u, button->touches.count());
}

TEST_F(ButtonLayoutTest, FrontButtonTakesPressAndHover)
{
    KyButtonLayout* back = addButton(400, 300, 200, 100);
    KyButtonLayout* front = addButton(420, 300, 100, 50);
    EXPECT_GT(front->pressCallback.priority(), back->pressCallback.priority());
    Counts backCounts, frontCounts;
    backCounts.listenTo(*back);
    frontCounts.listenTo(*front);

    // Over both: only the front one shows hover.
    input->moveTo(420, 300);
    EXPECT_EQ(3u, front->state);
    EXPECT_EQ(0u, back->state);
    // Over the back one only.
    input->moveTo(320, 300);
    EXPECT_EQ(0u, front->state);
    EXPECT_EQ(3u, back->state);
    input->moveTo(420, 300);
    EXPECT_EQ(0u, back->state);

    input->press();
    input->release();
    EXPECT_EQ(1, frontCounts.validated);
    EXPECT_EQ(0, backCounts.validated);
    EXPECT_EQ(0, backCounts.down);

    // Passing through, the press and the release reach the back one too.
    front->clickPassThrough = true;
    input->press();
    EXPECT_EQ(1u, front->state);
    EXPECT_EQ(1u, back->state);
    input->release();
    EXPECT_EQ(2, frontCounts.validated);
    EXPECT_EQ(1, backCounts.validated);
    EXPECT_EQ(0, unhandled.presses);

    back->clickPassThrough = true;
    input->click(420, 300);
    EXPECT_EQ(1, unhandled.presses);
    EXPECT_EQ(1, unhandled.releases);
}

TEST_F(ButtonLayoutTest, DisabledButtonSwallowsPressesWithoutChange)
{
    KyButtonLayout* button = addButton(400, 300, 100, 50);
    input->moveTo(400, 300);
    ASSERT_EQ(3u, button->state);
    Counts counts;
    counts.listenTo(*button);

    button->setEnable(false);
    EXPECT_EQ(2u, button->state);
    EXPECT_FALSE(button->isEnabled());
    input->press();
    EXPECT_EQ(2u, button->state);
    EXPECT_EQ(0u, button->touches.count());
    EXPECT_EQ(0, unhandled.presses);
    input->moveTo(410, 300);
    input->release();
    EXPECT_EQ(2u, button->state);
    EXPECT_EQ(0, counts.validated + counts.up + counts.down + counts.hover);
    // A disabled button does not consume the release.
    EXPECT_EQ(1, unhandled.releases);

    // Enabled again: up, without a signal.
    button->setEnable(true);
    EXPECT_EQ(0u, button->state);
    EXPECT_EQ(0, counts.up);
}

TEST_F(ButtonLayoutTest, ReleaseWhileDisabledOrHiddenEndsThePress)
{
    KyButtonLayout* button = addButton(400, 300, 100, 50);
    Counts counts;
    counts.listenTo(*button);

    input->moveTo(400, 300);
    input->press();
    button->setEnable(false);
    // Moving the pressed pointer does not bring a disabled button back.
    input->moveTo(405, 300);
    EXPECT_EQ(2u, button->state);
    input->release();
    EXPECT_EQ(0u, button->touches.count());
    button->setEnable(true);
    input->moveTo(400, 300);
    EXPECT_EQ(3u, button->state);
    EXPECT_EQ(0, counts.validated);

    input->press();
    button->setVisible(false);
    input->release();
    EXPECT_EQ(0u, button->touches.count());
    EXPECT_EQ(0, counts.validated);
    button->setVisible(true);
    input->moveTo(402, 300);
    EXPECT_EQ(3u, button->state);
    input->click(402, 300);
    EXPECT_EQ(1, counts.validated);
}

TEST_F(ButtonLayoutTest, ResetForgetsThePress)
{
    KyButtonLayout* button = addButton(400, 300, 100, 50);
    Counts counts;
    counts.listenTo(*button);
    input->moveTo(400, 300);
    input->press();
    button->reset();
    EXPECT_EQ(0u, button->state);
    EXPECT_EQ(0u, button->touches.count());
    input->release();
    EXPECT_EQ(0, counts.validated);

    button->setEnable(false);
    button->reset();
    EXPECT_EQ(2u, button->state);
}

TEST_F(ButtonLayoutTest, ValidationSoundIsPlayed)
{
    TempDir dir;
    const std::string path = dir.file("click.wav");
    SoundWriters::writeFile(path, SoundWriters::makeWav(1, 22050, 16, SoundWriters::Bytes(2000, 0)));
    KyButtonLayout* button = addButton(400, 300, 100, 50);
    button->validationSound = path.c_str();

    KySoundManager* sound = KySingleton<KySoundManager>::instance();
    const u32 before = sound->effects.count();
    input->click(400, 300);
    ASSERT_EQ(before + 1, sound->effects.count());
    EXPECT_STREQ(path.c_str(), (*sound->effects.last())->name().c_str());

    // Without a click (released outside) nothing plays.
    input->moveTo(400, 300);
    input->press();
    input->moveTo(10, 10);
    input->release();
    EXPECT_EQ(before + 1, sound->effects.count());
    KySingleton<KySoundManager>::destroy();
}

TEST_F(ButtonLayoutTest, LooksFollowTheState)
{
    KyButtonLayout* button = addButton(400, 300, 1, 1);
    KyLayout* down = addLook(120, 40);
    button->setDownLayout(down);
    // Only a down look: the button takes its size.
    EXPECT_NEAR(120.0f, button->userSize().x, 1e-4f);
    EXPECT_NEAR(40.0f, button->userSize().y, 1e-4f);
    EXPECT_EQ(button, down->parent());

    KyButtonLayout* other = addButton(100, 100, 1, 1);
    KyLayout* up = addLook(200, 80);
    other->setUpLayout(up);
    EXPECT_NEAR(200.0f, other->userSize().x, 1e-4f);
    EXPECT_NEAR(80.0f, other->userSize().y, 1e-4f);
    KyLayout* otherDown = addLook(10, 10);
    other->setDownLayout(otherDown);
    EXPECT_NEAR(200.0f, other->userSize().x, 1e-4f);
    EXPECT_TRUE(up->visible());
    EXPECT_FALSE(otherDown->visible());

    other->setState(1);
    EXPECT_FALSE(up->visible());
    EXPECT_TRUE(otherDown->visible());
    other->setState(3);
    EXPECT_TRUE(up->visible());
    EXPECT_FALSE(otherDown->visible());
    // Disabled without a disabled look: the down look.
    other->setEnable(false);
    EXPECT_FALSE(up->visible());
    EXPECT_TRUE(otherDown->visible());
    KyLayout* disabled = addLook(10, 10);
    other->setDisabledLayout(disabled);
    EXPECT_TRUE(disabled->visible());
    EXPECT_FALSE(otherDown->visible());

    // Replacing a look takes the old one off the children; null empties
    // the slot.
    other->setDownLayout(nullptr);
    EXPECT_EQ(nullptr, otherDown->parent());
    EXPECT_EQ(nullptr, other->downLayout);
    other->setEnable(true);
    EXPECT_TRUE(up->visible());
    EXPECT_FALSE(disabled->visible());
}

TEST_F(ButtonLayoutTest, HitZoneReplacesTheRectangle)
{
    KyButtonLayout* button = addButton(400, 300, 100, 50);
    KyLayout* zone = addLook(20, 20);
    // In the button's frame: its left edge.
    zone->setPosition(KyVector3f32(0.0f, 0.5f, 0.5f));
    button->setHitZone(zone);
    EXPECT_EQ(button, zone->parent());
    Counts counts;
    counts.listenTo(*button);

    input->click(400, 300);
    EXPECT_EQ(0, counts.validated);
    input->click(345, 300);
    EXPECT_EQ(1, counts.validated);
}

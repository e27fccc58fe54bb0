#include "core/KyCallback0Param.h"
#include "tests/ui/ButtonInputFixture.h"
#include "ui/KyButton.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A button with its four signals written into the log as "<name>.<event>".
class LoggedButton {
public:
    LoggedButton(EventLog& log, const char* name, const KyVector3f32& position, const KyVector3f32& size)
        : pressed(log, (std::string(name) + ".pressed").c_str()),
          released(log, (std::string(name) + ".released").c_str()),
          clicked(log, (std::string(name) + ".clicked").c_str()),
          dragEnded(log, (std::string(name) + ".dragEnded").c_str())
    {
        button.setSize(size);
        button.setPosition(position);
        button.onPressed().pushBack(kyNewCallback(&pressed, &EventRecorder::record));
        button.onReleased().pushBack(kyNewCallback(&released, &EventRecorder::record));
        button.onClicked().pushBack(kyNewCallback(&clicked, &EventRecorder::record));
        button.onDragEnded().pushBack(kyNewCallback(&dragEnded, &EventRecorder::record));
    }

    EventRecorder pressed, released, clicked, dragEnded;
    KyButton button;
};

} // namespace

class ButtonTest : public ButtonInput {
};

TEST_F(ButtonTest, PressReleaseInsideFiresPressedReleasedThenClicked)
{
    LoggedButton a(log, "a", KyVector3f32(100, 100, 0), KyVector3f32(50, 20, 0));
    // Not enabled yet: nothing reacts.
    click(110, 110);
    EXPECT_TRUE(take().empty());

    a.button.setEnable(true);
    moveTo(110, 110);
    press();
    EXPECT_TRUE(a.button.isPressed());
    EXPECT_EQ((EventLog{"a.pressed"}), take());
    release();
    EXPECT_FALSE(a.button.isPressed());
    EXPECT_EQ((EventLog{"a.released", "a.clicked"}), take());
    EXPECT_TRUE(a.button.touches().isEmpty());

    // The rectangle is [x, x + w) x [y, y + h) in input coordinates.
    click(149, 119);
    EXPECT_EQ((EventLog{"a.pressed", "a.released", "a.clicked"}), take());
    click(150, 110);
    click(110, 120);
    click(99, 110);
    EXPECT_TRUE(take().empty());
}

TEST_F(ButtonTest, PressOutsideOrReleaseOutsideMakesNoClick)
{
    LoggedButton a(log, "a", KyVector3f32(100, 100, 0), KyVector3f32(50, 20, 0));
    a.button.setEnable(true);

    moveTo(10, 10);
    press();
    moveTo(110, 110);
    release();
    EXPECT_TRUE(take().empty());

    // Pressed inside, released outside: released but not clicked.
    press();
    moveTo(10, 10);
    release();
    EXPECT_EQ((EventLog{"a.pressed", "a.released"}), take());

    // With trackTouches a press outside is recorded, so a release inside
    // counts as the end of a touch and clicks.
    a.button.trackTouches = true;
    press();
    EXPECT_EQ(1u, a.button.touches().count());
    moveTo(110, 110);
    release();
    EXPECT_EQ((EventLog{"a.clicked"}), take());
}

TEST_F(ButtonTest, FrontButtonTakesThePressUnlessItPassesThrough)
{
    LoggedButton back(log, "back", KyVector3f32(0, 0, 1), KyVector3f32(100, 100, 0));
    LoggedButton front(log, "front", KyVector3f32(50, 50, 2), KyVector3f32(100, 100, 0));
    front.button.setEnable(true);
    back.button.setEnable(true);

    click(60, 60);
    EXPECT_EQ((EventLog{"front.pressed", "front.released", "front.clicked"}), take());
    click(10, 10);
    EXPECT_EQ((EventLog{"back.pressed", "back.released", "back.clicked"}), take());

    front.button.passThrough = true;
    click(60, 60);
    EXPECT_EQ((EventLog{"front.pressed", "back.pressed", "front.released", "back.released", "front.clicked",
                        "back.clicked"}),
              take());

    // Moving the back button in front changes who is asked first.
    front.button.passThrough = false;
    back.button.setPosition(KyVector3f32(0, 0, 3));
    click(60, 60);
    EXPECT_EQ((EventLog{"back.pressed", "back.released", "back.clicked"}), take());

    // An inactive button takes the press without pressing or clicking.
    back.button.active = false;
    click(60, 60);
    EXPECT_TRUE(take().empty());
}

TEST_F(ButtonTest, DisablingReleasesOnceAndStopsListening)
{
    LoggedButton a(log, "a", KyVector3f32(0, 0, 0), KyVector3f32(100, 100, 0));
    a.button.setEnable(true);
    moveTo(10, 10);
    press();
    a.button.setEnable(false);
    a.button.setEnable(false);
    EXPECT_EQ((EventLog{"a.pressed", "a.released"}), take());
    EXPECT_TRUE(a.button.touches().isEmpty());
    release();
    click(10, 10);
    EXPECT_TRUE(take().empty());

    // clearTouches releases too.
    a.button.setEnable(true);
    press();
    a.button.clearTouches();
    release();
    EXPECT_EQ((EventLog{"a.pressed", "a.released"}), take());
}

TEST_F(ButtonTest, DraggableButtonFollowsThePointerAndJumpsBack)
{
    LoggedButton a(log, "a", KyVector3f32(100, 100, 5), KyVector3f32(40, 20, 0));
    a.button.draggable = true;
    a.button.setEnable(true);

    moveTo(110, 105);
    press();
    EXPECT_FLOAT_EQ(0.25f, a.button.dragAnchorX());
    EXPECT_FLOAT_EQ(0.25f, a.button.dragAnchorY());
    moveTo(200, 300);
    // The grab point stays under the pointer; z is kept.
    EXPECT_EQ(KyVector3f32(190, 295, 5), a.button.position());
    EXPECT_EQ(KyVector3f32(100, 100, 5), a.button.dragStart());
    release();
    EXPECT_EQ((EventLog{"a.pressed", "a.released", "a.clicked", "a.dragEnded"}), take());
    EXPECT_EQ(KyVector3f32(100, 100, 5), a.button.position());

    // A button that is not pressed does not follow.
    moveTo(10, 10);
    EXPECT_EQ(KyVector3f32(100, 100, 5), a.button.position());
}

TEST_F(ButtonTest, MovingUnderAHeldPointerPressesAndALostReleaseLeavesNoStuckTouch)
{
    LoggedButton a(log, "a", KyVector3f32(0, 0, 0), KyVector3f32(50, 50, 0));
    a.button.setEnable(true);
    moveTo(10, 10);
    press();
    a.button.setPosition(KyVector3f32(200, 200, 0));
    a.button.setPosition(KyVector3f32(0, 0, 0));
    EXPECT_EQ((EventLog{"a.pressed", "a.released", "a.pressed"}), take());

    release();
    take();

    // The same pointer reported down twice without its release in between
    // is recorded once, so one release ends the press.
    manager->onButtonDown().call(0);
    manager->onButtonDown().call(0);
    EXPECT_EQ(1u, a.button.touches().count());
    manager->onButtonUp().call(0);
    EXPECT_FALSE(a.button.isPressed());
    EXPECT_EQ((EventLog{"a.pressed", "a.released", "a.clicked"}), take());
}

TEST_F(ButtonTest, DestroyedButtonLeavesNoListenerBehind)
{
    const u32 moves = manager->onPointerMove().count();
    const u32 downs = manager->onButtonDown().count();
    const u32 ups = manager->onButtonUp().count();
    {
        std::unique_ptr<KyButton> button(new KyButton);
        button->setSize(KyVector3f32(10, 10, 0));
        button->setEnable(true);
        EXPECT_EQ(moves + 1, manager->onPointerMove().count());
        EXPECT_EQ(downs + 1, manager->onButtonDown().count());
        EXPECT_EQ(ups + 2, manager->onButtonUp().count());
    }
    EXPECT_EQ(moves, manager->onPointerMove().count());
    EXPECT_EQ(downs, manager->onButtonDown().count());
    EXPECT_EQ(ups, manager->onButtonUp().count());
    // A move after the button is gone reaches nobody dead.
    click(5, 5);
}

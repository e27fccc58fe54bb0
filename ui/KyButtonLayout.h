#ifndef KY_BUTTON_LAYOUT_H
#define KY_BUTTON_LAYOUT_H

#include "core/KyArray.h"
#include "core/KyCallback1Param.h"
#include "core/KyICallback0Param.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "ui/KyLayout.h"

// A layout that acts as a push button.
//
// Its looks are child layouts shown or hidden by state: up (also shown while
// hovered), down and disabled; an optional hit-zone child replaces the
// button's own rectangle in hit tests. It listens to the input manager's
// press, release and move signals with its world depth as priority, so the
// front-most button hears an event first, and consumes the presses and
// releases it handles unless clickPassThrough is set. A click completes when
// a pointer pressed on the button is released over it once no other pointer
// still holds it: the validation sound plays and onValidated fires.
//
// A high-priority pre-pass on every release (and on every move, for the
// hover) runs for all buttons before any of them handles the event: it
// takes the pointer off the button's list, and only the front-most button
// under a moving pointer shows hover.
class KyButtonLayout : public KyLayout {
public:
    typedef KyArray<KyICallback0Param*> Signal;

    enum {
        StateUp = 0,
        StateDown = 1,
        StateDisabled = 2,
        StateHover = 3
    };

    KyButtonLayout();
    ~KyButtonLayout() override;

    // Replace a look: the old one leaves the children, the new one (when not
    // null) becomes a child without an outline. A Pixel button still at its
    // default size takes the size of its first look (up, else down).
    void setUpLayout(KyLayout* layout);
    void setDownLayout(KyLayout* layout);
    void setDisabledLayout(KyLayout* layout);
    // Replaces the hit zone (a child with a blue outline); the state is not
    // refreshed.
    void setHitZone(KyLayout* layout);

    // Stores the state, firing its signal when it changed (0 up, 1 down,
    // 3 hover; 2 has none), and shows the look of the stored state.
    void setState(u32 state);
    // Up or disabled, without a signal.
    void setEnable(bool enable);
    bool isEnabled() const { return state != StateDisabled; }
    // Forgets the pointers pressed on the button; back to up unless disabled.
    void reset();

    bool isMouseIn(const KyVector2s32& point) override;
    void updateWorldMatrix() override;
    // Also refreshes the pressed state: the button may have moved from under
    // the pointers that hold it.
    void setPosition(const KyVector3f32& position) override;

    // Fired when a click completes, and on the state changes to 0, 1 and 3.
    Signal onValidated;
    Signal onStateUp;
    Signal onStateDown;
    Signal onStateHover;

    // Looks and hit zone: children, not owned.
    KyLayout* upLayout;
    KyLayout* downLayout;
    KyLayout* disabledLayout;
    KyLayout* hitZone;

    u32 state;
    // When true, handled presses and releases are not consumed, so they
    // also reach what lies beneath.
    bool clickPassThrough;
    // The release being dispatched ended a press recorded on this button.
    bool pressedInside;
    // Pointers pressed on the button.
    KyArray<unsigned int> touches;
    // Sound file played when a click completes; none when empty.
    KyString validationSound;

    KyCallback1Param<unsigned int, KyButtonLayout> moveCallback;
    KyCallback1Param<unsigned int, KyButtonLayout> releaseResetCallback;
    KyCallback1Param<unsigned int, KyButtonLayout> pressCallback;
    KyCallback1Param<unsigned int, KyButtonLayout> releaseCallback;
    KyCallback1Param<unsigned int, KyButtonLayout> hoverResetCallback;

    // During the dispatch of one pointer move: a button layout under the
    // pointer has already been seen (shared by every button layout).
    static bool hoverClaimed;

    // The window point (y downwards from the top row) of an input
    // position, which is counted upwards from the bottom of the window.
    static KyVector2s32 pointerWindowPoint(unsigned int pointer);
    // Takes pointer off a list of pressed pointers, the last one filling its
    // place; false when it was not there.
    static bool removeTouch(KyArray<unsigned int>& touches, unsigned int pointer);

private:
    bool onPress(unsigned int pointer);
    bool onReleaseReset(unsigned int pointer);
    bool onRelease(unsigned int pointer);
    bool onMove(unsigned int pointer);
    bool onHoverReset(unsigned int pointer);

    // Whether pointer's position lies over the button.
    bool isPointerIn(unsigned int pointer);
    // Whether any pointer still pressed on the button lies over it.
    bool isAnyTouchIn();
};

#endif

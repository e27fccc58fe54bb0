#ifndef KY_BUTTON_LAYOUT_H
#define KY_BUTTON_LAYOUT_H

#include "core/KyArray.h"
#include "core/KyCallback1Param.h"
#include "core/KyICallback0Param.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "ui/KyClickableLayout.h"
#include "ui/KyLayout.h"

// A layout that acts as a push button.
//
// Its looks are child layouts shown or hidden by state: up (also shown while
// hovered), down and disabled; an optional hit-zone child replaces the
// button's own rectangle in hit tests. It hears the pointers as every
// clickable layout does (KyClickableLayout), and consumes the presses and
// releases it handles unless clickPassThrough is set. A click completes when
// a pointer pressed on the button is released over it once no other pointer
// still holds it: the validation sound plays and onValidated fires.
//
// A high-priority pre-pass on every release (and on every move, for the
// hover) runs for all buttons before any of them handles the event: it
// takes the pointer off the button's list, and only the front-most button
// under a moving pointer shows hover.
class KyButtonLayout : public KyClickableLayout {
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
    // setHitZone does not refresh the state.

    // Stores the state, firing its signal when it changed (0 up, 1 down,
    // 3 hover; 2 has none), and shows the look of the stored state.
    void setState(u32 state);
    // Up or disabled, without a signal.
    void setEnable(bool enable);
    bool isEnabled() const { return state != StateDisabled; }
    // Forgets the pointers pressed on the button; back to up unless disabled.
    void reset();

    // Also refreshes the pressed state: the button may have moved from under
    // the pointers that hold it.
    void setPosition(const KyVector3f32& position) override;

    // Fired when a click completes, and on the state changes to 0, 1 and 3.
    Signal onValidated;
    Signal onStateUp;
    Signal onStateDown;
    Signal onStateHover;

    // Looks: children, not owned.
    KyLayout* upLayout;
    KyLayout* downLayout;
    KyLayout* disabledLayout;

    u32 state;
    // Sound file played when a click completes; none when empty.
    KyString validationSound;

    // The hover pre-pass of every move, before any button handles it.
    KyCallback1Param<unsigned int, KyButtonLayout> hoverResetCallback;

    // During the dispatch of one pointer move: a button layout under the
    // pointer has already been seen (shared by every button layout).
    static bool hoverClaimed;

private:
    bool onPress(unsigned int pointer) override;
    bool onReleaseReset(unsigned int pointer) override;
    bool onRelease(unsigned int pointer) override;
    bool onMove(unsigned int pointer) override;
    bool onHoverReset(unsigned int pointer);
};

#endif

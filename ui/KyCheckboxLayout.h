#ifndef KY_CHECKBOX_LAYOUT_H
#define KY_CHECKBOX_LAYOUT_H

#include "core/KyArray.h"
#include "core/KyCallback1Param.h"
#include "core/KyICallback1Param.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "ui/KyLayout.h"

// A layout with two states, active and unactive, each with an enabled and a
// disabled look held as child layouts. A completed click (a pointer pressed
// on the box and released over it, once no other pointer still holds it)
// toggles between active and unactive, plays the sound of the new state and
// tells the state listeners. Input is heard as by the button layout: the
// same signals, priorities from the world depth and pass-through flag; there
// is no pressed or hover look. The disabled states are set by the owner; in
// them presses and releases are ignored and not consumed.
class KyCheckboxLayout : public KyLayout {
public:
    enum State : u32 {
        Active = 0,
        Unactive = 1,
        ActiveDisabled = 2,
        UnactiveDisabled = 3
    };
    typedef KyArray<KyICallback1Param<KyCheckboxLayout::State>*> StateSignal;

    KyCheckboxLayout();
    ~KyCheckboxLayout() override;

    // Replace a look: the old one leaves the children, the new one (when not
    // null) becomes a child without an outline, then the looks are
    // refreshed. A Pixel box still at its default size takes the size of
    // its unactive look.
    void setActiveLayout(KyLayout* layout);
    void setUnactiveLayout(KyLayout* layout);
    void setActiveDisabledLayout(KyLayout* layout);
    void setUnactiveDisabledLayout(KyLayout* layout);
    // Replaces the hit zone (a child with a blue outline); the looks are not
    // refreshed.
    void setHitZone(KyLayout* layout);

    // Stores the state, calling the listeners when it changed, and shows
    // the look of the stored state.
    void setState(State state);

    bool isMouseIn(const KyVector2s32& point) override;
    void updateWorldMatrix() override;
    void setPosition(const KyVector3f32& position) override;
    void setSize(const KyVector3f32& size) override;

    // Called with the state on every change, and once more after a click.
    StateSignal onStateChanged;

    // Looks and hit zone: children, not owned.
    KyLayout* activeLayout;
    KyLayout* unactiveLayout;
    KyLayout* activeDisabledLayout;
    KyLayout* unactiveDisabledLayout;
    KyLayout* hitZone;

    State state;
    // When true, handled presses and releases are not consumed.
    bool clickPassThrough;
    // The release being dispatched ended a press recorded on this box.
    bool pressedInside;
    // Pointers pressed on the box.
    KyArray<unsigned int> touches;
    // Played when a click makes the box active, or unactive; none when
    // empty.
    KyString activationSound;
    KyString unactivationSound;

    KyCallback1Param<unsigned int, KyCheckboxLayout> releaseCallback;
    KyCallback1Param<unsigned int, KyCheckboxLayout> releaseResetCallback;
    KyCallback1Param<unsigned int, KyCheckboxLayout> pressCallback;
    KyCallback1Param<unsigned int, KyCheckboxLayout> moveCallback;

private:
    bool onPress(unsigned int pointer);
    bool onReleaseReset(unsigned int pointer);
    bool onRelease(unsigned int pointer);
    bool onMove(unsigned int pointer);

    bool isEnabled() const { return state == Active || state == Unactive; }
    bool isPointerIn(unsigned int pointer);
    bool isAnyTouchIn();
    // Shows `shown` (when set) and then hides `other`; without `shown`,
    // `other` keeps its visibility. `hidden1` and `hidden2` are hidden.
    static void showLooks(KyLayout* shown, KyLayout* other, KyLayout* hidden1, KyLayout* hidden2);
};

#endif

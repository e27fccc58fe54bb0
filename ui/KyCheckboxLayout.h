#ifndef KY_CHECKBOX_LAYOUT_H
#define KY_CHECKBOX_LAYOUT_H

#include "core/KyArray.h"
#include "core/KyICallback1Param.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "ui/KyClickableLayout.h"
#include "ui/KyLayout.h"

// A layout with two states, active and unactive, each with an enabled and a
// disabled look held as child layouts. A completed click (a pointer pressed
// on the box and released over it, once no other pointer still holds it)
// toggles between active and unactive, plays the sound of the new state and
// tells the state listeners. Input is heard as by the button layout (both
// are clickable layouts, with the same pass-through flag); there is no
// pressed or hover look. The disabled states are set by the owner; in
// them presses and releases are ignored and not consumed.
class KyCheckboxLayout : public KyClickableLayout {
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
    // setHitZone does not refresh the looks.

    // Stores the state, calling the listeners when it changed, and shows
    // the look of the stored state.
    void setState(State state);

    // Called with the state on every change, and once more after a click.
    StateSignal onStateChanged;

    // Looks: children, not owned.
    KyLayout* activeLayout;
    KyLayout* unactiveLayout;
    KyLayout* activeDisabledLayout;
    KyLayout* unactiveDisabledLayout;

    State state;
    // Played when a click makes the box active, or unactive; none when
    // empty.
    KyString activationSound;
    KyString unactivationSound;

private:
    bool onPress(unsigned int pointer) override;
    bool onReleaseReset(unsigned int pointer) override;
    bool onRelease(unsigned int pointer) override;

    bool isEnabled() const { return state == Active || state == Unactive; }
    // Shows `shown` (when set) and then hides `other`; without `shown`,
    // `other` keeps its visibility. `hidden1` and `hidden2` are hidden.
    static void showLooks(KyLayout* shown, KyLayout* other, KyLayout* hidden1, KyLayout* hidden2);
};

#endif

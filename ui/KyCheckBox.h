#ifndef KY_CHECK_BOX_H
#define KY_CHECK_BOX_H

#include "core/KyArray.h"
#include "core/KyICallback1Param.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DObject.h"
#include "ui/KyButton.h"
#include "ui/KySprite.h"

class KyImg;
class TiXmlElement;

// The two-state picture control: four looks (checked and unchecked, each
// in an enabled and a disabled form), an embedded KyButton for the clicks,
// margins that inset the clickable area, and a signal fired with the state
// on every change (also when setChecked gives the current state).
//
// In radio mode a click can only check the box; the owner unchecks it with
// setChecked. The enabled and disabled looks follow the button's hit-enabled
// flag (KyButton::active); its enabled flag (setVisible) shows or hides the
// box and takes it in or out of the input.
class KyCheckBox : public Ky3DObject {
public:
    enum Mode { Normal = 0, Radio = 1 };
    typedef KyArray<KyICallback1Param<bool>*> StateSignal;

    KyCheckBox();
    ~KyCheckBox() override;
    KyCheckBox(const KyCheckBox&) = delete;
    KyCheckBox& operator=(const KyCheckBox&) = delete;

    // Gives each look its picture (null unloads that look), in the order
    // disabled unchecked, disabled checked, unchecked, checked; the button
    // is sized from each picture less the margins, the box from the button
    // plus the margins. Fires onStateChanged with the current state.
    void load(KyImg* active, KyImg* unactive, KyImg* disabledActive, KyImg* disabledUnactive);

    void setChecked(bool checked);
    bool isChecked() const { return checked != 0; }
    // Registers the button with the input (true) or takes it out, and shows
    // or hides the looks.
    void setVisible(bool visible);

    void setMargins(f32 horizontal, f32 vertical);
    void fitButtonSize();
    void fitButtonPosition();

    // Shows the look of the state (see the class comment).
    void updateLooks();

    // Button callbacks; each answers false.
    bool onButtonDown();
    bool onButtonUp();
    bool onClick();

    // Reads a "checkbox" element: margin children and the attributes
    // "active_file", "unactive_file", "disable_active_file",
    // "disable_unactive_file", "visible" and "mode" ("normal" or "radio"),
    // names compared in lower case.
    void loadFromXml(TiXmlElement* element);

    StateSignal& onStateChanged() { return m_onStateChanged; }

    void setPosition(const KyVector3f32& position) override;
    void setScale(const KyVector3f32& scale) override;
    void setScaleCenter(const KyVector3f32& center) override;
    void setRotation(f32 degrees) override;
    void setOpacity(f32 opacity) override;

    // 0 unchecked, 1 checked.
    u8 checked;
    // Normal or Radio.
    u32 mode;
    KyButton button;
    KySprite activeSprite;
    KySprite unactiveSprite;
    KySprite disabledActiveSprite;
    KySprite disabledUnactiveSprite;
    f32 leftMargin;
    f32 rightMargin;
    f32 bottomMargin;
    f32 topMargin;

private:
    // Gives a look its picture, or unloads it; sizes the button from it.
    void loadLook(KySprite& sprite, KyImg* image);
    bool radioLocked() const { return mode == Radio && checked != 0; }

    StateSignal m_onStateChanged;
};

#endif

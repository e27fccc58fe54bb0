#ifndef KY_SPRITE_BUTTON_H
#define KY_SPRITE_BUTTON_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DObject.h"
#include "ui/KyButton.h"
#include "ui/KyButtonMargins.h"
#include "ui/KySprite.h"
#include "ui/KyTextSprite.h"

#include <cstdint>

class TiXmlElement;

// The image button of the 2D interface: up, down and disabled pictures, a
// text label over them, and an embedded KyButton that does the hit testing
// and the click signal. Margins inset the clickable area within the picture.
//
// Two flags of the embedded button decide whether clicks count: its enabled
// flag (registered with the input; driven by setVisible) and its hit-enabled
// flag (KyButton::active; driven by setEnable).
//
// Position, tag, parent, scale, scale centre, rotation and opacity given to
// the sprite button are passed on to its five parts.
class KySpriteButton : public Ky3DObject {
public:
    KySpriteButton();
    ~KySpriteButton() override;
    KySpriteButton(const KySpriteButton&) = delete;
    KySpriteButton& operator=(const KySpriteButton&) = delete;

    // Loads the pictures ("" unloads the disabled or down picture, and
    // leaves the up picture as it was); the loaded down and disabled
    // pictures start hidden. The button is sized from each picture loaded
    // (less the margins) and enabled when an up picture is given; the label
    // and the object take the button's size plus the margins.
    void load(const KyString& up, const KyString& down, const KyString& disabled);
    // Empties the four sprites; sizes become 0.
    void unload();

    // Left and right margins = horizontal, bottom and top = vertical; the
    // clickable area is fitted again.
    void setMargins(f32 horizontal, f32 vertical);
    // Button size = object size less the margins.
    void fitButtonSize();
    // Button position = object position + (left, bottom).
    void fitButtonPosition();
    // The label placed inside the four margins, just in front of the
    // pictures.
    void fitLabelPosition();
    void fitLabelSize();

    // The hit-enabled flag; disabling forgets the touches (a pressed button
    // is released) and shows the disabled picture when there is one.
    void setEnable(bool enable);
    // Shows or hides the pictures and the label, and registers the button
    // with the input or takes it out.
    void setVisible(bool visible);
    void setText(const char* text);

    // Look callbacks of the button's press and release: show the down
    // picture while pressed, when there is one. Both answer false.
    bool onButtonDown();
    bool onButtonUp();

    // Reads a "spritebutton" element: margin children, "scaleCenter", and
    // the attributes "up_file", "down_file", "disable_file", "enable",
    // "text" and "visible" (names compared in lower case). A picture path
    // starting with "./" is taken in folder (the interface file's folder).
    void loadFromXml(TiXmlElement* element, const KyString& folder = KyString());

    // The click signal of the embedded button.
    KyButton::Signal& onClicked() { return button.onClicked(); }

    void setTag(std::intptr_t tag) override;
    void setParent(KyI3DObject* parent) override;
    void setPosition(const KyVector3f32& position) override;
    void setScale(const KyVector3f32& scale) override;
    void setScaleCenter(const KyVector3f32& center) override;
    void setRotation(f32 degrees) override;
    void setOpacity(f32 opacity) override;

    KyButton button;
    KySprite upSprite;
    KySprite downSprite;
    KySprite disabledSprite;
    KyTextSprite label;
    f32 leftMargin;
    f32 rightMargin;
    f32 bottomMargin;
    f32 topMargin;

};

// What the sprite buttons with a text-sprite label (KySpriteButton) and with
// a rich-text label (KySpriteButton2) do alike. Owner has the members
// button, upSprite, downSprite, disabledSprite, label and the four margins.
namespace KySpriteButtonShared {

// The attributes of a sprite button element.
struct XmlAttributes {
    KyString up;
    KyString down;
    KyString disabled;
    KyString text;
    // -1 absent, else 0 or 1.
    int enable = -1;
    int visible = -1;
};

// Reads the margin children and "scaleCenter" into the given values, and
// the attributes (names compared in lower case).
XmlAttributes readXml(TiXmlElement* element, f32& left, f32& right, f32& bottom, f32& top, KyVector3f32& scaleCenter);
// A picture name as a disk path, "./" standing for folder; "" stays "".
KyString diskPath(const KyString& name, const KyString& folder = KyString());

// The pictures of load: "" unloads the disabled or down picture and leaves
// the up picture; loaded down and disabled pictures start hidden; the
// button is sized from each one loaded and enabled with an up picture.
template <class Owner>
void loadPictures(Owner& o, const KyString& up, const KyString& down, const KyString& disabled)
{
    if (disabled == "") {
        o.disabledSprite.unload();
    } else {
        o.disabledSprite.Load(disabled);
        o.disabledSprite.visible = false;
        KyButtonMargins::sizeButtonFrom(o, o.disabledSprite);
    }
    if (down == "") {
        o.downSprite.unload();
    } else {
        o.downSprite.Load(down);
        o.downSprite.visible = false;
        KyButtonMargins::sizeButtonFrom(o, o.downSprite);
    }
    if (up != "") {
        o.upSprite.Load(up);
        KyButtonMargins::sizeButtonFrom(o, o.upSprite);
        o.button.setEnable(true);
    }
}

// The hit-enabled flag and the looks it gives (see KySpriteButton).
template <class Owner>
void setEnable(Owner& o, bool enable)
{
    o.button.active = enable;
    if (!enable)
        o.button.clearTouches();
    if (!o.button.isEnabled())
        return;
    if (enable) {
        o.disabledSprite.visible = false;
        if (o.button.isPressed())
            o.downSprite.visible = true;
        else
            o.upSprite.visible = true;
    } else if (o.disabledSprite.hasTexture()) {
        o.upSprite.visible = false;
        o.downSprite.visible = false;
        o.disabledSprite.visible = true;
    }
}

// The pictures' part of setVisible; the label is the owner's.
template <class Owner>
void setPicturesVisible(Owner& o, bool visible)
{
    o.upSprite.visible = visible;
    o.button.setEnable(visible);
    if (!visible) {
        o.downSprite.visible = false;
        o.disabledSprite.visible = false;
    }
}

// The look of a press (pressed true) or a release, when there is a down
// picture.
template <class Owner>
void showPressed(Owner& o, bool pressed)
{
    if (!o.downSprite.hasTexture())
        return;
    o.upSprite.visible = !pressed;
    o.downSprite.visible = pressed;
}

// Gives the value to the button, the three pictures and the label.
template <class Owner, class V>
void passOn(Owner& o, void (KyI3DObject::*set)(V), V value)
{
    KyI3DObject* parts[] = {&o.button, &o.upSprite, &o.downSprite, &o.disabledSprite, &o.label};
    for (KyI3DObject* part : parts)
        (part->*set)(value);
}

} // namespace KySpriteButtonShared

#endif

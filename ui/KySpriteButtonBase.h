#ifndef KY_SPRITE_BUTTON_BASE_H
#define KY_SPRITE_BUTTON_BASE_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DObject.h"
#include "ui/KyButton.h"
#include "ui/KySprite.h"

#include <cstdint>

class KyI3DObject;
class TiXmlElement;

// The image button of the 2D interface, whatever its label: up, down and
// disabled pictures, a label over them, and an embedded KyButton that does
// the hit testing and the click signal. Margins inset the clickable area
// within the picture. KySpriteButton labels it with a text sprite,
// KySpriteButton2 with rich text; each fits its label its own way.
//
// Two flags of the embedded button decide whether clicks count: its enabled
// flag (registered with the input; driven by setVisible) and its hit-enabled
// flag (KyButton::active; driven by setEnable).
//
// Tag, parent, scale, scale centre, rotation and opacity given to the sprite
// button are passed on to its five parts.
class KySpriteButtonBase : public Ky3DObject {
public:
    ~KySpriteButtonBase() override;
    KySpriteButtonBase(const KySpriteButtonBase&) = delete;
    KySpriteButtonBase& operator=(const KySpriteButtonBase&) = delete;

    // Loads the pictures ("" unloads the disabled or down picture, and
    // leaves the up picture as it was); the loaded down and disabled
    // pictures start hidden. The button is sized from each picture loaded
    // (less the margins) and enabled when an up picture is given; then the
    // object and the label are fitted.
    virtual void load(const KyString& up, const KyString& down, const KyString& disabled) = 0;
    // Shows or hides the pictures and the label, and registers the button
    // with the input or takes it out.
    virtual void setVisible(bool visible) = 0;

    // The hit-enabled flag; disabling forgets the touches (a pressed button
    // is released) and shows the disabled picture when there is one.
    void setEnable(bool enable);

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
    void setScale(const KyVector3f32& scale) override;
    void setScaleCenter(const KyVector3f32& center) override;
    void setRotation(f32 degrees) override;
    void setOpacity(f32 opacity) override;

    KyButton button;
    KySprite upSprite;
    KySprite downSprite;
    KySprite disabledSprite;
    f32 leftMargin;
    f32 rightMargin;
    f32 bottomMargin;
    f32 topMargin;

protected:
    KySpriteButtonBase();

    // The label, for what is passed on to the parts.
    virtual KyI3DObject& labelObject() = 0;
    // The label text of an interface file.
    virtual void setLabelText(const KyString& text) = 0;

    // The pictures' part of load.
    void loadPictures(const KyString& up, const KyString& down, const KyString& disabled);
    // The pictures' part of setVisible.
    void setPicturesVisible(bool visible);
    // The pictures and the button follow the object to p.
    void placePictures(const KyVector3f32& p);

    // The label lies just in front of the pictures.
    static constexpr f32 kLabelDepth = 0.0001f;

private:
    // The look of a press (pressed true) or a release, when there is a down
    // picture.
    void showPressed(bool pressed);

    // Gives the value to the button, the three pictures and the label.
    template <class V>
    void passOn(void (KyI3DObject::*set)(V), V value);
};

#endif

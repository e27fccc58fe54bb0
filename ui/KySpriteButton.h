#ifndef KY_SPRITE_BUTTON_H
#define KY_SPRITE_BUTTON_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DObject.h"
#include "ui/KyButton.h"
#include "ui/KySprite.h"
#include "ui/KyTextSprite.h"

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
    // "text" and "visible" (names compared in lower case).
    void loadFromXml(TiXmlElement* element);

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

private:
    // The margins added to a size, and taken from it.
    KyVector3f32 withMargins(const KyVector3f32& size) const;
    // Button size = picture size less the margins, depth kept.
    void sizeButtonFrom(KySprite& sprite);
};

#endif

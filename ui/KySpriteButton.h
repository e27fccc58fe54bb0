#ifndef KY_SPRITE_BUTTON_H
#define KY_SPRITE_BUTTON_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "ui/KySpriteButtonBase.h"
#include "ui/KyTextSprite.h"

// The sprite button with a text-sprite label: the label takes the size of
// the button plus the margins and stands at the object's corner.
class KySpriteButton : public KySpriteButtonBase {
public:
    KySpriteButton();
    ~KySpriteButton() override;

    // The pictures as KySpriteButtonBase::load says; the label and the
    // object take the button's size plus the margins.
    void load(const KyString& up, const KyString& down, const KyString& disabled) override;
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

    void setVisible(bool visible) override;
    void setText(const char* text);

    void setPosition(const KyVector3f32& position) override;

    KyTextSprite label;

protected:
    KyI3DObject& labelObject() override { return label; }
    void setLabelText(const KyString& text) override;
};

#endif

#ifndef KY_SPRITE_BUTTON2_H
#define KY_SPRITE_BUTTON2_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "ui/KySpriteButtonBase.h"
#include "ui/KyText2.h"

// The sprite button with a rich-text label (KyText2) in place of the text
// sprite: the label is laid out in the button's box and centred vertically
// on it, and a change of size fits the clickable area and the label again.
// Everything else is as in KySpriteButton.
class KySpriteButton2 : public KySpriteButtonBase {
public:
    KySpriteButton2();
    ~KySpriteButton2() override;

    // As KySpriteButton::load; the label is then fitted and placed.
    void load(const KyString& up, const KyString& down, const KyString& disabled) override;
    void setMargins(f32 horizontal, f32 vertical);
    void setVisible(bool visible) override;
    // The label's text description, then the label placed again.
    void setText(const KyString& text);

    // Button size = object size less the margins; the label's wrap box =
    // the button's size plus the margins, in whole pixels.
    void fitButtonAndLabel();
    // The label at the object's x, centred vertically on the object by the
    // height of its laid-out text, just in front of the pictures.
    void placeLabel();

    void setPosition(const KyVector3f32& position) override;
    // Nothing for the current size; otherwise stores it, then fits the
    // button and the label and places the label.
    void setSize(const KyVector3f32& size) override;

    KyText2 label;

protected:
    KyI3DObject& labelObject() override { return label; }
    void setLabelText(const KyString& text) override { setText(text); }
};

#endif

#ifndef KY_SPRITE_BUTTON2_H
#define KY_SPRITE_BUTTON2_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DObject.h"
#include "ui/KyButton.h"
#include "ui/KySprite.h"
#include "ui/KyText2.h"

#include <cstdint>

class TiXmlElement;

// The sprite button with a rich-text label (KyText2) in place of the text
// sprite: the label is laid out in the button's box and centred vertically
// on it, and a change of size fits the clickable area and the label again.
// Everything else is as in KySpriteButton.
class KySpriteButton2 : public Ky3DObject {
public:
    KySpriteButton2();
    ~KySpriteButton2() override;
    KySpriteButton2(const KySpriteButton2&) = delete;
    KySpriteButton2& operator=(const KySpriteButton2&) = delete;

    // As KySpriteButton::load; the label is then fitted and placed.
    void load(const KyString& up, const KyString& down, const KyString& disabled);
    void setMargins(f32 horizontal, f32 vertical);
    void setEnable(bool enable);
    void setVisible(bool visible);
    // The label's text description, then the label placed again.
    void setText(const KyString& text);

    // Button size = object size less the margins; the label's wrap box =
    // the button's size plus the margins, in whole pixels.
    void fitButtonAndLabel();
    // The label at the object's x, centred vertically on the object by the
    // height of its laid-out text, just in front of the pictures.
    void placeLabel();

    bool onButtonDown();
    bool onButtonUp();

    // As KySpriteButton::loadFromXml.
    void loadFromXml(TiXmlElement* element, const KyString& folder = KyString());

    KyButton::Signal& onClicked() { return button.onClicked(); }

    void setTag(std::intptr_t tag) override;
    void setParent(KyI3DObject* parent) override;
    void setPosition(const KyVector3f32& position) override;
    // Nothing for the current size; otherwise stores it, then fits the
    // button and the label and places the label.
    void setSize(const KyVector3f32& size) override;
    void setScale(const KyVector3f32& scale) override;
    void setScaleCenter(const KyVector3f32& center) override;
    void setRotation(f32 degrees) override;
    void setOpacity(f32 opacity) override;

    KyButton button;
    KySprite upSprite;
    KySprite downSprite;
    KySprite disabledSprite;
    KyText2 label;
    f32 leftMargin;
    f32 rightMargin;
    f32 bottomMargin;
    f32 topMargin;
};

#endif

#include "ui/KySpriteButton.h"

#include "ui/KyButtonMargins.h"

KySpriteButton::KySpriteButton() {}

KySpriteButton::~KySpriteButton() {}

void KySpriteButton::load(const KyString& up, const KyString& down, const KyString& disabled)
{
    loadPictures(up, down, disabled);
    const KyVector3f32 whole = KyButtonMargins::buttonWithMargins(*this);
    label.setSize(whole);
    Ky3DObject::setSize(whole);
}

void KySpriteButton::unload()
{
    Ky3DObject::setSize(KyVector3f32(0.0f, 0.0f, 0.0f));
    upSprite.unload();
    downSprite.unload();
    disabledSprite.unload();
    label.unload();
    button.setSize(upSprite.size());
}

void KySpriteButton::setMargins(f32 horizontal, f32 vertical)
{
    KyButtonMargins::set(*this, horizontal, vertical);
    fitButtonPosition();
    fitButtonSize();
}

void KySpriteButton::fitButtonSize()
{
    button.setSize(KyButtonMargins::inside(*this, size()));
}

void KySpriteButton::fitButtonPosition()
{
    button.setPosition(position() + KyButtonMargins::corner(*this));
}

void KySpriteButton::fitLabelPosition()
{
    label.setPosition(position() + KyVector3f32(leftMargin, bottomMargin, kLabelDepth));
}

void KySpriteButton::fitLabelSize()
{
    label.setSize(KyButtonMargins::inside(*this, size()));
}

void KySpriteButton::setVisible(bool visible)
{
    setPicturesVisible(visible);
    label.visible = visible;
}

void KySpriteButton::setText(const char* text)
{
    label.setText(text);
}

void KySpriteButton::setLabelText(const KyString& text)
{
    label.setText(text);
}

void KySpriteButton::setPosition(const KyVector3f32& p)
{
    Ky3DObject::setPosition(p);
    placePictures(p);
    label.setPosition(p + KyVector3f32(0.0f, 0.0f, kLabelDepth));
}

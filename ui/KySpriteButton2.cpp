#include "ui/KySpriteButton2.h"

#include "ui/KyButtonMargins.h"

namespace {

// A box size in whole pixels, truncated; clamped to what an s32 holds.
s32 wholePixels(f32 v)
{
    if (!(v > -2.0e9f))
        return v != v ? 0 : -2000000000;
    return v < 2.0e9f ? s32(v) : 2000000000;
}

} // namespace

KySpriteButton2::KySpriteButton2() {}

KySpriteButton2::~KySpriteButton2() {}

void KySpriteButton2::load(const KyString& up, const KyString& down, const KyString& disabled)
{
    loadPictures(up, down, disabled);
    Ky3DObject::setSize(KyButtonMargins::buttonWithMargins(*this));
    fitButtonAndLabel();
    placeLabel();
}

void KySpriteButton2::setMargins(f32 horizontal, f32 vertical)
{
    KyButtonMargins::set(*this, horizontal, vertical);
    button.setPosition(position() + KyButtonMargins::corner(*this));
    fitButtonAndLabel();
    placeLabel();
}

void KySpriteButton2::setVisible(bool visible)
{
    setPicturesVisible(visible);
    label.setVisible(visible);
}

void KySpriteButton2::setText(const KyString& text)
{
    label.setText(text);
    placeLabel();
}

void KySpriteButton2::fitButtonAndLabel()
{
    button.setSize(KyButtonMargins::inside(*this, size()));
    const KyVector3f32 whole = KyButtonMargins::buttonWithMargins(*this);
    label.setTextBox(wholePixels(whole.x), wholePixels(whole.y));
}

void KySpriteButton2::placeLabel()
{
    const KyVector3f32 p = position();
    const KyVector3f32 s = size();
    const f32 h = label.textSize().y;
    label.setPosition(KyVector3f32(p.x, p.y + s.y - (s.y - h) * 0.5f, p.z + kLabelDepth));
}

void KySpriteButton2::setPosition(const KyVector3f32& p)
{
    Ky3DObject::setPosition(p);
    placePictures(p);
    placeLabel();
}

void KySpriteButton2::setSize(const KyVector3f32& s)
{
    if (s == size())
        return;
    Ky3DObject::setSize(s);
    fitButtonAndLabel();
    placeLabel();
}

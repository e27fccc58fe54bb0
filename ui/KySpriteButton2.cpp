#include "ui/KySpriteButton2.h"

#include "core/KyCallback0Param.h"
#include "core/KySingleton.h"
#include "platform/KyScreen.h"
#include "ui/KyButtonMargins.h"
#include "ui/KySpriteButton.h"

#include <tinyxml.h>

namespace {

typedef KyCallback0Param<KySpriteButton2> LookListener;

// The label lies just in front of the pictures.
const f32 kLabelDepth = 0.0001f;

// A box size in whole pixels, truncated; clamped to what an s32 holds.
s32 wholePixels(f32 v)
{
    if (!(v > -2.0e9f))
        return v != v ? 0 : -2000000000;
    return v < 2.0e9f ? s32(v) : 2000000000;
}

} // namespace

KySpriteButton2::KySpriteButton2()
    : button(KySingleton<KyScreen>::instance()),
      upSprite(KySingleton<KyScreen>::instance()),
      downSprite(KySingleton<KyScreen>::instance()),
      disabledSprite(KySingleton<KyScreen>::instance()),
      leftMargin(0.0f),
      rightMargin(0.0f),
      bottomMargin(0.0f),
      topMargin(0.0f)
{
    button.setEnable(true);
    button.onPressed().pushBack(kyNewCallback(this, &KySpriteButton2::onButtonDown, 0.0f));
    button.onReleased().pushBack(kyNewCallback(this, &KySpriteButton2::onButtonUp, 0.0f));
}

KySpriteButton2::~KySpriteButton2()
{
    // The button goes last and releases itself on the way: the look
    // callbacks must not reach the sprites destroyed before it.
    LookListener down(this, &KySpriteButton2::onButtonDown);
    LookListener up(this, &KySpriteButton2::onButtonUp);
    button.onPressed().removeCallback(&down);
    button.onReleased().removeCallback(&up);
}

void KySpriteButton2::load(const KyString& up, const KyString& down, const KyString& disabled)
{
    KySpriteButtonShared::loadPictures(*this, up, down, disabled);
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

void KySpriteButton2::setEnable(bool enable)
{
    KySpriteButtonShared::setEnable(*this, enable);
}

void KySpriteButton2::setVisible(bool visible)
{
    KySpriteButtonShared::setPicturesVisible(*this, visible);
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

bool KySpriteButton2::onButtonDown()
{
    KySpriteButtonShared::showPressed(*this, true);
    return false;
}

bool KySpriteButton2::onButtonUp()
{
    KySpriteButtonShared::showPressed(*this, false);
    return false;
}

void KySpriteButton2::loadFromXml(TiXmlElement* element, const KyString& folder)
{
    if (!element)
        return;
    KyVector3f32 center = scaleCenter();
    const KySpriteButtonShared::XmlAttributes xml =
        KySpriteButtonShared::readXml(element, leftMargin, rightMargin, bottomMargin, topMargin, center);
    if (element->FirstChildElement("scaleCenter"))
        setScaleCenter(center);
    if (xml.enable >= 0)
        setEnable(xml.enable != 0);
    load(KySpriteButtonShared::diskPath(xml.up, folder), KySpriteButtonShared::diskPath(xml.down, folder),
         KySpriteButtonShared::diskPath(xml.disabled, folder));
    if (xml.text != "")
        setText(xml.text);
    if (xml.visible >= 0)
        setVisible(xml.visible != 0);
}

void KySpriteButton2::setTag(std::intptr_t tag)
{
    Ky3DObject::setTag(tag);
    KySpriteButtonShared::passOn(*this, &KyI3DObject::setTag, tag);
}

void KySpriteButton2::setParent(KyI3DObject* parent)
{
    Ky3DObject::setParent(parent);
    KySpriteButtonShared::passOn(*this, &KyI3DObject::setParent, parent);
}

void KySpriteButton2::setPosition(const KyVector3f32& p)
{
    Ky3DObject::setPosition(p);
    upSprite.setPosition(p);
    downSprite.setPosition(p);
    disabledSprite.setPosition(p);
    button.setPosition(p + KyButtonMargins::corner(*this));
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

void KySpriteButton2::setScale(const KyVector3f32& scale)
{
    Ky3DObject::setScale(scale);
    KySpriteButtonShared::passOn<KySpriteButton2, const KyVector3f32&>(*this, &KyI3DObject::setScale, scale);
}

void KySpriteButton2::setScaleCenter(const KyVector3f32& center)
{
    Ky3DObject::setScaleCenter(center);
    KySpriteButtonShared::passOn<KySpriteButton2, const KyVector3f32&>(*this, &KyI3DObject::setScaleCenter, center);
}

void KySpriteButton2::setRotation(f32 degrees)
{
    Ky3DObject::setRotation(degrees);
    KySpriteButtonShared::passOn(*this, &KyI3DObject::setRotation, degrees);
}

void KySpriteButton2::setOpacity(f32 opacity)
{
    Ky3DObject::setOpacity(opacity);
    KySpriteButtonShared::passOn(*this, &KyI3DObject::setOpacity, opacity);
}

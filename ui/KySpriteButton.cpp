#include "ui/KySpriteButton.h"

#include "core/KyCallback0Param.h"
#include "core/KyFile.h"
#include "core/KySingleton.h"
#include "platform/KyScreen.h"

#include <tinyxml.h>

#include <cstdlib>

namespace {

typedef KyCallback0Param<KySpriteButton> LookListener;

// The label lies just in front of the pictures.
const f32 kLabelDepth = 0.0001f;

} // namespace

namespace KySpriteButtonShared {

XmlAttributes readXml(TiXmlElement* element, f32& left, f32& right, f32& bottom, f32& top, KyVector3f32& scaleCenter)
{
    XmlAttributes out;
    KyButtonMargins::read(element, left, right, bottom, top);
    if (TiXmlElement* center = element->FirstChildElement("scaleCenter")) {
        center->QueryFloatAttribute("x", &scaleCenter.x);
        center->QueryFloatAttribute("y", &scaleCenter.y);
        center->QueryFloatAttribute("z", &scaleCenter.z);
    }
    for (TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        const KyString name = KyString(attribute->Name()).toLower();
        if (name == "up_file")
            out.up = attribute->Value();
        else if (name == "down_file")
            out.down = attribute->Value();
        else if (name == "disable_file")
            out.disabled = attribute->Value();
        else if (name == "enable")
            out.enable = std::atoi(attribute->Value()) > 0 ? 1 : 0;
        else if (name == "text")
            out.text = attribute->Value();
    }
    if (const char* visible = element->Attribute("visible"))
        out.visible = std::atoi(visible) > 0 ? 1 : 0;
    return out;
}

KyString diskPath(const KyString& name, const KyString& folder)
{
    // An absent picture stays "" (its sprite is unloaded, or the up picture
    // kept), not the path of the current folder.
    return name == "" ? name : KyString(KyFile::resolvePath(name, folder));
}

} // namespace KySpriteButtonShared

KySpriteButton::KySpriteButton()
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
    button.onPressed().pushBack(kyNewCallback(this, &KySpriteButton::onButtonDown, 0.0f));
    button.onReleased().pushBack(kyNewCallback(this, &KySpriteButton::onButtonUp, 0.0f));
}

KySpriteButton::~KySpriteButton()
{
    // The button goes last and releases itself on the way (onReleased): the
    // look callbacks must not reach the sprites destroyed before it.
    LookListener down(this, &KySpriteButton::onButtonDown);
    LookListener up(this, &KySpriteButton::onButtonUp);
    button.onPressed().removeCallback(&down);
    button.onReleased().removeCallback(&up);
}

void KySpriteButton::load(const KyString& up, const KyString& down, const KyString& disabled)
{
    KySpriteButtonShared::loadPictures(*this, up, down, disabled);
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

void KySpriteButton::setEnable(bool enable)
{
    KySpriteButtonShared::setEnable(*this, enable);
}

void KySpriteButton::setVisible(bool visible)
{
    KySpriteButtonShared::setPicturesVisible(*this, visible);
    label.visible = visible;
}

void KySpriteButton::setText(const char* text)
{
    label.setText(text);
}

bool KySpriteButton::onButtonDown()
{
    KySpriteButtonShared::showPressed(*this, true);
    return false;
}

bool KySpriteButton::onButtonUp()
{
    KySpriteButtonShared::showPressed(*this, false);
    return false;
}

void KySpriteButton::loadFromXml(TiXmlElement* element, const KyString& folder)
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
        label.setText(xml.text);
    if (xml.visible >= 0)
        setVisible(xml.visible != 0);
}

void KySpriteButton::setTag(std::intptr_t tag)
{
    Ky3DObject::setTag(tag);
    KySpriteButtonShared::passOn(*this, &KyI3DObject::setTag, tag);
}

void KySpriteButton::setParent(KyI3DObject* parent)
{
    Ky3DObject::setParent(parent);
    KySpriteButtonShared::passOn(*this, &KyI3DObject::setParent, parent);
}

void KySpriteButton::setPosition(const KyVector3f32& p)
{
    Ky3DObject::setPosition(p);
    upSprite.setPosition(p);
    downSprite.setPosition(p);
    disabledSprite.setPosition(p);
    button.setPosition(p + KyButtonMargins::corner(*this));
    label.setPosition(p + KyVector3f32(0.0f, 0.0f, kLabelDepth));
}

void KySpriteButton::setScale(const KyVector3f32& scale)
{
    Ky3DObject::setScale(scale);
    KySpriteButtonShared::passOn<KySpriteButton, const KyVector3f32&>(*this, &KyI3DObject::setScale, scale);
}

void KySpriteButton::setScaleCenter(const KyVector3f32& center)
{
    Ky3DObject::setScaleCenter(center);
    KySpriteButtonShared::passOn<KySpriteButton, const KyVector3f32&>(*this, &KyI3DObject::setScaleCenter, center);
}

void KySpriteButton::setRotation(f32 degrees)
{
    Ky3DObject::setRotation(degrees);
    KySpriteButtonShared::passOn(*this, &KyI3DObject::setRotation, degrees);
}

void KySpriteButton::setOpacity(f32 opacity)
{
    Ky3DObject::setOpacity(opacity);
    KySpriteButtonShared::passOn(*this, &KyI3DObject::setOpacity, opacity);
}

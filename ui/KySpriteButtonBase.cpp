#include "ui/KySpriteButtonBase.h"

#include "core/KyCallback0Param.h"
#include "core/KyFile.h"
#include "core/KySingleton.h"
#include "platform/KyScreen.h"
#include "ui/KyButtonMargins.h"

#include <tinyxml.h>

#include <cstdlib>

namespace {

typedef KyCallback0Param<KySpriteButtonBase> LookListener;

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

// A picture name as a disk path, "./" standing for folder.
KyString diskPath(const KyString& name, const KyString& folder)
{
    // An absent picture stays "" (its sprite is unloaded, or the up picture
    // kept), not the path of the current folder.
    return name == "" ? name : KyString(KyFile::resolvePath(name, folder));
}

} // namespace

KySpriteButtonBase::KySpriteButtonBase()
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
    button.onPressed().pushBack(kyNewCallback(this, &KySpriteButtonBase::onButtonDown, 0.0f));
    button.onReleased().pushBack(kyNewCallback(this, &KySpriteButtonBase::onButtonUp, 0.0f));
}

KySpriteButtonBase::~KySpriteButtonBase()
{
    // The button goes last and releases itself on the way (onReleased): the
    // look callbacks must not reach the sprites destroyed before it.
    LookListener down(this, &KySpriteButtonBase::onButtonDown);
    LookListener up(this, &KySpriteButtonBase::onButtonUp);
    button.onPressed().removeCallback(&down);
    button.onReleased().removeCallback(&up);
}

void KySpriteButtonBase::loadPictures(const KyString& up, const KyString& down, const KyString& disabled)
{
    if (disabled == "") {
        disabledSprite.unload();
    } else {
        disabledSprite.Load(disabled);
        disabledSprite.visible = false;
        KyButtonMargins::sizeButtonFrom(*this, disabledSprite);
    }
    if (down == "") {
        downSprite.unload();
    } else {
        downSprite.Load(down);
        downSprite.visible = false;
        KyButtonMargins::sizeButtonFrom(*this, downSprite);
    }
    if (up != "") {
        upSprite.Load(up);
        KyButtonMargins::sizeButtonFrom(*this, upSprite);
        button.setEnable(true);
    }
}

void KySpriteButtonBase::setEnable(bool enable)
{
    button.active = enable;
    if (!enable)
        button.clearTouches();
    if (!button.isEnabled())
        return;
    if (enable) {
        disabledSprite.visible = false;
        if (button.isPressed())
            downSprite.visible = true;
        else
            upSprite.visible = true;
    } else if (disabledSprite.hasTexture()) {
        upSprite.visible = false;
        downSprite.visible = false;
        disabledSprite.visible = true;
    }
}

void KySpriteButtonBase::setPicturesVisible(bool visible)
{
    // The button first: taking a pressed button out of the input releases
    // it, and its released look would show the up picture again.
    button.setEnable(visible);
    upSprite.visible = visible;
    if (!visible) {
        downSprite.visible = false;
        disabledSprite.visible = false;
    }
}

void KySpriteButtonBase::placePictures(const KyVector3f32& p)
{
    upSprite.setPosition(p);
    downSprite.setPosition(p);
    disabledSprite.setPosition(p);
    button.setPosition(p + KyButtonMargins::corner(*this));
}

void KySpriteButtonBase::showPressed(bool pressed)
{
    if (!downSprite.hasTexture())
        return;
    upSprite.visible = !pressed;
    downSprite.visible = pressed;
}

bool KySpriteButtonBase::onButtonDown()
{
    showPressed(true);
    return false;
}

bool KySpriteButtonBase::onButtonUp()
{
    showPressed(false);
    return false;
}

void KySpriteButtonBase::loadFromXml(TiXmlElement* element, const KyString& folder)
{
    if (!element)
        return;
    KyVector3f32 center = scaleCenter();
    const XmlAttributes xml = readXml(element, leftMargin, rightMargin, bottomMargin, topMargin, center);
    if (element->FirstChildElement("scaleCenter"))
        setScaleCenter(center);
    if (xml.enable >= 0)
        setEnable(xml.enable != 0);
    load(diskPath(xml.up, folder), diskPath(xml.down, folder), diskPath(xml.disabled, folder));
    if (xml.text != "")
        setLabelText(xml.text);
    if (xml.visible >= 0)
        setVisible(xml.visible != 0);
}

template <class V>
void KySpriteButtonBase::passOn(void (KyI3DObject::*set)(V), V value)
{
    KyI3DObject* parts[] = {&button, &upSprite, &downSprite, &disabledSprite, &labelObject()};
    for (KyI3DObject* part : parts)
        (part->*set)(value);
}

void KySpriteButtonBase::setTag(std::intptr_t tag)
{
    Ky3DObject::setTag(tag);
    passOn(&KyI3DObject::setTag, tag);
}

void KySpriteButtonBase::setParent(KyI3DObject* parent)
{
    Ky3DObject::setParent(parent);
    passOn(&KyI3DObject::setParent, parent);
}

void KySpriteButtonBase::setScale(const KyVector3f32& scale)
{
    Ky3DObject::setScale(scale);
    passOn<const KyVector3f32&>(&KyI3DObject::setScale, scale);
}

void KySpriteButtonBase::setScaleCenter(const KyVector3f32& center)
{
    Ky3DObject::setScaleCenter(center);
    passOn<const KyVector3f32&>(&KyI3DObject::setScaleCenter, center);
}

void KySpriteButtonBase::setRotation(f32 degrees)
{
    Ky3DObject::setRotation(degrees);
    passOn(&KyI3DObject::setRotation, degrees);
}

void KySpriteButtonBase::setOpacity(f32 opacity)
{
    Ky3DObject::setOpacity(opacity);
    passOn(&KyI3DObject::setOpacity, opacity);
}

#include "ui/KySpriteButton.h"

#include "core/KyCallback0Param.h"
#include "core/KyFile.h"
#include "core/KySingleton.h"
#include "platform/KyScreen.h"

#include <tinyxml.h>

#include <cctype>
#include <cstdlib>
#include <string>

namespace {

typedef KyCallback0Param<KySpriteButton> LookListener;

// The label lies just in front of the pictures.
const f32 kLabelDepth = 0.0001f;

std::string lowerCase(const char* text)
{
    std::string out(text ? text : "");
    for (char& c : out)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The float attribute "value" of the first child of that name, if any.
void readMargin(TiXmlElement* element, const char* name, f32& margin)
{
    if (TiXmlElement* child = element->FirstChildElement(name))
        child->QueryFloatAttribute("value", &margin);
}

} // namespace

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

KyVector3f32 KySpriteButton::withMargins(const KyVector3f32& size) const
{
    return KyVector3f32(size.x + leftMargin + rightMargin, size.y + bottomMargin + topMargin, 0.0f);
}

void KySpriteButton::sizeButtonFrom(KySprite& sprite)
{
    const KyVector3f32 picture = sprite.size();
    button.setSize(KyVector3f32(picture.x - leftMargin - rightMargin, picture.y - bottomMargin - topMargin,
                                button.size().z));
}

void KySpriteButton::load(const KyString& up, const KyString& down, const KyString& disabled)
{
    if (disabled == "") {
        disabledSprite.unload();
    } else {
        disabledSprite.Load(disabled);
        disabledSprite.visible = false;
        sizeButtonFrom(disabledSprite);
    }
    if (down == "") {
        downSprite.unload();
    } else {
        downSprite.Load(down);
        downSprite.visible = false;
        sizeButtonFrom(downSprite);
    }
    if (up != "") {
        upSprite.Load(up);
        sizeButtonFrom(upSprite);
        button.setEnable(true);
    }
    label.setSize(withMargins(button.size()));
    Ky3DObject::setSize(withMargins(button.size()));
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
    leftMargin = horizontal;
    rightMargin = horizontal;
    bottomMargin = vertical;
    topMargin = vertical;
    fitButtonPosition();
    fitButtonSize();
}

void KySpriteButton::fitButtonSize()
{
    const KyVector3f32 s = size();
    button.setSize(KyVector3f32(s.x - leftMargin - rightMargin, s.y - bottomMargin - topMargin, 0.0f));
}

void KySpriteButton::fitButtonPosition()
{
    button.setPosition(position() + KyVector3f32(leftMargin, bottomMargin, 0.0f));
}

void KySpriteButton::fitLabelPosition()
{
    label.setPosition(position() + KyVector3f32(leftMargin, bottomMargin, kLabelDepth));
}

void KySpriteButton::fitLabelSize()
{
    const KyVector3f32 s = size();
    label.setSize(KyVector3f32(s.x - leftMargin - rightMargin, s.y - bottomMargin - topMargin, 0.0f));
}

void KySpriteButton::setEnable(bool enable)
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

void KySpriteButton::setVisible(bool visible)
{
    upSprite.visible = visible;
    button.setEnable(visible);
    label.visible = visible;
    if (!visible) {
        downSprite.visible = false;
        disabledSprite.visible = false;
    }
}

void KySpriteButton::setText(const char* text)
{
    label.setText(text);
}

bool KySpriteButton::onButtonDown()
{
    if (downSprite.hasTexture()) {
        upSprite.visible = false;
        downSprite.visible = true;
    }
    return false;
}

bool KySpriteButton::onButtonUp()
{
    if (downSprite.hasTexture()) {
        upSprite.visible = true;
        downSprite.visible = false;
    }
    return false;
}

void KySpriteButton::loadFromXml(TiXmlElement* element)
{
    if (!element)
        return;
    readMargin(element, "leftMargin", leftMargin);
    readMargin(element, "rightMargin", rightMargin);
    readMargin(element, "bottomMargin", bottomMargin);
    readMargin(element, "topMargin", topMargin);
    if (TiXmlElement* center = element->FirstChildElement("scaleCenter")) {
        KyVector3f32 c = scaleCenter();
        center->QueryFloatAttribute("x", &c.x);
        center->QueryFloatAttribute("y", &c.y);
        center->QueryFloatAttribute("z", &c.z);
        setScaleCenter(c);
    }

    KyString up, down, disabled, text;
    for (TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        const std::string name = lowerCase(attribute->Name());
        if (name == "up_file")
            up = attribute->Value();
        else if (name == "down_file")
            down = attribute->Value();
        else if (name == "disable_file")
            disabled = attribute->Value();
        else if (name == "enable")
            setEnable(std::atoi(attribute->Value()) > 0);
        else if (name == "text")
            text = attribute->Value();
    }
    // An absent picture stays "" (its sprite is unloaded, or the up picture
    // kept), not the path of the current folder.
    load(up == "" ? up : KyString(KyFile::resolvePath(up)), down == "" ? down : KyString(KyFile::resolvePath(down)),
         disabled == "" ? disabled : KyString(KyFile::resolvePath(disabled)));
    if (text != "")
        label.setText(text);
    if (const char* visible = element->Attribute("visible"))
        setVisible(std::atoi(visible) > 0);
}

void KySpriteButton::setTag(std::intptr_t tag)
{
    Ky3DObject::setTag(tag);
    button.setTag(tag);
    upSprite.setTag(tag);
    downSprite.setTag(tag);
    disabledSprite.setTag(tag);
    label.setTag(tag);
}

void KySpriteButton::setParent(KyI3DObject* parent)
{
    Ky3DObject::setParent(parent);
    button.setParent(parent);
    upSprite.setParent(parent);
    downSprite.setParent(parent);
    disabledSprite.setParent(parent);
    label.setParent(parent);
}

void KySpriteButton::setPosition(const KyVector3f32& p)
{
    Ky3DObject::setPosition(p);
    upSprite.setPosition(p);
    downSprite.setPosition(p);
    disabledSprite.setPosition(p);
    button.setPosition(p + KyVector3f32(leftMargin, bottomMargin, 0.0f));
    label.setPosition(p + KyVector3f32(0.0f, 0.0f, kLabelDepth));
}

void KySpriteButton::setScale(const KyVector3f32& scale)
{
    Ky3DObject::setScale(scale);
    button.setScale(scale);
    upSprite.setScale(scale);
    downSprite.setScale(scale);
    disabledSprite.setScale(scale);
    label.setScale(scale);
}

void KySpriteButton::setScaleCenter(const KyVector3f32& center)
{
    Ky3DObject::setScaleCenter(center);
    button.setScaleCenter(center);
    upSprite.setScaleCenter(center);
    downSprite.setScaleCenter(center);
    disabledSprite.setScaleCenter(center);
    label.setScaleCenter(center);
}

void KySpriteButton::setRotation(f32 degrees)
{
    Ky3DObject::setRotation(degrees);
    button.setRotation(degrees);
    upSprite.setRotation(degrees);
    downSprite.setRotation(degrees);
    disabledSprite.setRotation(degrees);
    label.setRotation(degrees);
}

void KySpriteButton::setOpacity(f32 opacity)
{
    Ky3DObject::setOpacity(opacity);
    button.setOpacity(opacity);
    upSprite.setOpacity(opacity);
    downSprite.setOpacity(opacity);
    disabledSprite.setOpacity(opacity);
    label.setOpacity(opacity);
}

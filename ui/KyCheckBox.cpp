#include "ui/KyCheckBox.h"

#include "core/KyCallback0Param.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyPath.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "platform/KyImg.h"
#include "platform/KyScreen.h"
#include "ui/KyButtonMargins.h"

#include <tinyxml.h>

#include <cstdlib>
#include <string>

namespace {

typedef KyCallback0Param<KyCheckBox> ButtonListener;

KyIntrusivePtr<KyImg> imageOf(const char* path)
{
    KyResourceManager* manager = KySingleton<KyResourceManager>::instance();
    if (!manager)
        return KyIntrusivePtr<KyImg>();
    return manager->getOrLoad<KyImg>(KyPath(path));
}

} // namespace

KyCheckBox::KyCheckBox()
    : checked(0),
      mode(Normal),
      button(KySingleton<KyScreen>::instance()),
      activeSprite(KySingleton<KyScreen>::instance()),
      unactiveSprite(KySingleton<KyScreen>::instance()),
      disabledActiveSprite(KySingleton<KyScreen>::instance()),
      disabledUnactiveSprite(KySingleton<KyScreen>::instance()),
      leftMargin(0.0f),
      rightMargin(0.0f),
      bottomMargin(0.0f),
      topMargin(0.0f)
{
    button.setEnable(true);
    button.onPressed().pushBack(kyNewCallback(this, &KyCheckBox::onButtonDown, 0.0f));
    button.onReleased().pushBack(kyNewCallback(this, &KyCheckBox::onButtonUp, 0.0f));
    button.onClicked().pushBack(kyNewCallback(this, &KyCheckBox::onClick, 0.0f));
}

KyCheckBox::~KyCheckBox()
{
    // The sprites go before the button, which releases itself on the way:
    // its callbacks must not reach them.
    ButtonListener down(this, &KyCheckBox::onButtonDown);
    ButtonListener up(this, &KyCheckBox::onButtonUp);
    ButtonListener click(this, &KyCheckBox::onClick);
    button.onPressed().removeCallback(&down);
    button.onReleased().removeCallback(&up);
    button.onClicked().removeCallback(&click);
}

void KyCheckBox::loadLook(KySprite& sprite, KyImg* image)
{
    if (!image) {
        sprite.unload();
        return;
    }
    sprite.LoadFromImage(image);
    KyButtonMargins::sizeButtonFrom(*this, sprite);
}

void KyCheckBox::load(KyImg* active, KyImg* unactive, KyImg* disabledActive, KyImg* disabledUnactive)
{
    loadLook(disabledUnactiveSprite, disabledUnactive);
    loadLook(disabledActiveSprite, disabledActive);
    loadLook(unactiveSprite, unactive);
    loadLook(activeSprite, active);
    Ky3DObject::setSize(KyButtonMargins::buttonWithMargins(*this));
    m_onStateChanged.call(checked != 0);
    updateLooks();
}

void KyCheckBox::setChecked(bool value)
{
    checked = value ? 1 : 0;
    m_onStateChanged.call(value);
    updateLooks();
}

void KyCheckBox::setVisible(bool visible)
{
    button.setEnable(visible);
    updateLooks();
}

void KyCheckBox::setMargins(f32 horizontal, f32 vertical)
{
    KyButtonMargins::set(*this, horizontal, vertical);
    fitButtonPosition();
    fitButtonSize();
}

void KyCheckBox::fitButtonSize()
{
    button.setSize(KyButtonMargins::inside(*this, size()));
}

void KyCheckBox::fitButtonPosition()
{
    button.setPosition(position() + KyButtonMargins::corner(*this));
}

void KyCheckBox::updateLooks()
{
    const bool shown = button.isEnabled();
    const bool on = checked != 0;
    if (button.active) {
        disabledActiveSprite.visible = false;
        disabledUnactiveSprite.visible = false;
        activeSprite.visible = on && shown;
        unactiveSprite.visible = !on && shown;
    } else {
        activeSprite.visible = false;
        unactiveSprite.visible = false;
        disabledActiveSprite.visible = on && shown;
        disabledUnactiveSprite.visible = !on && shown;
    }
}

bool KyCheckBox::onButtonDown()
{
    if (!radioLocked()) {
        activeSprite.visible = checked == 0;
        unactiveSprite.visible = checked != 0;
        disabledActiveSprite.visible = false;
        disabledUnactiveSprite.visible = false;
    }
    return false;
}

bool KyCheckBox::onButtonUp()
{
    activeSprite.visible = checked != 0;
    unactiveSprite.visible = checked == 0;
    disabledActiveSprite.visible = false;
    disabledUnactiveSprite.visible = false;
    return false;
}

bool KyCheckBox::onClick()
{
    if (radioLocked())
        return false;
    checked = checked ? 0 : 1;
    m_onStateChanged.call(checked != 0);
    updateLooks();
    return false;
}

void KyCheckBox::loadFromXml(TiXmlElement* element)
{
    if (!element)
        return;
    KyButtonMargins::read(element, leftMargin, rightMargin, bottomMargin, topMargin);

    KyIntrusivePtr<KyImg> active, unactive, disabledActive, disabledUnactive;
    for (TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        const KyString name = KyString(attribute->Name()).toLower();
        if (name == "active_file")
            active = imageOf(attribute->Value());
        else if (name == "unactive_file")
            unactive = imageOf(attribute->Value());
        else if (name == "disable_active_file")
            disabledActive = imageOf(attribute->Value());
        else if (name == "disable_unactive_file")
            disabledUnactive = imageOf(attribute->Value());
        else if (name == "visible")
            setVisible(std::atoi(attribute->Value()) > 0);
        else if (name == "mode") {
            const std::string value = attribute->Value();
            if (value == "normal")
                mode = Normal;
            else if (value == "radio")
                mode = Radio;
        }
    }
    load(active.get(), unactive.get(), disabledActive.get(), disabledUnactive.get());
}

void KyCheckBox::setPosition(const KyVector3f32& p)
{
    Ky3DObject::setPosition(p);
    activeSprite.setPosition(p);
    unactiveSprite.setPosition(p);
    disabledActiveSprite.setPosition(p);
    disabledUnactiveSprite.setPosition(p);
    button.setPosition(p + KyButtonMargins::corner(*this));
}

void KyCheckBox::setScale(const KyVector3f32& scale)
{
    Ky3DObject::setScale(scale);
    button.setScale(scale);
    activeSprite.setScale(scale);
    unactiveSprite.setScale(scale);
    disabledActiveSprite.setScale(scale);
    disabledUnactiveSprite.setScale(scale);
}

void KyCheckBox::setScaleCenter(const KyVector3f32& center)
{
    Ky3DObject::setScaleCenter(center);
    button.setScaleCenter(center);
    activeSprite.setScaleCenter(center);
    unactiveSprite.setScaleCenter(center);
    disabledActiveSprite.setScaleCenter(center);
    disabledUnactiveSprite.setScaleCenter(center);
}

void KyCheckBox::setRotation(f32 degrees)
{
    Ky3DObject::setRotation(degrees);
    button.setRotation(degrees);
    activeSprite.setRotation(degrees);
    unactiveSprite.setRotation(degrees);
    disabledActiveSprite.setRotation(degrees);
    disabledUnactiveSprite.setRotation(degrees);
}

void KyCheckBox::setOpacity(f32 opacity)
{
    Ky3DObject::setOpacity(opacity);
    button.setOpacity(opacity);
    activeSprite.setOpacity(opacity);
    unactiveSprite.setOpacity(opacity);
    disabledActiveSprite.setOpacity(opacity);
    disabledUnactiveSprite.setOpacity(opacity);
}

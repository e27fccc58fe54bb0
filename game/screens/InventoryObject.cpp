#include "game/screens/InventoryObject.h"

#include "core/KyFile.h"
#include "core/KyPath.h"
#include "game/Listeners.h"
#include "game/screens/SlotPages.h"
#include "ui/KyButtonLayout.h"

#include <tinyxml.h>

const char* const InventoryObject::InterfacePath = "Inventory/InventoryObject.lua";
const char* const InventoryObject::PictureFolder = "Inventory/Objects/";

InventoryObject::InventoryObject() {}

InventoryObject::~InventoryObject()
{
    unload();
    if (KyI3DObject2* slot = parent())
        slot->removeChild(this);
}

KyString InventoryObject::picturePath(const KyString& name)
{
    return KyString(PictureFolder) + name + KyString(".png");
}

KyString InventoryObject::iconPath(const KyString& name)
{
    return KyString(PictureFolder) + name + KyString("_75.png");
}

KyString InventoryObject::nameFromFileName(const KyString& fileName)
{
    KyPath file = KyPath(fileName).fileName();
    file.removeExtension();
    return KyString(file.c_str());
}

bool InventoryObject::load(const KyString& objectName)
{
    name = objectName;
    if (KyButtonLayout* button = SlotPages::loadItem(*this, gui, InterfacePath, picturePath()))
        appendListener(button->onValidated, this, &InventoryObject::onClicked);
    return KyFile::exists(picturePath());
}

void InventoryObject::unload()
{
    SlotPages::unloadInterface(*this, gui, "object");
}

bool InventoryObject::loadFromSave(const TiXmlElement* element, s32 major, s32 minor)
{
    if (major == 1 && minor == 0) {
        const char* fileName = element ? element->Attribute("FileName") : nullptr;
        return load(fileName ? nameFromFileName(fileName) : KyString());
    }
    const char* id = element ? element->Attribute("id") : nullptr;
    return load(KyString(id));
}

void InventoryObject::Save(TiXmlElement* parent) const
{
    TiXmlElement* object = new TiXmlElement("Object");
    object->SetAttribute("id", name.c_str());
    parent->LinkEndChild(object);
}

bool InventoryObject::onClicked()
{
    onSelected.call(*this);
    return false;
}

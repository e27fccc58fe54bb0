#ifndef GAME_INVENTORY_OBJECT_H
#define GAME_INVENTORY_OBJECT_H

#include "core/KyArray.h"
#include "core/KyICallback1Param.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "script/KyLuaGUI.h"
#include "ui/KyLayout.h"

class TiXmlElement;

// One object the player carries: the button "object" of
// "Inventory/InventoryObject.lua" showing the picture
// "Inventory/Objects/" + name + ".png" in its sprite "upLayout". A click
// fires the selected signal with the object. The name is the object's
// identity everywhere: its id in the objects list, the stem of its pictures,
// what the scene scripts see and what the save holds.
//
// The inventory places it as the only object of a slot layout and deletes
// it; deleting it takes it out of its slot.
class InventoryObject : public KyLayout {
public:
    typedef KyArray<KyICallback1Param<InventoryObject&>*> Signal;

    static const char* const InterfacePath;
    static const char* const PictureFolder;

    InventoryObject();
    ~InventoryObject() override;

    // Builds the object for name; whether its picture exists. The object is
    // usable either way.
    bool load(const KyString& name);
    // Takes the button out of the object and unloads the interface.
    void unload();
    // The name from a save element ("Object" with "id", or in a version 1.0
    // save "ZeltObject" whose "FileName" path gives the name), then load.
    bool loadFromSave(const TiXmlElement* element, s32 major, s32 minor);
    // Appends <Object id="name"/> to parent.
    void Save(TiXmlElement* parent) const;

    KyString picturePath() const { return picturePath(name); }
    KyString iconPath() const { return iconPath(name); }
    static KyString picturePath(const KyString& name);
    static KyString iconPath(const KyString& name);
    // The name a version 1.0 save gives by a file path: the file name
    // without folders and extension ("Inventory/Objects/Key.png" is Key).
    static KyString nameFromFileName(const KyString& fileName);

    // The button's click: fires the selected signal; false.
    bool onClicked();

    KyString name;
    KyLuaGUI gui;
    Signal onSelected;

private:
    InventoryObject(const InventoryObject&) = delete;
    InventoryObject& operator=(const InventoryObject&) = delete;
};

#endif

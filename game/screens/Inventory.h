#ifndef GAME_INVENTORY_H
#define GAME_INVENTORY_H

#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "script/KyLuaGUI.h"
#include "ui/KyLayout.h"

#include <vector>

class InventoryMenu;
class InventoryObject;
class TiXmlElement;
class TiXmlNode;

// The objects list of the current language: the "Object" elements at the
// top level of "Inventory/Objects/Objects_<language>.xml" with their "id",
// "name", "description" and "power" attributes, read whole before it
// replaces the list in use. An id is looked up byte for byte; for the name
// and the description the first element of that id that has the attribute
// gives it; for the kind the first element of that id decides.
class InventoryObjectsList {
public:
    struct Entry {
        KyString id;
        bool hasName = false;
        KyString name;
        bool hasDescription = false;
        KyString description;
        // atoi of "power"; 0 when absent.
        s32 power = 0;
    };

    // Reads the file; on failure the list is left as it was and error
    // holds TinyXML's description, row and column (counted from 1).
    bool load(const KyString& path, KyString& error, s32& row, s32& column);
    void clear() { entries.clear(); }

    KyString name(const KyString& id) const;
    KyString description(const KyString& id) const;
    // power above 0 in the first element of that id.
    bool isPower(const KyString& id) const;

    std::vector<Entry> entries;
};

// The page of the in-game menu that holds the carried objects
// ("Inventory/Inventory.lua"): ordinary pages "page" + n paged one at a
// time, power pages "powersPage" + n that never page, the selection marker,
// the caption and the icon of the object in hand. Objects fill the first
// free slot of their kind; the inventory owns them and writes its own
// section of the save file.
class Inventory : public KyLayout {
public:
    static const char* const InterfacePath;
    // The markup in front of the caption of the object in hand.
    static const char* const CaptionStyle;
    // Two choices of objects closer than this (microseconds) close the menu.
    static const u64 DoubleClickMicroseconds = 250000;

    explicit Inventory(InventoryMenu* menu = nullptr);
    ~Inventory() override;

    // Loads the interface and the objects list; the inventory starts hidden
    // with its first page current and nothing in hand.
    void Load();
    // Deletes every object (power pages first) and unloads the interface.
    void unload();

    // Places the object in the first free slot of its kind; false when all
    // are taken (the caller keeps the object).
    bool addObject(InventoryObject* object);
    // Picks up an object by name; deleted again when no slot is free.
    void addObjectByName(const KyString& name);
    // Removes and deletes the first object of that name.
    void removeObject(const KyString& name);
    // Deletes the object in hand, then selects none; nothing without one.
    void removeObjectInHand();
    void selectObject(InventoryObject* object);
    // The name of the object in hand; "" when none.
    const KyString& selectedObjectName() const;

    KyString getObjectName(const KyString& id);
    KyString getObjectDescription(const KyString& id);
    bool isPowerObject(const KyString& id);

    void showPage(s32 page);
    void show();
    void hide();

    // Appends the "Inventory" section to parent.
    void Save(TiXmlNode* parent);
    // Adds the objects listed in a saved "Inventory" section, each to the
    // first free slot of its kind.
    void loadFromSave(const TiXmlElement* section, s32 major, s32 minor);

    bool onPreviousPage();
    bool onNextPage();
    bool OnObjectSelected(InventoryObject& object);

    // The objects list file: the current language's, else
    // "Inventory/Objects/Objects.xml", else the English one.
    static KyString objectsListPath();
    // The objects carried, power pages first, then slot and child order.
    std::vector<InventoryObject*> objects();

    InventoryMenu* menu;
    KyLuaGUI gui;
    s32 currentPage;
    InventoryObject* selectedObject;
    InventoryObjectsList objectsList;
    KyTimer doubleClickTimer;

private:
    Inventory(const Inventory&) = delete;
    Inventory& operator=(const Inventory&) = delete;
};

#endif

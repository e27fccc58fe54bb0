#ifndef GAME_INVENTORY_MENU_H
#define GAME_INVENTORY_MENU_H

#include "core/KyTypes.h"
#include "game/screens/DocumentsBrowser.h"
#include "game/screens/Inventory.h"
#include "script/KyLuaGUI.h"
#include "ui/KyLayout.h"

// The in-game menu ("InventoryMenu/InventoryMenu.lua"), opened from the
// in-game bar: the inventory inside the menu's frame, a button back to the
// game and one that saves and goes back to the main menu. It also carries
// the documents browser, whose zoomed view hangs under the menu so that a
// script can show a document over the game while the menu is closed.
//
// Children after load, in order: the inventory, the documents browser, the
// frame "inventoryMenu", the zoomed view. Opening and closing change the
// visibility of the children, never of the menu layout itself.
class InventoryMenu : public KyLayout {
public:
    static const char* const InterfacePath;

    InventoryMenu();
    ~InventoryMenu() override;

    void load();
    // Opens the menu on the inventory.
    void enter();
    bool showInventory();
    void close();
    // Closes, then takes the inventory, the browser and the frame apart.
    void unload();

    bool onQuitButton();
    // Saves to "save.xml" and ends the game, once.
    bool onMainMenuButton();

    KyLuaGUI gui;
    Inventory inventory;
    DocumentsBrowser documentsBrowser;
    // Set by the main-menu button until the next load: a second click
    // while the boards close must not end the game again.
    u8 leaving;

private:
    InventoryMenu(const InventoryMenu&) = delete;
    InventoryMenu& operator=(const InventoryMenu&) = delete;
};

#endif

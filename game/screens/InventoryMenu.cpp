#include "game/screens/InventoryMenu.h"

#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "ui/KyButtonLayout.h"

const char* const InventoryMenu::InterfacePath = "InventoryMenu/InventoryMenu.lua";

InventoryMenu::InventoryMenu()
    : inventory(this)
    , leaving(0)
{
    // A thin screen: layouts are drawn in the order of their depth, and a
    // screen as deep as its parent would reach in front of the screens
    // after it (the dialog box). Load keeps this depth.
    setSize(KyVector3f32(1.0f, 1.0f, 0.05f));
}

InventoryMenu::~InventoryMenu() {}

void InventoryMenu::load()
{
    leaving = 0;
    setName("inventoryMenu");
    setSizeType(Percent);
    setSize(KyVector3f32(1.0f, 1.0f, userSize().z));
    inventory.Load();
    addChild(&inventory);
    documentsBrowser.load();
    addChild(&documentsBrowser);
    gui.load(InterfacePath);
    KyLayout* frame = gui.layout("inventoryMenu");
    if (frame)
        addChild(frame);
    if (KyButtonLayout* quit = gui.buttonLayout("quitButton"))
        appendListener(quit->onValidated, this, &InventoryMenu::onQuitButton);
    if (KyButtonLayout* mainMenu = gui.buttonLayout("mainMenuButton"))
        appendListener(mainMenu->onValidated, this, &InventoryMenu::onMainMenuButton);
    if (frame)
        frame->setVisible(false);
    documentsBrowser.attachZoomedView();
}

void InventoryMenu::enter()
{
    if (KyLayout* frame = gui.layout("inventoryMenu"))
        frame->setVisible(true);
    showInventory();
}

bool InventoryMenu::showInventory()
{
    if (KyButtonLayout* mainMenu = gui.buttonLayout("mainMenuButton")) {
        mainMenu->state = KyButtonLayout::StateUp;
        mainMenu->setState(mainMenu->state);
    }
    inventory.show();
    return false;
}

void InventoryMenu::close()
{
    inventory.hide();
    documentsBrowser.setVisible(false);
    if (KyLayout* frame = gui.layout("inventoryMenu"))
        frame->setVisible(false);
}

void InventoryMenu::unload()
{
    close();
    removeChild(&inventory);
    inventory.unload();
    removeChild(&documentsBrowser);
    documentsBrowser.unload();
    if (KyLayout* frame = gui.layout("inventoryMenu"))
        removeChild(frame);
    gui.unload();
}

bool InventoryMenu::onQuitButton()
{
    close();
    return false;
}

bool InventoryMenu::onMainMenuButton()
{
    if (leaving)
        return false;
    leaving = 1;
    GameWarp& game = KySingleton<Application>::instance()->gameWarp;
    game.Save("save.xml");
    game.finishGame();
    return false;
}

#include "game/screens/LoadingMenu.h"

#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "ui/KyButtonLayout.h"

LoadingMenu::LoadingMenu() {}

LoadingMenu::~LoadingMenu() {}

void LoadingMenu::enter()
{
    Application* application = KySingleton<Application>::instance();
    gui.load("GUI/LoadingMenu.lua");
    if (KyLayout* menu = gui.layout("menu"))
        application->orientationLayout.addChildBefore(menu, &application->rotationAnim);
    if (KyButtonLayout* quit = gui.buttonLayout("quitButton"))
        appendListener(quit->onValidated, this, &LoadingMenu::onQuit);
}

void LoadingMenu::leave()
{
    if (KyLayout* menu = gui.layout("menu"))
        KySingleton<Application>::instance()->orientationLayout.removeChild(menu);
    gui.unload();
}

bool LoadingMenu::onQuit()
{
    leave();
    KySingleton<Application>::instance()->mainMenu.enter();
    return false;
}

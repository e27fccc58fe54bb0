#ifndef GAME_LOADING_MENU_H
#define GAME_LOADING_MENU_H

#include "script/KyLuaGUI.h"

// The save-slot menu ("GUI/LoadingMenu.lua", root layout "menu"), opened
// from the main menu; "quitButton" goes back to it.
class LoadingMenu {
public:
    LoadingMenu();
    ~LoadingMenu();

    void enter();
    void leave();

    bool onQuit();

    KyLuaGUI gui;

private:
    LoadingMenu(const LoadingMenu&) = delete;
    LoadingMenu& operator=(const LoadingMenu&) = delete;
};

#endif

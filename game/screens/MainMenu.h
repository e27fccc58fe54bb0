#ifndef GAME_MAIN_MENU_H
#define GAME_MAIN_MENU_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "game/screens/Confirm.h"
#include "script/KyLuaGUI.h"

// The hub of the screens ("GUI/MainMenu.lua", root layout "menu"): a new
// game (confirmed first when any save file exists), the saved game, the save
// slots, the options, and quitting. Starting a game closes the transition
// boards; the game starts when they open again.
class MainMenu {
public:
    // The menu music, the version shown and its text style.
    static const char* const MusicPath;
    static const char* const VersionText;
    static const char* const VersionStyle;
    // The menu's interface and that of the question before a new game.
    static const char* const InterfacePath;
    static const char* const ConfirmPath;
    MainMenu();
    ~MainMenu();

    void enter();
    void leave();

    bool onPlusPart();
    bool onNewGame();
    bool onLoad();
    bool onOptions();
    bool onQuit();
    bool onFacebook();
    bool deleteSavesAndStart();
    bool startGame();
    bool onTransitionFinished();

    // Whether "Backup/save.xml" or any slot file exists.
    static bool anySaveExists();
    // Loads the menu music unless it already plays; plays it when the
    // music option is on; full volume.
    static void playMenuMusic();

    KyLuaGUI gui;
    Confirm confirm;
    u8 startRequested;

private:
    MainMenu(const MainMenu&) = delete;
    MainMenu& operator=(const MainMenu&) = delete;
};

#endif

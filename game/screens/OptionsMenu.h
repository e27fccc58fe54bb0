#ifndef GAME_OPTIONS_MENU_H
#define GAME_OPTIONS_MENU_H

#include "script/KyLuaGUI.h"
#include "ui/KyCheckboxLayout.h"

// Four check boxes bound to the application's options ("musicOn",
// "permanentHelp", "inverseLook", "compassLook"; the last one hidden) and the
// buttons "quitButton" (back to the main menu) and "creditsButton". A change
// takes effect at once; the options file is written when the program ends.
class OptionsMenu {
public:
    OptionsMenu();
    ~OptionsMenu();

    void enter();
    void leave();

    bool onQuit();
    bool onCredits();
    bool onMusicOn(KyCheckboxLayout::State state);
    bool onPermanentHelp(KyCheckboxLayout::State state);
    bool onInverseLook(KyCheckboxLayout::State state);
    bool onCompassLook(KyCheckboxLayout::State state);

    // Active (0) and activeDisabled (2) mean on.
    static bool isOn(KyCheckboxLayout::State state);

    KyLuaGUI gui;

private:
    OptionsMenu(const OptionsMenu&) = delete;
    OptionsMenu& operator=(const OptionsMenu&) = delete;
};

#endif

#ifndef GAME_SPLASH_SCREENS_H
#define GAME_SPLASH_SCREENS_H

#include "script/KyLuaGUI.h"

// The first screen of the game, started once by the application's create
// step; when its run ends (onAdsFinished) the main menu opens.
class SplashScreens {
public:
    SplashScreens();
    ~SplashScreens();

    void start();
    // The end of the run: the one place the main menu opens from at
    // start-up.
    bool onAdsFinished();

    KyLuaGUI gui;

private:
    SplashScreens(const SplashScreens&) = delete;
    SplashScreens& operator=(const SplashScreens&) = delete;
};

#endif

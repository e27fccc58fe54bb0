#ifndef GAME_CREDITS_H
#define GAME_CREDITS_H

#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "script/KyLuaGUI.h"

// The credits: the text layout "text" of "GUI/Credits.lua" scrolls up over
// the layout "menu" at 30 pixels a second, one step a frame (the timer's
// alarm is set one microsecond ahead after each step), and the screen goes
// back to the options when the text's bottom passes 0.3 of the menu's height
// or on the button "quitButton2".
class Credits {
public:
    static constexpr f64 PixelsPerSecond = 30.0;
    static constexpr f64 EndFraction = 0.3;

    Credits();
    ~Credits();

    void enter();
    void leave();

    // One scroll step; the timer's alarm listener.
    bool update();
    bool onQuit();

    KyTimer timer;
    // Timer time of the last step, in microseconds.
    f64 lastStepTime;
    KyLuaGUI gui;

private:
    Credits(const Credits&) = delete;
    Credits& operator=(const Credits&) = delete;
};

#endif

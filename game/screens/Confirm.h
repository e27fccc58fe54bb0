#ifndef GAME_CONFIRM_H
#define GAME_CONFIRM_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyString.h"
#include "script/KyLuaGUI.h"

// A yes/no dialog described in Lua: the button layout "confirm" covers the
// dialog and holds the buttons "yes" and "no". Its owner listens to the two
// signals and loads it hidden; "yes" and "no" hide it and fire one signal.
class Confirm {
public:
    typedef KyArray<KyICallback0Param*> Signal;

    Confirm();
    ~Confirm();

    // Loads the file and puts "confirm" under the application's orientation
    // layout, below the transition boards.
    void load(const KyString& path);
    void setVisible(bool visible);
    bool isVisible();
    // Takes "confirm" out of the orientation layout and unloads the file.
    void unload();

    bool onYes();
    bool onNo();

    Signal confirmed;
    Signal cancelled;
    KyLuaGUI gui;

private:
    Confirm(const Confirm&) = delete;
    Confirm& operator=(const Confirm&) = delete;
};

#endif

#ifndef GAME_ROTATION_ANIM_H
#define GAME_ROTATION_ANIM_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyQuaternion.h"
#include "script/KyLuaGUI.h"
#include "ui/KyLayout.h"

// The curtain that hides every change of screen: two boards, "plancheHaut"
// and "plancheBas", slide together over the screen (close), turn with the
// piece "center" (rotate) and slide apart again (open). The screen that asked
// for a transition swaps its screens in a listener of the flavour's signal,
// which fires when the closed boards start to open.
//
// "GUI/RotationAnim.lua" gives the layouts "rotationAnim", "plancheHaut",
// "plancheBas" and "center", and for each flavour (prefix "portrait",
// "landscape" or "stayLandscape") the position animations
// <prefix>ClosePlancheHaut/Bas, <prefix>RotatePlancheHaut/Bas and
// <prefix>OpenPlancheHaut/Bas, the rotation animation <prefix>RotateCenter
// and the sound globals <prefix>CloseSound, <prefix>RotateSound and
// <prefix>OpenSound (empty or missing: silent). Each phase starts when the
// lower board's animation of the previous one ends; a phase whose lower
// board animation is missing is logged and passed at once, so a broken file
// never leaves the screens waiting for a signal.
class RotationAnim : public KyLayout {
public:
    typedef KyArray<KyICallback0Param*> Signal;

    enum Flavour : u32 { Portrait = 0, Landscape = 1, StayLandscape = 2, FlavourCount = 3 };

    // The boards' interface.
    static const char* const InterfacePath;

    RotationAnim();
    ~RotationAnim() override;

    // Names the layout "rotationAnim", sizes it over its parent, loads the
    // boards, adopts their root, hides itself and chains the phases.
    void load();

    // Start a transition with its close phase.
    void portraitClose();
    void landscapeClose();
    // No screen starts this flavour; its chain is set up all the same.
    void stayLandscapeClose();

    bool isRunning() const { return m_running; }

    // Each fired once per transition of its flavour, when the boards start
    // to open.
    Signal landscapeSignal;
    Signal portraitSignal;
    Signal stayLandscapeSignal;

    // The boards' interface.
    KyLuaGUI gui;

private:
    // The phases; listeners of the ends of the lower board's animations.
    bool portraitRotate();
    bool portraitOpen();
    bool landscapeRotate();
    bool landscapeOpen();
    bool stayLandscapeRotate();
    bool stayLandscapeOpen();
    bool hide();

    void close(Flavour flavour);
    void rotate(Flavour flavour);
    void open(Flavour flavour);
    // Starts <prefix><phase>PlancheHaut and ...Bas; false when the lower
    // board's animation is missing (the next phase then runs at once).
    bool moveBoards(Flavour flavour, const char* phase, bool turnCenter);
    void playSound(Flavour flavour, const char* phase);
    // Adds the listener to the end of the lower board's animation of the
    // phase, when the file has it.
    void chain(Flavour flavour, const char* phase, bool (RotationAnim::*next)());

    static KyString animationName(Flavour flavour, const char* phase, const char* element);
    Signal& signal(Flavour flavour);

    bool m_running;
};

#endif

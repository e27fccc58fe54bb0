#ifndef GAME_GAME_WARP_H
#define GAME_GAME_WARP_H

#include "core/KyList.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "media/KyMusic.h"
#include "ui/KySprite.h"

class KyWarp;

// The game-logic object, a member of the application: the scene's
// panoramas, its script and the in-game screens. The application's frame
// calls updateView every frame and drawWarps while a game runs, and its
// window-size listener calls resizeWarps.
class GameWarp {
public:
    static const u32 ScriptSpriteCount = 5;

    GameWarp();
    ~GameWarp();

    // Starts the in-game interface; the main menu and the save-slot menu
    // call it before Load.
    void enter();
    // Restores the game saved in the file ("save.xml" or a slot) and enters
    // its panorama.
    void Load(const KyString& fileName);
    void Save(const KyString& fileName);
    // Leaves the game.
    void unload();
    // Ends the game and goes back to the main menu.
    void finishGame();

    // The per-frame view control; nothing while no game runs.
    void updateView();
    // While a game runs: the current panorama, then the imported animation
    // panorama, each when present.
    void drawWarps();
    // Every panorama held gets the new window size.
    void resizeWarps(f32 width, f32 height);
    // The current panorama's path; "" without one.
    KyString currentWarpName();

    KyWarp* currentWarp;
    KyWarp* animationWarp;
    // Every panorama created during the run, owned here.
    KyList<KyWarp*> warps;
    KySprite scriptSprites[ScriptSpriteCount];
    KyString lastHitObjectName;
    u8 helpShown;
    // The sound track of the videos.
    KyMusic movieSound;
    // Set while a game runs: the application draws the panoramas.
    u8 gameRunning;

private:
    GameWarp(const GameWarp&) = delete;
    GameWarp& operator=(const GameWarp&) = delete;
};

#endif

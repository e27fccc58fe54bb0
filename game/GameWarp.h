#ifndef GAME_GAME_WARP_H
#define GAME_GAME_WARP_H

#include "core/KyIntrusivePtr.h"
#include "core/KyList.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "game/screens/BD.h"
#include "game/screens/Conclusion.h"
#include "game/screens/Dialog2.h"
#include "game/screens/Introduction.h"
#include "game/screens/InventoryMenu.h"
#include "game/screens/Notify.h"
#include "game/screens/PuzzleCrypte.h"
#include "game/screens/PuzzleCrypteSol.h"
#include "game/screens/Question2.h"
#include "media/KyMusic.h"
#include "platform/Ky3DTexture.h"
#include "script/KyLuaContext.h"
#include "script/KyLuaGUI.h"
#include "script/KyLuaScript.h"
#include "ui/KyCurveAnim.h"
#include "ui/KyMovement3.h"
#include "ui/KySprite.h"

class KyWarp;
class Objectives;
struct SaveData;

// The game-logic object, a member of the application for the whole run: the
// Lua state and script of the current scene, the current panorama and the
// animation panorama imported over it, every panorama loaded during the
// game, the in-game interface and screens, the view and the two characters'
// health.
//
// A game is entered (enter), then loaded from a save (Load), which changes
// to the saved panorama; the scene scripts then move from panorama to
// panorama (changeWarp) through the script API (registerGameLuaApi). The
// application's frame calls updateView every frame and drawWarps, and its
// window-size listener resizeWarps.
//
// Scene changes: a change asked for while another one runs (from the
// scripts' leave or enter events) or while the arrival transition runs is
// kept and made as soon as that change or transition ends; the last one
// asked for wins. A change to the panorama already shown runs the scene's
// leave and enter again (save, description, script, enter event) but keeps
// the panorama up, with no transition. A change stops the view: the glide or
// drag of the scene left does not go on in the next. Once the game is being
// left (its scene's "Unload" among the last steps) changes, imported
// animation panoramas and waits are refused.
//
// Every call into the scene script goes through runEvent: protected, so a
// script error is logged ("Lua: %s") and the game goes on.
class GameWarp {
public:
    static const u32 ScriptSpriteCount = 5;
    static const u32 HealthPointCount = 10;
    // The event globals a scene change sets to nil before the next scene
    // script runs, so that no scene inherits the previous one's handlers.
    static const u32 EventGlobalCount = 13;
    static const char* const EventGlobals[EventGlobalCount];
    // The first scene of a new game.
    static const char* const FirstWarp;
    // The current game's save, in the user-data folder.
    static const char* const SaveFile;
    static const char* const InGameInterface;
    // The markup before an object's name in the notification of addToBag.
    static const char* const NotifyTextStyle;
    // The view control's mouse listeners run after every other listener.
    static const f32 MouseListenerPriority;
    // A press released this far (interface units) or more from where it
    // went down is a drag, not a click.
    static const f32 ClickDistance;

    GameWarp();
    ~GameWarp();

    // ---- game start and scene change ----------------------------------
    // Starts the in-game interface; the main menu and the save-slot menu
    // call it before Load.
    void enter();
    // Changes to the panorama file warpPath ("3D/Isis/Warp_0002.wp";
    // separators are normalised before it is compared with the panoramas
    // already loaded).
    void changeWarp(const KyString& warpPath);
    // Adds the object to the inventory and announces it.
    void addToBag(const KyString& objectName);
    // Ends the game behind the closing boards, then back to the main menu.
    void finishGame();
    // The name of the inventory object in hand; "" when none.
    const KyString& selectedObjectName() const;

    // ---- save file ------------------------------------------------------
    // Writes the game into fileName in the user-data folder, atomically.
    // Nothing without a current panorama. fileName is a plain file name.
    void Save(const KyString& fileName);
    // Reads fileName from the user-data folder and starts the game in its
    // panorama; a missing file starts a new game. A file that is not
    // well-formed or names no panorama is logged and left as it is on disk,
    // nothing of the game changes, and the game goes back to the main menu.
    void Load(const KyString& fileName);
    // The save the game would write now.
    void gatherSave(SaveData& data);

    // ---- script events ----------------------------------------------------
    // Calls the scene script's global function name, protected; a function
    // the script does not define is logged as the scripts expect.
    void runEvent(const char* name);
    void runEvent(const char* name, const KyVariant& argument);
    void runEvent(const char* name, const KyVariant& first, const KyVariant& second);
    // The listeners through which the engine's signals reach the script.
    bool onObjectHit(KyString name);
    bool onAnimationFinished(const KyString& name);
    bool onWaitFinished();
    bool onDialogFinished(const KyString& name);
    bool onAnswered(const KyString& name);
    bool onPuzzleValidated();
    // The in-game video layout's end (its signal carries no argument: the
    // file name is read from the layout).
    bool onMovieFinished();

    // ---- animation warp, puzzles, in-game controls ------------------------
    void importAnimationWarp(const KyString& name);
    void showPuzzle(s32 number);
    bool openPuzzle();
    bool onHelpClicked();
    bool onInventoryClicked();
    bool onPointerMove(unsigned int index);
    bool onButtonDown(unsigned int index);
    bool onButtonUp(unsigned int index);
    // The picture of the object in hand in the in-game bar; "" removes it.
    void setCurrentObjectSprite(const KyString& image);
    // The current panorama's path; "" without one.
    KyString currentWarpName();
    // While a game runs: the current panorama, then the imported animation
    // panorama, each when present.
    void drawWarps();
    // Every panorama held gets the new window size.
    void resizeWarps(f32 width, f32 height);
    // The script sprites; a slot outside 0 to 4 is logged and ignored.
    void loadSprite(s32 slot, const KyString& image, const KyVector3f32& position);
    void unloadSprite(s32 slot);

    // The per-frame view control; nothing while no game runs.
    void updateView();

    // ---- arrival transition and leaving the game ----------------------------
    void startArrivalTransition();
    void pruneLoadedWarps();
    bool endArrivalTransition();
    // Leaves the game: interfaces, panoramas, listeners and sounds released,
    // the game saved first when a panorama is up.
    void unload();
    bool returnToMainMenu();

    // Whether a scene change or the arrival transition is under way.
    bool isChanging() const { return m_changing; }
    bool hasPendingWarp() const { return m_hasPendingWarp; }

    // ---- looking around (GameWarpView.cpp, GameWarpCamera.cpp) ----------
    // Starts (the pointer position recorded, the turning curves stopped,
    // the drag timer from 0) or ends a drag (the pointer's speed becomes
    // the inertia, which then slows down; none when the pointer did not
    // move since the press: a click); nothing when already so.
    void setDragging(bool on);
    // The angle setters keep yaw in (-360, 360) and pitch in [-55, 45]; the
    // speed setters keep a speed in [-10000, 10000]. A value that is not a
    // finite number is refused and the stored one kept.
    void setYaw(f32 value);
    void setPitch(f32 value);
    void setYawSpeed(f32 value);
    void setPitchSpeed(f32 value);
    // Both speeds glide to 0 over 400 ms.
    void startSpeedDecay();
    // The view stops at once: no glide, no drag (a scene change; the view
    // of the scene left has nothing to say in the next).
    void stopTurning();
    // While an arrow button is held: the speeds turn the view toward the
    // pointer, seen from the window's centre.
    void speedFromMouse();
    // Listeners of the four arrow buttons' press and release.
    bool onArrowButtonDown();
    bool onArrowButtonUp();
    // "LookAt": yaw -x, pitch -y (y from 90 on counted from -360), limited.
    void lookAt(s32 x, s32 y);
    // "SetFOV": the field of view of the panoramas' cameras, in degrees.
    void setFov(f32 degrees);

    // ---- health (GameWarpHealth.cpp) -----------------------------------
    void updateHealthBars();
    void reduceMayaHealth(s32 amount);
    void reduceTuyaHealth(s32 amount);
    void initHealths();
    void showMayaHealth();
    void showTuyaHealth();
    void hideMayaHealth();
    void hideTuyaHealth();
    bool isMayaAlive();
    bool isTuyaAlive();

    // ---- objectives (GameWarpObjectives.cpp) ----------------------------
    // "AddObjective" and "RemoveObjective"; nothing without a list.
    void addObjective(s32 id);
    void removeObjective(s32 id);
    // The list of a game: made when the game is entered, filled from the
    // objectives file; destroyed when the game is left.
    void createObjectives();
    void destroyObjectives();
    // The in-game button that shows the objectives screen.
    bool onObjectivesClicked();

    // ---- videos, waits, sounds and music (GameWarpMedia.cpp) ------------
    // "PlayMovie": the video over the game with its sound track; the game
    // stops drawing the panoramas until it ends or is skipped.
    void playMovie(const KyString& video, const KyString& sound);
    bool onVideoBackgroundClicked();
    bool onSkipVideoClicked();
    // "Wait": the wait timer's alarm rings after that many milliseconds
    // (a negative wait is none); "OnWaitFinished" follows.
    void wait(s32 milliseconds);
    // "PlaySound": mode 1 a one-shot effect, -1 the looping ambient sound.
    void playSound(const KyString& file, s32 mode);
    // "PlayMusic": the application's music changes to file (played when the
    // music option is on); the same file again changes nothing.
    void playMusic(const KyString& file);

    // 1. The scene scripts' Lua state, one for the whole game.
    KyLuaContext luaContext;
    // 2. The current scene script.
    KyLuaScript script;
    // 3. The current panorama, the animation panorama imported over it and
    //    a panorama drawn under the outgoing one by the transition.
    KyWarp* currentWarp;
    KyWarp* animationWarp;
    KyWarp* previousWarp;
    // 4. The in-game screens: notifications, answers, the dialog box, comic
    //    strips, the introduction and the ending.
    Notify notify;
    Question2 question;
    Dialog2 dialog;
    BD bd;
    Introduction introduction;
    Conclusion conclusion;
    // 5. The scene music and whether the entering scene asked for music.
    KyMusic sceneMusic;
    u8 musicRequested;
    // 6. The sprites of "LoadSprite" and "UnloadSprite".
    KySprite scriptSprites[ScriptSpriteCount];
    // 7. The cipher puzzle and its solution screen.
    PuzzleCrypte puzzleCrypte;
    PuzzleCrypteSol puzzleCrypteSol;
    // 8. Its alarm ends "Wait".
    KyTimer waitTimer;
    // 9. The in-game menu, with the inventory and the documents.
    InventoryMenu inventoryMenu;
    // 10. Every panorama loaded during the game and still linked from the
    //     current one, owned here.
    KyList<KyWarp*> warps;
    // 11. The panoramas being left, kept for the arrival transition.
    KyWarp* outgoingAnimationWarp;
    KyWarp* outgoingWarp;
    // 12. The view: horizontal and vertical angle in degrees.
    f32 yaw;
    f32 pitch;
    // 13. Dragging the view: where the press went down, the previous
    //     position, the inertia speeds, and the curves that slow them down.
    KyVector2s32 pressPosition;
    KyVector2s32 lastPosition;
    u8 dragging;
    // The pointer moved during the drag under way (or the last one): a
    // press let go where it went down is a click and starts no glide.
    u8 dragMoved;
    f32 yawSpeed;
    f32 pitchSpeed;
    KyTimer dragTimer;
    KyCurveAnim<GameWarp, f32> yawSpeedAnimation;
    KyCurveAnim<GameWarp, f32> pitchSpeedAnimation;
    // 14. The in-game interface, "GUI/InGame.lua".
    KyLuaGUI inGameGui;
    // 15. The sound track of the videos.
    KyMusic movieSound;
    // 16. Set while a game runs: the application draws the panoramas.
    u8 gameRunning;
    // 17. The health display's bar and points; the arrival transition's
    //     captured picture, its movement and the two marker fades.
    KySprite healthBar;
    KySprite healthPoints[HealthPointCount];
    KySprite transitionSprite;
    KyIntrusivePtr<Ky3DTexture> transitionTexture;
    u8 transitionRunning;
    KyMovement3 transitionMovement;
    KyCurveAnim<KyWarp, f32> outgoingMarkersFade;
    KyCurveAnim<KyWarp, f32> incomingMarkersFade;
    // 18. Runs while a game is entered.
    KyTimer gameTimer;
    // 19. The characters' health and the number of arrow buttons held.
    s32 mayaHealth;
    s32 tuyaHealth;
    s32 arrowState;

    // The ambient sound of "PlaySound" with mode -1, and whether it was
    // started.
    KyMusic ambientSound;
    u8 ambientPlaying;
    // The number last given to "ShowPuzzle".
    s32 puzzleNumber;
    // The panorama object the player clicked last; "TakeObject" acts on it.
    KyString lastHitObjectName;
    // Toggled by the help button: the markers show while it or the
    // permanent-help option is set.
    u8 helpShown;

    // The left button's state at the previous frame: a press taken by a
    // button in front (a marker) is seen by its edge.
    u8 pointerWasDown;
    // The objectives of the game; null outside a game.
    Objectives* objectives;

private:
    GameWarp(const GameWarp&) = delete;
    GameWarp& operator=(const GameWarp&) = delete;

    // Save, the disk write made now or in the background.
    void writeSave(const KyString& fileName, bool waitForDisk);
    // One change of scene (changeWarp without the queueing).
    void performChange(const KyPath& path);
    // Makes the change asked for during a change or a transition.
    void runPendingChange();
    // The cached panorama of that path, or a new one (appended to the
    // cache).
    KyWarp* warpForPath(const KyPath& path);
    // The cached panorama of that path, or null.
    KyWarp* cachedWarp(const KyPath& path);
    // A new panorama set up as the game's panoramas are: the orientation
    // layout's rotation, the main window's camera, a 60-degree view.
    static KyWarp* newWarp();
    // The listeners the game keeps on a panorama, each at most once.
    void listenToHits(KyWarp* warp);
    void stopListeningToWarp(KyWarp* warp);
    void listenToWait();
    // Sets the event globals to nil.
    void clearEventGlobals();
    // Deactivates a panorama that is not cached (markers deleted) and
    // deletes it at the end of the frame.
    void releaseWarp(KyWarp* warp);
    // The markers of the current and animation panoramas follow the help
    // flags.
    void showMarkers();
    // The transition's captured picture: a texture of the screen's size.
    void prepareTransitionSprite();
    void stopTransition();
    // Leaves the game; the save is written only when asked for.
    void leaveGame(bool save);
    // A refused save: the game is left without saving and the main menu
    // opens.
    void abandonLoad();
    // The scene's Lua state made anew with the script API.
    void resetLuaState(bool withApi);
    bool applySave(const SaveData& data);

    bool m_changing;
    bool m_hasPendingWarp;
    KyPath m_pendingWarp;
    // The panorama the change under way goes to.
    KyPath m_changeTarget;
    bool m_mouseListeners;
    // From enter to leaving the game: scene changes are made only then.
    bool m_entered;
};

#endif

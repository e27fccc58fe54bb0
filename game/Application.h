#ifndef GAME_APPLICATION_H
#define GAME_APPLICATION_H

#include "core/KyIntrusivePtr.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "game/GameWarp.h"
#include "game/screens/Credits.h"
#include "game/screens/HowTo.h"
#include "game/screens/LoadingMenu.h"
#include "game/screens/MainMenu.h"
#include "game/screens/OptionsMenu.h"
#include "game/screens/RotationAnim.h"
#include "game/screens/SplashScreens.h"
#include "media/KyMusic.h"
#include "platform/KyImg.h"
#include "ui/KyLayout.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyXMLGUI.h"

class KyCamera;

// The game's root object, one for the whole run (KySingleton<Application>):
// it owns the menus, the transition boards, the game-logic object, the texts
// of the current language, the mouse cursor, the orientation layout under
// which every screen hangs, and the four player options.
//
// The 2D interface is laid out in a virtual screen of 480 x 320 units
// stretched to the window: the global 2D camera projects those units and the
// input wrapper maps the pointer into them.
class Application {
public:
    static const char* const Name;
    // The options' file in the user-data folder.
    static const char* const OptionsFileName;
    static const u32 BoardCount = 5;
    static const char* const BoardImages[BoardCount];
    static const f32 VirtualWidth;
    static const f32 VirtualHeight;
    // The depth of the orientation layout, a fraction of the window's.
    static const f32 OrientationDepth;

    // Names the user-data folder and the window, reads "options.xml".
    Application();
    // Saves the options, then the members go in reverse order.
    ~Application();

    // Texts, boards, orientation layout, transition, cursor, listeners,
    // then the first screen. Called once, after the window exists.
    void Create();
    // One frame (always true): the updates in their fixed order, the
    // panoramas of a running game, the 2D interface, then the deletions
    // queued during the frame.
    bool Update();

    bool onWindowResized();
    bool onPauseChanged();
    bool onPointerMoved(unsigned int pointer);
    void beforeDestroy();

    // The comic-strip screen's display (BD::display).
    void displayBD(const KyString& name, s32 pageCount, bool crossFade);
    // Looks the line's text up in the texts and plays the line in the
    // dialog box; nothing when the texts have no such name.
    void playDialogLine(const KyString& name, const KyString& voice, s32 mode);

    void LoadOptions(const KyString& fileName);
    void SaveOptions(const KyString& fileName);

    // The texts file of a language.
    static KyString textsPath(const KyString& language);
    // Loads the texts of the core's language into texts; when no file of
    // that language exists the languages en, fr, de, es, it, ru are tried,
    // each becoming the core's language while it is tested. When none
    // exists the previous language is kept and "Application::Create:
    // missing %s\n" names the last path tried.
    void loadTexts();

    KyCamera* camera;
    // The music of the menus and, through the scripts, of the scenes.
    KyMusic music;
    SplashScreens splashScreens;
    MainMenu mainMenu;
    HowTo howTo;
    OptionsMenu optionsMenu;
    Credits credits;
    LoadingMenu loadingMenu;
    GameWarp gameWarp;
    KySpriteLayout mouseCursor;
    KyXMLGUI texts;
    u8 musicOn;
    u8 permanentHelp;
    u8 inverseLook;
    u8 compassLook;
    // Held for the whole run so later loads of the same boards find them.
    KyIntrusivePtr<KyImg> boardImages[BoardCount];
    KyTimer timer;
    RotationAnim rotationAnim;
    KyLayout orientationLayout;
    u8 created;

private:
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
};

#endif

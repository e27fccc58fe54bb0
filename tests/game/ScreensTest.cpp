// The menus of the sample game, driven as a player drives them (clicks in
// the 480 x 320 interface units, frames on the fake clock): the transition
// boards, the main menu, its confirmation, the options, the credits and the
// how-to pictures.
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "media/KySoundManager.h"
#include "os/KyOsClock.h"
#include "platform/KyInputMgrWrapper.h"
#include "platform/KyVectorHistory.h"
#include "tests/game/GameSession.h"
#include "tests/support/TempDir.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyCheckboxLayout.h"
#include "ui/KyMainWindow.h"
#include "ui/KyTextLayout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const KyColor kNightSky(24, 35, 67, 255);

// The boards' oak: red over green over blue, not dark.
bool isWood(const KyColor& c)
{
    return c.r > 80 && c.r > c.g + 20 && c.g > c.b + 10;
}

u32 soundEffectsPlaying()
{
    return KySingleton<KySoundManager>::instance()->effects.count();
}

KyButtonLayout* menuButton(Application* app, const char* name)
{
    return app->mainMenu.gui.buttonLayout(name);
}

} // namespace

TEST(Transition, EachFlavourClosesTurnsAndOpensFiringItsSignalOnce)
{
    GameSession game;
    ASSERT_TRUE(game.ok());
    RotationAnim& boards = game.app()->rotationAnim;
    EXPECT_FALSE(boards.visible());
    EXPECT_EQ(boards.name(), KyString("rotationAnim"));

    struct Flavour {
        void (RotationAnim::*close)();
        RotationAnim::Signal* signal;
        f32 orientationW;
    };
    const Flavour flavours[] = {
        {&RotationAnim::portraitClose, &boards.portraitSignal, 1.0f},
        {&RotationAnim::landscapeClose, &boards.landscapeSignal, 0.70710677f},
    };
    for (const Flavour& flavour : flavours) {
        SignalCounter counter;
        appendListener(*flavour.signal, &counter, &SignalCounter::onSignal);
        KyVectorHistory::instance()->setOrientation(KyQuaternion(0.0f, 0.0f, 0.0f, 0.5f));
        (boards.*flavour.close)();
        EXPECT_TRUE(boards.visible());
        EXPECT_TRUE(boards.isRunning());
        // The boards close and turn before the screens change, drawn over
        // the menu: oak where the night sky was.
        game.frames(1);
        EXPECT_TRUE(closeColour(game.pixel(60, 30), kNightSky));
        game.frames(40);
        EXPECT_EQ(counter.count, 0);
        EXPECT_TRUE(boards.visible());
        EXPECT_TRUE(isWood(game.pixel(60, 30))) << int(game.pixel(60, 30).r);
        EXPECT_TRUE(isWood(game.pixel(400, 290)));
        ASSERT_TRUE(waitForBoards(game));
        EXPECT_EQ(counter.count, 1);
        EXPECT_FALSE(boards.visible());
        // The main menu listens to the landscape boards: without a game to
        // start it opens the how-to pictures behind them.
        game.frames(1);
        const bool howTo = flavour.signal == &boards.landscapeSignal;
        EXPECT_EQ(game.app()->howTo.background.hasTexture(), howTo);
        EXPECT_EQ(game.app()->mainMenu.gui.isLoaded(), !howTo);
        if (!howTo) {
            EXPECT_TRUE(closeColour(game.pixel(60, 30), kNightSky));
        }
        EXPECT_EQ(KyVectorHistory::instance()->orientation().w, flavour.orientationW);
        removeListener(*flavour.signal, &counter, &SignalCounter::onSignal);
    }
}

TEST(Transition, BoardsWithoutSoundsRunSilentlyAndAMissingMoveIsPassed)
{
    // The sample boards without their sound globals.
    std::string boards = sampleFile("GUI/RotationAnim.lua");
    ASSERT_NE(boards.find("portraitCloseSound"), std::string::npos);
    boards = boards.substr(0, boards.find("portraitCloseSound"));
    TempDir data;
    data.writeFile("GUI/RotationAnim.lua", boards);
    GameSession::Setup setup;
    setup.dataFolder = data.path();
    {
        GameSession game(setup);
        ASSERT_TRUE(game.ok());
        RotationAnim& rotation = game.app()->rotationAnim;
        SignalCounter counter;
        appendListener(rotation.landscapeSignal, &counter, &SignalCounter::onSignal);
        const u32 before = soundEffectsPlaying();
        rotation.landscapeClose();
        for (int frame = 0; frame < 120 && rotation.isRunning(); ++frame) {
            EXPECT_LE(soundEffectsPlaying(), before);
            game.frames(1);
        }
        EXPECT_FALSE(rotation.isRunning());
        EXPECT_EQ(counter.count, 1);
        removeListener(rotation.landscapeSignal, &counter, &SignalCounter::onSignal);
    }

    // A file without the lower board's closing moves: the close is passed
    // at once and the transition still ends.
    std::string withoutMove = boards;
    const std::string lowerClose = "KyLayoutPositionLinearAnimation{ name = prefix .. \"ClosePlancheBas\"";
    ASSERT_NE(withoutMove.find(lowerClose), std::string::npos);
    withoutMove.replace(withoutMove.find(lowerClose), lowerClose.size(),
                        "KyLayoutPositionLinearAnimation{ name = prefix .. \"CloseBoardBas\"");
    data.writeFile("GUI/RotationAnim.lua", withoutMove);
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    RotationAnim& rotation = game.app()->rotationAnim;
    SignalCounter counter;
    appendListener(rotation.portraitSignal, &counter, &SignalCounter::onSignal);
    rotation.portraitClose();
    EXPECT_NE(game.log().find("RotationAnim: portraitClosePlancheBas or plancheBas missing, phase passed"),
              std::string::npos);
    ASSERT_TRUE(waitForBoards(game));
    EXPECT_EQ(counter.count, 1);
    removeListener(rotation.portraitSignal, &counter, &SignalCounter::onSignal);
}

TEST(MainMenu, ContinueNeedsTheSaveAndEveryButtonIsWired)
{
    for (bool saved : {false, true}) {
        GameSession::Setup setup;
        if (saved)
            setup.userFiles.push_back({"save.xml", "<WarpName name=\"3D/Isis/Warp_0002.wp\" />"});
        GameSession game(setup);
        ASSERT_TRUE(game.ok());
        Application* app = game.app();
        ASSERT_TRUE(app->mainMenu.gui.isLoaded());
        for (const char* name : {"plusPartButton", "newGameButton", "continueGameButton", "loadGameButton",
                                 "optionsButton", "quitButton", "facebookButton"}) {
            ASSERT_NE(menuButton(app, name), nullptr) << name;
            EXPECT_EQ(menuButton(app, name)->onValidated.count(), 1u) << name;
        }
        EXPECT_EQ(menuButton(app, "continueGameButton")->state,
                  saved ? u32(KyButtonLayout::StateUp) : u32(KyButtonLayout::StateDisabled));
        KyTextLayout* version = app->mainMenu.gui.textLayout("versionNumber");
        ASSERT_NE(version, nullptr);
        EXPECT_STREQ(version->textBase.text.c_str(), "v 1.3");
        EXPECT_FALSE(app->mainMenu.confirm.isVisible());
        EXPECT_EQ(app->rotationAnim.landscapeSignal.count(), 1u);
        EXPECT_EQ(game.log().find("skipped"), std::string::npos);
    }
}

TEST(MainMenu, AMenuFileWithoutSomeButtonsIsUsedWithoutThem)
{
    TempDir data;
    data.writeFile("GUI/MainMenu.lua", "KyLayout{ name = \"menu\", sizeType = Percent, size = {1, 1, 0.05},\n"
                                       "  KyButtonLayout{ name = \"newGameButton\" } }\n");
    GameSession::Setup setup;
    setup.dataFolder = data.path();
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    for (const char* missing : {"plusPartButton", "continueGameButton", "loadGameButton", "optionsButton",
                                "quitButton", "facebookButton"})
        EXPECT_NE(game.log().find(std::string("MainMenu::enter: no button ") + missing + ", skipped\n"),
                  std::string::npos)
            << missing;
    EXPECT_EQ(menuButton(game.app(), "newGameButton")->onValidated.count(), 1u);
    // The menu still works: a new game starts, and without boards to show
    // (this folder has none) the menu leaves for the game at once.
    game.app()->mainMenu.onNewGame();
    EXPECT_TRUE(game.app()->mainMenu.startRequested);
    EXPECT_FALSE(game.app()->mainMenu.gui.isLoaded());
}

TEST(MainMenu, ANewGameAsksFirstWhenAnySaveExistsAndDeletesThemAll)
{
    struct Case {
        const char* name;
        std::vector<std::string> saves;
        bool asks;
    };
    const Case cases[] = {
        {"no save", {}, false},
        {"the current game", {"save.xml"}, true},
        {"one slot only", {"3.xml"}, true},
        {"the last slot", {"10.xml"}, true},
        {"another file", {"11.xml", "KyCache.xml"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool yes : {false, true}) {
            GameSession::Setup setup;
            for (const std::string& save : c.saves)
                setup.userFiles.push_back({save, "<GameVersion major=\"1\" minor=\"1\" />"});
            GameSession game(setup);
            ASSERT_TRUE(game.ok());
            Application* app = game.app();
            game.run("click 240 140\nwait 1");   // "New game"
            if (!c.asks) {
                EXPECT_FALSE(app->mainMenu.confirm.isVisible());
                EXPECT_TRUE(app->rotationAnim.isRunning());
                break;
            }
            EXPECT_TRUE(app->mainMenu.confirm.isVisible());
            EXPECT_FALSE(app->rotationAnim.isRunning());
            game.run(yes ? "click 180 205\nwait 1" : "click 300 205\nwait 1");
            EXPECT_FALSE(app->mainMenu.confirm.isVisible());
            EXPECT_EQ(app->rotationAnim.isRunning(), yes);
            for (const std::string& save : c.saves)
                EXPECT_EQ(game.userFileExists(save), !yes || save == "11.xml" || save == "KyCache.xml") << save;
            if (!yes)
                continue;
            // Nothing can be clicked while the boards close.
            for (const char* name : {"newGameButton", "continueGameButton", "loadGameButton", "optionsButton",
                                     "quitButton"})
                EXPECT_EQ(menuButton(app, name)->state, u32(KyButtonLayout::StateDisabled)) << name;
            game.run("click 240 248\nwait 1");
            EXPECT_FALSE(app->optionsMenu.gui.isLoaded());
        }
    }
}

TEST(MainMenu, AStartedGameLeavesTheMenuWhenTheBoardsOpen)
{
    GameSession game;
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    app->mainMenu.onNewGame();
    ASSERT_TRUE(app->mainMenu.startRequested);
    EXPECT_TRUE(app->mainMenu.gui.isLoaded());
    ASSERT_TRUE(waitForBoards(game));
    EXPECT_FALSE(app->mainMenu.gui.isLoaded());
    EXPECT_FALSE(app->mainMenu.confirm.gui.isLoaded());
    EXPECT_FALSE(app->howTo.background.hasTexture());
    EXPECT_EQ(app->rotationAnim.landscapeSignal.count(), 0u);
}

TEST(MainMenu, MenuMusicPlaysOnceAndOnlyWithTheOption)
{
    for (int musicOn : {1, 0}) {
        GameSession::Setup setup;
        setup.options = GameSession::optionsText(960, 640, false, musicOn);
        GameSession game(setup);
        ASSERT_TRUE(game.ok());
        KyMusic& music = game.app()->music;
        EXPECT_STREQ(music.requestedPath().c_str(), "Sounds/Musiques/M_interface.ogg");
        EXPECT_EQ(music.IsPlaying(), musicOn == 1);
        EXPECT_EQ(music.volume(), 1.0f);
        const u32 source = music.source();
        // Back from the options: the music goes on as it was.
        game.run("click 240 248\nwait 2\nclick 376 44\nwait 2");
        ASSERT_TRUE(game.app()->mainMenu.gui.isLoaded());
        EXPECT_EQ(music.IsPlaying(), musicOn == 1);
        if (musicOn) {
            EXPECT_EQ(music.source(), source);
        }
    }
}

TEST(MainMenu, QuitEndsTheMainLoop)
{
    GameSession game;
    ASSERT_TRUE(game.ok());
    game.run("click 240 284");
    EXPECT_TRUE(KySingleton<KyMainWindow>::instance()->quit());
    EXPECT_FALSE(mainLoopTurn());
}

TEST(OptionsMenu, BoxesShowTheOptionsAndClicksChangeThemAtOnce)
{
    GameSession::Setup setup;
    setup.options = "<WindowResolution x=\"960\" y=\"640\" /><FullScreen value=\"0\" /><MusicOn value=\"1\" />"
                    "<PermanentHelp value=\"0\" /><InverseLook value=\"1\" /><compassLook value=\"1\" />";
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    game.run("click 240 248\nwait 2");   // "Options"
    OptionsMenu& options = app->optionsMenu;
    ASSERT_TRUE(options.gui.isLoaded());
    EXPECT_FALSE(app->mainMenu.gui.isLoaded());
    const struct {
        const char* name;
        KyCheckboxLayout::State state;
    } shown[] = {{"musicOn", KyCheckboxLayout::Active},
                 {"permanentHelp", KyCheckboxLayout::Unactive},
                 {"inverseLook", KyCheckboxLayout::Active},
                 {"compassLook", KyCheckboxLayout::Active}};
    for (const auto& box : shown) {
        ASSERT_NE(options.gui.checkboxLayout(box.name), nullptr) << box.name;
        EXPECT_EQ(options.gui.checkboxLayout(box.name)->state, box.state) << box.name;
    }
    EXPECT_FALSE(options.gui.checkboxLayout("compassLook")->visible());

    // Music off stops the menu music at once; on starts the same file again.
    game.run("click 240 108\nwait 1");
    EXPECT_EQ(app->musicOn, 0);
    EXPECT_FALSE(app->music.IsPlaying());
    game.run("click 240 108\nwait 1");
    EXPECT_EQ(app->musicOn, 1);
    EXPECT_TRUE(app->music.IsPlaying());
    EXPECT_STREQ(app->music.requestedPath().c_str(), "Sounds/Musiques/M_interface.ogg");
    game.run("click 240 146\nclick 240 184\nwait 1");
    EXPECT_EQ(app->permanentHelp, 1);
    EXPECT_EQ(app->inverseLook, 0);
    EXPECT_EQ(app->compassLook, 1);

    // Back to the main menu; the options are not written yet.
    game.run("click 376 44\nwait 1");
    EXPECT_TRUE(app->mainMenu.gui.isLoaded());
    EXPECT_FALSE(options.gui.isLoaded());
    EXPECT_NE(game.readUserFile("options.xml").find("<PermanentHelp value=\"0\" />"), std::string::npos);
}

TEST(OptionsMenu, OpeningWithMusicOffPlaysNothing)
{
    GameSession::Setup setup;
    setup.options = GameSession::optionsText(960, 640, false, 0);
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    game.app()->music.Stop();
    game.app()->music.load("Sounds/SFX/ChoixMenu.wav");
    game.app()->mainMenu.onOptions();
    EXPECT_FALSE(game.app()->music.IsPlaying());
    EXPECT_STREQ(game.app()->music.requestedPath().c_str(), "Sounds/SFX/ChoixMenu.wav");
}

TEST(Credits, TheTextScrollsThirtyPixelsASecondAndEndsBackInTheOptions)
{
    GameSession game;
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    game.run("click 240 248\nwait 2\nclick 240 258\nwait 2");   // options, then credits
    Credits& credits = app->credits;
    ASSERT_TRUE(credits.gui.isLoaded());
    KyTextLayout* text = credits.gui.textLayout("text");
    KyLayout* menu = credits.gui.layout("menu");
    ASSERT_NE(text, nullptr);
    ASSERT_NE(menu, nullptr);
    const f32 height = menu->size().y;
    ASSERT_GT(height, 0.0f);

    // A frame that takes half a second moves the text 15 pixels up.
    const f32 before = text->userPosition().y;
    KyOsClock::advanceFake(500000 - GameTour::FrameMicroseconds);
    game.frames(1);
    EXPECT_NEAR((before - text->userPosition().y) * height, 15.0f, 0.01f);

    // Once the text has passed, the credits close into the options.
    KyVector3f32 late = text->userPosition();
    late.y = 0.3f - text->size().y / height - 0.01f;
    text->setPosition(late);
    game.frames(1);
    EXPECT_FALSE(credits.gui.isLoaded());
    EXPECT_TRUE(app->optionsMenu.gui.isLoaded());
    EXPECT_TRUE(credits.timer.isPaused());

    // And the quit button closes them at any time.
    game.run("click 240 258\nwait 2");
    ASSERT_TRUE(credits.gui.isLoaded());
    game.run("click 448 32\nwait 1");
    EXPECT_FALSE(credits.gui.isLoaded());
    EXPECT_TRUE(app->optionsMenu.gui.isLoaded());
}

TEST(HowTo, ElevenPicturesThenThePortraitBoardsBackToTheMenu)
{
    for (const char* language : {"en", "fr"}) {
        SCOPED_TRACE(language);
        GameSession::Setup setup;
        setup.options = GameSession::optionsText(960, 640, false, 1, language);
        GameSession game(setup);
        ASSERT_TRUE(game.ok());
        Application* app = game.app();
        app->mainMenu.leave();
        HowTo& howTo = app->howTo;
        howTo.enter();
        EXPECT_EQ(howTo.pictureIndex, 1u);
        EXPECT_TRUE(howTo.pictureButton.upSprite.hasTexture());
        EXPECT_TRUE(howTo.background.hasTexture());
        HowTo fresh;
        EXPECT_STREQ(fresh.nextImagePath().c_str(),
                     (std::string("2D/bd/Colored/") + language + "/lookAround_0.png").c_str());
        EXPECT_STREQ(fresh.nextImagePath().c_str(),
                     (std::string("2D/bd/Colored/") + language + "/lookAround_1.png").c_str());
        for (int click = 1; click <= 10; ++click) {
            game.run("click 200 150\nwait 1");
            EXPECT_EQ(howTo.pictureIndex, u32(click + 1));
            EXPECT_FALSE(app->rotationAnim.isRunning());
        }
        // The eleventh click on the picture closes the screen.
        game.run("click 200 150\nwait 1");
        EXPECT_TRUE(app->rotationAnim.isRunning());
        EXPECT_EQ(KyInputMgrWrapper::instance()->angle(), 90.0f);
        EXPECT_EQ(KyInputMgrWrapper::instance()->offset(), KyVector2s32(320, 0));
        ASSERT_TRUE(waitForBoards(game));
        EXPECT_FALSE(howTo.background.hasTexture());
        EXPECT_TRUE(app->mainMenu.gui.isLoaded());
        EXPECT_EQ(app->rotationAnim.portraitSignal.count(), 0u);
        // The input was turned for a portrait screen while the boards
        // closed; the menu comes back with the window's own.
        EXPECT_EQ(KyInputMgrWrapper::instance()->angle(), 0.0f);
        EXPECT_EQ(KyInputMgrWrapper::instance()->offset(), KyVector2s32(0, 0));
    }
}

TEST(Confirm, NoFiresOnlyTheCancelledSignal)
{
    GameSession game;
    ASSERT_TRUE(game.ok());
    Confirm& confirm = game.app()->mainMenu.confirm;
    SignalCounter yes;
    SignalCounter no;
    appendListener(confirm.confirmed, &yes, &SignalCounter::onSignal);
    appendListener(confirm.cancelled, &no, &SignalCounter::onSignal);
    // The menu's own listener would start a game: take it out for this.
    removeListener(confirm.confirmed, &game.app()->mainMenu, &MainMenu::deleteSavesAndStart);
    confirm.setVisible(true);
    game.run("click 300 205\nwait 1");
    EXPECT_EQ(yes.count, 0);
    EXPECT_EQ(no.count, 1);
    EXPECT_FALSE(confirm.isVisible());
    confirm.setVisible(true);
    game.run("click 180 205\nwait 1");
    EXPECT_EQ(yes.count, 1);
    EXPECT_EQ(no.count, 1);
    // A click beside the question does nothing.
    confirm.setVisible(true);
    game.run("click 20 20\nwait 1");
    EXPECT_TRUE(confirm.isVisible());
    EXPECT_EQ(yes.count + no.count, 2);
}

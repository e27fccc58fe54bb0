// The introduction and the ending on the fake clock: every picture's turn
// and place, the pan and the fade as drawn, the depths, the scene's clicks,
// the music before, during and after, and what each show does at its end.
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/screens/Conclusion.h"
#include "game/screens/Introduction.h"
#include "os/KyOsClock.h"
#include "scene/KyWarp.h"
#include "tests/game/GameSession.h"
#include "tests/game/ScreenFixtures.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ScreenFixtures;

namespace {

const f64 kFrame = 1.0 / 60.0;

KyColor grey(u32 picture)
{
    const u8 level = u8(10 + 20 * picture);
    return KyColor(level, level, level, 255);
}

// A game whose data holds the pictures of both shows (the introduction's
// 600 wide, the ending's 640), their music and a main menu of one layout.
struct ShowData {
    explicit ShowData(int musicOn)
    {
        writeSlides(writerOf(data), "Videos/IntroSlides/%d.png", 12, 600);
        writeSlides(writerOf(data), "Videos/EndSlides/%d.png", 11, 640);
        data.writeFile("Videos/en/Zelt_Intro.ogg", shortOgg(1.0));
        data.writeFile("Videos/en/Zelt_End.ogg", shortOgg(1.0));
        data.writeFile("Sounds/Musiques/M_interface.ogg", shortOgg(1.0));
        data.writeFile("GUI/MainMenu.lua", "KyLayout{ name = \"menu\", sizeType = Percent, size = {1, 1, 0.05} }\n");
        GameSession::Setup setup;
        setup.dataFolder = data.path();
        // A small window: the shows run for close to a minute of frames.
        setup.width = 240;
        setup.height = 160;
        setup.options = GameSession::optionsText(setup.width, setup.height, false, musicOn);
        game.reset(new GameSession(setup));
    }
    TempDir data;
    std::unique_ptr<GameSession> game;
};

// What a show looked like frame by frame.
struct ShowRun {
    // When each picture came on, in seconds from the start.
    std::vector<f64> starts;
    f64 end = -1.0;
    f64 sceneBack = -1.0;
    u32 depthFaults = 0;
};

// Runs the show to its end (at most limit seconds), checking on every frame
// that the slide on show stands at the front depth and the one loaded behind
// it at the back depth. Most of each picture's run is passed in one step of
// the clock; its last quarter of a second goes frame by frame.
ShowRun watch(GameSession& game, SlideShow& show, KyWarp& scene, f64 limit)
{
    ShowRun run;
    u32 shown = ~0u;
    f64 t = 0.0;
    while (t < limit) {
        const f64 left = show.movement.isRunning() ? show.slideDuration - show.movement.elapsed - 250.0 : 0.0;
        if (left > 0.0) {
            KyOsClock::advanceFake(u64(left * 1000.0));
            t += left / 1000.0;
        }
        game.frames(1);
        t += kFrame;
        if (!show.isRunning()) {
            run.end = t;
            break;
        }
        if (show.slideIndex != shown) {
            shown = show.slideIndex;
            run.starts.push_back(t);
        }
        if (run.sceneBack < 0.0 && scene.isActive())
            run.sceneBack = t;
        if (show.slides[shown % 2].position().z != show.setup.frontDepth)
            ++run.depthFaults;
        if (shown + 1 < show.setup.pictureCount &&
            show.slides[(shown + 1) % 2].position().z != show.setup.backDepth)
            ++run.depthFaults;
    }
    return run;
}

} // namespace

TEST(SlideShows, TheIntroductionShowsTwelvePicturesInFortyEightSeconds)
{
    ShowData show(1);
    GameSession& game = *show.game;
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    KyWarp scene;
    scene.setActive(true, false);
    app->gameWarp.currentWarp = &scene;
    const KyString menuMusic = app->music.requestedPath();
    EXPECT_EQ(menuMusic, KyString("Sounds/Musiques/M_interface.ogg"));

    Introduction intro;
    intro.start();
    EXPECT_FALSE(scene.isActive());
    EXPECT_EQ(app->music.requestedPath(), KyString("Videos/en/Zelt_Intro.ogg"));
    EXPECT_FALSE(app->music.repeat());
    EXPECT_TRUE(app->music.IsPlaying());

    // The first picture as drawn, then halfway through its run: panned half
    // of the way (600 wide: from x 0 to -120) by the curves read back.
    game.frames(1);
    EXPECT_TRUE(closeColour(game.pixel(240, 160), grey(0)));
    EXPECT_NEAR(intro.slides[0].position().x, 0.0f, 1.0f);
    game.frames(119);
    EXPECT_NEAR(intro.slides[0].position().x, -60.0f, 1.0f);
    EXPECT_EQ(intro.slides[0].opacity(), 1.0f);
    EXPECT_EQ(intro.slides[1].position().x, -120.0f);
    // In the last sixth it fades over the next picture, waiting behind.
    game.frames(108);
    EXPECT_NEAR(intro.slides[0].opacity(), 0.3f, 0.05f);
    const KyColor mixed = game.pixel(240, 160);
    EXPECT_GT(mixed.r, grey(0).r + 5);
    EXPECT_LT(mixed.r, grey(1).r - 3);

    ShowRun run = watch(game, intro, scene, 60.0);
    // Picture 0 was on when the watch began.
    ASSERT_EQ(run.starts.size(), 12u);
    // Each picture's run lasts 4 s on the frame clock (and one frame to
    // notice its end).
    for (u32 i = 1; i < 12; ++i)
        EXPECT_NEAR(run.starts[i] + 228 * kFrame, i * 4.0, 0.25) << i;
    EXPECT_GT(run.end + 228 * kFrame, 48.0);
    EXPECT_LT(run.end + 228 * kFrame, 48.5);
    EXPECT_EQ(run.depthFaults, 0u);
    // The scene takes clicks again when the last picture comes on.
    EXPECT_NEAR(run.sceneBack, run.starts[11], 2 * kFrame);

    // The end: nothing left on screen, the music of before back.
    EXPECT_FALSE(intro.slides[0].upSprite.hasTexture());
    EXPECT_FALSE(intro.slides[1].upSprite.hasTexture());
    EXPECT_EQ(app->music.requestedPath(), menuMusic);
    EXPECT_TRUE(app->music.repeat());
    EXPECT_TRUE(app->music.IsPlaying());
    EXPECT_EQ(listenersOf(intro.movement.onFinished, static_cast<SlideShow*>(&intro), &SlideShow::onSlideFinished),
              0u);
    app->gameWarp.currentWarp = nullptr;
}

TEST(SlideShows, TheEndingKeepsItsDepthThroughElevenPicturesAndOpensTheMainMenu)
{
    ShowData show(1);
    GameSession& game = *show.game;
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    KyWarp scene;
    scene.setActive(true, false);
    app->gameWarp.currentWarp = &scene;
    app->mainMenu.leave();

    Conclusion ending;
    ending.start();
    EXPECT_TRUE(scene.isActive());
    EXPECT_FALSE(app->music.IsPlaying());
    EXPECT_EQ(ending.music.requestedPath(), KyString("Videos/en/Zelt_End.ogg"));
    EXPECT_FALSE(ending.music.repeat());
    EXPECT_TRUE(ending.music.IsPlaying());
    // In front, at depth 10, and panning: 640 wide, from 0 to -160.
    game.frames(137);
    EXPECT_EQ(ending.slides[0].position().z, 10.0f);
    EXPECT_NEAR(ending.slides[0].position().x, -80.0f, 1.0f);
    EXPECT_TRUE(closeColour(game.pixel(240, 160), grey(0)));

    ShowRun run = watch(game, ending, scene, 60.0);
    ASSERT_EQ(run.starts.size(), 11u);
    for (u32 i = 1; i < 11; ++i)
        EXPECT_NEAR(run.starts[i] + 137 * kFrame, i * 4.5454546, 0.25) << i;
    EXPECT_GT(run.end + 137 * kFrame, 50.0);
    EXPECT_LT(run.end + 137 * kFrame, 50.6);
    EXPECT_EQ(run.depthFaults, 0u);

    // Its music stops, the application's plays again, the menu shows.
    EXPECT_FALSE(ending.music.IsPlaying());
    EXPECT_TRUE(app->music.IsPlaying());
    EXPECT_TRUE(app->mainMenu.gui.isLoaded());
    EXPECT_FALSE(ending.slides[0].upSprite.hasTexture());
    app->gameWarp.currentWarp = nullptr;
}

TEST(SlideShows, TheirMusicPlaysWhateverTheOptionAndTheMenuMusicOnlyWithIt)
{
    for (int musicOn = 0; musicOn < 2; ++musicOn) {
        SCOPED_TRACE(musicOn);
        ShowData show(musicOn);
        GameSession& game = *show.game;
        ASSERT_TRUE(game.ok());
        Application* app = game.app();
        EXPECT_EQ(app->music.IsPlaying(), musicOn == 1);
        app->mainMenu.leave();

        Introduction intro;
        intro.start();
        EXPECT_TRUE(app->music.IsPlaying());
        // Started again while it runs: one listener, and the music to give
        // back is still the menu's.
        game.frames(30);
        intro.start();
        EXPECT_EQ(intro.slideIndex, 0u);
        EXPECT_EQ(listenersOf(intro.movement.onFinished, static_cast<SlideShow*>(&intro),
                              &SlideShow::onSlideFinished),
                  1u);
        EXPECT_EQ(intro.savedMusicPath, KyString("Sounds/Musiques/M_interface.ogg"));
        // The pictures' runs, each brought to its end at once.
        for (u32 i = 0; i < 12; ++i) {
            ASSERT_TRUE(intro.isRunning());
            intro.onSlideFinished();
        }
        EXPECT_FALSE(intro.isRunning());
        EXPECT_EQ(app->music.requestedPath(), KyString("Sounds/Musiques/M_interface.ogg"));
        EXPECT_EQ(app->music.IsPlaying(), musicOn == 1);

        Conclusion ending;
        ending.start();
        EXPECT_TRUE(ending.music.IsPlaying());
        for (u32 i = 0; i < 11; ++i)
            ending.onSlideFinished();
        EXPECT_FALSE(ending.isRunning());
        EXPECT_FALSE(ending.music.IsPlaying());
        EXPECT_EQ(app->music.IsPlaying(), musicOn == 1);
    }
}

TEST(SlideShows, MusicOfTheLanguageOrElseInEnglish)
{
    ShowData show(1);
    ASSERT_TRUE(show.game->ok());
    show.data.writeFile("Videos/fr/Zelt_End.ogg", shortOgg(0.5));
    struct Case {
        const char* language;
        const char* file;
        const char* path;
    };
    const Case cases[] = {
        {"en", "Zelt_Intro.ogg", "Videos/en/Zelt_Intro.ogg"},
        {"fr", "Zelt_Intro.ogg", "Videos/en/Zelt_Intro.ogg"},
        {"fr", "Zelt_End.ogg", "Videos/fr/Zelt_End.ogg"},
        {"de", "Zelt_End.ogg", "Videos/en/Zelt_End.ogg"},
    };
    KyCore* core = KySingleton<KyCore>::instance();
    const KyString language = core->language();
    for (const Case& c : cases) {
        core->setLanguage(c.language);
        EXPECT_EQ(SlideShow::musicPath(c.file), KyString(c.path)) << c.language << " " << c.file;
    }
    core->setLanguage(language);
}

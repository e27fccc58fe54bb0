// Comic-strip pages on the fake clock with the null sound device: panels
// piled or cross-faded, the next button, the English files of a missing
// language, strips queued behind one another, and the music paused only
// while a strip runs.
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/screens/BD.h"
#include "media/KySoundManager.h"
#include "platform/Ky3DTexture.h"
#include "tests/game/GameSession.h"
#include "tests/game/TalkSupport.h"
#include "tests/game/DataOverlay.h"
#include "tests/game/ScreenFixtures.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A picture of one colour filling the screen.
std::string panelPicture(const KyColor& colour)
{
    return ScreenFixtures::solidPng(480, 320, colour);
}

const KyColor kPanelColours[] = {KyColor(200, 30, 30, 255), KyColor(30, 200, 30, 255), KyColor(30, 30, 200, 255)};

// The language texts of the sample with the captions of the test strips.
std::string textsWithCaptions(const std::string& sample)
{
    const std::string captions = "    <value name=\"test_0\" value=\"&lt;p color=1&gt;The ferry&lt;/p&gt;\" />\n"
                                 "    <value name=\"test_2\" value=\"&lt;p color=1&gt;The quay&lt;/p&gt;\" />\n";
    std::string texts = sample;
    texts.insert(texts.rfind("</Texts>"), captions);
    return texts;
}

class ComicStripTest : public ::testing::Test {
protected:
    ComicStripTest()
    {
        for (int n = 0; n < 3; ++n) {
            const KyColor& c = kPanelColours[n];
            data.write("2D/bd/Colored/en/test_" + std::to_string(n) + ".png", panelPicture(c));
            data.write("Sounds/BDs/en/test_" + std::to_string(n) + ".ogg", toneOggBytes(0.15, 300.0 + 100 * n));
            data.write("2D/bd/Colored/en/slow_" + std::to_string(n) + ".png", panelPicture(c));
            data.write("Sounds/BDs/en/slow_" + std::to_string(n) + ".ogg", toneOggBytes(4.0));
        }
        // French has its own first picture only.
        data.write("2D/bd/Colored/fr/test_0.png", panelPicture(KyColor(250, 250, 0, 255)));
        data.write("Texts/en.xml", textsWithCaptions(sampleFile("Texts/en.xml")));
        data.write("Sounds/BDs/en/mute_0.ogg", "not a sound at all");
        data.write("2D/bd/Colored/en/mute_0.png", panelPicture(KyColor(90, 90, 90, 255)));
    }

    void start(int musicOn = 1)
    {
        GameSession::Setup setup;
        setup.dataFolder = data.path();
        setup.options = GameSession::optionsText(960, 640, false, musicOn);
        game.reset(new GameSession(setup));
        ASSERT_TRUE(game->ok());
        bd.reset(new BD);
        bd->load();
    }

    void TearDown() override
    {
        bd.reset();
        game.reset();
        KySingleton<KyCore>::instance()->setLanguage("en");
    }

    // The opacities of the first panels, one frame.
    std::vector<f32> opacities(u32 count = 3)
    {
        std::vector<f32> values;
        for (u32 n = 0; n < count; ++n)
            values.push_back(bd->panels[n].hasTexture() ? bd->panels[n].opacity() : -1.0f);
        return values;
    }

    std::string picture(u32 n)
    {
        return bd->panels[n].hasTexture() ? bd->panels[n].texture()->path().c_str() : "";
    }

    DataOverlay data;
    std::unique_ptr<GameSession> game;
    std::unique_ptr<BD> bd;
};

} // namespace

TEST_F(ComicStripTest, ThreePanelsPileUpOneAfterAnotherThenFadeOutTogether)
{
    start();
    Application* app = game->app();
    EXPECT_FALSE(bd->isBusy());
    EXPECT_EQ(bd->panelIndex, 12);
    EXPECT_FALSE(bd->blocker.isEnabled());
    EXPECT_FALSE(bd->nextButton.upSprite.visible);
    ASSERT_TRUE(app->music.IsPlaying());

    bd->display("test", 3, false);
    EXPECT_TRUE(bd->isBusy());
    EXPECT_TRUE(bd->blocker.isEnabled());
    EXPECT_TRUE(bd->nextButton.upSprite.visible);
    EXPECT_TRUE(bd->caption.visible);
    EXPECT_NE(picture(0).find("2D/bd/Colored/en/test_0.png"), std::string::npos) << picture(0);
    EXPECT_STREQ(bd->sound.requestedPath().c_str(), "Sounds/BDs/en/test_0.ogg");
    EXPECT_TRUE(app->music.isPaused());
    EXPECT_TRUE(bd->hasPausedMusic());

    // Frame by frame: each panel rises from 0 to 1 over the half-second
    // fade, the earlier ones stay, the strip's end fades all three at once.
    std::vector<std::vector<f32>> seen;
    int shownFrame[3] = {-1, -1, -1};
    bool blueOnTop = false;
    for (int frame = 0; frame < 2000 && bd->isBusy(); ++frame) {
        seen.push_back(opacities());
        for (u32 n = 0; n < 3; ++n) {
            if (shownFrame[n] < 0 && seen.back()[n] > 0.0f)
                shownFrame[n] = frame;
        }
        if (seen.back() == std::vector<f32>{1.0f, 1.0f, 1.0f} && closeColour(game->pixel(240, 160), kPanelColours[2], 20))
            blueOnTop = true;
        game->frames(1);
    }
    ASSERT_FALSE(bd->isBusy());
    EXPECT_TRUE(blueOnTop);
    EXPECT_LT(shownFrame[0], shownFrame[1]);
    EXPECT_LT(shownFrame[1], shownFrame[2]);
    // A panel shows only once the one before is whole.
    for (u32 n = 1; n < 3; ++n)
        EXPECT_EQ(seen[shownFrame[n]][n - 1], 1.0f) << n;
    // The fade-outs: all three below one together, and never apart.
    size_t fadeStart = 0;
    for (size_t f = 1; f < seen.size(); ++f) {
        if (seen[f][2] >= 0.0f && seen[f][2] < 1.0f && seen[f - 1][2] == 1.0f) {
            fadeStart = f;
            break;
        }
    }
    ASSERT_GT(fadeStart, 0u);
    EXPECT_EQ(seen[fadeStart][0], seen[fadeStart][2]);
    EXPECT_EQ(seen[fadeStart][1], seen[fadeStart][2]);
    EXPECT_NEAR(double(seen.size() - fadeStart), 31.0, 3.0);

    // Idle again: panels released, controls gone, the music goes on.
    EXPECT_EQ(opacities(), (std::vector<f32>{-1.0f, -1.0f, -1.0f}));
    EXPECT_FALSE(bd->blocker.isEnabled());
    EXPECT_FALSE(bd->nextButton.upSprite.visible);
    EXPECT_FALSE(bd->caption.visible);
    EXPECT_TRUE(app->music.IsPlaying());
    EXPECT_FALSE(app->music.isPaused());
    EXPECT_FALSE(bd->hasPausedMusic());
}

TEST_F(ComicStripTest, WithACrossFadeEachPanelReplacesTheOneBefore)
{
    start();
    bd->display("test", 3, true);
    bool crossed = false;
    for (int frame = 0; frame < 2000 && bd->isBusy(); ++frame) {
        const std::vector<f32> o = opacities();
        // Panel 1 rising while panel 0 falls, the two adding up to one.
        if (o[0] > 0.05f && o[0] < 0.95f && o[1] > 0.05f && o[1] < 0.95f) {
            crossed = true;
            EXPECT_NEAR(o[0] + o[1], 1.0f, 0.02f);
        }
        // Never two whole panels at once.
        EXPECT_FALSE(o[0] == 1.0f && o[1] == 1.0f);
        EXPECT_FALSE(o[1] == 1.0f && o[2] == 1.0f);
        game->frames(1);
    }
    EXPECT_TRUE(crossed);
    EXPECT_FALSE(bd->isBusy());
    // Each panel kept its own depth through the fades.
    for (u32 n = 0; n < BD::PanelCount; ++n)
        EXPECT_EQ(bd->panels[n].position().z, 200.0f + f32(n)) << n;
}

TEST_F(ComicStripTest, TheNextButtonSkipsANarrationButNotAFade)
{
    start();
    KySoundManager* sound = KySingleton<KySoundManager>::instance();
    bd->display("slow", 2, false);
    // Pressed during the first fade: nothing.
    game->run("click 458 22");
    EXPECT_EQ(bd->panelIndex, 0);
    EXPECT_TRUE(bd->sound.IsPlaying());
    ASSERT_TRUE(framesUntil(*game, [&] { return !bd->fadeMovement.isRunning(); }));
    // Pressed while the narration plays: the next panel, with the click.
    const u32 effects = sound->effects.count();
    game->run("click 458 22");
    EXPECT_GE(sound->effects.count(), effects + 1);
    ASSERT_TRUE(framesUntil(*game, [&] { return bd->panelIndex == 1; }, 30));
    EXPECT_TRUE(bd->fadeMovement.isRunning());
    ASSERT_TRUE(framesUntil(*game, [&] { return !bd->fadeMovement.isRunning(); }));
    game->run("click 458 22");
    ASSERT_TRUE(framesUntil(*game, [&] { return !bd->isBusy(); }, 120));
    EXPECT_EQ(opacities(2), (std::vector<f32>{-1.0f, -1.0f}));
}

TEST_F(ComicStripTest, FilesAndCaptionsFallBackToEnglishAndToNothing)
{
    start();
    KySingleton<KyCore>::instance()->setLanguage("fr");
    bd->current.name = "test";
    struct Case {
        s32 index;
        const char* folder;
        const char* extension;
        const char* path;
    };
    const Case cases[] = {
        {0, BD::PictureFolder, ".png", "2D/bd/Colored/fr/test_0.png"},
        {1, BD::PictureFolder, ".png", "2D/bd/Colored/en/test_1.png"},
        {2, BD::SoundFolder, ".ogg", "Sounds/BDs/en/test_2.ogg"},
        // Found nowhere: the English path all the same.
        {7, BD::PictureFolder, ".png", "2D/bd/Colored/en/test_7.png"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(bd->panelFile(c.folder, c.index, c.extension).c_str(), c.path) << c.index;
    // A long name is formatted whole.
    bd->current.name = std::string(2000, 'n').c_str();
    EXPECT_EQ(bd->panelFile(BD::SoundFolder, 11, ".ogg").length(), 2000u + 21u);

    // Captions: the language text of the panel, or nothing.
    KySingleton<KyCore>::instance()->setLanguage("en");
    bd->current.name = "test";
    EXPECT_NE(std::string(bd->captionText(0).c_str()).find("The ferry"), std::string::npos);
    EXPECT_STREQ(bd->captionText(1).c_str(), "");

    // In French the strip shows the French first panel, the English others.
    KySingleton<KyCore>::instance()->setLanguage("fr");
    bd->display("test", 2, false);
    EXPECT_NE(picture(0).find("2D/bd/Colored/fr/test_0.png"), std::string::npos) << picture(0);
    ASSERT_TRUE(framesUntil(*game, [&] { return bd->panelIndex == 1; }));
    EXPECT_NE(picture(1).find("2D/bd/Colored/en/test_1.png"), std::string::npos) << picture(1);
    ASSERT_TRUE(framesUntil(*game, [&] { return !bd->isBusy(); }));
}

TEST_F(ComicStripTest, StripsAskedForMeanwhileFollowWholeAndCountsStopAtTwelve)
{
    start(0);
    Application* app = game->app();
    EXPECT_FALSE(app->music.IsPlaying());

    // A narration that cannot be played: its panel stays for the caption's
    // reading time, reported once.
    bd->display("mute", 1, false);
    bd->display("test", 2, false);
    EXPECT_EQ(bd->queue.count(), 1u);
    EXPECT_STREQ(bd->current.name.c_str(), "mute");
    ASSERT_TRUE(framesUntil(*game, [&] { return bd->current.name == "test"; }));
    // The first strip goes whole before the second comes in, from its first
    // panel.
    EXPECT_TRUE(bd->pending);
    EXPECT_TRUE(bd->fadeMovement.isRunning());
    EXPECT_NE(picture(0).find("mute_0.png"), std::string::npos) << picture(0);
    ASSERT_TRUE(framesUntil(*game, [&] { return !bd->pending; }, 40));
    EXPECT_EQ(bd->panelIndex, 0);
    EXPECT_NE(picture(0).find("test_0.png"), std::string::npos) << picture(0);
    EXPECT_EQ(occurrences(game->log(), "BD: the narration Sounds/BDs/en/mute_0.ogg cannot be played"), 1u);

    // A strip asked for while the last one fades out waits for the fade.
    ASSERT_TRUE(framesUntil(*game, [&] { return bd->panelIndex == 2; }));
    bd->display("mute", 1, false);
    EXPECT_STREQ(bd->current.name.c_str(), "test");
    ASSERT_TRUE(framesUntil(*game, [&] { return bd->current.name == "mute"; }));
    ASSERT_TRUE(framesUntil(*game, [&] { return !bd->pending; }, 40));
    EXPECT_NE(picture(0).find("mute_0.png"), std::string::npos) << picture(0);
    EXPECT_EQ(picture(1), "");
    ASSERT_TRUE(framesUntil(*game, [&] { return !bd->isBusy(); }, 400));

    // Twelve panels at most; no music was playing, none is started.
    bd->display("test", 20, false);
    EXPECT_EQ(bd->current.pageCount, 12);
    EXPECT_NE(game->log().find("BD::display: test has 20 pages, only the first 12 are shown"), std::string::npos);
    bd->unload();
    EXPECT_FALSE(bd->isBusy());
    EXPECT_FALSE(app->music.IsPlaying());
    // The stopped narration's end arrives late and changes nothing.
    game->frames(10);
    EXPECT_EQ(bd->panelIndex, 12);
    EXPECT_EQ(opacities(1), std::vector<f32>{-1.0f});
}

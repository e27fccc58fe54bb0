#include "core/KySingleton.h"
#include "media/KySoundManager.h"
#include "tests/media/SoundTestSupport.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/TempDir.h"
#include "tests/ui/ButtonInputFixture.h"
#include "tests/ui/SpriteFixture.h"
#include "ui/KySoundPlayer.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>
#include <string>

namespace {

// Sound players in a folder holding the two button pictures (40 x 20) and
// sounds, with the input driven by the fake device.
class SoundPlayerTest : public SpriteDrawTest {
protected:
    void SetUp() override
    {
        SpriteDrawTest::SetUp();
        ASSERT_TRUE(m_dir.makeDir("Gui"));
        ASSERT_TRUE(writePng(m_dir.file("Gui/play.png"), 40, 20, KyColor(0, 255, 0, 255)));
        ASSERT_TRUE(writePng(m_dir.file("Gui/stop.png"), 40, 20, KyColor(255, 0, 0, 255)));
        SoundTest::put(m_dir, "long.ogg", SoundTest::toneOgg(1, 22050, 4.0));
        SoundTest::put(m_dir, "short.ogg", SoundTest::toneOgg(1, 22050, 0.2));
        m_cwd.reset(new ScopedWorkingDir(m_dir.path()));
        input.start();
    }
    void TearDown() override
    {
        input.stop();
        m_cwd.reset();
        SpriteDrawTest::TearDown();
    }

    // Builds a player from an XML element.
    static void loadXml(KySoundPlayer& player, const char* xml)
    {
        TiXmlDocument document;
        document.Parse(xml);
        ASSERT_FALSE(document.Error()) << xml;
        player.loadFromXml(document.RootElement());
    }

    static void loadStandard(KySoundPlayer& player, const char* audio)
    {
        std::string xml = std::string("<kysoundplayer AUDIO_FILE=\"") + audio
                          + "\" X=\"10\" y=\"20\">"
                            "<PlayButton up_file=\"Gui/play.png\"/>"
                            "<StopButton up_file=\"Gui/stop.png\"/>"
                            "</kysoundplayer>";
        loadXml(player, xml.c_str());
    }

    // Which buttons are shown and take clicks: "P" play, "S" stop.
    static std::string shown(KySoundPlayer& player)
    {
        std::string out;
        if (player.playButton.upSprite.visible && player.playButton.button.isEnabled())
            out += "P";
        if (player.stopButton.upSprite.visible && player.stopButton.button.isEnabled())
            out += "S";
        return out;
    }

    TempDir m_dir;
    std::unique_ptr<ScopedWorkingDir> m_cwd;
    ButtonInputDriver input;
};

} // namespace

TEST_F(SoundPlayerTest, AfterLoadingOnlyThePlayButtonShowsAtThePlayersPlace)
{
    KySoundPlayer player;
    player.setPosition(KyVector3f32(0.0f, 0.0f, 5.0f));
    loadStandard(player, "long.ogg");
    EXPECT_EQ("P", shown(player));
    EXPECT_FALSE(player.stopButton.label.visible);
    EXPECT_FALSE(player.music.repeat());
    EXPECT_EQ(KyString("long.ogg"), KyString(player.music.requestedPath().c_str()));
    EXPECT_EQ(KyVector3f32(10.0f, 20.0f, 5.0f), player.position());
    EXPECT_EQ(KyVector3f32(10.0f, 20.0f, 5.0f), player.playButton.position());
    EXPECT_EQ(KyVector3f32(10.0f, 20.0f, 5.0f), player.stopButton.position());
    EXPECT_FALSE(player.music.IsPlaying());

    // Child names are exact: a lower-case "playbutton" describes nothing.
    KySoundPlayer other;
    loadXml(other, "<kysoundplayer><playbutton up_file=\"Gui/play.png\"/></kysoundplayer>");
    EXPECT_FALSE(other.playButton.upSprite.hasTexture());
}

TEST_F(SoundPlayerTest, ClicksOnTheButtonsPlayAndStopTheSound)
{
    KySoundPlayer player;
    loadStandard(player, "long.ogg");

    input.click(15, 25);
    EXPECT_TRUE(player.music.IsPlaying());
    EXPECT_EQ("S", shown(player));
    EXPECT_FALSE(player.playButton.label.visible);

    // The stop button stands where the play button was.
    input.click(15, 25);
    EXPECT_FALSE(player.music.IsPlaying());
    EXPECT_EQ("P", shown(player));

    // The sound starts again from the top: a new play of the same file.
    player.play();
    EXPECT_TRUE(player.music.IsPlaying());
    EXPECT_EQ("S", shown(player));
    player.stop();
    EXPECT_EQ("P", shown(player));
}

TEST_F(SoundPlayerTest, TheEndOfTheSoundShowsThePlayButtonAgain)
{
    KySoundPlayer player;
    loadStandard(player, "short.ogg");
    input.click(15, 25);
    ASSERT_EQ("S", shown(player));
    ASSERT_TRUE(SoundTest::waitFor([&] { return !player.music.IsPlaying(); }));
    KySingleton<KySoundManager>::instance()->update();
    EXPECT_EQ("P", shown(player));
}

TEST_F(SoundPlayerTest, ASoundThatCannotPlayKeepsThePlayButton)
{
    KySoundPlayer player;
    loadStandard(player, "missing.ogg");
    input.click(15, 25);
    EXPECT_FALSE(player.music.IsPlaying());
    EXPECT_EQ("P", shown(player));
}

TEST_F(SoundPlayerTest, BothButtonsFollowThePlayersPlaceAndScale)
{
    KySoundPlayer player;
    loadStandard(player, "long.ogg");
    player.setPosition(KyVector3f32(30.0f, 5.0f, 2.0f));
    EXPECT_EQ(KyVector3f32(30.0f, 5.0f, 2.0f), player.playButton.position());
    EXPECT_EQ(KyVector3f32(30.0f, 5.0f, 2.0f), player.stopButton.position());
    player.setScale(KyVector3f32(2.0f, 2.0f, 1.0f));
    EXPECT_EQ(KyVector3f32(2.0f, 2.0f, 1.0f), player.scale());
    EXPECT_EQ(KyVector3f32(2.0f, 2.0f, 1.0f), player.playButton.scale());
    EXPECT_EQ(KyVector3f32(2.0f, 2.0f, 1.0f), player.stopButton.upSprite.scale());
}

// The real game executable run as a player runs it: off screen, through the
// tour of the menus (tests/game/MenuTour.txt), and what it shows, logs and
// writes.
#include "game/OptionsFile.h"
#include "game/StartUp.h"
#include "tests/game/GameProcess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string menuTour()
{
    std::ifstream in(std::string(KY_SOURCE_DIR) + "/tests/game/MenuTour.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const KyColor kWoodPlate(125, 81, 43, 255);
const KyColor kGreyPlate(100, 94, 86, 255);
const KyColor kNightSky(24, 35, 67, 255);
const KyColor kTick(42, 122, 42, 255);
const KyColor kEmptyBox(242, 230, 208, 255);
const KyColor kStudioGround(16, 12, 9, 255);
const KyColor kSkipPlate(127, 91, 56, 255);

// Past the splash screens, the first advert skipped with its button, to
// the main menu.
const std::string kToTheMenu = "wait 190\nclick 436 296\nwait 20\n";

} // namespace

TEST(EndToEnd, TheMenuTourShowsTheMenusAndKeepsTheMusicAsClicked)
{
    const std::string tour = menuTour();
    ASSERT_FALSE(tour.empty());
    GameProcess game;
    GameProcess::Run first = game.run(tour);
    ASSERT_EQ(first.exitCode, 0) << first.console;
    EXPECT_NE(first.console.find("Screenshots in "), std::string::npos) << first.console;

    // The log is made in the user-data folder, and no script failed.
    const std::string log = game.log();
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(game.logHasNo("Lua: ")) << log;

    // The splash screens, then the adverts shipped with the game: no advert
    // host answers here.
    EXPECT_TRUE(game.shot("00-splash").near(60, 30, kStudioGround));
    EXPECT_TRUE(game.shot("00-advert").near(436, 296, kSkipPlate));
    EXPECT_TRUE(game.userFileExists("Ads/index.xml"));

    // The main menu over the night sky: "New game" and the other plates up,
    // "Continue" grey without a saved game.
    GameProcess::Picture menu = game.shot("01-main-menu");
    ASSERT_TRUE(menu.valid());
    EXPECT_TRUE(menu.near(60, 30, kNightSky));
    EXPECT_TRUE(menu.near(170, 140, kWoodPlate));
    EXPECT_TRUE(menu.near(170, 176, kGreyPlate));
    for (f32 y : {212.0f, 248.0f, 284.0f})
        EXPECT_TRUE(menu.near(170, y, kWoodPlate)) << y;

    // The options show the music ticked, then not.
    EXPECT_TRUE(game.shot("02-options").near(130, 110, kTick));
    EXPECT_TRUE(game.shot("03-music-off").near(130, 110, kEmptyBox));
    EXPECT_TRUE(game.shot("03-music-off").near(130, 146, kTick));
    ASSERT_TRUE(game.shot("04-credits").valid());
    EXPECT_TRUE(game.shot("05-main-menu-again").near(170, 140, kWoodPlate));

    // Quitting writes the options as clicked: a first run is full screen at
    // the desktop's size.
    const std::string options = game.userFile("options.xml");
    EXPECT_NE(options.find("<MusicOn value=\"0\" />"), std::string::npos) << options;
    EXPECT_NE(options.find("<FullScreen value=\"1\" />"), std::string::npos) << options;
    const std::string resolution = "<WindowResolution x=\"" + std::to_string(menu.width) + "\" y=\"" +
                                   std::to_string(menu.height) + "\" />";
    EXPECT_NE(options.find(resolution), std::string::npos) << options;

    // A second run appends to the same log and starts with the music off.
    GameProcess::Run second = game.run(kToTheMenu + "key Escape\nshot again\nclick 240 248\nwait 5\nshot options-again\n");
    ASSERT_EQ(second.exitCode, 0) << second.console;
    const std::string both = game.log();
    ASSERT_GT(both.size(), log.size());
    EXPECT_EQ(both.compare(0, log.size(), log), 0);
    EXPECT_TRUE(game.shot("options-again").near(130, 110, kEmptyBox));
    EXPECT_NE(game.userFile("options.xml").find("<MusicOn value=\"0\" />"), std::string::npos);
}

TEST(EndToEnd, AGarbledOptionsFileStartsWithDefaultsAndIsWrittenAnew)
{
    GameProcess game;
    game.writeUserFile("options.xml", "\x01garbage<<<>>>\xff");
    GameProcess::Run run = game.run(kToTheMenu + "shot menu\n");
    ASSERT_EQ(run.exitCode, 0) << run.console;
    // Read before the log exists, the failure is on the console.
    EXPECT_NE(run.console.find("Failed to load file \""), std::string::npos) << run.console;
    EXPECT_TRUE(game.shot("menu").near(170, 140, kWoodPlate));

    OptionsFile::Settings settings;
    ASSERT_TRUE(OptionsFile::read((game.userDataFolder() + "/options.xml").c_str(), settings));
    EXPECT_EQ(settings.fullScreen, 1);
    EXPECT_EQ(settings.flag[OptionsFile::MusicOn], 1);
    EXPECT_EQ(settings.flag[OptionsFile::PermanentHelp], 1);
    EXPECT_EQ(settings.flag[OptionsFile::InverseLook], 0);
    EXPECT_EQ(settings.flag[OptionsFile::CompassLook], 0);
    EXPECT_STREQ(settings.language.c_str(), "en");
    EXPECT_TRUE(OptionsFile::isWindowSize(settings.width, settings.height));
}

TEST(EndToEnd, TheSoftwareDriverEndsTheRunWithItsMessage)
{
    GameProcess game;
    game.writeUserFile("options.xml", "<WindowResolution x=\"640\" y=\"480\" /><FullScreen value=\"0\" />");
    GameProcess::Run run = game.run("driver \"Microsoft Corporation\" \"GDI Generic\"\nwait 10\nshot never\n");
    EXPECT_EQ(run.exitCode, 1) << run.console;
    EXPECT_NE(game.log().find(SoftwareDriverMessage), std::string::npos) << game.log();
    EXPECT_NE(game.log().find("KyEngine"), std::string::npos);
    EXPECT_FALSE(game.shot("never").valid());
    // No application end ran: the options are as they were.
    EXPECT_EQ(game.userFile("options.xml"), "<WindowResolution x=\"640\" y=\"480\" /><FullScreen value=\"0\" />");

    // The same run on the real driver strings goes on and ends normally.
    GameProcess::Run normal = game.run("wait 5\n");
    EXPECT_EQ(normal.exitCode, 0) << normal.console;
}

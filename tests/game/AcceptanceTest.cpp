// The acceptance run: the real game executable plays the sample game from a
// fresh user-data folder to its ending (tests/game/AcceptanceTour.txt, the
// steps of data/WALKTHROUGH.md as an input script, on the fake clock, in a
// small 4:3 window), once with the advert host answering on a loopback port
// and once with it stopped; each run is then continued from the folder it
// left (tests/game/AcceptanceContinueTour.txt). Checked afterwards: the key
// points of the walkthrough and what every screen shows in the screenshots,
// the files the game wrote for the player, and the log.
#include "core/KyColor.h"
#include "game/GameTour.h"
#include "tests/game/GameProcess.h"
#include "tests/game/GameSession.h"
#include "tests/net/AdvertServer.h"
#include "tests/support/TempDir.h"
#include "tools/content/ImageWriters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string sourceFile(const std::string& relative)
{
    return readFile(std::string(KY_SOURCE_DIR) + "/" + relative);
}

KyColor rgb(u32 hex)
{
    return KyColor(u8(hex >> 16), u8(hex >> 8), u8(hex), 255);
}

std::string describe(const KyColor& c)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

// A pixel a screenshot must show, in interface units.
struct Point {
    const char* shot;
    f32 x;
    f32 y;
    u32 colour;
    const char* what;
};

// The twenty key points of data/WALKTHROUGH.md (point 19, "red and green
// above 200", is checked on its own).
const Point kKeyPoints[] = {
    {"04-introduction", 160, 290, 0x0e1b34, "1: the night sea of the title slide"},
    {"05-courtyard", 120, 40, 0xdebd87, "2: the courtyard's sandstone wall"},
    {"05-courtyard", 240, 100, 0xe8c040, "3: the gold star over the gate"},
    {"08-fountain", 240, 100, 0x9a7a4a, "4: the fountain's niche"},
    {"10-archway", 240, 220, 0x3d8638, "5: the garden seen through the arch"},
    {"11-comic", 84, 200, 0x2a2a3a, "6: the first panel's ground"},
    {"11-comic", 240, 290, 0x161009, "7: the comic page under the panels"},
    {"12-garden", 240, 220, 0xa19999, "8: the stone Warden"},
    {"12-garden", 120, 40, 0xefa268, "9: the sunset sky over the hedge"},
    {"18-arch", 240, 100, 0xb9c9d1, "10: the courtyard's sky through the arch"},
    {"21-hall", 240, 160, 0x701622, "11: the hall's red tapestry"},
    {"21-hall", 120, 100, 0x4e396b, "12: the hall's violet wall"},
    {"22-stair-door", 240, 220, 0x1a2a69, "13: the blue stair door"},
    {"25-puzzle", 60, 60, 0x58381a, "14: the bronze face of the cipher puzzle"},
    {"31-hall-gate", 240, 100, 0x8dbce6, "15: the courtyard's sky through the hall's gate"},
    {"32-observatory", 240, 40, 0x070b21, "16: the night in the dome's slit"},
    {"32-observatory", 120, 160, 0x2a3450, "17: the observatory's slate wall"},
    {"34-eyepiece", 20, 20, 0x000000, "18: the eyepiece sprite"},
    {"37-ending", 160, 290, 0x8a90a8, "20: the dome on the first ending slide"},
};

// The health bars: Maya's at x 14, Tuya's at 28; at y 50 a bar shows its
// colour while the health is full and the empty bar's colour below 80 or
// so; at y 60 the colour stays down to about 60.
const u32 kMayaFull = 0xf17a68;
const u32 kTuyaFull = 0x72b9f1;
const u32 kBarEmpty = 0x896d56;

// What the other screenshots show, each on a flat part of its picture.
const Point kScreens[] = {
    {"00-splash", 60, 30, 0x100c09, "the studio's splash"},
    {"02-main-menu", 170, 140, 0x7e522c, "New game, a wooden plate"},
    {"02-main-menu", 170, 176, 0x656057, "Continue, grey: no game yet"},
    {"02-main-menu", 60, 30, 0x192444, "the menu's night sky"},
    {"03-options", 240, 30, 0xead8b1, "the options' parchment"},
    {"05-courtyard", 14, 50, kMayaFull, "Maya's health, full"},
    {"05-courtyard", 28, 50, kTuyaFull, "Tuya's health, full"},
    {"06-objectives", 380, 160, 0xdcc493, "the objectives sheet"},
    {"07-dialog", 420, 250, 0xdac08e, "the dialog box, raised"},
    {"09-notification", 200, 30, 0xe9d4aa, "the key's notification"},
    {"13-answers", 400, 194, 0xd7bd8a, "the third answer's band"},
    {"13-answers", 40, 60, 0x5b4229, "the shade behind the answers"},
    {"14-main-menu", 170, 176, 0x7f532c, "Continue, a wooden plate now"},
    {"15-continued", 14, 50, kMayaFull, "Maya's health shown again"},
    {"16-maya-hurt", 14, 50, kBarEmpty, "Maya's bar drained from the top"},
    {"16-maya-hurt", 14, 60, 0xe46f5f, "Maya's bar below that"},
    {"16-maya-hurt", 28, 50, kTuyaFull, "Tuya untouched"},
    {"17-tuya-hurt", 28, 50, kBarEmpty, "Tuya's bar drained from the top"},
    {"19-healed", 14, 50, kMayaFull, "Maya healed by the fountain"},
    {"19-healed", 28, 50, kTuyaFull, "Tuya healed by the fountain"},
    {"20-inventory", 250, 78, 0xabdcf6, "the lens in the second slot"},
    {"20-inventory", 100, 20, 0x4c3e29, "the in-game menu's frame"},
    {"23-letter", 150, 280, 0xe5d5b2, "the letter's page"},
    {"24-letter-seal", 150, 280, 0xe5d5b2, "the letter's second page"},
    {"26-puzzle-solved", 60, 60, 0x58381a, "the puzzle, still up once solved"},
    {"27-solution", 60, 60, 0x58381a, "the solution screen"},
    {"28-saved", 300, 300, 0xe5cfa1, "the narrator's line"},
    {"29-slots", 240, 150, 0xe8c890, "card 3, enabled, in the middle"},
    {"29-slots", 150, 150, 0x5d5953, "card 2, disabled, beside it"},
    {"30-loaded", 14, 50, kMayaFull, "the health bars after loading"},
    {"30-loaded", 240, 160, 0x701622, "the hall's tapestry after loading"},
    {"33-chart", 300, 60, 0x0f1740, "the star chart's night"},
    {"33-chart", 150, 280, 0xe5d5b2, "the chart's paper"},
    {"35-film", 240, 160, 0xfafafe, "the film's waking star"},
    {"35-film", 100, 100, 0x000000, "the film's black surround"},
    {"38-main-menu", 170, 176, 0x7f532c, "the main menu after the ending"},
    {"50-main-menu", 170, 176, 0x7f532c, "Continue on the next start"},
    {"51-observatory", 120, 160, 0x2a3450, "the observatory continued"},
    {"52-main-menu", 170, 140, 0x7e522c, "the main menu at last"},
};

// The star map woken over the dome's slit: red and green above 200.
bool isWandrel(const KyColor& c)
{
    return c.r > 200 && c.g > 200;
}

// A picture of one colour, as the advert server serves it.
std::string flatPng(u32 width, u32 height, u32 colour)
{
    ImageWriters::PngImage image;
    image.width = width;
    image.height = height;
    for (u32 i = 0; i < width * height; ++i) {
        image.rows.push_back(u8(colour >> 16));
        image.rows.push_back(u8(colour >> 8));
        image.rows.push_back(u8(colour));
    }
    return ImageWriters::toString(ImageWriters::png(image));
}

// The advert set the advert host serves: one page in a colour of its own
// with its skip button where the shipped set has it.
const u32 kServedPicture = 0x2860a0;
const u32 kServedSkip = 0xe0c020;
const char* const kServedIndex = "<?xml version=\"1.0\" ?>\n<advert>\n"
                                 "  <sprite name=\"picture\" file=\"Backup/Ads/Season.png\" visible=\"1\">\n"
                                 "    <position x=\"0\" y=\"0\" z=\"40\" />\n  </sprite>\n"
                                 "  <sprite_button name=\"skip\" up_file=\"Backup/Ads/Go.png\" down_file=\"Backup/Ads/Go.png\""
                                 " enable=\"1\" visible=\"1\">\n"
                                 "    <position x=\"404\" y=\"12\" z=\"50\" />\n  </sprite_button>\n"
                                 "  <value name=\"duration\" value=\"2000000\" />\n</advert>\n";

// The game's window for the runs: small, so that they are quick, and 4:3,
// the shape the walkthrough's scene points are given for.
const char* const kOptions = "<WindowResolution x=\"480\" y=\"360\" />\n<FullScreen value=\"0\" />\n";

const char* const kWrittenOptions = "<?xml version=\"1.0\" ?>\n"
                                    "<GameVersion major=\"1\" minor=\"0\" />\n"
                                    "<WindowResolution x=\"480\" y=\"360\" />\n"
                                    "<FullScreen value=\"0\" />\n"
                                    "<MusicOn value=\"1\" />\n"
                                    "<PermanentHelp value=\"1\" />\n"
                                    "<InverseLook value=\"0\" />\n"
                                    "<compassLook value=\"0\" />\n"
                                    "<Language value=\"en\" />\n";

void expectPoints(const GameProcess& game, const Point* points, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const Point& p = points[i];
        const GameProcess::Picture picture = game.shot(p.shot);
        ASSERT_TRUE(picture.valid()) << p.shot;
        EXPECT_TRUE(picture.near(p.x, p.y, rgb(p.colour)))
            << p.shot << " (" << p.x << ", " << p.y << ") " << p.what << ": " << describe(picture.at(p.x, p.y))
            << " instead of " << describe(rgb(p.colour));
    }
}

// The saves the run to the ending leaves; the slot's text.
std::string expectTheSaves(const GameProcess& game)
{
    // The save after the ending: the observatory with the Wandrel awake,
    // every object used, every line of the walkthrough heard.
    const std::string save = game.userFile("save.xml");
    for (const char* part : {"<WarpName name=\"3D/Isis/Warp_0005.wp\" />", "<Boolean name=\"wandrelAwake\" value=\"1\" />",
                             "<Boolean name=\"cipherSolved\" value=\"1\" />", "<Number name=\"lensGiven\" value=\"1.000000\" />",
                             "<Music path=\"Sounds/Musiques/M_nuit.ogg\" />", "<MayaHealthValue value=\"100\" />",
                             "<Played id=\"MAIA_OBS_3\" />", "<Played id=\"GARD_GARD_3\" />"})
        EXPECT_NE(save.find(part), std::string::npos) << part << "\n" << save;
    EXPECT_EQ(save.find("<Object "), std::string::npos) << save;
    // Slot 3, kept by the crystal: the hall, the puzzle solved, the star and
    // the lens in the bag; no other slot was written.
    const std::string slot = game.userFile("3.xml");
    for (const char* part : {"<WarpName name=\"3D/Isis/Warp_0003.wp\" />", "<Object id=\"Star\" />",
                             "<Object id=\"Lens\" />", "<Boolean name=\"cipherSolved\" value=\"1\" />",
                             "<Boolean name=\"letterRead\" value=\"1\" />"})
        EXPECT_NE(slot.find(part), std::string::npos) << part << "\n" << slot;
    EXPECT_EQ(slot.find("wandrelAwake"), std::string::npos) << slot;
    for (int other = 0; other <= 10; ++other) {
        if (other != 3) {
            EXPECT_FALSE(game.userFileExists(std::to_string(other) + ".xml")) << other;
        }
    }
    return slot;
}

// The whole run and its continuation; hostReachable tells whether the
// advert host answers.
void playTheGame(GameProcess& game, bool hostReachable)
{
    const std::string tour = sourceFile("tests/game/AcceptanceTour.txt");
    const std::string continuation = sourceFile("tests/game/AcceptanceContinueTour.txt");
    ASSERT_FALSE(tour.empty());
    ASSERT_FALSE(continuation.empty());
    game.writeUserFile("options.xml", kOptions);

    const GameProcess::Run first = game.run(tour, 1500);
    ASSERT_EQ(first.exitCode, 0) << first.console;
    EXPECT_NE(first.console.find("Screenshots in "), std::string::npos) << first.console;
    EXPECT_NE(first.console.find("37-ending.png"), std::string::npos) << first.console;
    const std::string firstLog = game.log();

    expectPoints(game, kKeyPoints, sizeof kKeyPoints / sizeof kKeyPoints[0]);
    const KyColor wandrel = game.shot("36-star-map").at(240, 45);
    EXPECT_TRUE(isWandrel(wandrel)) << "19: the woken Wandrel over the slit: " << describe(wandrel);
    // The adverts: the served page, or the set shipped with the game.
    const GameProcess::Picture advert = game.shot("01-advert");
    if (hostReachable) {
        EXPECT_TRUE(advert.near(60, 100, rgb(kServedPicture))) << describe(advert.at(60, 100));
        EXPECT_TRUE(advert.near(436, 296, rgb(kServedSkip))) << describe(advert.at(436, 296));
    } else {
        EXPECT_TRUE(advert.near(60, 100, rgb(0x423f5e))) << describe(advert.at(60, 100));
    }

    // The files written for the player.
    const std::string slot = expectTheSaves(game);
    EXPECT_EQ(game.userFile("options.xml"), kWrittenOptions);
    EXPECT_TRUE(game.userFileExists("KyCache.xml"));
    const std::string shownIndex = game.userFile("Ads/index.xml");
    if (hostReachable) {
        EXPECT_EQ(shownIndex, kServedIndex);
    } else {
        EXPECT_EQ(shownIndex, readFile(std::string(KY_GAME_DATA_DIR) + "/iPhone/DefaultAds/en/index.xml"));
    }

    // The log: every scene entered, the puzzle brought to its solution, no
    // error line.
    for (const char* line : {"Warp_0002: the courtyard", "Warp_0004: the garden", "Warp_0003: the hall",
                             "Warp_0005: the observatory", "difX= 0, dif0Y= 0, dif1Y= 0, dif2Y= 0",
                             "Warp_0005: the chart of the Wandrel was read"})
        EXPECT_NE(firstLog.find(line), std::string::npos) << line;
    int wandrelLines = 0;
    const std::vector<std::string> faults = logFaults(firstLog, hostReachable, wandrelLines);
    EXPECT_TRUE(faults.empty()) << joined(faults);
    EXPECT_EQ(wandrelLines, 1);
    if (hostReachable) {
        EXPECT_EQ(occurrences(firstLog, "[KyHTTPRequest]"), 0u) << firstLog;
    }

    // The second run starts from the folder the first left and continues
    // after the ending: the observatory, the map at rest, no health bars.
    const GameProcess::Run second = game.run(continuation, 900);
    ASSERT_EQ(second.exitCode, 0) << second.console;
    const std::string bothLogs = game.log();
    ASSERT_GT(bothLogs.size(), firstLog.size());
    const std::string secondLog = bothLogs.substr(firstLog.size());
    EXPECT_NE(secondLog.find("Warp_0005: the observatory"), std::string::npos) << secondLog;
    const GameProcess::Picture again = game.shot("51-observatory");
    EXPECT_TRUE(isWandrel(again.at(240, 45))) << describe(again.at(240, 45));
    EXPECT_FALSE(again.near(14, 50, rgb(kMayaFull))) << "the journey is over: no health bars";
    const std::vector<std::string> laterFaults = logFaults(secondLog, hostReachable, wandrelLines);
    EXPECT_TRUE(laterFaults.empty()) << joined(laterFaults);
    EXPECT_EQ(wandrelLines, 1);
    const std::string saveAgain = game.userFile("save.xml");
    EXPECT_NE(saveAgain.find("<Boolean name=\"wandrelAwake\" value=\"1\" />"), std::string::npos) << saveAgain;
    EXPECT_EQ(game.userFile("3.xml"), slot);

    // Both runs' screenshots, screen by screen.
    expectPoints(game, kScreens, sizeof kScreens / sizeof kScreens[0]);
}

// The frames from the pointer's last move to each press of a tour: a hand
// presses as soon as it gets somewhere. A move to where the pointer already
// is moves nothing.
std::vector<u64> restsBeforePresses(const std::string& script)
{
    GameTour tour;
    std::string error;
    EXPECT_TRUE(tour.parse(script, error)) << error;
    std::vector<u64> rests;
    u64 frame = 0;
    u64 moved = 0;
    f32 x = 0.0f;
    f32 y = 0.0f;
    auto moveTo = [&](f32 toX, f32 toY, u64 at) {
        if (toX != x || toY != y)
            moved = at;
        x = toX;
        y = toY;
    };
    for (const GameTour::Step& step : tour.steps()) {
        switch (step.kind) {
        case GameTour::Step::Move:
            moveTo(step.x, step.y, frame);
            if (step.frames == 3)
                rests.push_back(frame + 1 - moved);
            break;
        case GameTour::Step::Path: {
            const auto frames = GameTour::pathMoves(step, x, y);
            for (u32 f = 0; f < frames.size(); ++f) {
                for (const auto& p : frames[f])
                    moveTo(p.first, p.second, frame + f);
            }
            break;
        }
        case GameTour::Step::Press:
            rests.push_back(frame - moved);
            break;
        default:
            break;
        }
        frame += step.kind == GameTour::Step::Key ? 2 : step.frames;
    }
    return rests;
}

} // namespace

TEST(Acceptance, EveryPressOfTheToursComesWithinTwoFramesOfTheLastMove)
{
    for (const char* file : {"tests/game/AcceptanceTour.txt", "tests/game/AcceptanceContinueTour.txt"}) {
        const std::vector<u64> rests = restsBeforePresses(sourceFile(file));
        EXPECT_GT(rests.size(), 3u) << file;
        for (size_t i = 0; i < rests.size(); ++i)
            EXPECT_LE(rests[i], 3u) << file << ": press " << i + 1;
    }
}

TEST(Acceptance, TheSampleGameFromANewGameToItsEndingWithTheAdvertHostOnline)
{
    TempDir served("kyads");
    served.writeFile("index.xml", kServedIndex);
    served.writeFile("Season.png", flatPng(480, 320, kServedPicture));
    served.writeFile("Go.png", flatPng(64, 24, kServedSkip));
    AdvertServer server(served.path());
    ASSERT_TRUE(server.ok());
    GameProcess game;
    game.setEnvironment("KY_ADVERT_HOST", server.address());
    playTheGame(game, true);
}

TEST(Acceptance, TheSampleGameFromANewGameToItsEndingWithTheAdvertHostStopped)
{
    // A loopback port where the host listened and listens no more: the
    // connection is refused and the shipped adverts show.
    TempDir served("kyads");
    served.writeFile("index.xml", kServedIndex);
    AdvertServer server(served.path());
    ASSERT_TRUE(server.ok());
    const std::string address = server.address();
    server.stop();
    GameProcess game;
    game.setEnvironment("KY_ADVERT_HOST", address);
    playTheGame(game, false);
}

// No thread of the game's own to be had for the whole run (a preload refuses
// every one the executable asks for): the pictures are read on the frames,
// the saves are written at once, and the game plays to its ending with the
// saves of any run (its voices and music, streamed on threads of their own,
// are silent: their lines stay for their reading time).
TEST(Acceptance, TheSampleGameFromANewGameToItsEndingWithNoThreadOfItsOwn)
{
    GameProcess game;
    game.setEnvironment("KY_ADVERT_HOST", "ads.orvalen.invalid");
    game.setEnvironment("LD_PRELOAD", KY_REFUSE_THREADS);
    const char* asan = std::getenv("ASAN_OPTIONS");
    game.setEnvironment("ASAN_OPTIONS", std::string(asan ? asan : "") + ":verify_asan_link_order=0");
    game.writeUserFile("options.xml", kOptions);
    const GameProcess::Run run = game.run(sourceFile("tests/game/AcceptanceTour.txt"), 1500);
    ASSERT_EQ(run.exitCode, 0) << run.console;
    EXPECT_NE(game.log().find("ERROR; return code from CreateThread() is 0"), std::string::npos);
    EXPECT_EQ(game.log().find("were not read within"), std::string::npos);
    // The adverts shown as ever, and skipped with their button.
    EXPECT_TRUE(game.shot("01-advert").near(60, 100, rgb(0x423f5e))) << describe(game.shot("01-advert").at(60, 100));
    EXPECT_TRUE(game.shot("02-main-menu").near(170, 140, rgb(0x7e522c)));
    expectTheSaves(game);
}

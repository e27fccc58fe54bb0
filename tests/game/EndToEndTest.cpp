// The real game executable run as a player runs it: off screen, through the
// tour of the menus (tests/game/MenuTour.txt), and what it shows, logs and
// writes.
#include "core/KyFile.h"
#include "core/KyXmlDocument.h"
#include "game/OptionsFile.h"
#include "game/StartUp.h"
#include "net/KyAdsIndex.h"
#include "net/KyAdsSet.h"
#include "tests/game/GameProcess.h"
#include "tests/game/ScreenFixtures.h"
#include "tests/net/AdvertServer.h"
#include "tools/content/ImageWriters.h"
#include "tools/content/SoundWriters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <set>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

// The bytes of the files under a folder.
u64 folderBytes(const std::string& folder)
{
    u64 bytes = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        if (entry.is_regular_file(error))
            bytes += entry.file_size(error);
    }
    return bytes;
}

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
    // The sound library's own log tells whether each run closed its device.
    const std::string soundLog = game.userDataFolder() + "/openal.txt";
    game.setEnvironment("ALSOFT_LOGFILE", soundLog);
    game.writeUserFile("options.xml", "<WindowResolution x=\"640\" y=\"480\" /><FullScreen value=\"0\" />");
    GameProcess::Run run = game.run("driver \"Microsoft Corporation\" \"GDI Generic\"\nwait 10\nshot never\n");
    EXPECT_EQ(run.exitCode, 1) << run.console;
    EXPECT_EQ(game.userFile("openal.txt").find("not closed"), std::string::npos) << game.userFile("openal.txt");
    EXPECT_NE(game.log().find(SoftwareDriverMessage), std::string::npos) << game.log();
    EXPECT_NE(game.log().find("KyEngine"), std::string::npos);
    EXPECT_FALSE(game.shot("never").valid());
    // No application end ran: the options are as they were.
    EXPECT_EQ(game.userFile("options.xml"), "<WindowResolution x=\"640\" y=\"480\" /><FullScreen value=\"0\" />");

    // The same run on the real driver strings goes on and ends normally.
    GameProcess::Run normal = game.run("wait 5\n");
    EXPECT_EQ(normal.exitCode, 0) << normal.console;
    EXPECT_EQ(game.userFile("openal.txt").find("not closed"), std::string::npos) << game.userFile("openal.txt");
}

namespace {

// A save of the game's first scene, with the sections given.
std::string saveNaming(const std::string& warp, const std::string& sections = "")
{
    return "<?xml version=\"1.0\" ?>\n<GameVersion major=\"1\" minor=\"1\" />\n<WarpName name=\"" + warp +
           "\" />\n" + sections;
}

size_t count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// A process that writes the file name of an empty folder over and over, as
// the game writes its files, ended at varied moments of a write by a signal
// (as a kill ends it) until one leaves its temporary file behind; that
// file's name.
std::string leftOverByAKilledSave(const std::string& folder, const std::string& name)
{
    const std::string bytes(1u << 20, 'x');
    const KyString path((folder + "/" + name).c_str());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const pid_t child = fork();
        if (child == 0) {
            KyFile::writeDiskAtomically(path, bytes.data(), u32(bytes.size()));
            ualarm(useconds_t(500 + attempt * 397 % 3000), 0);
            for (;;)
                KyFile::writeDiskAtomically(path, bytes.data(), u32(bytes.size()));
        }
        waitpid(child, nullptr, 0);
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().filename() != name)
                return entry.path().filename().string();
        }
    }
    return std::string();
}

} // namespace

// A save or slot naming a scene the game cannot enter (a missing panorama,
// or the animation panorama, which has no scene script) stranded the player
// in an empty black scene that leaving saved again. The save is refused as a
// damaged one: a line, the file as it was, the main menu; the slot is shown
// disabled. And what runs killed while they saved left behind is gone, while
// the player's own files of every look-alike shape (slots the menu never
// names among them) stay as they were.
TEST(EndToEnd, ASaveOfASceneThatDoesNotLoadIsRefusedAndTheMenuStays)
{
    GameProcess game;
    const std::string folder = game.userDataFolder();
    game.writeUserFile("save.xml", "");
    const std::string leftover = leftOverByAKilledSave(folder, "save.xml");
    ASSERT_FALSE(leftover.empty());
    // What the writer puts after a file's name, and names a person may give.
    const std::string mark = leftover.substr(std::strlen("save.xml"));
    std::string upper = mark;
    std::transform(mark.begin(), mark.end(), upper.begin(), ::toupper);
    const std::string stale[] = {leftover, "options.xml" + mark, "KyCache.xml" + mark, "7.xml" + mark,
                                 "0.xml" + mark, "10.xml" + mark};
    const std::string copies[] = {
        "save.xml.backup", "options.xml.before", "notes.xml.backup", "thesis.xml.final1", "save.xml.bak",
        "save.xml.a1B2c3", "7.xml.000000", "SAVE.XML.ABCDEF", "save.xml" + mark + "d", "save.xml" + upper,
        "save.xml" + mark.substr(0, mark.size() - 1), "notes.xml" + mark, "07.xml" + mark, "Save.xml" + mark,
        "copies/save.xml" + mark, "11.xml" + mark, "999999999.xml" + mark, "-1.xml" + mark, "010.xml" + mark};
    for (const std::string& name : stale)
        game.writeUserFile(name, "<half");
    for (const std::string& name : copies)
        game.writeUserFile(name, "mine: " + name);
    game.writeUserFile("1.xml" + mark + "/inside.txt", "mine");
    std::filesystem::create_symlink("save.xml.backup", folder + "/3.xml" + mark);

    const std::string save = saveNaming("3D/Isis/Warp_0099.wp");
    game.writeUserFile("save.xml", save);
    game.writeUserFile("0.xml", saveNaming("3D/Isis"));
    game.writeUserFile("1.xml", saveNaming("3D/Isis/Warp_0003.wp"));
    game.writeUserFile("2.xml", saveNaming("3D/Isis/Anim_0005.wp"));

    const GameProcess::Run run = game.run(kToTheMenu + "click 240 176\nwait 200\nshot refused\n"
                                                       "click 240 212\nwait 30\n");
    ASSERT_EQ(run.exitCode, 0) << run.console;
    const std::string log = game.log();
    EXPECT_EQ(count(log, "the panorama 3D/Isis/Warp_0099.wp cannot be loaded"), 1u) << log;
    EXPECT_EQ(count(log, "Remove globals condition"), 0u) << "no scene was entered";
    EXPECT_EQ(game.userFile("save.xml"), save);
    const GameProcess::Picture refused = game.shot("refused");
    EXPECT_TRUE(refused.near(60, 30, kNightSky));
    EXPECT_TRUE(refused.near(170, 176, kWoodPlate)) << "Continue stays: the file is still there";
    const std::string damaged = "LoadingMenu::SaveButton::SaveButton: Damaged file \"" + folder;
    EXPECT_NE(log.find(damaged + "/0.xml\": the panorama 3D/Isis cannot be loaded"), std::string::npos) << log;
    EXPECT_NE(log.find(damaged + "/2.xml\": the panorama 3D/Isis/Anim_0005.wp is not a scene"), std::string::npos)
        << log;
    EXPECT_EQ(log.find("1.xml\": "), std::string::npos) << log;
    for (const std::string& name : stale) {
        EXPECT_FALSE(game.userFileExists(name)) << name;
        EXPECT_NE(log.find("stale temporary file removed: " + name), std::string::npos) << name;
    }
    for (const std::string& name : copies)
        EXPECT_EQ(game.userFile(name), "mine: " + name) << name;
    EXPECT_EQ(game.userFile("1.xml" + mark + "/inside.txt"), "mine");
    EXPECT_EQ(std::filesystem::read_symlink(folder + "/3.xml" + mark), "save.xml.backup");
}

// Opening a FIFO to read waits for a writer: a save, options or advert
// cache that is one held the game at its start, and a save whose music is
// one held "Continue". The game goes on past each.
TEST(EndToEnd, NoFileTheGameReadsHoldsItWhenItIsAFifo)
{
    GameProcess game;
    game.writeUserFile("logs.txt", "");
    for (const char* name : {"options.xml", "KyCache.xml", "save.xml"}) {
        const std::string path = game.userDataFolder() + "/" + name;
        ASSERT_EQ(0, mkfifo(path.c_str(), 0600)) << path;
    }
    const GameProcess::Run first = game.run(kToTheMenu + "shot menu\n");
    ASSERT_EQ(first.exitCode, 0) << first.console;
    EXPECT_TRUE(game.shot("menu").near(170, 176, kGreyPlate)) << "no save to continue";

    // The options and the cache were written over their FIFOs; the save,
    // made a file naming a music that is a FIFO, is continued.
    std::remove((game.userDataFolder() + "/save.xml").c_str());
    const std::string music = game.userDataFolder() + "/music.ogg";
    ASSERT_EQ(0, mkfifo(music.c_str(), 0600));
    game.writeUserFile("save.xml", saveNaming("3D/Isis/Warp_0002.wp", "<Music path=\"" + music + "\" />\n"));
    const GameProcess::Run second = game.run(kToTheMenu + "click 240 176\nwait 150\nshot scene\n");
    ASSERT_EQ(second.exitCode, 0) << second.console;
    EXPECT_FALSE(game.shot("scene").near(60, 30, kNightSky)) << "in the scene, not the menu";
    EXPECT_NE(game.log().find("Remove globals condition"), std::string::npos);
}

// Whatever the advert host sends in place of a set - an index cut inside its
// first comment, a login portal's page, pictures cut by its close, an index
// of twenty thousand names, pictures whose data inflates to gigabytes - the
// adverts the player had are the ones shown, and they stay for the next
// runs. None costs the run more memory than a harmless host does, and the
// user-data folder never holds more than a set may.
TEST(EndToEnd, AHostileAdvertHostNeverTakesThePlayersAdverts)
{
    const KyColor good(30, 140, 200, 255);
    const std::string goodIndex = "<?xml version=\"1.0\" ?>\n<advert>\n"
                                  "  <sprite name=\"picture\" file=\"Backup/Ads/Good.png\" visible=\"1\">\n"
                                  "    <position x=\"0\" y=\"0\" z=\"40\" />\n  </sprite>\n"
                                  "  <value name=\"duration\" value=\"60000000\" />\n</advert>\n";
    const std::string goodPicture = ScreenFixtures::solidPng(480, 320, good);
    TempDir served("kyads");
    served.writeFile("index.xml", "<?xml version=\"1.0\" ?>\n<!-- The adverts of the season, shown from the advert "
                                  "folder: one page, then the menu. -->\n<advert>\n"
                                  "  <sprite name=\"picture\" file=\"Backup/Ads/Season.jpg\" visible=\"1\">\n"
                                  "    <position x=\"0\" y=\"0\" z=\"40\" />\n  </sprite>\n</advert>\n");
    served.writeFile("Season.jpg", ImageWriters::toString(ImageWriters::jpeg(
                                       480, 320, 3, ImageWriters::photo(480, 320, 3))));
    struct Case {
        const char* mode;
        std::vector<std::string> options;
        const char* logged;
    } cases[] = {
        {"cutindex", {"--cut", "30"}, "comment without its end"},
        {"portal", {}, "which an advert page may not hold"},
        {"cutbody", {}, "AdsTmp/Season.jpg is not a whole picture"},
        {"manynames", {}, "the response is larger than 196608 bytes"},
        // 250 pictures of 4096 x 4096, 56 KB each to send and 48 MiB each to
        // decode: refused from their headers, at no cost to the start.
        {"bigpictures", {"--names", "250"}, "AdsTmp/p0.png is larger than the advert budget allows"},
        // Eight pictures of one pixel whose data inflates to 512 MiB after
        // it, 512 KB each to send: refused after a piece of the first, where
        // they once took seconds each at every start.
        {"bombpictures", {"--names", "8", "--inflate", "512"}, "AdsTmp/p0.png is not a whole picture"},
        // A picture of one pixel with a hundred text chunks of 64 MiB each,
        // 6.4 MB to send: far more than its pixel, refused uninflated.
        {"textbombs", {"--names", "1"}, "AdsTmp/p0.png is not a whole picture"},
        // Pictures of 8 x 8 pixels each followed by 63 MiB of zeros: the
        // downloads stop at what a set may hold, on disk and in memory.
        {"padded", {"--names", "24"}, "the files of the advert set pass what a set may hold"},
        {"padded", {"--names", "256"}, "the files of the advert set pass what a set may hold"},
    };
    GameProcess game;
    GameProcess::Run first;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        game.writeUserFile("Ads/index.xml", goodIndex);
        game.writeUserFile("Ads/Good.png", goodPicture);
        std::remove((game.userDataFolder() + "/KyCache.xml").c_str());
        AdvertServer server(served.path(), c.mode, 0, c.options);
        ASSERT_TRUE(server.ok());
        game.setEnvironment("KY_ADVERT_HOST", server.address());
        const size_t logBefore = game.log().size();
        // The frames go on long after the shot: the fetch and its check
        // end whenever the host's bytes come.
        const GameProcess::Run run = game.run("wait 200\nshot advert\nwait 600\n");
        ASSERT_EQ(run.exitCode, 0) << run.console;
        const std::string log = game.log().substr(logBefore);
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        const KyColor shown = game.shot("advert").at(240, 160);
        EXPECT_TRUE(game.shot("advert").near(240, 160, good))
            << int(shown.r) << " " << int(shown.g) << " " << int(shown.b);
        // No more memory than a run whose host sent nothing worth reading.
        if (first.peakKiB == 0)
            first = run;
        EXPECT_LT(run.peakKiB, first.peakKiB + 64 * 1024) << first.peakKiB;
        // Whatever the host sent, the user-data folder holds no more than a
        // set may.
        EXPECT_LT(folderBytes(game.userDataFolder()), KyAdsSet::allowanceFor(KyAdsSet::kMaxSetFiles) + (1u << 20));
        EXPECT_EQ(game.userFile("Ads/index.xml"), goodIndex);
        EXPECT_EQ(game.userFile("Ads/Good.png"), goodPicture);
        EXPECT_FALSE(game.userFileExists("Ads/Season.jpg"));
    }
}

namespace {

// An advert set of eight pictures of one pixel whose data inflates to 4 GiB
// each after their one row, as the advert server's "bombpictures" mode
// serves them.
void writeBombSet(GameProcess& game, const std::string& folder)
{
    std::string index = "<?xml version=\"1.0\"?>\n<advert>\n";
    ImageWriters::PngImage pixel;
    pixel.width = 1;
    pixel.height = 1;
    pixel.rows = {255, 0, 0};
    const ImageWriters::Bytes data = ImageWriters::zlibZeros({0, 255, 0, 0}, (u64(4) << 30) - 4);
    const std::string bomb = ImageWriters::toString(ImageWriters::pngWith(ImageWriters::png(pixel), {}, &data));
    for (int i = 0; i < 8; ++i) {
        const std::string name = "p" + std::to_string(i) + ".png";
        index += "  <img name=\"p" + std::to_string(i) + "\" file=\"Backup/Ads/" + name + "\"/>\n";
        game.writeUserFile(folder + "/" + name, bomb);
    }
    game.writeUserFile(folder + "/index.xml", index + "</advert>\n");
}

} // namespace

// The furthest any thread of the last run read or wrote into a file whose
// path holds part, by the offsets of its closes.
u64 furthestInto(const GameProcess& game, const std::string& part)
{
    u64 furthest = 0;
    for (const GameProcess::FileOperation& operation : game.fileTrace()) {
        if (operation.operation == "close" && operation.path.find(part) != std::string::npos)
            furthest = std::max(furthest, operation.offset);
    }
    return furthest;
}

// A set of decompression bombs once froze every start: its check inflated
// gigabytes whenever it lay in "AdsTmp", at the start and at the end. Once
// it is refused, or left in "AdsTmp" by a run killed while it was checked
// (its cache saying the run was cut short), later starts cost what a start
// with the shipped set costs in memory, and no thread reads into a bomb
// further than a piece of its first megabyte (inflated, one is read whole,
// its 4 MB).
TEST(EndToEnd, StartsAfterABombSetCostWhatAStartWithTheShippedSetCosts)
{
    const std::string tour = "wait 200\nshot advert\n";
    const std::string unreachable = "ads.orvalen.invalid";
    GameProcess game;
    game.traceFiles();
    game.setEnvironment("KY_ADVERT_HOST", unreachable);
    // The first start copies the shipped set; the second is the measure.
    ASSERT_EQ(game.run(tour).exitCode, 0);
    const GameProcess::Run shipped = game.run(tour);
    ASSERT_EQ(shipped.exitCode, 0) << shipped.console;
    const std::string shippedIndex = game.userFile("Ads/index.xml");
    ASSERT_FALSE(shippedIndex.empty());
    const auto cheap = [&](const GameProcess::Run& run) {
        EXPECT_EQ(run.exitCode, 0) << run.console;
        EXPECT_LT(furthestInto(game, "/AdsTmp/p"), 1u << 20);
        EXPECT_LT(run.peakKiB, shipped.peakKiB + shipped.peakKiB / 5) << shipped.peakKiB;
        EXPECT_EQ(game.userFile("Ads/index.xml"), shippedIndex);
    };

    TempDir served("kyads");
    {
        AdvertServer server(served.path(), "bombpictures", 0, {"--names", "8"});
        ASSERT_TRUE(server.ok());
        game.setEnvironment("KY_ADVERT_HOST", server.address());
        std::remove((game.userDataFolder() + "/KyCache.xml").c_str());
        // The frames go on until the fetch and its check have ended.
        ASSERT_EQ(game.run(tour + "wait 600\n").exitCode, 0);
        EXPECT_NE(game.log().find("AdsTmp/p0.png is not a whole picture"), std::string::npos);
        EXPECT_FALSE(game.userFileExists("AdsTmp/index.xml"));
    }
    game.setEnvironment("KY_ADVERT_HOST", unreachable);
    SCOPED_TRACE("after the set was refused");
    cheap(game.run(tour));

    // A run killed while it checked the set: its cache says so, and the
    // set lies in "AdsTmp". The next start shows no adverts and checks the
    // set as it ends; the one after that shows the shipped set again.
    writeBombSet(game, "AdsTmp");
    std::string cache = game.userFile("KyCache.xml");
    const size_t value = cache.find("<corrupted value=\"0\"");
    ASSERT_NE(value, std::string::npos) << cache;
    cache.replace(value, std::strlen("<corrupted value=\"0\""), "<corrupted value=\"1\"");
    game.writeUserFile("KyCache.xml", cache);
    {
        SCOPED_TRACE("after a run killed while it checked the set");
        cheap(game.run(tour));
        EXPECT_FALSE(game.userFileExists("AdsTmp/index.xml"));
    }
    SCOPED_TRACE("the start after");
    cheap(game.run(tour));
}

namespace {

// The shipped set's first page, at (60, 100).
const KyColor kShippedAdvert(0x42, 0x3f, 0x5e, 255);
const std::string kUnreachable = "ads.orvalen.invalid";

bool isOpen(const GameProcess::FileOperation& operation)
{
    return operation.operation.compare(0, 4, "open") == 0 || operation.operation.compare(0, 5, "fopen") == 0 ||
           operation.operation == "mkstemp";
}

// The main thread's file operations of the last run, those on paths under
// the prefix given (all when empty).
size_t mainThreadOperations(const GameProcess& game, const std::string& prefix = std::string())
{
    size_t n = 0;
    for (const GameProcess::FileOperation& operation : game.fileTrace()) {
        const bool under = operation.path.compare(0, prefix.size(), prefix) == 0 ||
                           (!operation.target.empty() && operation.target.compare(0, prefix.size(), prefix) == 0);
        n += operation.mainThread && under ? 1 : 0;
    }
    return n;
}

// The main thread's operations of a run that another run's main thread did
// not make (the operation and its path within its home, the temporary files'
// random letters left out), as text for a failure message.
std::string mainThreadWorkBeyond(const GameProcess& game, const GameProcess& other)
{
    const auto key = [](const GameProcess& run, const GameProcess::FileOperation& operation) {
        const std::string home = run.userDataFolder().substr(0, run.userDataFolder().find("/Documents"));
        std::string path = operation.path;
        if (path.compare(0, home.size(), home) == 0)
            path = "~" + path.substr(home.size());
        const size_t mark = path.find(".kytmp~");
        return operation.operation + " " + (mark == std::string::npos ? path : path.substr(0, mark + 7));
    };
    std::multiset<std::string> known;
    for (const GameProcess::FileOperation& operation : other.fileTrace()) {
        if (operation.mainThread)
            known.insert(key(other, operation));
    }
    std::string text;
    size_t shown = 0;
    for (const GameProcess::FileOperation& operation : game.fileTrace()) {
        if (!operation.mainThread)
            continue;
        const auto found = known.find(key(game, operation));
        if (found != known.end())
            known.erase(found);
        else if (shown++ < 30)
            text += key(game, operation) + "\n";
    }
    return text;
}

// A served set of one page naming count pictures made by picture(i), shown
// for a minute: a run that shows it reaches no screen that a run showing
// the shipped set does not reach.
std::string writeServedSet(const TempDir& folder, u32 count, const std::function<std::string(u32)>& picture)
{
    std::string index = "<?xml version=\"1.0\"?>\n<advert>\n";
    for (u32 i = 0; i < count; ++i) {
        const std::string name = "p" + std::to_string(i) + ".png";
        index += "  <img name=\"p" + std::to_string(i) + "\" file=\"Backup/Ads/" + name + "\"/>\n";
        folder.writeFile(name, picture(i));
    }
    index += "  <value name=\"duration\" value=\"60000000\"/>\n</advert>\n";
    folder.writeFile("index.xml", index);
    return index;
}

u64 freeBytes(const std::string& folder)
{
    struct statvfs space;
    return statvfs(folder.c_str(), &space) == 0 ? u64(space.f_bavail) * space.f_frsize : 0;
}

} // namespace

// A set left in the user-data folder whose page names a sound of the set (a
// long one, decoded whole on the frame that loads the page) is not a set to
// show: the shipped set shows in its place, and nothing opens the sound.
// The same set without the sound shows its picture.
TEST(EndToEnd, ASetWhosePageNamesASoundIsNotShownAndNoFrameOpensTheSound)
{
    const KyColor own(30, 140, 200, 255);
    std::vector<float> samples = SoundWriters::sineFloat(1, 8000, 8000 * 20, {440.0}, {0.5});
    const SoundWriters::Bytes ogg = SoundWriters::encodeVorbis(1, 8000, samples);
    ASSERT_FALSE(ogg.empty());
    for (bool sound : {true, false}) {
        SCOPED_TRACE(sound ? "a page naming a sound" : "the same page without it");
        GameProcess game;
        game.traceFiles();
        game.setEnvironment("KY_ADVERT_HOST", kUnreachable);
        game.writeUserFile("Ads/index.xml",
                           "<?xml version=\"1.0\" ?>\n<advert>\n"
                           "  <sprite name=\"picture\" file=\"Backup/Ads/Own.png\" visible=\"1\">\n"
                           "    <position x=\"0\" y=\"0\" z=\"40\" />\n  </sprite>\n" +
                               std::string(sound ? "  <sfx name=\"jingle\" file=\"Backup/Ads/long.ogg\" />\n" : "") +
                               "  <value name=\"duration\" value=\"60000000\" />\n</advert>\n");
        game.writeUserFile("Ads/Own.png", ScreenFixtures::solidPng(480, 320, own));
        game.writeUserFile("Ads/long.ogg", std::string(ogg.begin(), ogg.end()));
        const GameProcess::Run run = game.run("wait 200\nshot advert\n");
        ASSERT_EQ(run.exitCode, 0) << run.console;
        const GameProcess::Picture advert = game.shot("advert");
        const KyColor seen = advert.at(60, 100);
        EXPECT_TRUE(advert.near(60, 100, sound ? kShippedAdvert : own))
            << int(seen.r) << " " << int(seen.g) << " " << int(seen.b);
        size_t soundOpens = 0;
        for (const GameProcess::FileOperation& operation : game.fileTrace())
            soundOpens += isOpen(operation) && operation.path.find("long.ogg") != std::string::npos ? 1 : 0;
        EXPECT_EQ(soundOpens, 0u);
    }
}

// A start that downloads a whole set of 250 small pictures does no more file
// work on the main thread, in the advert folders or anywhere, than a start
// whose host is never reached; and the set is the one the next start shows.
TEST(EndToEnd, AStartThatDownloadsAWholeSetDoesNoMoreFileWorkOnTheMainThreadThanOneWithNoHost)
{
    const std::string tour = "wait 400\n";
    GameProcess offline;
    // The fetch wants room for the set's allowance and a margin after it.
    if (freeBytes(offline.userDataFolder().substr(0, offline.userDataFolder().find("/Documents"))) <
        (96ull << 20))
        GTEST_SKIP() << "less than 96 MiB free for the downloaded set";
    offline.traceFiles();
    offline.setEnvironment("KY_ADVERT_HOST", kUnreachable);
    ASSERT_EQ(offline.run(tour).exitCode, 0);
    const std::string offlineFolder = offline.userDataFolder() + "/Ads";
    const size_t offlineAdverts = mainThreadOperations(offline, offlineFolder);
    const size_t offlineAll = mainThreadOperations(offline);

    TempDir served("kyads");
    const std::string index = writeServedSet(served, 250, [](u32 i) {
        return ScreenFixtures::solidPng(8, 8, KyColor(u8(i), 120, 60, 255));
    });
    AdvertServer server(served.path());
    ASSERT_TRUE(server.ok());
    GameProcess game;
    game.traceFiles();
    game.setEnvironment("KY_ADVERT_HOST", server.address());
    const GameProcess::Run run = game.run(tour);
    ASSERT_EQ(run.exitCode, 0) << run.console;
    EXPECT_LE(mainThreadOperations(game, game.userDataFolder() + "/Ads"), offlineAdverts)
        << mainThreadWorkBeyond(game, offline);
    EXPECT_LE(mainThreadOperations(game), offlineAll) << mainThreadWorkBeyond(game, offline);
    // Taken at once, or at the next start.
    ASSERT_EQ(game.run(tour).exitCode, 0);
    EXPECT_EQ(game.userFile("Ads/index.xml"), index) << game.log();
}

namespace {

// A game continued in the courtyard, its introduction and the garden's
// comic page already seen.
const std::string kCourtyardSave = saveNaming("3D/Isis/Warp_0002.wp",
                                              "<Orientation x=\"0.000000\" y=\"0.000000\" />\n"
                                              "<Boolean name=\"courtyardTalked\" value=\"1\" />\n"
                                              "<Boolean name=\"gardenStoryTold\" value=\"1\" />\n"
                                              "<Boolean name=\"introductionSeen\" value=\"1\" />\n");

// Continued from the main menu, then from the courtyard to the garden and
// back five times: ten changes of scene, each saved, the last back in the
// courtyard.
std::string tenSceneChanges()
{
    std::string tour = kToTheMenu + "click 240 176\nwait 200\n";
    for (int i = 0; i < 5; ++i) {
        tour += "path 10 150 160\npress\npath 21 330 160\nwait 2\nrelease\nwait 10\n"  // courtyard, to -90
                "path 15 240 186\nclick 240 186\nwait 200\n"                          // the archway
                "path 10 420 160\npress\npath 40 60 160\nwait 2\nrelease\nwait 10\n"  // garden, to 180
                "path 15 240 186\nclick 240 186\nwait 200\n";                         // the arch
    }
    return tour;
}

// A picture of noise, as large in its file as in its pixels.
std::string noisePng(u32 side, u32 seed)
{
    ImageWriters::PngImage image;
    image.width = side;
    image.height = side;
    image.rows.resize(size_t(side) * side * 3);
    u32 state = seed * 2654435761u + 1;
    for (u8& byte : image.rows) {
        state = state * 1664525u + 1013904223u;
        byte = u8(state >> 24);
    }
    return ImageWriters::toString(ImageWriters::png(image));
}

// A tmpfs of 4 MiB mounted over a folder for one test, when the test may
// mount; unmounted at the end, whatever the test did.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& folder) : m_folder(folder)
    {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        m_mounted = geteuid() == 0 && mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=4m") == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            umount2(m_folder.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return m_mounted; }

private:
    std::string m_folder;
    bool m_mounted = false;
};

} // namespace

// On a user-data disk with 1 MiB free, a host serving a set larger than that
// costs the player nothing: the save made at each change of scene is
// written, "AdsTmp" is gone, most of the room is left and the player's own
// file stays as it was, as in the same run with no host.
TEST(EndToEnd, OnAUserDataDiskWithLittleRoomTheAdvertsNeverTakeTheSavesRoom)
{
    TempDir served("kyads");
    writeServedSet(served, 250, [](u32 i) { return noisePng(48, i); });
    AdvertServer server(served.path());
    ASSERT_TRUE(server.ok());
    const std::string tour = tenSceneChanges();
    for (bool host : {true, false}) {
        SCOPED_TRACE(host ? "a host serving 2 MB of pictures" : "no host");
        GameProcess game;
        const std::string folder = game.userDataFolder();
        SmallDisk disk(folder);
        if (!disk.mounted())
            GTEST_SKIP() << "a tmpfs cannot be mounted here (not root)";
        const u64 room = freeBytes(folder);
        ASSERT_GT(room, 2u << 20);
        const std::string mine(room - (1u << 20), 'm');
        game.writeUserFile("mine.bin", mine);
        game.writeUserFile("save.xml", kCourtyardSave);
        game.setEnvironment("KY_ADVERT_HOST", host ? server.address() : kUnreachable);
        const GameProcess::Run run = game.run(tour);
        ASSERT_EQ(run.exitCode, 0) << run.console;
        const std::string save = game.userFile("save.xml");
        EXPECT_NE(save, kCourtyardSave) << "the save was never written";
        EXPECT_NE(save.find("<WarpName name=\"3D/Isis/Warp_0002.wp\""), std::string::npos)
            << "the last change of scene was not saved: " << save;
        EXPECT_EQ(count(game.log(), "Warp_0004: the garden"), 5u);
        EXPECT_FALSE(game.userFileExists("AdsTmp"));
        EXPECT_GT(freeBytes(folder), 1u << 19);
        EXPECT_TRUE(game.userFile("mine.bin") == mine) << "the player's file changed";
        EXPECT_TRUE(game.logHasNo("Lua: "));
    }
}

// With the workers' reads of a set left in "AdsTmp" stalled for a minute (a
// run cut short while it checked the set: the next start checks it again on
// a worker), a tour to the main menu and out ends the process while the
// stall goes on, and the game's own files are written whole.
TEST(EndToEnd, WithTheWorkersReadsStalledTheProcessEndsAfterItsLastFrame)
{
    GameProcess game;
    game.setEnvironment("KY_ADVERT_HOST", kUnreachable);
    ASSERT_EQ(game.run("wait 200\n").exitCode, 0);
    std::string index = "<?xml version=\"1.0\"?>\n<advert>\n";
    for (int i = 0; i < 4; ++i) {
        const std::string name = "p" + std::to_string(i) + ".png";
        index += "  <img name=\"p" + std::to_string(i) + "\" file=\"Backup/Ads/" + name + "\"/>\n";
        game.writeUserFile("AdsTmp/" + name, ScreenFixtures::solidPng(8, 8, KyColor(200, 40, 40, 255)));
    }
    game.writeUserFile("AdsTmp/index.xml", index + "</advert>\n");
    std::string cache = game.userFile("KyCache.xml");
    const size_t value = cache.find("<corrupted value=\"0\"");
    ASSERT_NE(value, std::string::npos) << cache;
    cache.replace(value, std::strlen("<corrupted value=\"0\""), "<corrupted value=\"1\"");
    game.writeUserFile("KyCache.xml", cache);

    game.traceFiles("/AdsTmp/", 60);
    const GameProcess::Run run = game.run("wait 250\nshot menu\n");
    ASSERT_EQ(run.exitCode, 0) << run.console;
    EXPECT_TRUE(game.shot("menu").near(60, 30, kNightSky));
    size_t begun = 0, ended = 0;
    for (const GameProcess::FileOperation& operation : game.fileTrace()) {
        begun += operation.operation == "stall-begin" ? 1 : 0;
        ended += operation.operation == "stall-end" ? 1 : 0;
    }
    EXPECT_GE(begun, 1u) << "no worker read the set left";
    EXPECT_EQ(ended, 0u) << "the end waited for a stalled reading";
    OptionsFile::Settings settings;
    EXPECT_TRUE(OptionsFile::read((game.userDataFolder() + "/options.xml").c_str(), settings));
    KyXmlDocument written;
    EXPECT_TRUE(KyAdsIndex::loadDocument(KyString((game.userDataFolder() + "/KyCache.xml").c_str()), written));
    EXPECT_NE(written.FirstChildElement("KyAds"), nullptr) << game.userFile("KyCache.xml");
}

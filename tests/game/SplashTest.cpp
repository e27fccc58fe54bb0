// The first screens of the game on the fake clock: the numbered splashes a
// second and a half each, the advert pages (the set shipped with the game
// when the advert host cannot be reached, or one downloaded from the advert
// server of tools/ on a loopback port), then the main menu.
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "core/KyWorkerPool.h"
#include "game/Application.h"
#include "net/KyHTTPDownloader.h"
#include "tests/game/DataOverlay.h"
#include "tests/game/GameSession.h"
#include "tests/game/ScreenFixtures.h"
#include "tests/game/TalkSupport.h"
#include "tests/net/AdvertServer.h"
#include "tests/support/TempDir.h"
#include "tools/content/ImageWriters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// What the first screens show in one frame.
std::string phase(Application* app)
{
    SplashScreens& splash = app->splashScreens;
    if (app->mainMenu.gui.isLoaded())
        return "menu";
    if (splash.gui.isLoaded())
        return splash.gui.loadedPath().c_str();
    const std::string page = splash.ads.currentPage().c_str();
    return page.empty() ? "nothing" : page;
}

struct PhaseRun {
    std::string what;
    int frames;
};

// The phases frame by frame until the main menu, as runs of equal frames.
std::vector<PhaseRun> phases(GameSession& game, int limit = 1200)
{
    std::vector<PhaseRun> runs;
    for (int frame = 0; frame < limit; ++frame) {
        const std::string now = phase(game.app());
        if (runs.empty() || runs.back().what != now)
            runs.push_back({now, 0});
        ++runs.back().frames;
        if (now == "menu")
            break;
        game.frames(1);
    }
    return runs;
}

std::string describe(const std::vector<PhaseRun>& runs)
{
    std::string text;
    for (const PhaseRun& run : runs)
        text += run.what + " x" + std::to_string(run.frames) + "; ";
    return text;
}

// A shipped advert set of one page of count small pictures.
std::vector<std::pair<std::string, std::string>> manyPictures(u32 count)
{
    std::vector<std::pair<std::string, std::string>> files;
    std::string index = "<?xml version=\"1.0\"?>\n<advert>\n";
    for (u32 i = 0; i < count; ++i) {
        const std::string name = "p" + std::to_string(i) + ".png";
        index += "  <sprite name=\"s" + std::to_string(i) + "\" file=\"Backup/Ads/" + name + "\" visible=\"1\"/>\n";
        files.push_back({"iPhone/DefaultAds/en/" + name, ScreenFixtures::solidPng(8, 8, KyColor(u8(i), 90, 30, 255))});
    }
    files.push_back({"iPhone/DefaultAds/en/index.xml",
                     index + "  <value name=\"duration\" value=\"2000000\"/>\n</advert>\n"});
    return files;
}

GameSession::Setup throughSplash(const std::string& dataFolder = std::string())
{
    GameSession::Setup setup;
    // A small window: these runs are long, and only their order counts.
    setup.width = 480;
    setup.height = 320;
    setup.skipSplash = false;
    setup.dataFolder = dataFolder;
    return setup;
}

} // namespace

TEST(Splash, TwoSplashesThenTheShippedAdvertsThenTheMainMenuOffline)
{
    GameSession game(throughSplash());
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    SplashScreens& splash = app->splashScreens;
    EXPECT_EQ(splash.ads.cacheValidity, 7200u);
    EXPECT_STREQ(splash.ads.webLocation().c_str(), "ads.orvalen.invalid/Orvalen3/PC/Part3/Ads");
    KyLayout* first = splash.gui.layout("splash");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->parent(), &app->orientationLayout);
    EXPECT_FALSE(app->mainMenu.gui.isLoaded());

    const std::vector<PhaseRun> runs = phases(game);
    const std::vector<std::string> expected = {"GUI/Splash0.lua", "GUI/Splash1.lua", "Backup/Ads/index.xml",
                                               "Backup/Ads/music.xml", "menu"};
    ASSERT_EQ(runs.size(), expected.size()) << describe(runs);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(runs[i].what, expected[i]) << describe(runs);
    // A second and a half per splash, two seconds per advert page (frames
    // of a sixtieth of a second; the alarm is seen at the first frame
    // after it).
    EXPECT_NEAR(runs[0].frames, 90, 2) << describe(runs);
    EXPECT_NEAR(runs[1].frames, 90, 2) << describe(runs);
    EXPECT_NEAR(runs[2].frames, 120, 2) << describe(runs);
    EXPECT_NEAR(runs[3].frames, 120, 2) << describe(runs);

    // The shipped set was copied into the user-data folder and shown from
    // there; nothing was fetched.
    for (const char* file : {"Ads/index.xml", "Ads/music.xml", "Ads/Journey.jpg", "Ads/Music.jpg", "Ads/Skip.png"})
        EXPECT_TRUE(game.userFileExists(file)) << file;
    EXPECT_FALSE(game.userFileExists("Ads/Journey.jpg.missing"));
    EXPECT_TRUE(splash.isFinished());
    EXPECT_EQ(splash.ads.onFinished.count(), 0u);
    // No splash is left in the orientation layout.
    KyLayout& orientation = app->orientationLayout;
    for (u32 i = 0; i < orientation.childCount(); ++i) {
        KyLayout* child = dynamic_cast<KyLayout*>(orientation.child(i));
        EXPECT_FALSE(child && child->name() == "splash");
    }
    EXPECT_EQ(game.log().find("Lua: "), std::string::npos);

    // The rotator's end a second time changes nothing.
    const u32 menuListeners = app->rotationAnim.landscapeSignal.count();
    splash.ads.onFinished.call();
    EXPECT_EQ(app->rotationAnim.landscapeSignal.count(), menuListeners);
}

TEST(Splash, WhatTheDataHoldsDecidesWhatShows)
{
    struct Case {
        const char* name;
        std::vector<std::string> removed;
        std::vector<std::pair<std::string, std::string>> written;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"a gap in the numbering ends the splashes",
         {"GUI/Splash1.lua"},
         {{"GUI/Splash2.lua", sampleFile("GUI/Splash1.lua")}},
         {"GUI/Splash0.lua", "Backup/Ads/index.xml", "Backup/Ads/music.xml", "menu"}},
        // The first page shows once its pictures are read and made
        // textures, which no splash gave time for.
        {"no splash at all: the adverts as soon as their first page is read",
         {"GUI/Splash0.lua", "GUI/Splash1.lua"},
         {},
         {"nothing", "Backup/Ads/index.xml", "Backup/Ads/music.xml", "menu"}},
        {"a splash without its layout still takes its time",
         {},
         {{"GUI/Splash1.lua", "KyLayout{ name = \"elsewhere\" }\n"}},
         {"GUI/Splash0.lua", "GUI/Splash1.lua", "Backup/Ads/index.xml", "Backup/Ads/music.xml", "menu"}},
        {"no adverts shipped: the menu after the splashes",
         {"iPhone/DefaultAds/en/index.xml"},
         {},
         {"GUI/Splash0.lua", "GUI/Splash1.lua", "menu"}},
        // The set copied while the splashes showed is no set to show: it is
        // copied again when the adverts start, and its first page read again
        // while the last splash stays.
        {"an advert page that does not load ends the adverts",
         {},
         {{"iPhone/DefaultAds/en/music.xml", "<advert><sprite name=\"x\" file=\"Backup/Ads/Music.jpg\">"}},
         {"GUI/Splash0.lua", "GUI/Splash1.lua", "Backup/Ads/index.xml", "menu"}},
        // Made textures a picture's worth of texels a frame, and the last
        // splash stays until they are.
        {"a first page of many small pictures", {}, manyPictures(220),
         {"GUI/Splash0.lua", "GUI/Splash1.lua", "Backup/Ads/index.xml", "menu"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DataOverlay data;
        for (const std::string& file : c.removed)
            data.remove(file);
        for (const auto& file : c.written)
            data.write(file.first, file.second);
        GameSession game(throughSplash(data.path()));
        ASSERT_TRUE(game.ok());
        const std::vector<PhaseRun> runs = phases(game);
        std::vector<std::string> seen;
        for (const PhaseRun& run : runs)
            seen.push_back(run.what);
        EXPECT_EQ(seen, c.expected) << describe(runs);
    }
}

TEST(Splash, SkipButtonsAndTheSkipEndTheRunAtOnce)
{
    {
        // The advert's own "skip" button: the main menu at once.
        GameSession game(throughSplash());
        ASSERT_TRUE(game.ok());
        Application* app = game.app();
        for (int frame = 0; frame < 400 && phase(app) != "Backup/Ads/index.xml"; ++frame)
            game.frames(1);
        ASSERT_EQ(phase(app), "Backup/Ads/index.xml");
        // The picture fills the screen, the buttons sit at the bottom right.
        EXPECT_NE(app->splashScreens.ads.page().spriteButton("skip"), nullptr);
        // (404 + 32, 12 + 12) in the adverts' units, y up.
        game.run("click 436 296");
        EXPECT_EQ(phase(app), "menu");
    }
    {
        // The game's skip during a splash: no splash comes back afterwards.
        GameSession game(throughSplash());
        ASSERT_TRUE(game.ok());
        Application* app = game.app();
        game.frames(30);
        app->splashScreens.skip();
        EXPECT_EQ(phase(app), "menu");
        EXPECT_EQ(app->splashScreens.timer.alarm(), 0u);
        game.frames(200);
        EXPECT_EQ(phase(app), "menu");
        EXPECT_FALSE(app->splashScreens.gui.isLoaded());
        app->splashScreens.skip();
        EXPECT_EQ(phase(app), "menu");
    }
}

namespace {

// The advert host for one test: the core's setting for the session's life.
struct HostSetting {
    explicit HostSetting(const std::string& host)
    {
        KySingleton<KyCore>::instance()->setSetting("advertHost", host.c_str());
    }
    ~HostSetting() { KySingleton<KyCore>::instance()->removeSetting("advertHost"); }
};

} // namespace

// A set downloaded at the start, or one whose host answers only in the
// splashes' last frame, is the one shown; the last splash stays until its
// first page can show, so that no frame shows nothing.
TEST(Splash, AnAdvertDownloadedWhileTheSplashesShowIsTheOneShown)
{
    TempDir served("kyads");
    served.writeFile("index.xml", "<?xml version=\"1.0\" ?>\n<advert>\n"
                                  "  <sprite name=\"picture\" file=\"Backup/Ads/fresh.png\" visible=\"1\">\n"
                                  "    <position x=\"0\" y=\"0\" z=\"40\" />\n  </sprite>\n"
                                  "  <value name=\"duration\" value=\"1000000\" />\n</advert>\n");
    served.writeFile("fresh.png", ScreenFixtures::solidPng(480, 320, KyColor(20, 160, 60, 255)));
    for (bool late : {false, true}) {
        SCOPED_TRACE(late ? "answered in the last frame of the splashes" : "downloaded at the start");
        AdvertServer server(served.path());
        ASSERT_TRUE(server.ok());
        HostSetting host(server.address());
        server.hold(late);

        GameSession game(throughSplash());
        ASSERT_TRUE(game.ok());
        Application* app = game.app();
        KyAds& ads = app->splashScreens.ads;
        EXPECT_EQ(std::string(ads.webLocation().c_str()), server.location());
        if (late) {
            std::vector<PhaseRun> runs = phases(game, 179);
            ASSERT_EQ(runs.size(), 2u) << describe(runs);
            EXPECT_EQ(runs[1].what, "GUI/Splash1.lua");
            server.hold(false);
        }
        ASSERT_TRUE(pumpUntil([&] { return !ads.isFetching(); }));
        // The splashes, then the downloaded page, its picture on screen.
        int nothing = 0;
        for (int frame = 0; frame < 400 && phase(app) != "Backup/Ads/index.xml"; ++frame) {
            nothing += phase(app) == "nothing" ? 1 : 0;
            game.frames(1);
        }
        ASSERT_EQ(phase(app), "Backup/Ads/index.xml");
        EXPECT_EQ(nothing, 0);
        game.frames(2);
        EXPECT_TRUE(closeColour(game.pixel(240, 160), KyColor(20, 160, 60, 255), 16))
            << int(game.pixel(240, 160).r) << " " << int(game.pixel(240, 160).g) << " "
            << int(game.pixel(240, 160).b);
        const std::vector<PhaseRun> runs = phases(game);
        ASSERT_EQ(runs.size(), 2u) << describe(runs);
        EXPECT_NEAR(runs[0].frames, 60 - 2, 2);
        EXPECT_EQ(runs[1].what, "menu");
        // The downloaded set replaced the local one; the shipped pages are
        // not there.
        EXPECT_TRUE(game.userFileExists("Ads/fresh.png"));
        EXPECT_FALSE(game.userFileExists("Ads/music.xml"));
        EXPECT_FALSE(game.userFileExists("AdsTmp/index.xml"));
    }
}

namespace {

// Every worker of the program's pool held on jobs of its own until open()
// (or, should a wait for them hang a test, for a minute at most).
class HeldWorkers {
public:
    HeldWorkers() : m_group(KyWorkerPool::Now, KyWorkerPool::instance())
    {
        const u32 limit = KyWorkerPool::instance().threadLimit();
        for (u32 i = 0; i < limit; ++i) {
            m_group.add([this] {
                ++m_holding;
                for (int ms = 0; ms < 60000 && !m_open; ++ms)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            });
        }
        for (int ms = 0; ms < 60000 && m_holding < limit; ++ms)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        m_held = m_holding == limit;
    }
    ~HeldWorkers() { open(); }
    bool held() const { return m_held; }
    void open()
    {
        m_open = true;
        m_group.finish();
    }

private:
    std::atomic<u32> m_holding{0};
    std::atomic<bool> m_open{false};
    bool m_held = false;
    KyWorkerPool::Group m_group;
};

} // namespace

// A local set whose first page goes after a frame and whose second holds the
// whole budget (eight photographs of the largest size), read while every
// worker is busy: the second page is due long before its pictures are read.
// The frames go on, the first page on screen, and read none of them; once a
// worker is free, the pictures are made textures one a frame and the second
// page shows with them.
TEST(Splash, APageWhosePicturesAreSlowToReadNeverStopsTheFrames)
{
    GameSession::Setup setup = throughSplash();
    const u32 side = KyAds::kMaxPictureSide;
    std::string second = "<?xml version=\"1.0\"?>\n<advert>\n";
    for (u32 i = 0; i < 8; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        second += "  <sprite name=\"s" + std::to_string(i) + "\" file=\"Backup/Ads/" + name + "\" visible=\"1\"/>\n";
        setup.userFiles.push_back(
            {"Ads/" + name, ImageWriters::toString(ImageWriters::jpeg(side, side, 3,
                                                                      ImageWriters::photo(side, side, 3, i + 1)))});
    }
    setup.userFiles.push_back({"Ads/page2.xml", second + "  <value name=\"duration\" value=\"1000000\"/>\n</advert>\n"});
    setup.userFiles.push_back({"Ads/index.xml", "<?xml version=\"1.0\"?>\n<advert>\n"
                                                "  <value name=\"duration\" value=\"1\"/>\n"
                                                "  <value name=\"nextPath\" value=\"Backup/Ads/page2.xml\"/>\n"
                                                "</advert>\n"});
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    const KyAds& ads = app->splashScreens.ads;

    std::vector<PhaseRun> runs;
    {
        // Held from the last splash, before the first page reads the second.
        ASSERT_TRUE(framesUntil(game, [&] { return phase(app) == "GUI/Splash1.lua"; }, 400));
        HeldWorkers workers;
        ASSERT_TRUE(workers.held());
        ASSERT_TRUE(framesUntil(game, [&] { return phase(app) == "Backup/Ads/index.xml"; }, 400));
        // Longer than the frames would take to read the eight one a frame.
        game.frames(12);
        EXPECT_EQ(phase(app), "Backup/Ads/index.xml");
        EXPECT_EQ(ads.preparedCount(), 0u) << "a frame read a picture a worker was to read";
        workers.open();
    }
    u32 made = 0;
    bool oneAFrame = true;
    game.afterFrame = [&] {
        oneAFrame = oneAFrame && ads.preparedCount() <= made + 1;
        made = ads.preparedCount();
    };
    runs = phases(game);
    game.afterFrame = nullptr;
    const std::vector<std::string> expected = {"Backup/Ads/index.xml", "Backup/Ads/page2.xml", "menu"};
    ASSERT_EQ(runs.size(), expected.size()) << describe(runs);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(runs[i].what, expected[i]) << describe(runs);
    // The first page stayed while the eight pictures were made textures,
    // one a frame (the last in the frame the second shows); then the second
    // had its second.
    EXPECT_GE(runs[0].frames, 7) << describe(runs);
    EXPECT_NEAR(runs[1].frames, 60, 2) << describe(runs);
    EXPECT_TRUE(oneAFrame);
}

// The game's start and its main menu, as a player meets them, in a window
// of 1280 x 720 (SDL_VIDEODRIVER=offscreen when there is no display; Mesa's
// llvmpipe draws without a GPU):
//
//   StartUpFreshProcess: the game started in a fresh process
//     (ky_first_menu_frame, the game's own start-up beside its data, see
//     bench/startup/FirstMenuFrame.cpp), from the moment the process is
//     created to its first main-menu frame finished and shown: loading the
//     program and the graphics driver, the application, the window and its
//     context, the create step and the menu. Its floor, measured in the same
//     run, interleaved: a bare SDL2 + OpenGL window's first frame, also in a
//     fresh process (ky_bare_window, which loads the same driver). Counters:
//     the medians over the rounds of the wall time (game_ms, floor_ms,
//     ratio) and of the processes' CPU time, every thread counted
//     (game_cpu_ms, floor_cpu_ms, cpu_ratio). Beside them, the same bare
//     window whose first frame shows one picture over the whole window
//     (ky_bare_window --picture): what the driver alone takes for a first
//     textured draw, which no game's first frame is without
//     (picture_floor_ms, picture_ratio: the game against it). And the floor
//     of this menu: a plain one-thread program that reads, decodes (libpng,
//     libjpeg), uploads and draws the pictures the game's first menu frame
//     shows, where the game shows them, as its first frame (ky_bare_window
//     --menu, given the list the game writes of them: ky_first_menu_frame
//     --list, once before the rounds): menu_floor_ms, menu_ratio.
//   MainMenuFrames: 600 frames of the main menu, each one turn of the main
//     loop's work (Application::Update, then the swap); counters give the
//     median and the 99th percentile of the frame time in milliseconds.
//
//   AdvertFrames: the game in a fresh process (ky_first_menu_frame
//     --adverts), from the first splash screen to the main menu with the
//     adverts shown through (no skip), the local advert set as large as its
//     budget allows (eight photographs of 512 x 512, two pages), against
//     the same run with the set shipped with the game, in the same run: the
//     medians over the rounds of the longest frame in which the adverts
//     made a texture or showed a page (worst_ms, floor_ms, ratio). Beside
//     them, the same for a set whose first page goes after a frame and whose
//     second holds all eight photographs, so that it comes due before its
//     pictures are read (late_ms, late_ratio against the shipped set).
//
// They run on the sample data beside the game executable, with a user-data
// folder of their own under /tmp, one iteration each.

#include "bench/BenchGameRun.h"
#include "bench/BenchStatistics.h"
#include "net/KyAds.h"
#include "tools/content/ImageWriters.h"

#include <tinyxml.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using benchgame::Clock;
using benchgame::MenuRun;
using benchgame::millisecondsSince;

const int kStartUpRounds = 11;

struct Launch {
    bool ok = false;
    double wallMs = 0.0;
    double cpuMs = 0.0;
    // The number the program reported.
    double reported = 0.0;
};

double nowNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e9 + double(now.tv_nsec);
}

// The game's user-data folder under a home folder.
std::string userFolder(const std::string& home)
{
    return home + "/Documents/Orvalen The Wandrel Part 3";
}

// A player's home folder of its own under /tmp, whose options ask for a
// window of 1280 x 720 (the other options keep the game's defaults); empty
// when it cannot be made.
std::string playerHome()
{
    char folder[] = "/tmp/kyplayerXXXXXX";
    if (!mkdtemp(folder))
        return std::string();
    const std::string user = userFolder(folder);
    KyOsDir::makePath(user.c_str());
    std::ofstream(user + "/options.xml") << "<WindowResolution x=\"1280\" y=\"720\" />\n<FullScreen value=\"0\" />\n";
    return folder;
}

// Starts program in a fresh process with home as its HOME and waits for the
// time it reports and for its end.
Launch launch(const char* program, const std::string& home, const char* argument = nullptr,
              const char* value = nullptr)
{
    Launch result;
    int report[2];
    if (pipe(report) != 0)
        return result;
    std::vector<std::string> variables;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "HOME=", 5) != 0 && std::strncmp(*e, "KY_STARTUP_REPORT_FD=", 21) != 0)
            variables.push_back(*e);
    }
    variables.push_back("HOME=" + home);
    variables.push_back("KY_STARTUP_REPORT_FD=" + std::to_string(report[1]));
    std::vector<char*> envp;
    for (std::string& v : variables)
        envp.push_back(&v[0]);
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program), const_cast<char*>(argument), const_cast<char*>(value), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, report[0]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const double start = nowNanoseconds();
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(report[1]);
    std::string text;
    char buffer[64];
    ssize_t n;
    while (spawned == 0 && (n = read(report[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, size_t(n));
    close(report[0]);
    if (spawned != 0)
        return result;
    int status = 0;
    rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty())
        return result;
    result.ok = true;
    result.reported = std::strtod(text.c_str(), nullptr);
    result.wallMs = (result.reported - start) / 1e6;
    result.cpuMs = (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                    double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3);
    return result;
}

void StartUpFreshProcess(benchmark::State& state)
{
    const std::string home = playerHome();
    if (home.empty()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string menuList = home + "/menu-pictures.txt";
    if (!launch(KY_FIRST_MENU_FRAME, home, "--list", menuList.c_str()).ok) {
        nftw(home.c_str(), benchgame::removeEntry, 16, FTW_DEPTH | FTW_PHYS);
        state.SkipWithError("the game did not list its menu's pictures");
        return;
    }
    std::vector<double> game, floor, picture, menu, gameCpu, floorCpu, menuCpu;
    for (auto _ : state) {
        for (int round = 0; round < kStartUpRounds; ++round) {
            // Each goes first in turn, so none always meets the caches the
            // others warmed.
            Launch a, b, c, d;
            if (round % 2 == 0) {
                a = launch(KY_FIRST_MENU_FRAME, home);
                b = launch(KY_BARE_WINDOW, home);
                c = launch(KY_BARE_WINDOW, home, "--picture");
                d = launch(KY_BARE_WINDOW, home, "--menu", menuList.c_str());
            } else {
                d = launch(KY_BARE_WINDOW, home, "--menu", menuList.c_str());
                c = launch(KY_BARE_WINDOW, home, "--picture");
                b = launch(KY_BARE_WINDOW, home);
                a = launch(KY_FIRST_MENU_FRAME, home);
            }
            if (!a.ok || !b.ok || !c.ok || !d.ok) {
                nftw(home.c_str(), benchgame::removeEntry, 16, FTW_DEPTH | FTW_PHYS);
                state.SkipWithError(a.ok ? "a floor did not show" : "the game did not reach its menu");
                return;
            }
            game.push_back(a.wallMs);
            floor.push_back(b.wallMs);
            picture.push_back(c.wallMs);
            menu.push_back(d.wallMs);
            gameCpu.push_back(a.cpuMs);
            floorCpu.push_back(b.cpuMs);
            menuCpu.push_back(d.cpuMs);
        }
    }
    nftw(home.c_str(), benchgame::removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    reportAgainstFloor(state, "game_ms", game, floor);
    state.counters["picture_floor_ms"] = benchMedian(picture);
    state.counters["picture_ratio"] = benchMedian(game) / benchMedian(picture);
    state.counters["menu_floor_ms"] = benchMedian(menu);
    state.counters["menu_ratio"] = benchMedian(game) / benchMedian(menu);
    state.counters["menu_cpu_ratio"] = benchMedian(gameCpu) / benchMedian(menuCpu);
    state.counters["game_cpu_ms"] = benchMedian(gameCpu);
    state.counters["floor_cpu_ms"] = benchMedian(floorCpu);
    state.counters["cpu_ratio"] = benchMedian(gameCpu) / benchMedian(floorCpu);
}

void MainMenuFrames(benchmark::State& state)
{
    MenuRun run;
    if (!run.start()) {
        state.SkipWithError("the game did not start");
        return;
    }
    // The first frames load the menu's textures.
    for (int i = 0; i < 10; ++i)
        run.frame(true);
    std::vector<double> times;
    for (auto _ : state) {
        for (int i = 0; i < 600; ++i) {
            const Clock::time_point start = Clock::now();
            run.frame(true);
            times.push_back(millisecondsSince(start));
        }
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times[times.size() / 2];
    state.counters["p99_ms"] = times[times.size() * 99 / 100];
}

// The advert sets of AdvertFrames' runs against their floor: eight
// photographs of the largest size a set's picture may have, which fill its
// budget, four on each of two pages of two seconds; or (late) none on a
// first page that goes after a microsecond, all eight on the second.
enum class AdvertSet { Shipped, Budget, Late };

void writeBudgetSet(const std::string& folder, AdvertSet set)
{
    const u32 side = KyAds::kMaxPictureSide;
    static_assert(u64(KyAds::kMaxPictureSide) * KyAds::kMaxPictureSide * 8 == KyAds::kMaxSetPixels,
                  "eight pictures fill the budget");
    std::string pages[2];
    for (u32 i = 0; i < 8; ++i) {
        std::string& page = pages[set == AdvertSet::Late ? 1 : i / 4];
        page += "  <sprite name=\"s" + std::to_string(i) + "\" file=\"Backup/Ads/p" + std::to_string(i) +
                ".jpg\" visible=\"1\"/>\n";
    }
    const char* firstDuration = set == AdvertSet::Late ? "1" : "2000000";
    std::ofstream(folder + "/Ads/index.xml") << "<?xml version=\"1.0\"?>\n<advert>\n" << pages[0]
                                             << "  <value name=\"duration\" value=\"" << firstDuration << "\"/>\n"
                                             << "  <value name=\"nextPath\" value=\"Backup/Ads/page2.xml\"/>\n"
                                             << "</advert>\n";
    std::ofstream(folder + "/Ads/page2.xml") << "<?xml version=\"1.0\"?>\n<advert>\n" << pages[1]
                                             << "  <value name=\"duration\" value=\"2000000\"/>\n</advert>\n";
    for (u32 i = 0; i < 8; ++i) {
        const std::string jpeg =
            ImageWriters::toString(ImageWriters::jpeg(side, side, 3, ImageWriters::photo(side, side, 3, i + 1), 90));
        std::ofstream(folder + "/Ads/p" + std::to_string(i) + ".jpg", std::ios::binary) << jpeg;
    }
}

// A player's folder holding one of the budget's advert sets, or none (the
// shipped set is then copied in).
std::string advertHome(AdvertSet set)
{
    const std::string home = playerHome();
    if (home.empty())
        return home;
    KyOsDir::makePath((userFolder(home) + "/Ads").c_str());
    if (set != AdvertSet::Shipped)
        writeBudgetSet(userFolder(home), set);
    return home;
}

// The advert cache of a fetch a moment ago, before each run: a run that
// ends without its shutdown (as the benchmark's do) leaves the cache marked
// as cut short, which would show no adverts at the next.
void freshAdvertCache(const std::string& home)
{
    TiXmlDocument cache;
    TiXmlElement* ads = cache.InsertEndChild(TiXmlElement("KyAds"))->ToElement();
    KyAds::writeTime(ads->InsertEndChild(TiXmlElement("time"))->ToElement(), s64(std::time(nullptr)));
    cache.SaveFile((userFolder(home) + "/KyCache.xml").c_str());
}

void AdvertFrames(benchmark::State& state)
{
    const std::string budgetHome = advertHome(AdvertSet::Budget);
    const std::string lateHome = advertHome(AdvertSet::Late);
    const std::string shippedHome = advertHome(AdvertSet::Shipped);
    std::vector<double> budget, late, shipped;
    for (auto _ : state) {
        for (int round = 0; round < 3 && !budgetHome.empty() && !lateHome.empty() && !shippedHome.empty(); ++round) {
            for (const std::string& home : {budgetHome, lateHome, shippedHome})
                freshAdvertCache(home);
            const Launch a = launch(KY_FIRST_MENU_FRAME, budgetHome, "--adverts");
            const Launch l = launch(KY_FIRST_MENU_FRAME, lateHome, "--adverts");
            const Launch b = launch(KY_FIRST_MENU_FRAME, shippedHome, "--adverts");
            if (!a.ok || !l.ok || !b.ok)
                break;
            budget.push_back(a.reported);
            late.push_back(l.reported);
            shipped.push_back(b.reported);
        }
    }
    for (const std::string& home : {budgetHome, lateHome, shippedHome}) {
        if (!home.empty())
            nftw(home.c_str(), benchgame::removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
    if (budget.size() < 3) {
        state.SkipWithError("the main menu never came");
        return;
    }
    reportAgainstFloor(state, "worst_ms", budget, shipped);
    state.counters["late_ms"] = benchMedian(late);
    state.counters["late_ratio"] = benchMedian(late) / benchMedian(shipped);
}

} // namespace

BENCHMARK(StartUpFreshProcess)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(MainMenuFrames)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(AdvertFrames)->Iterations(1)->Unit(benchmark::kMillisecond);

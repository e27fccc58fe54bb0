// A change of scene between the sample game's courtyard and hall
// ("3D/Isis/Warp_0002.wp" and "3D/Isis/Warp_0003.wp", each an exit of the
// other), in a window of 1280 x 720 (SDL_VIDEODRIVER=offscreen when there is
// no display), from the script's "ChangeWarp" to the first frame of the new
// scene drawn, finished and shown: the leave event, the save, the panorama
// (read from its file the first time, taken from the cache afterwards), its
// description and script, the enter event, the capture of the old scene for
// the transition, then one frame of the game (its tiles textured).
//
//   SceneChangeFirst: the first change of a fresh game, from the courtyard
//     to the hall (never loaded before), once in each of several fresh games.
//   SceneChangeLater: the changes back and forth afterwards, after the
//     hall's first visit, to panoramas taken from the cache (their textures
//     were released when they were left).
//
// Each change is followed by its floor, measured in the same run on the
// same files and in the same window: plain stdio + libpng + OpenGL code
// (bench/TileFloor.h) that reads and decodes the new scene's 24 cube tiles
// on one thread, makes their textures and draws, finishes and shows one
// frame of them. The counters give the medians of both in milliseconds and
// the ratio of the medians.
//
// The transition between two changes is run out on the fake clock, so the
// figures are work, not waiting. SceneChangeLater also gives the most worker
// threads the program had at once, beside their limit.

#include "bench/BenchGameRun.h"
#include "bench/BenchStatistics.h"
#include "bench/TileFloor.h"
#include "core/KySingleton.h"
#include "core/KyWorkerPool.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "os/KyOsClock.h"
#include "os/KyOsWindow.h"
#include "scene/KyWarp.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using benchgame::Clock;
using benchgame::millisecondsSince;
using benchgame::quiet;

const char* const kScenes[2] = {"3D/Isis/Warp_0002.wp", "3D/Isis/Warp_0003.wp"};
const int kWidth = 1280;
const int kHeight = 720;
const u64 kFrame = 16667;
const int kFreshGames = 9;
const int kLaterChanges = 40;

// The game on the sample data in a folder of its own, on the fake clock,
// entered into its first scene with the introduction stopped, as a player
// who skipped it stands in the courtyard.
class GameRun {
public:
    GameRun()
        : m_run(new benchgame::MenuRun(kWidth, kHeight))
    {
        // From the time now, or from the latest time an earlier run's fake
        // clock reached when that is later (its frames go faster than the
        // clock on the wall), so that no timer left by an earlier run sees
        // the clock go back: such a timer stands still until the clock
        // catches up, and a transition timed by it would not end.
        KyOsClock::installFake(std::max(KyOsClock::microseconds(), s_reached));
    }

    bool start()
    {
        if (!m_run->start())
            return false;
        GameWarp& game = m_run->enterNewGame();
        if (!game.currentWarp)
            return false;
        settle();
        if (game.introduction.isRunning()) {
            game.introduction.stop();
            game.currentWarp->setActive(true, false);
        }
        for (int i = 0; i < 5; ++i)
            frame();
        return true;
    }

    void frame()
    {
        KyOsClock::advanceFake(kFrame);
        quiet([this] { m_run->frame(true); });
    }

    // Frames until the transition is over.
    void settle()
    {
        GameWarp& game = KySingleton<Application>::instance()->gameWarp;
        for (int i = 0; i < 200 && (game.isChanging() || game.transitionRunning); ++i)
            frame();
        frame();
    }

    // One change to path up to its first frame shown, in milliseconds;
    // -1 when the scene did not come in.
    double change(const char* path)
    {
        GameWarp& game = KySingleton<Application>::instance()->gameWarp;
        const Clock::time_point start = Clock::now();
        quiet([&] { game.changeWarp(path); });
        frame();
        const double ms = millisecondsSince(start);
        if (!game.currentWarp || game.currentWarp->path() != KyPath(path))
            return -1.0;
        return ms;
    }

    ~GameRun()
    {
        quiet([this] { m_run.reset(); });
        s_reached = std::max(s_reached, KyOsClock::microseconds());
        KyOsClock::install(nullptr);
    }

private:
    static u64 s_reached;
    std::unique_ptr<benchgame::MenuRun> m_run;
};

u64 GameRun::s_reached = 0;

// The floor of a change to path: its cube tiles read, decoded, made
// textures and drawn in one frame, finished and shown; in milliseconds.
double floorChange(const char* path)
{
    KyOpenGLContext::makeCurrent();
    const Clock::time_point start = Clock::now();
    tilefloor::Table table;
    std::vector<tilefloor::Picture> pictures;
    if (!tilefloor::readTable(path, table) || !tilefloor::decodeTiles(path, table, pictures))
        return -1.0;
    tilefloor::Cube cube;
    cube.upload(table, pictures);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    cube.draw(kWidth, kHeight, 0.0f, 0.0f);
    glFinish();
    SDL_GL_SwapWindow(KyOpenGLContext::window()->sdlWindow());
    const double ms = millisecondsSince(start);
    cube.release();
    return ms;
}

void report(benchmark::State& state, const std::vector<double>& game, const std::vector<double>& floor)
{
    reportAgainstFloor(state, "game_ms", game, floor);
    state.counters["changes"] = double(game.size());
}

void SceneChangeFirst(benchmark::State& state)
{
    std::vector<double> game;
    std::vector<double> floor;
    for (auto _ : state) {
        for (int i = 0; i < kFreshGames; ++i) {
            GameRun run;
            if (!run.start()) {
                state.SkipWithError("the game did not start");
                return;
            }
            game.push_back(run.change(kScenes[1]));
            run.settle();
            if (game.back() < 0.0) {
                state.SkipWithError("the hall did not come in");
                return;
            }
            const double f = floorChange(kScenes[1]);
            if (f < 0.0) {
                state.SkipWithError("the floor could not read the hall's tiles");
                return;
            }
            floor.push_back(f);
        }
    }
    report(state, game, floor);
}

void SceneChangeLater(benchmark::State& state)
{
    GameRun run;
    if (!run.start()) {
        state.SkipWithError("the game did not start");
        return;
    }
    GameWarp& warps = KySingleton<Application>::instance()->gameWarp;
    std::vector<double> game;
    std::vector<double> floor;
    for (auto _ : state) {
        run.change(kScenes[1]);
        run.settle();
        for (int change = 0; change < kLaterChanges; ++change) {
            const char* path = kScenes[change % 2];
            game.push_back(run.change(path));
            run.settle();
            floor.push_back(floorChange(path));
        }
    }
    if (warps.warps.count() != 2 || *std::min_element(game.begin(), game.end()) < 0.0 ||
        *std::min_element(floor.begin(), floor.end()) < 0.0) {
        state.SkipWithError("the scene changes did not keep two panoramas");
        return;
    }
    report(state, game, floor);
    // However many panoramas read ahead at once, the worker threads stay
    // within the pool's limit.
    state.counters["worker_threads_most"] = double(KyWorkerPool::instance().highestThreadCount());
    state.counters["worker_threads_limit"] = double(KyWorkerPool::instance().threadLimit());
}

} // namespace

BENCHMARK(SceneChangeFirst)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(SceneChangeLater)->Iterations(1)->Unit(benchmark::kMillisecond);

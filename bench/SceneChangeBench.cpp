// A change of scene between the sample game's courtyard and hall
// ("3D/Isis/Warp_0002.wp" and "3D/Isis/Warp_0003.wp", each an exit of the
// other), in a window of 1280 x 720 (SDL_VIDEODRIVER=offscreen when there is
// no display):
//
//   SceneChange: from the script's "ChangeWarp" to the first frame of the
//     new scene drawn and finished: the leave event, the save, the panorama
//     (read from its file the first time, taken from the cache afterwards),
//     its description and script, the enter event, the capture of the old
//     scene for the transition, then one frame (its tiles decoded). The
//     counters give the first change (a panorama never loaded) and the
//     median and 99th percentile of the changes back and forth afterwards,
//     in milliseconds.
//
// The transition between two changes is run out on the fake clock, so the
// figures are work, not waiting.

#include "bench/BenchGameRun.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "os/KyOsClock.h"
#include "scene/KyWarp.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using benchgame::Clock;
using benchgame::millisecondsSince;
using benchgame::quiet;

const char* const kScenes[2] = {"3D/Isis/Warp_0002.wp", "3D/Isis/Warp_0003.wp"};
const u64 kFrame = 16667;

// The game on the sample data in a folder of its own, on the fake clock,
// entered into its first scene.
class GameRun {
public:
    GameRun()
        : m_run(new benchgame::MenuRun)
    {
        KyOsClock::installFake(1000000);
    }

    bool start()
    {
        if (!m_run->start())
            return false;
        Application* app = KySingleton<Application>::instance();
        app->mainMenu.leave();
        quiet([app] {
            app->gameWarp.enter();
            app->gameWarp.Load("save.xml");
        });
        return app->gameWarp.currentWarp != nullptr;
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
        for (int i = 0; i < 200 && game.transitionRunning; ++i)
            frame();
        frame();
    }

    ~GameRun()
    {
        quiet([this] { m_run.reset(); });
        KyOsClock::install(nullptr);
    }

private:
    std::unique_ptr<benchgame::MenuRun> m_run;
};

void SceneChange(benchmark::State& state)
{
    GameRun run;
    if (!run.start()) {
        state.SkipWithError("the game did not start");
        return;
    }
    GameWarp& game = KySingleton<Application>::instance()->gameWarp;
    for (int i = 0; i < 5; ++i)
        run.frame();

    double first = 0.0;
    std::vector<double> times;
    for (auto _ : state) {
        for (int change = 1; change <= 41; ++change) {
            const Clock::time_point start = Clock::now();
            quiet([&] { game.changeWarp(kScenes[change % 2]); });
            run.frame();
            const double ms = millisecondsSince(start);
            if (change == 1)
                first = ms;
            else
                times.push_back(ms);
            run.settle();
        }
    }
    if (game.warps.count() != 2 || !game.currentWarp) {
        state.SkipWithError("the scene changes did not keep two panoramas");
        return;
    }
    std::sort(times.begin(), times.end());
    state.counters["first_ms"] = first;
    state.counters["median_ms"] = times[times.size() / 2];
    state.counters["p99_ms"] = times[times.size() * 99 / 100];
}

} // namespace

BENCHMARK(SceneChange)->Iterations(1)->Unit(benchmark::kMillisecond);

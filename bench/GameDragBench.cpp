// The game in its first scene while the player drags the view, in a window
// of 1280 x 720 (SDL_VIDEODRIVER=offscreen when there is no display; Mesa's
// llvmpipe draws without a GPU):
//
//   InGameDragFrames: a new game is entered and loaded, its arrival
//     transition left to end; then 600 turns of the real main loop, each
//     taking one pointer move with the left button held (the pointer sweeps
//     left and right, so the view keeps turning and new tiles come into
//     view), the frame drawn and finished by the driver. Counters give the
//     median and the 99th percentile of the frame time in milliseconds, and
//     the yaw swept over the run.
//
// It runs on the sample data beside the game executable, with a user-data
// folder of its own under /tmp, one iteration.

#include "bench/BenchGameRun.h"
#include "game/GameWarp.h"
#include "os/KyOsEvents.h"
#include "scene/KyWarp.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using benchgame::Clock;
using benchgame::MenuRun;
using benchgame::millisecondsSince;

// Lets the driver finish the frame before it is shown, so the time of a
// turn is the time of its frame.
class FinishFrames : public MainLoopObserver {
public:
    void beforeSwap() override { glFinish(); }
};

void InGameDragFrames(benchmark::State& state)
{
    MenuRun run;
    if (!run.start()) {
        state.SkipWithError("the game did not start");
        return;
    }
    FinishFrames observer;
    Application* app = KySingleton<Application>::instance();
    GameWarp& game = app->gameWarp;
    app->mainMenu.leave();
    benchgame::quiet([&game] {
        game.enter();
        game.Load("save.xml");
    });
    // The arrival transition runs for a second of the real clock.
    const Clock::time_point arrival = Clock::now();
    while ((game.isChanging() || !game.currentWarp) && millisecondsSince(arrival) < 10000.0)
        mainLoopTurn(&observer);
    if (!game.gameRunning || !game.currentWarp) {
        state.SkipWithError("the first scene did not come in");
        return;
    }
    // A new game opens on its introduction, which holds the scene (no
    // drags) for 48 s: the drags are timed on the scene itself.
    if (game.introduction.isRunning()) {
        game.introduction.stop();
        game.currentWarp->setActive(true, false);
        mainLoopTurn(&observer);
    }

    KyOsWindow& window = *KySingleton<KyMainWindow>::instance()->handle();
    const s32 y = 360;
    s32 x = 640;
    KyOsEvents::pushMouseMove(window, x, y);
    mainLoopTurn(&observer);
    KyOsEvents::pushMouseButton(window, KyOsMessage::LeftButton, true, x, y);
    mainLoopTurn(&observer);
    const u32 held = KyOsMessage::buttonBit(KyOsMessage::LeftButton);

    std::vector<double> times;
    f32 swept = 0.0f;
    for (auto _ : state) {
        for (int i = 0; i < 600; ++i) {
            // 12 pixels a frame, turning back every 60 frames.
            x += (i / 60) % 2 == 0 ? 12 : -12;
            const f32 yaw = game.yaw;
            KyOsEvents::pushMouseMove(window, x, y, held);
            const Clock::time_point start = Clock::now();
            mainLoopTurn(&observer);
            times.push_back(millisecondsSince(start));
            swept += std::fabs(game.yaw - yaw);
        }
    }
    KyOsEvents::pushMouseButton(window, KyOsMessage::LeftButton, false, x, y);
    mainLoopTurn(&observer);
    if (swept == 0.0f) {
        state.SkipWithError("the view did not turn");
        return;
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times[times.size() / 2];
    state.counters["p99_ms"] = times[times.size() * 99 / 100];
    state.counters["yaw_swept_deg"] = swept;
}

} // namespace

BENCHMARK(InGameDragFrames)->Iterations(1)->Unit(benchmark::kMillisecond);

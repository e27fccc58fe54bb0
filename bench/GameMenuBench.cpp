// The game's start and its main menu, as a player meets them, in a window
// of 1280 x 720 (SDL_VIDEODRIVER=offscreen when there is no display; Mesa's
// llvmpipe draws without a GPU):
//
//   StartToFirstMenuFrame: from the application's construction (options
//     read) through the window, its context, the create step (texts,
//     boards, cursor, the main menu loaded from its interface file) to the
//     first frame of the menu drawn and finished, in milliseconds.
//   MainMenuFrames: 600 frames of the main menu, each one turn of the main
//     loop's work (Application::Update, then the swap); counters give the
//     median and the 99th percentile of the frame time in milliseconds.
//
// Both run on the sample data beside the game executable, with a user-data
// folder of their own under /tmp, one iteration each.

#include "bench/BenchGameRun.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

using benchgame::Clock;
using benchgame::MenuRun;
using benchgame::millisecondsSince;

void StartToFirstMenuFrame(benchmark::State& state)
{
    MenuRun run;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        if (!run.start()) {
            state.SkipWithError("the game did not start");
            return;
        }
        run.frame(false);
        state.counters["ms"] = millisecondsSince(start);
    }
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

} // namespace

BENCHMARK(StartToFirstMenuFrame)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(MainMenuFrames)->Iterations(1)->Unit(benchmark::kMillisecond);

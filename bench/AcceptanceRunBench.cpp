// The acceptance run of the sample game (tests/game/AcceptanceTour.txt, the
// walkthrough of data/WALKTHROUGH.md from the splash screens to the ending)
// played whole, in a window of 1024 x 768, the game's size at its first
// start (SDL_VIDEODRIVER=offscreen when there is no display; Mesa's llvmpipe
// draws without a GPU):
//
//   AcceptanceRun: one iteration plays the tour turn by turn through the
//     real main loop on the fake clock, as "orvalen --tour" does, without
//     its screenshots. Counters:
//       frames             turns of the main loop (frames drawn);
//       frame_median_ms,   the time of one turn (input, Application::Update,
//       frame_p99_ms,      the swap);
//       frame_max_ms
//       startup_ms         from the application's construction (options
//                          read) to the end of the first frame drawn;
//       scene_change_max_ms  the slowest change of scene: the turn that
//                          loads a panorama (a click on an exit, Continue,
//                          a slot loaded) and the first frame drawn of it;
//       peak_memory_mb     the process's peak resident memory (run the
//                          benchmark alone for the game's own figure);
//       run_s              the whole run, in seconds.
//
// Run it alone:  ky_bench --benchmark_filter=AcceptanceRun

#include "bench/BenchGameRun.h"
#include "game/GameTour.h"
#include "game/GameWarp.h"
#include "media/KySoundManager.h"
#include "os/KyOsClock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <sys/resource.h>
#include <vector>

namespace {

using benchgame::Clock;
using benchgame::MenuRun;
using benchgame::millisecondsSince;

// The tour without its screenshots: they would be timed as frames.
std::string tourWithoutShots()
{
    std::ifstream in(std::string(KY_SOURCE_DIR) + "/tests/game/AcceptanceTour.txt", std::ios::binary);
    std::string line;
    std::string script;
    while (std::getline(in, line)) {
        if (line.compare(0, 5, "shot ") != 0)
            script += line + "\n";
    }
    return script;
}

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(share * double(values.size() - 1) + 0.5));
    return values[at];
}

void AcceptanceRun(benchmark::State& state)
{
    const std::string script = tourWithoutShots();
    for (auto _ : state) {
        GameTour tour;
        std::string error;
        if (script.empty() || !tour.parse(script, error)) {
            state.SkipWithError(("the tour does not read: " + error).c_str());
            return;
        }
        tour.setCloseAtEnd(false);
        // The run's sounds follow its clock: a sound manager an earlier
        // benchmark made plays by the real one and goes first.
        KySingleton<KySoundManager>::destroy();
        tour.begin();

        std::vector<double> frames;
        double startup = 0.0;
        double slowestChange = 0.0;
        Clock::time_point runStart;
        bool started = false;
        benchgame::quiet([&] {
            runStart = Clock::now();
            MenuRun run(1024, 768);
            started = run.start(false);
            GameWarp& game = KySingleton<Application>::instance()->gameWarp;
            std::string scene;
            double changeFrame = -1.0;
            bool firstFrame = true;
            while (started && !tour.finished()) {
                const Clock::time_point start = Clock::now();
                if (!mainLoopTurn(&tour))
                    break;
                const double time = millisecondsSince(start);
                frames.push_back(time);
                if (firstFrame) {
                    startup = millisecondsSince(runStart);
                    firstFrame = false;
                }
                // A change is timed over the turn that loads the panorama
                // and the first frame drawn of it.
                if (changeFrame >= 0.0) {
                    slowestChange = std::max(slowestChange, changeFrame + time);
                    changeFrame = -1.0;
                }
                const std::string now = game.currentWarpName().c_str();
                if (!now.empty() && now != scene)
                    changeFrame = time;
                scene = now;
            }
        });
        KySingleton<KySoundManager>::destroy();
        KySoundManager::setFollowsClock(false);
        KyOsClock::install(nullptr);
        if (!started) {
            state.SkipWithError("the game did not start");
            break;
        }
        state.counters["run_s"] = millisecondsSince(runStart) / 1000.0;
        state.counters["frames"] = double(frames.size());
        state.counters["frame_median_ms"] = percentile(frames, 0.5);
        state.counters["frame_p99_ms"] = percentile(frames, 0.99);
        state.counters["frame_max_ms"] = frames.empty() ? 0.0 : *std::max_element(frames.begin(), frames.end());
        state.counters["startup_ms"] = startup;
        state.counters["scene_change_max_ms"] = slowestChange;
        rusage usage;
        getrusage(RUSAGE_SELF, &usage);
        state.counters["peak_memory_mb"] = double(usage.ru_maxrss) / 1024.0;
    }
}

} // namespace

BENCHMARK(AcceptanceRun)->Unit(benchmark::kSecond)->Iterations(1);

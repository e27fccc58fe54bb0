// The game in its first scene while the player drags the view, in a window
// of 1280 x 720 (SDL_VIDEODRIVER=offscreen when there is no display; Mesa's
// llvmpipe draws without a GPU):
//
//   InGameDragFrames: a new game is entered and loaded, its introduction
//     stopped and its arrival run out; then 600 turns of the real main loop,
//     each taking one pointer move with the left button held (the pointer
//     sweeps left and right, so the view keeps turning), the frame drawn and
//     finished by the driver. After each turn, with the view it drew, three
//     more drawings are timed apart, each finished by the driver:
//       - the panorama's own drawing (KyWarp::render of the scene: its cube
//         and the current frames of its animations);
//       - its floor: the scene's 24 cube tiles, decoded and made textures
//         by plain libpng + OpenGL code once at the start
//         (bench/TileFloor.h), drawn as textured quads from the same view
//         with a 60-degree field of view;
//       - what the game draws over the panorama: the 2D interface with the
//         markers (the main window's layouts).
//     Counters (medians over the turns, milliseconds): frame_ms and
//     frame_p99_ms of the whole turn, panorama_ms, floor_ms and their ratio,
//     overlay_ms, and the yaw swept over the run in degrees.
//
// It runs on the sample data beside the game executable, with a user-data
// folder of its own under /tmp, one iteration.

#include "bench/BenchGameRun.h"
#include "bench/BenchStatistics.h"
#include "bench/TileFloor.h"
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

const int kWidth = 1280;
const int kHeight = 720;

// Lets the driver finish the frame before it is shown, so the time of a
// turn is the time of its frame.
class FinishFrames : public MainLoopObserver {
public:
    void beforeSwap() override { glFinish(); }
};

// Times one drawing on a cleared frame, finished by the driver.
template <class Draw>
double timeDrawing(Draw draw)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
    const Clock::time_point start = Clock::now();
    draw();
    glFinish();
    return millisecondsSince(start);
}

void InGameDragFrames(benchmark::State& state)
{
    MenuRun run(kWidth, kHeight);
    if (!run.start()) {
        state.SkipWithError("the game did not start");
        return;
    }
    FinishFrames observer;
    GameWarp& game = run.enterNewGame();
    // A new game opens on its introduction, which holds the scene (no
    // drags) for 48 s: the drags are timed on the scene itself.
    if (game.introduction.isRunning()) {
        game.introduction.stop();
        if (game.currentWarp)
            game.currentWarp->setActive(true, false);
    }
    // The arrival transition runs for a second of the real clock.
    const Clock::time_point arrival = Clock::now();
    while ((game.isChanging() || game.transitionRunning || !game.currentWarp) &&
           millisecondsSince(arrival) < 10000.0)
        mainLoopTurn(&observer);
    if (!game.gameRunning || !game.currentWarp) {
        state.SkipWithError("the first scene did not come in");
        return;
    }

    KyOpenGLContext::makeCurrent();
    tilefloor::Table table;
    std::vector<tilefloor::Picture> pictures;
    const std::string scene(game.currentWarp->path().c_str());
    if (!tilefloor::readTable(scene, table) || !tilefloor::decodeTiles(scene, table, pictures)) {
        state.SkipWithError("the floor could not read the scene's tiles");
        return;
    }
    tilefloor::Cube cube;
    cube.upload(table, pictures);

    KyOsWindow& window = *KySingleton<KyMainWindow>::instance()->handle();
    const s32 y = 360;
    s32 x = 640;
    KyOsEvents::pushMouseMove(window, x, y);
    mainLoopTurn(&observer);
    KyOsEvents::pushMouseButton(window, KyOsMessage::LeftButton, true, x, y);
    mainLoopTurn(&observer);
    const u32 held = KyOsMessage::buttonBit(KyOsMessage::LeftButton);

    std::vector<double> frames, panorama, floor, overlay;
    f32 swept = 0.0f;
    for (auto _ : state) {
        for (int i = 0; i < 600; ++i) {
            // 12 pixels a frame, turning back every 60 frames.
            x += (i / 60) % 2 == 0 ? 12 : -12;
            const f32 yaw = game.yaw;
            KyOsEvents::pushMouseMove(window, x, y, held);
            const Clock::time_point start = Clock::now();
            mainLoopTurn(&observer);
            frames.push_back(millisecondsSince(start));
            swept += std::fabs(game.yaw - yaw);

            KyOpenGLContext::makeCurrent();
            panorama.push_back(timeDrawing([&game] { game.currentWarp->render(); }));
            floor.push_back(timeDrawing([&] { cube.draw(kWidth, kHeight, game.yaw, game.pitch); }));
            overlay.push_back(timeDrawing([] { KySingleton<KyMainWindow>::instance()->draw(); }));
            KyOpenGLContext::swapAndRelease();
        }
    }
    KyOsEvents::pushMouseButton(window, KyOsMessage::LeftButton, false, x, y);
    mainLoopTurn(&observer);
    KyOpenGLContext::makeCurrent();
    cube.release();
    if (swept == 0.0f) {
        state.SkipWithError("the view did not turn");
        return;
    }
    state.counters["frame_ms"] = benchMedian(frames);
    std::sort(frames.begin(), frames.end());
    state.counters["frame_p99_ms"] = frames[frames.size() * 99 / 100];
    reportAgainstFloor(state, "panorama_ms", panorama, floor);
    state.counters["overlay_ms"] = benchMedian(overlay);
    state.counters["yaw_swept_deg"] = swept;
}

} // namespace

BENCHMARK(InGameDragFrames)->Iterations(1)->Unit(benchmark::kMillisecond);

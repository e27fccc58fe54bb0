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

#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "game/StartUp.h"
#include "os/KyOsClock.h"
#include "os/KyOsDir.h"
#include "platform/KyAppHooks.h"
#include "platform/KyInputMgr.h"
#include "platform/KyInputMgrWrapper.h"
#include "platform/KyOpenGLContext.h"
#include "platform/KyRenderer.h"
#include "scene/KyWarp.h"
#include "ui/KyMainWindow.h"
#include "ui/KyVideoLayout.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

typedef std::chrono::steady_clock Clock;

const char* const kScenes[2] = {"3D/Isis/Warp_0002.wp", "3D/Isis/Warp_0003.wp"};
const u64 kFrame = 16667;

int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return std::remove(path);
}

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The game on the sample data in a folder of its own, on the fake clock.
class GameRun {
public:
    GameRun()
    {
        char home[] = "/tmp/kyscenebenchXXXXXX";
        if (mkdtemp(home))
            m_home = home;
        m_oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        m_oldFolder = KyOsDir::currentDir();
        setenv("HOME", m_home.c_str(), 1);
        const std::string user = m_home + "/Documents/Orvalen The Wandrel Part 3";
        KyOsDir::makePath(user.c_str());
        std::ofstream(user + "/options.xml") << "<WindowResolution x=\"1280\" y=\"720\" />\n"
                                                "<FullScreen value=\"0\" />\n<MusicOn value=\"0\" />\n";
        m_ok = !m_home.empty() && KyOsDir::changeDir(KY_GAME_DATA_DIR);
        KyOsClock::installFake(1000000);
    }

    bool start()
    {
        if (!m_ok)
            return false;
        getApplication();
        KyMainWindow* window = KySingleton<KyMainWindow>::instance();
        if (!window->create() || !KyOpenGLContext::Initialize(window->handle()))
            return false;
        window->setVisible(true);
        quiet([] { KySingleton<KyRenderer>::instance()->init(); });
        KyInputMgr* input = KyInputMgr::instance();
        input->setDevice(window);
        input->reset();
        KyAppHooks::setRenderFrameAndSwap(&renderFrameAndSwap);
        createApplication();
        m_started = true;
        Application* app = KySingleton<Application>::instance();
        app->splashScreens.skip();
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
        KyOpenGLContext::makeCurrent();
        quiet([] { updateApplication(); });
        glFinish();
        KyOpenGLContext::swapAndRelease();
    }

    // Frames until the transition is over.
    void settle()
    {
        GameWarp& game = KySingleton<Application>::instance()->gameWarp;
        for (int i = 0; i < 200 && game.transitionRunning; ++i)
            frame();
        frame();
    }

    // The game's log lines go to /dev/null while f runs.
    template <class F>
    static void quiet(F f)
    {
        std::fflush(stdout);
        const int saved = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            close(null);
        }
        f();
        std::fflush(stdout);
        if (saved >= 0) {
            dup2(saved, STDOUT_FILENO);
            close(saved);
        }
    }

    ~GameRun()
    {
        KyAppHooks::setRenderFrameAndSwap(nullptr);
        if (m_started)
            KyOpenGLContext::makeCurrent();
        quiet([] { destroyApplication(); });
        KyVideoLayout::deletePending();
        KyOpenGLContext::destroy();
        KySingleton<KyMainWindow>::instance()->destroy();
        KySingleton<KyMainWindow>::destroy();
        KySingleton<KyInputMgrWrapper>::destroy();
        KySingleton<KyInputMgr>::destroy();
        KyOsClock::install(nullptr);
        KyOsDir::changeDir(m_oldFolder.c_str());
        setenv("HOME", m_oldHome.c_str(), 1);
        if (!m_home.empty())
            nftw(m_home.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }

private:
    std::string m_home;
    std::string m_oldHome;
    std::string m_oldFolder;
    bool m_ok = false;
    bool m_started = false;
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
            GameRun::quiet([&] { game.changeWarp(kScenes[change % 2]); });
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

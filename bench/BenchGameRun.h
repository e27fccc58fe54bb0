#ifndef BENCH_GAME_RUN_H
#define BENCH_GAME_RUN_H

// The game run inside a benchmark: the start-up as the program runs it, on
// the sample data beside the game executable, in a window of 1280 x 720 (or
// the size given), its log and options in a user-data folder of its own
// under /tmp, which goes when the run does.

#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "game/StartUp.h"
#include "media/KySoundManager.h"
#include "os/KyOsDir.h"
#include "platform/KyAppHooks.h"
#include "platform/KyInputMgr.h"
#include "platform/KyInputMgrWrapper.h"
#include "platform/KyOpenGLContext.h"
#include "platform/KyRenderer.h"
#include "ui/KyMainWindow.h"
#include "ui/KyVideoLayout.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <string>
#include <unistd.h>

namespace benchgame {

typedef std::chrono::steady_clock Clock;

inline int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return std::remove(path);
}

inline double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The game's log lines (and the driver's strings) would mix with the
// figures on standard output: they go to /dev/null while f runs.
template <class F>
void quiet(F f)
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

// The game on the sample data, its log and options in a folder of its own;
// everything goes when it does.
class MenuRun {
public:
    explicit MenuRun(int width = 1280, int height = 720)
    {
        char home[] = "/tmp/kymenubenchXXXXXX";
        if (mkdtemp(home))
            m_home = home;
        m_oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        m_oldFolder = KyOsDir::currentDir();
        setenv("HOME", m_home.c_str(), 1);
        const std::string user = m_home + "/Documents/Orvalen The Wandrel Part 3";
        KyOsDir::makePath(user.c_str());
        std::ofstream(user + "/options.xml") << "<WindowResolution x=\"" << width << "\" y=\"" << height << "\" />\n"
                                                "<FullScreen value=\"0\" />\n<MusicOn value=\"0\" />\n";
        m_ok = !m_home.empty() && KyOsDir::changeDir(KY_GAME_DATA_DIR);
    }

    // The start-up as the program runs it, without moving the log; the
    // splash screens and adverts are passed unless asked for.
    bool start(bool skipSplash = true)
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
        // Straight to the main menu, past the splash screens and adverts.
        if (skipSplash)
            KySingleton<Application>::instance()->splashScreens.skip();
        m_started = true;
        return true;
    }

    // Leaves the main menu for a new game in its first scene (the save
    // "save.xml" of this run's own folder, which a new run lacks), as the
    // menu's "New game" does; the game's lines go to /dev/null. The game
    // logic, whose current panorama is null when the scene did not load.
    GameWarp& enterNewGame()
    {
        Application* app = KySingleton<Application>::instance();
        GameWarp& game = app->gameWarp;
        app->mainMenu.leave();
        quiet([&game] {
            game.enter();
            game.Load("save.xml");
        });
        return game;
    }

    // One frame finished by the driver; swap as the main loop does.
    void frame(bool swap)
    {
        KyOpenGLContext::makeCurrent();
        updateApplication();
        glFinish();
        if (swap)
            KyOpenGLContext::swapAndRelease();
    }

    ~MenuRun()
    {
        KyAppHooks::setRenderFrameAndSwap(nullptr);
        if (m_started)
            KyOpenGLContext::makeCurrent();
        destroyApplication();
        KyVideoLayout::deletePending();
        // As the game ends: the sound device closes after what played on it.
        KySingleton<KySoundManager>::destroy();
        KyOpenGLContext::destroy();
        KySingleton<KyMainWindow>::instance()->destroy();
        KySingleton<KyMainWindow>::destroy();
        KySingleton<KyInputMgrWrapper>::destroy();
        KySingleton<KyInputMgr>::destroy();
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

} // namespace benchgame

#endif

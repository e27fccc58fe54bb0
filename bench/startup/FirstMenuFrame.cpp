// The game's start-up as a player meets it, in a fresh process: the
// program's own start (WinMain: working folder, application and options,
// log, window and context, renderer, input, driver check, create step), up
// to the first frame of the main menu finished and shown. The splash
// screens and adverts are passed at the first turn, before any frame is
// drawn, as the benchmark measures the way to the menu and not the splash
// screens' own seconds. Built beside the game executable, so its working
// folder is the game's data folder as the game's is. Started by the
// start-up benchmark, it reports as bench/startup/StartupReport.h says.

#include "bench/startup/StartupReport.h"
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/StartUp.h"

#include <GL/gl.h>

namespace {

class FirstMenuFrame : public MainLoopObserver {
public:
    void beforeTurn() override
    {
        if (m_framesShown > 0)
            startupreport::shown();
        KySingleton<Application>::instance()->splashScreens.skip();
    }
    void beforeSwap() override
    {
        glFinish();
        ++m_framesShown;
    }

private:
    int m_framesShown = 0;
};

} // namespace

int main(int argc, char** argv)
{
    FirstMenuFrame observer;
    return WinMain(argc, argv, &observer);
}

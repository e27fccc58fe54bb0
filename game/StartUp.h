#ifndef GAME_START_UP_H
#define GAME_START_UP_H

#include "core/KyString.h"

class Application;

// What a caller may add to a run of the game: the scripted tours and the
// end-to-end tests feed input before each turn of the main loop, read each
// frame before it is shown, and may stand in for the driver's strings.
class MainLoopObserver {
public:
    virtual ~MainLoopObserver() {}
    // Before anything else of the run (before the application exists).
    virtual void begin() {}
    // The driver strings the software-driver check compares; the observer
    // may replace them.
    virtual void driverStrings(KyString& vendor, KyString& renderer)
    {
        (void)vendor;
        (void)renderer;
    }
    // At the start of each turn, before its message is taken.
    virtual void beforeTurn() {}
    // After the turn's frame is drawn, before the buffers are swapped: the
    // back buffer holds the frame.
    virtual void beforeSwap() {}
    // After the shutdown, with the exit code.
    virtual void end(int exitCode) { (void)exitCode; }
};

// The program after the runtime's own start-up: the engine's singletons in
// their order, the application, the main loop until the window closes, the
// shutdown. argv[0] is the program's path; the other arguments are not used.
// 0 after a normal end, 1 when only the system's software OpenGL driver is
// there (or the window or its context cannot be made).
int WinMain(int argc, char** argv, MainLoopObserver* observer = nullptr);

// One turn of the main loop: at most one message of the main window, then
// (unless the window was closed) one frame and the swap. False once the main
// window's quit flag is set.
bool mainLoopTurn(MainLoopObserver* observer = nullptr);

// One frame outside the main loop (the window's paint message runs it):
// the context made current, Application::Update, the swap, no context.
void renderFrameAndSwap();

// The software-driver check: the vendor "Microsoft Corporation" together
// with the renderer "GDI Generic", each compared whole.
bool isSoftwareDriver(const KyString& vendor, const KyString& renderer);
// On the software driver: destroys the main window, tells the player and
// returns true (the run then ends with 1). False otherwise.
bool refuseSoftwareDriver(const KyString& vendor, const KyString& renderer);
extern const char* const SoftwareDriverMessage;

// The application singleton: created on first use, then its create step;
// created on first use; one frame; destroyed (the singleton is then null).
Application* createApplication();
Application* getApplication();
bool updateApplication();
void destroyApplication();

#endif

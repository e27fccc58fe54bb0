#ifndef KY_APP_HOOKS_H
#define KY_APP_HOOKS_H

class KyObject;

// The engine never links the game. Where it must reach the application it
// goes through these hooks, which the game installs at start-up: one that
// gives the application object (creating it on first use) and one that runs
// a whole frame outside the main loop (make the context current, one frame
// of the application, swap, release the context), which the main window
// runs when it is asked to repaint.
class KyAppHooks {
public:
    typedef KyObject* (*ApplicationGetter)();
    typedef void (*FrameRunner)();

    static void setApplicationGetter(ApplicationGetter getter);
    static void setRenderFrameAndSwap(FrameRunner runner);

    // The application object; null when the game installed no getter.
    static KyObject* application();
    // Runs one frame and swaps; false (nothing drawn) without a hook.
    static bool renderFrameAndSwap();
};

#endif

#ifndef KY_OPENGL_CONTEXT_H
#define KY_OPENGL_CONTEXT_H

class KyOsWindow;

// The one OpenGL context of the program, made on the main window, and the two
// calls that bracket every frame: make current, then swap and release.
// The context state is process-wide (one context per process).
class KyOpenGLContext {
public:
    // Creates the context on the window whose handle KyMainWindow::handle()
    // gave (a KyOsWindow), leaves it current and shows the window. A context
    // made earlier is replaced. Returns false, with a log line, when there is
    // no window, the context cannot be made, or the driver answers no vendor,
    // renderer or version string: start-up then ends with exit code 1
    // instead of drawing through a context that does not work.
    static bool Initialize(void* handle);

    // Makes the context current on its window; false without a context.
    static bool makeCurrent();
    // Presents the frame, then leaves no context current.
    static bool swapAndRelease();

    static bool isInitialized();
    // The window the context was made on (null before Initialize).
    static KyOsWindow* window();

    // Destroys the context (shutdown and tests).
    static void destroy();
};

#endif

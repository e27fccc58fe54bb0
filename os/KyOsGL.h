#ifndef KY_OS_GL_H
#define KY_OS_GL_H

class KyOsWindow;

// The program's OpenGL context over SDL2: a compatibility-profile context,
// double buffered, RGBA with 8 bits a channel, a 24-bit depth buffer and an
// 8-bit stencil buffer. Also the calls that bracket a frame (make current,
// swap, make none current), extension entry points and the driver strings.
class KyOsGL {
public:
    static const int DefaultDepthBits = 24;
    static const int DefaultStencilBits = 8;
    // Deeper buffers than these are refused rather than silently reduced.
    static const int MaxDepthBits = 24;
    static const int MaxStencilBits = 8;

    KyOsGL();
    ~KyOsGL();
    KyOsGL(const KyOsGL&) = delete;
    KyOsGL& operator=(const KyOsGL&) = delete;

    // Creates the context on `window` and leaves it current. False, with a
    // log line, when the window does not exist, depth or stencil bits are
    // negative or above the maxima (a context this object holds is then kept),
    // or the driver cannot give such a context. Otherwise a context this
    // object already holds is replaced.
    bool create(const KyOsWindow& window, int depthBits = DefaultDepthBits, int stencilBits = DefaultStencilBits);
    void destroy();
    bool exists() const { return m_context != nullptr; }

    // Makes this context current on its window; false without a context, when
    // the window is gone, or when the driver refuses.
    bool makeCurrent() const;
    // Leaves no context current on this thread.
    static bool makeNoneCurrent();
    // Presents the back buffer of the context's window; false without one.
    bool swap() const;

    // Sets the buffer-swap interval of the current context (0 immediate,
    // 1 synchronised). Drivers may refuse: false then, which is not an error.
    static bool setSwapInterval(int interval);

    // Address of an OpenGL entry point, null when the driver has none.
    // A context must have been created on some window first.
    static void* procAddress(const char* name);

    // glGetString of the current context: null when no context is current or
    // the driver gives nothing, which callers must treat as a failure.
    static const char* vendor();
    static const char* renderer();
    static const char* version();
    static const char* extensions();

    // Sets SDL's context attributes for the next window or context created.
    // KyOsWindow calls it with the defaults before it creates a window, since
    // some drivers fix the pixel format when the window is made.
    static bool setAttributes(int depthBits, int stencilBits);

private:
    void* m_context;
    unsigned m_windowId;
};

#endif

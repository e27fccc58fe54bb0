#ifndef KY_OS_WINDOW_H
#define KY_OS_WINDOW_H

#include "os/KyOsMessage.h"

#include <cstdint>

struct SDL_Window;

// The program's top-level window over SDL2: creation windowed or covering the
// desktop, title, client size, full screen, minimise/restore, the system cursor
// and the window procedure that the event pump (KyOsEvents) feeds.
//
// Every window is created able to carry the OpenGL context of KyOsGL (RGBA8,
// depth 24, stencil 8, double buffered).
class KyOsWindow {
public:
    KyOsWindow();
    ~KyOsWindow();
    KyOsWindow(const KyOsWindow&) = delete;
    KyOsWindow& operator=(const KyOsWindow&) = delete;

    // Creates and shows the window, raised and focused, with a client area of
    // width x height (windowed, resizable) or covering the desktop at its own
    // size (fullScreen; then clientSize() gives the desktop size). An existing
    // window of this object is destroyed first. Failures are logged; false
    // when no window exists afterwards. A full-screen request the system
    // refuses leaves a windowed window and isFullScreen() false.
    bool create(const char* title, std::int32_t width, std::int32_t height, bool fullScreen,
                KyOsWindowProc procedure = nullptr);
    void destroy();
    bool exists() const { return m_window != nullptr; }

    // SDL's identifier of the window (0 without a window); events carry it.
    std::uint32_t id() const;
    SDL_Window* sdlWindow() const { return m_window; }

    void setProcedure(KyOsWindowProc procedure) { m_procedure = procedure; }
    KyOsWindowProc procedure() const { return m_procedure; }
    // Hands a message to the window procedure, when there is one.
    void dispatch(const KyOsMessage& message) const;

    // False without a window or with a null title.
    bool setTitle(const char* title);
    // Client area in pixels; false (and 0 x 0) without a window.
    bool clientSize(std::int32_t& width, std::int32_t& height) const;
    // False without a window or for a size below 1 x 1.
    bool setClientSize(std::int32_t width, std::int32_t height);
    // Position of the window on the desktop; false (and 0, 0) without a window.
    bool position(std::int32_t& x, std::int32_t& y) const;

    // Switches between covering the desktop at its own size and windowed.
    // False when there is no window or the system refuses the change.
    bool setFullScreen(bool fullScreen);
    bool isFullScreen() const;

    void show();
    void minimize();
    void restore();
    // Brings the window to the front and gives it the input focus.
    void raise();

    // Size of the desktop (the current mode of the first display).
    static bool desktopSize(std::int32_t& width, std::int32_t& height);
    // Shows or hides the system cursor over the window.
    static void showCursor(bool show);

    // Brings SDL's video and event subsystems up once for the whole process.
    // They and the OpenGL library stay loaded until exit: unloading the
    // driver while the process lives gains nothing and loses its state.
    static bool initVideo();

private:
    SDL_Window* m_window;
    KyOsWindowProc m_procedure;
};

#endif

#include "os/KyOsWindow.h"

#include "os/KyOsGL.h"
#include "os/KyOsLog.h"

#include <SDL2/SDL.h>

namespace {

bool g_videoUp = false;

} // namespace

bool KyOsWindow::initVideo()
{
    if (g_videoUp)
        return true;
    // The main loop takes one event a turn. SDL's poll sentinel, meant for
    // loops that empty the queue, would make every other turn find none
    // while events wait, and the events of two turns would then come in one.
    SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        KyOsLog::print("[KyOsWindow::initVideo] SDL video could not start: %s\n", SDL_GetError());
        return false;
    }
    // One reference of our own keeps the OpenGL library loaded when the last
    // window goes, so a later window finds the same driver state.
    if (SDL_GL_LoadLibrary(nullptr) != 0)
        KyOsLog::print("[KyOsWindow::initVideo] OpenGL library not loaded: %s\n", SDL_GetError());
    g_videoUp = true;
    return true;
}

KyOsWindow::KyOsWindow()
    : m_window(nullptr)
    , m_procedure(nullptr)
{
}

KyOsWindow::~KyOsWindow() { destroy(); }

bool KyOsWindow::create(const char* title, std::int32_t width, std::int32_t height, bool fullScreen,
                        KyOsWindowProc procedure)
{
    destroy();
    m_procedure = procedure;
    if (!initVideo())
        return false;
    KyOsGL::setAttributes(KyOsGL::DefaultDepthBits, KyOsGL::DefaultStencilBits);

    const char* text = title ? title : "";
    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
    if (fullScreen) {
        m_window = SDL_CreateWindow(text, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                                    flags | SDL_WINDOW_FULLSCREEN_DESKTOP);
        if (!m_window)
            KyOsLog::print("[KyOsWindow::create] Full screen refused, opening a window: %s\n", SDL_GetError());
    }
    if (!m_window)
        m_window = SDL_CreateWindow(text, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height, flags);
    if (!m_window) {
        KyOsLog::print("[KyOsWindow::create] Window creation failed: %s\n", SDL_GetError());
        return false;
    }
    SDL_RaiseWindow(m_window);
    return true;
}

void KyOsWindow::destroy()
{
    if (m_window) {
        SDL_DestroyWindow(m_window);
        m_window = nullptr;
    }
}

std::uint32_t KyOsWindow::id() const { return m_window ? SDL_GetWindowID(m_window) : 0; }

void KyOsWindow::dispatch(const KyOsMessage& message) const
{
    if (m_procedure)
        m_procedure(message);
}

bool KyOsWindow::setTitle(const char* title)
{
    if (!m_window || !title)
        return false;
    SDL_SetWindowTitle(m_window, title);
    return true;
}

bool KyOsWindow::clientSize(std::int32_t& width, std::int32_t& height) const
{
    width = height = 0;
    if (!m_window)
        return false;
    int w = 0, h = 0;
    SDL_GetWindowSize(m_window, &w, &h);
    width = w;
    height = h;
    return true;
}

bool KyOsWindow::setClientSize(std::int32_t width, std::int32_t height)
{
    if (!m_window || width < 1 || height < 1)
        return false;
    SDL_SetWindowSize(m_window, width, height);
    return true;
}

bool KyOsWindow::position(std::int32_t& x, std::int32_t& y) const
{
    x = y = 0;
    if (!m_window)
        return false;
    int px = 0, py = 0;
    SDL_GetWindowPosition(m_window, &px, &py);
    x = px;
    y = py;
    return true;
}

bool KyOsWindow::setFullScreen(bool fullScreen)
{
    if (!m_window)
        return false;
    if (SDL_SetWindowFullscreen(m_window, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        KyOsLog::print("[KyOsWindow::setFullScreen] %s\n", SDL_GetError());
        return false;
    }
    return true;
}

bool KyOsWindow::isFullScreen() const
{
    return m_window && (SDL_GetWindowFlags(m_window) & SDL_WINDOW_FULLSCREEN) != 0;
}

void KyOsWindow::show()
{
    if (m_window)
        SDL_ShowWindow(m_window);
}

void KyOsWindow::minimize()
{
    if (m_window)
        SDL_MinimizeWindow(m_window);
}

void KyOsWindow::restore()
{
    if (m_window)
        SDL_RestoreWindow(m_window);
}

void KyOsWindow::raise()
{
    if (m_window)
        SDL_RaiseWindow(m_window);
}

bool KyOsWindow::desktopSize(std::int32_t& width, std::int32_t& height)
{
    width = height = 0;
    if (!initVideo())
        return false;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        KyOsLog::print("[KyOsWindow::desktopSize] %s\n", SDL_GetError());
        return false;
    }
    width = mode.w;
    height = mode.h;
    return true;
}

void KyOsWindow::showCursor(bool show)
{
    if (initVideo())
        SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

#include "os/KyOsGL.h"

#include "os/KyOsLog.h"
#include "os/KyOsWindow.h"

#include <SDL2/SDL.h>
#include <GL/gl.h>

namespace {

bool bitsAllowed(int depthBits, int stencilBits)
{
    return depthBits >= 0 && depthBits <= KyOsGL::MaxDepthBits && stencilBits >= 0 &&
           stencilBits <= KyOsGL::MaxStencilBits;
}

// Without a current context the driver has no string to give; asking it
// anyway is undefined on some drivers, so the answer is null up front.
const char* glString(GLenum name)
{
    if (!SDL_GL_GetCurrentContext())
        return nullptr;
    return reinterpret_cast<const char*>(glGetString(name));
}

} // namespace

KyOsGL::KyOsGL()
    : m_context(nullptr)
    , m_windowId(0)
{
}

KyOsGL::~KyOsGL() { destroy(); }

bool KyOsGL::setAttributes(int depthBits, int stencilBits)
{
    if (!bitsAllowed(depthBits, stencilBits))
        return false;
    bool ok = SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY) == 0;
    ok = SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2) == 0 && ok;
    ok = SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1) == 0 && ok;
    ok = SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1) == 0 && ok;
    ok = SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8) == 0 && ok;
    ok = SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8) == 0 && ok;
    ok = SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8) == 0 && ok;
    ok = SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8) == 0 && ok;
    ok = SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits) == 0 && ok;
    ok = SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencilBits) == 0 && ok;
    return ok;
}

bool KyOsGL::create(const KyOsWindow& window, int depthBits, int stencilBits)
{
    if (!window.exists()) {
        KyOsLog::print("[KyOsGL::create] No window to create the context on.\n");
        return false;
    }
    // The drivers would quietly hand out a shallower buffer; a request beyond
    // what the context offers is refused instead, so the caller knows.
    if (!bitsAllowed(depthBits, stencilBits)) {
        KyOsLog::print("[KyOsGL::create] Depth %d bits and stencil %d bits cannot be had (at most %d and %d).\n",
                 depthBits, stencilBits, MaxDepthBits, MaxStencilBits);
        return false;
    }
    destroy();
    setAttributes(depthBits, stencilBits);
    SDL_GLContext context = SDL_GL_CreateContext(window.sdlWindow());
    if (!context) {
        KyOsLog::print("[KyOsGL::create] Unable to create the context: %s\n", SDL_GetError());
        return false;
    }
    m_context = context;
    m_windowId = window.id();
    return true;
}

void KyOsGL::destroy()
{
    if (!m_context)
        return;
    if (SDL_GL_GetCurrentContext() == m_context)
        makeNoneCurrent();
    SDL_GL_DeleteContext(m_context);
    m_context = nullptr;
    m_windowId = 0;
}

bool KyOsGL::makeCurrent() const
{
    // The window is looked up by its identifier so that a destroyed window
    // gives a refusal, not a dangling pointer.
    SDL_Window* window = m_context ? SDL_GetWindowFromID(m_windowId) : nullptr;
    if (!window)
        return false;
    return SDL_GL_MakeCurrent(window, m_context) == 0;
}

bool KyOsGL::makeNoneCurrent()
{
    if (!SDL_GL_GetCurrentContext())
        return true;
    return SDL_GL_MakeCurrent(nullptr, nullptr) == 0;
}

bool KyOsGL::swap() const
{
    SDL_Window* window = m_context ? SDL_GetWindowFromID(m_windowId) : nullptr;
    if (!window)
        return false;
    SDL_GL_SwapWindow(window);
    return true;
}

bool KyOsGL::setSwapInterval(int interval)
{
    if (!SDL_GL_GetCurrentContext())
        return false;
    return SDL_GL_SetSwapInterval(interval) == 0;
}

void* KyOsGL::procAddress(const char* name)
{
    if (!name || !KyOsWindow::initVideo())
        return nullptr;
    return SDL_GL_GetProcAddress(name);
}

const char* KyOsGL::vendor() { return glString(GL_VENDOR); }
const char* KyOsGL::renderer() { return glString(GL_RENDERER); }
const char* KyOsGL::version() { return glString(GL_VERSION); }
const char* KyOsGL::extensions() { return glString(GL_EXTENSIONS); }

#include "platform/KyOpenGLContext.h"

#include "core/KyLog.h"
#include "os/KyOsGL.h"
#include "os/KyOsWindow.h"

namespace {

// Created on first use and kept to the end, like the context it holds: the
// OpenGL library stays loaded until exit.
KyOsGL* g_context = nullptr;
KyOsWindow* g_window = nullptr;

KyOsGL& context()
{
    if (!g_context)
        g_context = new KyOsGL();
    return *g_context;
}

} // namespace

bool KyOpenGLContext::Initialize(void* handle)
{
    g_window = static_cast<KyOsWindow*>(handle);
    if (!g_window || !g_window->exists() || !context().create(*g_window)) {
        logPrint("[KyOpenGLContext::Initialize(void* handle)] Unable to create the context.\n");
        if (g_context)
            g_context->destroy();
        return false;
    }
    // A context the driver cannot describe cannot be trusted to draw.
    if (!KyOsGL::vendor() || !KyOsGL::renderer() || !KyOsGL::version()) {
        logPrint("[KyOpenGLContext::Initialize(void* handle)] The driver gives no vendor, renderer or version.\n");
        g_context->destroy();
        return false;
    }
    g_window->show();
    return true;
}

bool KyOpenGLContext::makeCurrent()
{
    return g_context && g_context->makeCurrent();
}

bool KyOpenGLContext::swapAndRelease()
{
    if (!g_context)
        return false;
    bool swapped = g_context->swap();
    KyOsGL::makeNoneCurrent();
    return swapped;
}

bool KyOpenGLContext::isInitialized()
{
    return g_context && g_context->exists();
}

KyOsWindow* KyOpenGLContext::window()
{
    return g_window;
}

void KyOpenGLContext::destroy()
{
    if (g_context)
        g_context->destroy();
    g_window = nullptr;
}

#include "platform/KyAppHooks.h"

namespace {

KyAppHooks::ApplicationGetter g_applicationGetter = nullptr;
KyAppHooks::FrameRunner g_renderFrameAndSwap = nullptr;

} // namespace

void KyAppHooks::setApplicationGetter(ApplicationGetter getter)
{
    g_applicationGetter = getter;
}

void KyAppHooks::setRenderFrameAndSwap(FrameRunner runner)
{
    g_renderFrameAndSwap = runner;
}

KyObject* KyAppHooks::application()
{
    return g_applicationGetter ? g_applicationGetter() : nullptr;
}

bool KyAppHooks::renderFrameAndSwap()
{
    if (!g_renderFrameAndSwap)
        return false;
    g_renderFrameAndSwap();
    return true;
}

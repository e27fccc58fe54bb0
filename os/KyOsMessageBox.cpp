#include "os/KyOsMessageBox.h"

#include "os/KyOsLog.h"
#include "os/KyOsWindow.h"

#include <SDL2/SDL.h>
#include <cstdlib>
#include <cstring>

namespace {

Uint32 sdlFlags(KyOsMessageBox::Icon icon)
{
    switch (icon) {
    case KyOsMessageBox::Information:
        return SDL_MESSAGEBOX_INFORMATION;
    case KyOsMessageBox::Error:
        return SDL_MESSAGEBOX_ERROR;
    case KyOsMessageBox::Warning:
        break;
    }
    return SDL_MESSAGEBOX_WARNING;
}

} // namespace

bool KyOsMessageBox::isHeadless()
{
    const char* value = std::getenv("KY_HEADLESS");
    return value && std::strcmp(value, "1") == 0;
}

KyOsMessageBox::Answer KyOsMessageBox::show(const char* text, const char* caption, Icon icon, const KyOsWindow* owner)
{
    const char* body = text ? text : "";
    const char* title = caption ? caption : "";
    if (isHeadless()) {
        KyOsLog::print("[MessageBox] %s: %s\n", title, body);
        return Ok;
    }
    SDL_Window* parent = owner ? owner->sdlWindow() : nullptr;
    if (SDL_ShowSimpleMessageBox(sdlFlags(icon), title, body, parent) != 0)
        KyOsLog::print("[MessageBox] %s: %s (not shown: %s)\n", title, body, SDL_GetError());
    return Ok;
}

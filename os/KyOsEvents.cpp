#include "os/KyOsEvents.h"

#include "os/KyOsWindow.h"

#include <SDL2/SDL.h>

namespace {

std::uint32_t fromSdlButtons(Uint32 state)
{
    std::uint32_t word = 0;
    if (state & SDL_BUTTON_LMASK)
        word |= KyOsMessage::LeftButtonBit;
    if (state & SDL_BUTTON_RMASK)
        word |= KyOsMessage::RightButtonBit;
    return word;
}

Uint32 toSdlButtons(std::uint32_t word)
{
    Uint32 state = 0;
    if (word & KyOsMessage::LeftButtonBit)
        state |= SDL_BUTTON_LMASK;
    if (word & KyOsMessage::RightButtonBit)
        state |= SDL_BUTTON_RMASK;
    return state;
}

KyOsMessage::Button fromSdlButton(Uint8 button)
{
    if (button == SDL_BUTTON_LEFT)
        return KyOsMessage::LeftButton;
    if (button == SDL_BUTTON_RIGHT)
        return KyOsMessage::RightButton;
    return KyOsMessage::NoButton;
}

// The window an event belongs to; 0 for events of the whole program.
Uint32 eventWindow(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_WINDOWEVENT:
        return event.window.windowID;
    case SDL_MOUSEMOTION:
        return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return event.button.windowID;
    default:
        return 0;
    }
}

// While the next waiting event is another motion of the same window, it
// replaces `event`: only the last position of a run of moves is reported.
void coalesceMotion(SDL_Event& event)
{
    SDL_Event next;
    while (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
           next.type == SDL_MOUSEMOTION && next.motion.windowID == event.motion.windowID) {
        if (SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_MOUSEMOTION, SDL_MOUSEMOTION) != 1)
            break;
        event = next;
    }
}

bool push(SDL_Event& event)
{
    if (!KyOsWindow::initVideo())
        return false;
    event.common.timestamp = SDL_GetTicks();
    return SDL_PushEvent(&event) == 1;
}

} // namespace

KyOsEvents::KyOsEvents()
    : m_pendingCount(0)
    , m_pendingNext(0)
    , m_havePointer(false)
    , m_pointerX(0)
    , m_pointerY(0)
    , m_buttons(0)
{
}

bool KyOsEvents::take(const KyOsWindow& window, KyOsMessage& out)
{
    for (;;) {
        if (m_pendingNext < m_pendingCount) {
            out = m_pending[m_pendingNext++];
            return true;
        }
        m_pendingCount = m_pendingNext = 0;
        if (!KyOsWindow::initVideo())
            return false;
        SDL_Event event;
        if (!SDL_PollEvent(&event))
            return false;
        const Uint32 owner = eventWindow(event);
        if (owner != 0 && owner != window.id())
            continue;
        if (event.type == SDL_MOUSEMOTION)
            coalesceMotion(event);
        convert(event);
    }
}

bool KyOsEvents::dispatchOne(const KyOsWindow& window)
{
    KyOsMessage message;
    if (!take(window, message))
        return false;
    window.dispatch(message);
    return true;
}

void KyOsEvents::clear()
{
    m_pendingCount = m_pendingNext = 0;
    if (!KyOsWindow::initVideo())
        return;
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

void KyOsEvents::add(const KyOsMessage& message)
{
    if (m_pendingCount < 2)
        m_pending[m_pendingCount++] = message;
}

void KyOsEvents::addMouseMove(std::int32_t x, std::int32_t y)
{
    add(KyOsMessage::mouseMove(x, y, m_buttons));
    m_havePointer = true;
    m_pointerX = x;
    m_pointerY = y;
}

void KyOsEvents::convert(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        add(KyOsMessage::destroy());
        break;
    case SDL_MOUSEMOTION:
        m_buttons = fromSdlButtons(event.motion.state);
        addMouseMove(event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        convertMouseButton(event);
        break;
    case SDL_WINDOWEVENT: {
        const SDL_WindowEvent& w = event.window;
        switch (w.event) {
        case SDL_WINDOWEVENT_CLOSE:
            add(KyOsMessage::destroy());
            break;
        case SDL_WINDOWEVENT_MOVED:
            add(KyOsMessage::move(w.data1, w.data2));
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            add(KyOsMessage::size(w.data1, w.data2));
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            add(KyOsMessage::activate(false, true));
            add(KyOsMessage::minimizedSize());
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            add(KyOsMessage::activate(true));
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            add(KyOsMessage::activate(false));
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            add(KyOsMessage::paint());
            break;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
}

void KyOsEvents::convertMouseButton(const SDL_Event& event)
{
    const SDL_MouseButtonEvent& b = event.button;
    const KyOsMessage::Button button = fromSdlButton(b.button);
    if (button == KyOsMessage::NoButton)
        return;
    // The pointer got here without a move being reported (a click right after
    // entering the window, or an event placed in the queue): report the move
    // first so the window knows where the click happened.
    if (!m_havePointer || m_pointerX != b.x || m_pointerY != b.y)
        addMouseMove(b.x, b.y);
    const std::uint32_t bit = KyOsMessage::buttonBit(button);
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        m_buttons |= bit;
        add(KyOsMessage::buttonDown(button, b.x, b.y, m_buttons));
    } else {
        m_buttons &= ~bit;
        add(KyOsMessage::buttonUp(button, b.x, b.y, m_buttons));
    }
}

bool KyOsEvents::pushMouseMove(const KyOsWindow& window, std::int32_t x, std::int32_t y, std::uint32_t buttons)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = window.id();
    event.motion.state = toSdlButtons(buttons);
    event.motion.x = x;
    event.motion.y = y;
    return push(event);
}

bool KyOsEvents::pushMouseButton(const KyOsWindow& window, KyOsMessage::Button button, bool pressed, std::int32_t x,
                                 std::int32_t y)
{
    if (button == KyOsMessage::NoButton)
        return false;
    SDL_Event event = {};
    event.type = pressed ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.windowID = window.id();
    event.button.button = button == KyOsMessage::LeftButton ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT;
    event.button.state = pressed ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
    return push(event);
}

bool KyOsEvents::pushWindowEvent(const KyOsWindow& window, std::uint8_t windowEvent, std::int32_t data1,
                                 std::int32_t data2)
{
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = window.id();
    event.window.event = windowEvent;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return push(event);
}

bool KyOsEvents::pushKey(const KyOsWindow& window, const char* keyName, bool pressed)
{
    const SDL_Keycode key = keyName ? SDL_GetKeyFromName(keyName) : SDLK_UNKNOWN;
    if (key == SDLK_UNKNOWN)
        return false;
    SDL_Event event = {};
    event.type = pressed ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = window.id();
    event.key.state = pressed ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    return push(event);
}

bool KyOsEvents::pushQuit()
{
    SDL_Event event = {};
    event.type = SDL_QUIT;
    return push(event);
}

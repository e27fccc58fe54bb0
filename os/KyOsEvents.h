#ifndef KY_OS_EVENTS_H
#define KY_OS_EVENTS_H

#include "os/KyOsMessage.h"

#include <cstdint>

class KyOsWindow;
union SDL_Event;

// The message pump: turns SDL's events into the window's messages, one
// message per call, as the main loop takes one message a turn.
//
// - Consecutive mouse motions waiting in the queue are merged into one move
//   to the last position, as the system does with mouse moves.
// - A button pressed or released away from the last reported pointer position
//   first gives a move to that position, then the button (two messages).
// - Minimising gives a deactivation (minimized set), then a 0 x 0 size.
// - Closing the window or a quit request gives Destroy.
// - Events of other windows and events that mean nothing to the window
//   (keys, wheel, middle button, ...) are dropped without giving a message.
class KyOsEvents {
public:
    KyOsEvents();

    // Takes the next message for `window` into `out`; false when none is
    // pending. Never waits.
    bool take(const KyOsWindow& window, KyOsMessage& out);
    // Takes the next message and hands it to the window's procedure; false
    // when none was pending.
    bool dispatchOne(const KyOsWindow& window);
    // Drops every pending event and message.
    void clear();

    // Place events in SDL's queue as the system would, for tests. Coordinates
    // are client pixels (top-left origin); `buttons` uses the message bits.
    static bool pushMouseMove(const KyOsWindow& window, std::int32_t x, std::int32_t y, std::uint32_t buttons = 0);
    static bool pushMouseButton(const KyOsWindow& window, KyOsMessage::Button button, bool pressed, std::int32_t x,
                                std::int32_t y);
    // `windowEvent` is one of SDL's SDL_WINDOWEVENT_* codes. Note that a
    // resize is reported by SDL_WINDOWEVENT_SIZE_CHANGED.
    static bool pushWindowEvent(const KyOsWindow& window, std::uint8_t windowEvent, std::int32_t data1 = 0,
                                std::int32_t data2 = 0);
    static bool pushQuit();
    // A key pressed or released, named as SDL names keys ("Escape", "A",
    // "Return"); false for a name SDL does not know. The pump drops keys
    // today: the event shows what the window receives.
    static bool pushKey(const KyOsWindow& window, const char* keyName, bool pressed);

private:
    void convert(const SDL_Event& event);
    void convertMouseButton(const SDL_Event& event);
    void addMouseMove(std::int32_t x, std::int32_t y);
    void add(const KyOsMessage& message);

    // Messages made from one event, handed out one per call.
    KyOsMessage m_pending[2];
    int m_pendingCount;
    int m_pendingNext;
    // Last pointer position reported in a message, and the button word.
    bool m_havePointer;
    std::int32_t m_pointerX;
    std::int32_t m_pointerY;
    std::uint32_t m_buttons;
};

#endif

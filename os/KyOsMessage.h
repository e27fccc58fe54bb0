#ifndef KY_OS_MESSAGE_H
#define KY_OS_MESSAGE_H

#include <cstdint>

// One message for the window procedure: what the system reports about the
// window (destroyed, moved, resized, (de)activated, to be painted) and the
// mouse over its client area. The event pump builds these from system events;
// tests build them directly to drive a window procedure without a display.
struct KyOsMessage {
    enum Kind {
        None = 0,
        Destroy,    // the window was closed: the program should end
        Move,       // x, y: new position of the window on the desktop
        Size,       // width, height: new client size; 0 x 0 (minimized set) when minimised
        Activate,   // active: gained (true) or lost (false) the focus; minimized: lost by minimising
        Paint,      // the client area must be redrawn
        MouseMove,  // x, y: pointer in client pixels; buttons: word after the move
        ButtonDown, // button pressed at x, y; buttons: word after the press
        ButtonUp    // button released at x, y; buttons: word after the release
    };

    enum Button { NoButton = 0, LeftButton = 1, RightButton = 2 };

    // Bits of the button-state word. They are the values the main window keeps
    // in its own button word, so the word can be compared without translation.
    static const std::uint32_t LeftButtonBit = 0x2;
    static const std::uint32_t RightButtonBit = 0x4;

    Kind kind = None;
    // Mouse messages: client coordinates, origin at the top-left corner of the
    // client area, y growing downwards; negative left of or above it.
    // Move: the window position on the desktop.
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    Button button = NoButton;
    std::uint32_t buttons = 0;
    bool active = false;
    bool minimized = false;

    static KyOsMessage destroy() { return make(Destroy); }
    static KyOsMessage move(std::int32_t x, std::int32_t y)
    {
        KyOsMessage m = make(Move);
        m.x = x;
        m.y = y;
        return m;
    }
    static KyOsMessage size(std::int32_t width, std::int32_t height)
    {
        KyOsMessage m = make(Size);
        m.width = width;
        m.height = height;
        return m;
    }
    // What a minimised window reports: a 0 x 0 client area.
    static KyOsMessage minimizedSize()
    {
        KyOsMessage m = size(0, 0);
        m.minimized = true;
        return m;
    }
    static KyOsMessage activate(bool active, bool minimized = false)
    {
        KyOsMessage m = make(Activate);
        m.active = active;
        m.minimized = minimized;
        return m;
    }
    static KyOsMessage paint() { return make(Paint); }
    static KyOsMessage mouseMove(std::int32_t x, std::int32_t y, std::uint32_t buttons = 0)
    {
        return mouse(MouseMove, NoButton, x, y, buttons);
    }
    static KyOsMessage buttonDown(Button button, std::int32_t x, std::int32_t y, std::uint32_t buttons)
    {
        return mouse(ButtonDown, button, x, y, buttons);
    }
    static KyOsMessage buttonUp(Button button, std::int32_t x, std::int32_t y, std::uint32_t buttons)
    {
        return mouse(ButtonUp, button, x, y, buttons);
    }

    // The bit of `button` in the button-state word (0 for NoButton).
    static std::uint32_t buttonBit(Button button)
    {
        return button == LeftButton ? LeftButtonBit : button == RightButton ? RightButtonBit : 0;
    }

private:
    static KyOsMessage make(Kind kind)
    {
        KyOsMessage m;
        m.kind = kind;
        return m;
    }
    static KyOsMessage mouse(Kind kind, Button button, std::int32_t x, std::int32_t y, std::uint32_t buttons)
    {
        KyOsMessage m = make(kind);
        m.button = button;
        m.x = x;
        m.y = y;
        m.buttons = buttons;
        return m;
    }
};

// The window procedure: every message taken for a window is handed to it, on
// the main thread, from inside the event pump.
typedef void (*KyOsWindowProc)(const KyOsMessage& message);

#endif

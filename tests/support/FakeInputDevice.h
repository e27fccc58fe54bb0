#ifndef KY_TEST_FAKE_INPUT_DEVICE_H
#define KY_TEST_FAKE_INPUT_DEVICE_H

#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "platform/KyInputMgr.h"

// A pointer device whose state the test writes, as the window procedure
// would: window points (origin at the top-left corner, y down) and the left
// button of pointer 0.
class FakeInputDevice : public KyInputDevice {
public:
    static const u32 MaxPointers = 4;

    u32 pointerCount() override { return pointers; }
    KyVector2s32 mousePosition(u32 pointer) override;
    KyVector2s32 previousMousePosition(u32 pointer) override;
    u32 buttonState(u32 pointer) override;
    u32 previousButtonState(u32 pointer) override;

    void moveTo(u32 pointer, s32 x, s32 y);
    // Left button of pointer 0: the current word becomes the previous one.
    void press();
    void release();

    u32 pointers = 1;
    KyVector2s32 position[MaxPointers];
    KyVector2s32 previousPosition[MaxPointers];
    u32 buttons = 0;
    u32 previousButtons = 0;
};

// Drives the global input manager from a FakeInputDevice, one frame at a
// time, on the fake clock (so no frame is skipped as late). Positions are
// window points; the window's height is the screen's (KyScreen), which the
// caller sets. The device only reports the left button of pointer 0: the
// other pointers are pressed and released on the manager directly, as a
// touch source would. The script makes the global manager afresh and
// destroys it at its end.
//
//     InputScript input(2);
//     input.moveTo(0, 100, 50);   // one frame: move events
//     input.press();              // one frame: press of pointer 0
//     input.press(1);             // press of pointer 1
class InputScript {
public:
    explicit InputScript(u32 pointers = 1);
    ~InputScript();
    InputScript(const InputScript&) = delete;
    InputScript& operator=(const InputScript&) = delete;

    // One frame: the device's state is polled.
    void frame();
    void moveTo(u32 pointer, s32 x, s32 y);
    void moveTo(s32 x, s32 y) { moveTo(0, x, y); }
    void press(u32 pointer = 0);
    void release(u32 pointer = 0);
    // Move then press, then release where the pointer is.
    void click(s32 x, s32 y, u32 pointer = 0);

    FakeInputDevice& device() { return m_device; }
    KyInputMgr* manager() { return m_manager; }

private:
    FakeInputDevice m_device;
    KyInputMgr* m_manager;
};

#endif

#ifndef KY_TESTS_BUTTON_INPUT_FIXTURE_H
#define KY_TESTS_BUTTON_INPUT_FIXTURE_H

#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "platform/KyInputMgr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The pointer as the window procedure records it: one pointer, window points
// (origin top-left, y down) and the left-button words.
class ButtonFakeDevice : public KyInputDevice {
public:
    u32 pointerCount() override { return 1; }
    KyVector2s32 mousePosition(u32) override { return position; }
    KyVector2s32 previousMousePosition(u32) override { return position; }
    u32 buttonState(u32) override { return buttons; }
    u32 previousButtonState(u32) override { return previousButtons; }

    KyVector2s32 position;
    u32 buttons = 0;
    u32 previousButtons = 0;
};

// Drives the global input manager from the fake device, one frame a step
// (16 ms of the fake clock, which the caller installs), in a 640 x 480
// screen. Points are given in input coordinates (origin bottom-left, y up),
// as buttons see them.
class ButtonInputDriver {
public:
    static const s32 kScreenHeight = 480;

    // Gives the manager the device and polls once.
    void start();
    // Takes the device away and destroys the manager.
    void stop();

    void frame();
    void moveTo(s32 x, s32 y);
    void press();
    void release();
    // Move, press, release: three frames.
    void click(s32 x, s32 y);

    ButtonFakeDevice device;
    KyInputMgr* manager = nullptr;
};

// Button tests on the fake clock with the driver started.
class ButtonInput : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void frame() { input.frame(); }
    void moveTo(s32 x, s32 y) { input.moveTo(x, y); }
    void press() { input.press(); }
    void release() { input.release(); }
    void click(s32 x, s32 y) { input.click(x, y); }

    // What listeners recorded, taken out.
    std::vector<std::string> take();

    ButtonInputDriver input;
    KyInputMgr* manager = nullptr;
    std::vector<std::string> log;
};

// Records a named event into a log and answers false, so the signal goes on.
class EventRecorder {
public:
    EventRecorder(std::vector<std::string>& log, const char* name) : m_log(log), m_name(name) {}
    bool record()
    {
        m_log.push_back(m_name);
        return false;
    }

private:
    std::vector<std::string>& m_log;
    std::string m_name;
};

typedef std::vector<std::string> EventLog;

#endif

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

// Drives the global input manager from the fake device on the fake clock, one
// frame a step, in a 640 x 480 screen. Points are given in input coordinates
// (origin bottom-left, y up), as buttons see them.
class ButtonInput : public ::testing::Test {
protected:
    static const s32 kScreenHeight = 480;

    void SetUp() override;
    void TearDown() override;

    // One frame (16 ms later) with the device's state polled.
    void frame();
    void moveTo(s32 x, s32 y);
    void press();
    void release();
    // Move, press, release: three frames.
    void click(s32 x, s32 y);

    // What listeners recorded, taken out.
    std::vector<std::string> take();

    ButtonFakeDevice device;
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

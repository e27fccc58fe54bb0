#ifndef KY_TESTS_CLICKABLE_LAYOUT_FIXTURE_H
#define KY_TESTS_CLICKABLE_LAYOUT_FIXTURE_H

#include "core/KyCallback0Param.h"
#include "core/KySingleton.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "platform/KyInputMgr.h"
#include "tests/support/FakeInputDevice.h"
#include "ui/KyLayout.h"
#include "ui/KyMainWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Hears the left-button presses and releases that no layout consumed.
struct UnhandledClicks {
    int presses = 0;
    int releases = 0;
    bool onPress() { return ++presses, false; }
    bool onRelease() { return ++releases, false; }
};

// Button and check box layouts in an 800 x 600 window, driven by two
// pointers of the fake input.
class ClickableLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = KySingleton<KyMainWindow>::instance();
        window->setSize(KyVector3f32(800, 600, 0));
        input = std::make_unique<InputScript>(2);
        // Both pointers first reach the device's corner: a move of one
        // pointer off a button ends the hover another one gave it.
        input->frame();
        input->manager()->onLeftButtonDown().pushBack(kyNewCallback(&unhandled, &UnhandledClicks::onPress));
        input->manager()->onLeftButtonUp().pushBack(kyNewCallback(&unhandled, &UnhandledClicks::onRelease));
    }

    void TearDown() override
    {
        looks.clear();
        input.reset();
    }

    // A look layout of width x height pixels, owned by the test.
    KyLayout* addLook(f32 width, f32 height)
    {
        looks.push_back(std::make_unique<KyLayout>());
        looks.back()->setSize(KyVector3f32(width, height, 1));
        return looks.back().get();
    }

    KyMainWindow* window = nullptr;
    std::unique_ptr<InputScript> input;
    UnhandledClicks unhandled;
    std::vector<std::unique_ptr<KyLayout>> looks;
};

#endif

// The sprite button that takes clicks only while its two flags both hold.
#include "game/GatedSpriteButton.h"

#include <gtest/gtest.h>

TEST(GatedSpriteButton, EnabledExactlyWhileBothFlagsHold)
{
    GatedSpriteButton gated;
    EXPECT_TRUE(gated.firstFlag());
    EXPECT_FALSE(gated.secondFlag());
    EXPECT_FALSE(gated.button.isEnabled());

    struct Step {
        int flag;   // 1 or 2
        bool on;
        bool enabled;
    };
    const Step steps[] = {
        {2, true, true},  {2, true, true},   {1, false, false}, {2, false, false},
        {1, true, false}, {2, true, true},   {2, false, false}, {2, true, true},
    };
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(index++);
        // A press in progress when the gate closes is dropped.
        if (gated.button.isEnabled())
            gated.button.setPressed(true);
        if (step.flag == 1)
            gated.setFirstFlag(step.on);
        else
            gated.setSecondFlag(step.on);
        EXPECT_EQ(gated.button.isEnabled(), step.enabled);
        if (!step.enabled) {
            EXPECT_FALSE(gated.button.isPressed());
            EXPECT_EQ(gated.button.touches().count(), 0u);
        }
    }
}

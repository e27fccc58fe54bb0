// Animations described in a Lua interface file, given a target and played
// on the fake clock as a screen plays them.

#include "script/KyLuaGUI.h"
#include "ui/KyLayout.h"

#include "tests/script/LuaGUIFixture.h"
#include "tests/ui/AnimationFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const char* const kAnimations = R"(
panel = KyLayout{ name = "panel", KyLayout{ name = "inner" } }
KyColorLinearAnimation{
    name = "fadeOut", duration = 1000, curve = {0, 1},
    startValue = {255, 255, 255, 255}, endValue = {255, 255, 255, 0},
}
KyColorLinearAnimation{ name = "darken", duration = 100, curve = {0, 1}, endValue = {0, 0, 0} }
KyRotationLinearAnimation{
    name = "quarterTurn", duration = 400, curve = {0, 1}, startValue = {0, 0, 1, 0}, endValue = {0, 0, 1, 90},
}
KyLayoutPositionLinearAnimation{ name = "slide", duration = 200, curve = {0, 1}, startValue = {0, 0}, endValue = {0.5} }
KyLayoutAnchorLinearAnimation{ name = "slide", duration = 200, curve = {0, 0.5, 1}, startValue = {1, 1, 1}, endValue = {0, 0, 0} }
KyLayoutPositionLinearAnimation{ name = "noCurve", duration = 50, endValue = {1, 1, 1} }
)";

class LuaGUIAnimation : public AnimationTest {
protected:
    void SetUp() override
    {
        AnimationTest::SetUp();
        ASSERT_TRUE(files.load("GUI/Animations.lua", kAnimations));
        panel = files.gui.layout("panel");
        ASSERT_NE(nullptr, panel);
    }

    LuaGUIFiles files;
    KyLayout* panel = nullptr;
};

} // namespace

TEST_F(LuaGUIAnimation, AColourAnimationFadesTheAlphaToZeroAndFinishes)
{
    KyLuaGUI::ColorAnimation* fade = files.gui.colorLinearAnimation("fadeOut");
    ASSERT_NE(nullptr, fade);
    SignalLog log;
    log.listen(fade->onStop, "stop ");
    log.listen(fade->onFinished, "finished");
    fade->playOn(panel);
    frameAfter(0);
    EXPECT_EQ(255, panel->color().a);
    frameAfter(500);
    EXPECT_EQ(127, panel->color().a);
    // The child is faded through its parent's world colour.
    EXPECT_EQ(127, static_cast<KyLayout*>(panel->child(0))->worldColor().a);
    frameAfter(499);
    EXPECT_LE(panel->color().a, 1);
    EXPECT_TRUE(fade->isRunning());
    frameAfter(1);
    EXPECT_EQ(KyColor(255, 255, 255, 0), panel->color());
    EXPECT_FALSE(fade->isRunning());
    EXPECT_EQ("stop finished", log.text);

    // Without an alpha in the list the end stays opaque.
    KyLuaGUI::ColorAnimation* darken = files.gui.colorLinearAnimation("darken");
    darken->playOn(panel);
    frameAfter(100);
    EXPECT_EQ(KyColor(0, 0, 0, 255), panel->color());
}

TEST_F(LuaGUIAnimation, RotationPositionAndAnchorReachTheirEndValues)
{
    KyLuaGUI::RotationAnimation* turn = files.gui.rotationLinearAnimation("quarterTurn");
    KyLuaGUI::VectorAnimation* slide = files.gui.layoutPositionLinearAnimation("slide");
    KyLuaGUI::VectorAnimation* anchor = files.gui.layoutAnchorLinearAnimation("slide");
    ASSERT_TRUE(turn && slide && anchor);
    turn->playOn(panel);
    slide->playOn(panel);
    anchor->playOn(panel);
    frameAfter(100);
    EXPECT_EQ(KyVector3f32(0.25f, 0, 0), panel->userPosition());
    EXPECT_EQ(KyVector3f32(0.5f, 0.5f, 0.5f), panel->anchor());
    frameAfter(100);
    EXPECT_EQ(KyVector3f32(0.5f, 0, 0), panel->userPosition());
    EXPECT_EQ(KyVector3f32(0, 0, 0), panel->anchor());
    frameAfter(200);
    const f32 half = std::sqrt(0.5f);
    EXPECT_NEAR(0.0f, panel->rotation().x, 1e-6f);
    EXPECT_NEAR(half, panel->rotation().z, 1e-6f);
    EXPECT_NEAR(half, panel->rotation().w, 1e-6f);
    EXPECT_FALSE(turn->isRunning());
}

TEST_F(LuaGUIAnimation, AnAnimationWithoutACurveChangesNothingAndStillEnds)
{
    KyLuaGUI::VectorAnimation* still = files.gui.layoutPositionLinearAnimation("noCurve");
    ASSERT_NE(nullptr, still);
    const KyVector3f32 before = panel->userPosition();
    still->playOn(panel);
    frameAfter(50);
    EXPECT_EQ(before, panel->userPosition());
    EXPECT_FALSE(still->isRunning());
}

TEST_F(LuaGUIAnimation, UnloadingStopsARunningAnimation)
{
    KyLuaGUI::ColorAnimation* fade = files.gui.colorLinearAnimation("fadeOut");
    SignalLog log;
    log.listen(fade->onStop, "stop");
    log.listen(fade->onFinished, " finished");
    fade->playOn(panel);
    frameAfter(100);
    files.gui.unload();
    EXPECT_EQ("stop", log.text);
    EXPECT_FALSE(isListed(fade));
    // Still alive until the end of the frame, and no longer updated.
    frameAfter(2000);
    EXPECT_EQ("stop", log.text);
}

// The in-game interface of the sample game and what the game shows in it:
// every element the game looks up, the health bars, the objectives screen.
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "game/screens/Objectives.h"
#include "tests/game/GameSession.h"
#include "ui/KyButtonLayout.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyTextLayout.h"
#include "ui/KyVideoLayout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The in-game interface loaded into the game-logic object and shown under
// the orientation layout, as a game shows it.
void showInGame(Application* app)
{
    GameWarp& game = app->gameWarp;
    ASSERT_TRUE(game.inGameGui.load("GUI/InGame.lua"));
    KyLayout* root = game.inGameGui.layout("inGame");
    ASSERT_NE(root, nullptr);
    app->orientationLayout.addChildBefore(root, &app->rotationAnim);
}

} // namespace

TEST(InGameInterface, HoldsEveryElementTheGameLooksUp)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    showInGame(session.app());
    KyLuaGUI& gui = session.app()->gameWarp.inGameGui;
    for (const char* name : {"inventoryButton", "helpButton", "skipVideoButton", "videoBackgroundButton", "leftButton",
                             "rightButton", "upButton", "downButton", "objectivesButton",
                             "objectivesBackgroundButton"})
        EXPECT_NE(gui.buttonLayout(name), nullptr) << name;
    for (const char* name : {"mayaHealthEmpty", "mayaHealthFull", "tuyaHealthEmpty", "tuyaHealthFull",
                             "currentObjectSprite", "objectivesFrame"})
        EXPECT_NE(gui.spriteLayout(name), nullptr) << name;
    EXPECT_NE(gui.videoLayout("video"), nullptr);
    EXPECT_NE(gui.textLayout("objectivesText"), nullptr);
    EXPECT_NE(gui.layout("objectivesPanel"), nullptr);
    // Hidden until the game shows them.
    for (const char* name : {"videoBackgroundButton", "skipVideoButton", "video", "objectivesPanel"})
        EXPECT_FALSE(gui.layout(name)->visible()) << name;
    session.frames(2);
    EXPECT_EQ(session.log().find("Lua: "), std::string::npos) << session.log();
    EXPECT_EQ(session.log().find("introuvable"), std::string::npos) << session.log();
}

TEST(Health, BarsShowTheShareOfHealthLeftAndBothAreRedrawnOnEveryChange)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    Application* app = session.app();
    showInGame(app);
    GameWarp& game = app->gameWarp;
    KySpriteLayout* maya = game.inGameGui.spriteLayout("mayaHealthFull");
    KySpriteLayout* tuya = game.inGameGui.spriteLayout("tuyaHealthFull");
    ASSERT_TRUE(maya && tuya);
    const f32 width = f32(maya->imageWidth());
    const f32 height = f32(maya->imageHeight());
    ASSERT_GT(height, 0.0f);

    // Each step changes the values as the scripts do; then both bars show
    // their share (0 to 1) of the picture.
    struct Step {
        void (*change)(GameWarp&);
        s32 maya, tuya;
        bool mayaAlive, tuyaAlive;
        f32 mayaShare, tuyaShare;
    };
    const Step steps[] = {
        {[](GameWarp& g) { g.reduceMayaHealth(30); }, 70, 100, true, true, 0.7f, 1.0f},
        {[](GameWarp& g) { g.reduceMayaHealth(150); }, -80, 100, false, true, 0.0f, 1.0f},
        {[](GameWarp& g) { g.reduceTuyaHealth(-25); }, -80, 125, false, true, 0.0f, 1.0f},
        {[](GameWarp& g) { g.reduceTuyaHealth(125); }, -80, 0, false, false, 0.0f, 0.0f},
        {[](GameWarp& g) { g.initHealths(); }, 100, 100, true, true, 1.0f, 1.0f},
        {[](GameWarp& g) { g.reduceTuyaHealth(50); }, 100, 50, true, true, 1.0f, 0.5f},
        {[](GameWarp& g) { g.reduceTuyaHealth(49); }, 100, 1, true, true, 1.0f, 0.01f},
        // A blow beyond the s32 range holds at its end rather than wrapping
        // round into health.
        {[](GameWarp& g) { g.reduceMayaHealth(INT32_MAX); g.reduceMayaHealth(INT32_MAX); }, INT32_MIN, 1, false,
         true, 0.0f, 0.01f},
    };
    for (const Step& step : steps) {
        // A bar cut by hand shows that the redraw covers both bars.
        maya->setCropBottom(0.5f);
        tuya->setCropBottom(0.5f);
        step.change(game);
        EXPECT_EQ(game.mayaHealth, step.maya);
        EXPECT_EQ(game.tuyaHealth, step.tuya);
        EXPECT_EQ(game.isMayaAlive(), step.mayaAlive);
        EXPECT_EQ(game.isTuyaAlive(), step.tuyaAlive);
        EXPECT_NEAR(maya->cropBottom, 1.0f - step.mayaShare, 1e-6f);
        EXPECT_NEAR(tuya->cropBottom, 1.0f - step.tuyaShare, 1e-6f);
        EXPECT_NEAR(maya->userSize().y, height * step.mayaShare, 1e-4f);
        EXPECT_NEAR(tuya->userSize().y, height * step.tuyaShare, 1e-4f);
        EXPECT_FLOAT_EQ(maya->userSize().x, width);
    }

    // Showing and hiding a character's bar: its two layouts, not the other's.
    KyLuaGUI& gui = game.inGameGui;
    const char* layouts[] = {"mayaHealthEmpty", "mayaHealthFull", "tuyaHealthEmpty", "tuyaHealthFull"};
    struct Visibility {
        void (GameWarp::*call)();
        bool shown[4];
    };
    for (const char* name : layouts)
        gui.layout(name)->setVisible(false);
    const Visibility visibility[] = {
        {&GameWarp::showMayaHealth, {true, true, false, false}},
        {&GameWarp::showTuyaHealth, {true, true, true, true}},
        {&GameWarp::hideMayaHealth, {false, false, true, true}},
        {&GameWarp::hideTuyaHealth, {false, false, false, false}},
    };
    for (const Visibility& v : visibility) {
        (game.*v.call)();
        for (u32 i = 0; i < 4; ++i)
            EXPECT_EQ(gui.layout(layouts[i])->visible(), v.shown[i]) << layouts[i];
    }
}

TEST(Health, OperationsWithoutTheInterfaceOnlyChangeTheValues)
{
    GameSession::Setup setup;
    setup.create = false;
    GameSession session(setup);
    GameWarp& game = session.app()->gameWarp;
    EXPECT_EQ(game.mayaHealth, 100);
    EXPECT_EQ(game.tuyaHealth, 100);
    game.reduceMayaHealth(100);
    game.showMayaHealth();
    game.hideTuyaHealth();
    EXPECT_FALSE(game.isMayaAlive());
    EXPECT_TRUE(game.isTuyaAlive());
}

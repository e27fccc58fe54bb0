// The save-slot menu of the sample game, driven as a player drives it: the
// slot files read and judged, the cards in the order of their played time,
// drags of the strip, a confirmed slot started behind the boards, and the
// ways back to the main menu.
#include "core/KySingleton.h"
#include "game/Application.h"
#include "platform/KyInputMgr.h"
#include "platform/KyInputMgrWrapper.h"
#include "tests/game/GameSession.h"
#include "tests/game/ScreenFixtures.h"
#include "ui/KyButtonLayout.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <string>
#include <vector>

using ScreenFixtures::listenersOf;

namespace {

std::string slotSave(const char* warp, const char* extra = "")
{
    return std::string("<?xml version=\"1.0\" ?>\n<GameVersion major=\"1\" minor=\"1\" />\n") + extra +
           "<WarpName name=\"" + warp + "\" />\n<Orientation x=\"0.000000\" y=\"0.000000\" />\n";
}

// The menu's slots as "number:state" in strip order (state 2: disabled).
std::string slotOrder(LoadingMenu& menu)
{
    std::string order;
    for (u32 i = 0; i < menu.slotCount(); ++i) {
        LoadingMenu::SaveButton* slot = menu.slots[i];
        order += (i ? " " : "") + std::string(slot->slotName.c_str()) + ":" + std::to_string(slot->button->state);
    }
    return order;
}

// Opens the save-slot menu from the main menu.
void openSlots(GameSession& game)
{
    game.run("click 240 212\nwait 2");   // "Load"
}

} // namespace

TEST(SaveSlots, SlotFilesAreJudgedBeforeAnyButtonChanges)
{
    struct Case {
        const char* name;
        std::string bytes;   // "-": no file
        LoadingMenu::SlotFile::Status status;
        f64 playedTime;
    };
    const f64 none = LoadingMenu::NoPlayedTime;
    const Case cases[] = {
        {"absent", "-", LoadingMenu::SlotFile::Missing, none},
        {"no played time", "<WarpName name=\"3D/Isis/Warp_0002.wp\" />", LoadingMenu::SlotFile::Usable, none},
        {"played time", "<PlayedTime value=\"12.5\" /><WarpName name=\"3D/Isis/Warp_0003.wp\" />",
         LoadingMenu::SlotFile::Usable, 12.5},
        // Scenes the game cannot start in: the slot could only strand the
        // player in an empty scene.
        {"a scene that is not there", "<WarpName name=\"3D/Isis/Warp_0099.wp\" />", LoadingMenu::SlotFile::Damaged,
         none},
        {"a device", "<WarpName name=\"/dev/zero\" />", LoadingMenu::SlotFile::Damaged, none},
        {"an absolute path", "<WarpName name=\"" + std::string(KY_GAME_DATA_DIR) + "/3D/Isis/Warp_0002.wp\" />",
         LoadingMenu::SlotFile::Damaged, none},
        {"a way out", "<WarpName name=\"3D/../3D/Isis/Warp_0002.wp\" />", LoadingMenu::SlotFile::Damaged, none},
        {"a folder", "<WarpName name=\"3D/Isis\" />", LoadingMenu::SlotFile::Damaged, none},
        {"a script", "<WarpName name=\"3D/Isis/Warp_0002.lua\" />", LoadingMenu::SlotFile::Damaged, none},
        {"a long name", "<WarpName name=\"" + std::string(10000, 'w') + ".wp\" />", LoadingMenu::SlotFile::Damaged,
         none},
        {"the first of two scenes is not there",
         "<WarpName name=\"3D/Isis/Warp_0099.wp\" /><WarpName name=\"3D/Isis/Warp_0002.wp\" />",
         LoadingMenu::SlotFile::Damaged, none},
        {"not xml", "garbage <<<", LoadingMenu::SlotFile::Unreadable, none},
        {"cut short", "<WarpName name=\"a.wp\" ", LoadingMenu::SlotFile::Unreadable, none},
        {"empty file", "", LoadingMenu::SlotFile::Unreadable, none},
        {"no warp", "<GameVersion major=\"1\" minor=\"1\" />", LoadingMenu::SlotFile::Damaged, none},
        {"empty warp", "<WarpName name=\"\" />", LoadingMenu::SlotFile::Damaged, none},
        {"two times", "<PlayedTime value=\"1\" /><PlayedTime value=\"2\" /><WarpName name=\"a.wp\" />",
         LoadingMenu::SlotFile::Damaged, none},
        {"time not a number", "<PlayedTime value=\"soon\" /><WarpName name=\"a.wp\" />",
         LoadingMenu::SlotFile::Damaged, none},
        {"time not finite", "<PlayedTime value=\"nan\" /><WarpName name=\"a.wp\" />",
         LoadingMenu::SlotFile::Damaged, none},
        {"time without value", "<PlayedTime /><WarpName name=\"a.wp\" />", LoadingMenu::SlotFile::Damaged, none},
    };
    GameSession::Setup setup;
    setup.create = false;
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.bytes != "-")
            game.writeUserFile("7.xml", c.bytes);
        else if (game.userFileExists("7.xml"))
            std::remove((game.userDataFolder() + "/7.xml").c_str());
        const LoadingMenu::SlotFile slot = LoadingMenu::readSlotFile("7.xml");
        EXPECT_EQ(slot.status, c.status);
        EXPECT_EQ(slot.playedTime, c.playedTime);
    }
}

TEST(SaveSlots, CardsGoInOrderOfPlayedTimeAndSlotsThatCannotLoadAreDisabled)
{
    GameSession::Setup setup;
    setup.userFiles = {
        {"0.xml", slotSave("3D/Isis/Warp_0002.wp")},
        {"2.xml", slotSave("3D/Isis/Warp_0003.wp")},
        {"3.xml", slotSave("3D/Isis/Warp_0004.wp", "<PlayedTime value=\"40\" />\n")},
        {"4.xml", slotSave("3D/Isis/Warp_0005.wp", "<PlayedTime value=\"12.5\" />\n")},
        {"5.xml", "not a save"},
        {"6.xml", "<GameVersion major=\"1\" minor=\"1\" />"},
    };
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    openSlots(game);
    LoadingMenu& menu = game.app()->loadingMenu;
    ASSERT_TRUE(menu.isShown());
    ASSERT_EQ(menu.slotCount(), 11u);
    // 12.5 and 40 first; then the slots without a time in the order of
    // their numbers: the missing 1 and 7 to 10, the unreadable 5 and the
    // damaged 6 disabled.
    EXPECT_EQ(slotOrder(menu), "4:0 3:0 0:0 1:2 2:0 5:2 6:2 7:2 8:2 9:2 10:2");
    for (u32 j = 0; j < menu.slotCount(); ++j) {
        KyLayout* place = menu.gui.layout(KyString("slot") + KyString(s32(j)));
        ASSERT_NE(place, nullptr);
        ASSERT_EQ(place->childCount(), 1u);
        EXPECT_EQ(place->child(0), static_cast<KyI3DObject2*>(menu.slots[j]));
        EXPECT_EQ(menu.slots[j]->button->parent(), static_cast<KyI3DObject2*>(menu.slots[j]));
    }
    EXPECT_NE(game.log().find("LoadingMenu::SaveButton::SaveButton: Failed to load file \""), std::string::npos);
    EXPECT_NE(game.log().find("5.xml\"\n"), std::string::npos);
    EXPECT_NE(game.log().find("LoadingMenu::SaveButton::SaveButton: Damaged file \""), std::string::npos);

    // The cards as drawn: the first card in the middle, its number plate
    // golden; the next one at the right edge.
    const KyColor plate = game.pixel(240, 197);
    EXPECT_GT(plate.r, 150);
    EXPECT_GT(plate.r, plate.b + 60);

    // Clicking a disabled card does nothing; the strip goes to slot 1
    // (missing) by three drags to the left.
    for (int step = 0; step < 3; ++step)
        game.run("move 300 178\npress\nmove 240 178\nwait 20\nrelease\nwait 2");
    EXPECT_EQ(menu.stripPosition, 3u);
    game.run("click 240 178\nwait 2");
    EXPECT_FALSE(menu.confirm.isVisible());
    EXPECT_TRUE(menu.selectedSlotFile.isEmpty());
}

TEST(SaveSlots, ATenthOfTheStripIsAClickAndMoreSlidesOnePlace)
{
    GameSession::Setup setup;
    setup.userFiles = {{"0.xml", slotSave("3D/Isis/Warp_0002.wp")}, {"1.xml", slotSave("3D/Isis/Warp_0003.wp")}};
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    openSlots(game);
    LoadingMenu& menu = game.app()->loadingMenu;
    ASSERT_TRUE(menu.isShown());
    KyLayout* strip = menu.gui.layout("slots");
    ASSERT_NE(strip, nullptr);
    // The strip spans the 960-pixel window.
    ASSERT_FLOAT_EQ(strip->size().x, 960.0f);
    const f32 startX = strip->userPosition().x;

    // 48 units of 480 (96 pixels of 960): exactly a tenth. The strip stays and the release
    // is a click on the card beneath.
    game.run("move 240 178\npress\nmove 288 178\nwait 2\nrelease\nwait 2");
    EXPECT_EQ(menu.stripPosition, 0u);
    EXPECT_FLOAT_EQ(strip->userPosition().x, startX);
    EXPECT_TRUE(menu.confirm.isVisible());
    EXPECT_EQ(menu.selectedSlotFile, KyString("0.xml"));
    game.run("click 300 205\nwait 2");   // "no"
    EXPECT_FALSE(menu.confirm.isVisible());

    // To the right at the first slot: nothing moves, and no click either.
    menu.selectedSlotFile = "";
    game.run("move 240 178\npress\nmove 293 178\nwait 2\nrelease\nwait 2");
    EXPECT_EQ(menu.stripPosition, 0u);
    EXPECT_FALSE(menu.confirm.isVisible());

    // 53 units (11 %) to the left: one place, whatever the pointer does
    // next, and the release clicks nothing.
    game.run("move 240 178\npress\nmove 187 178\nwait 1\nmove 100 178\nmove 20 178\nwait 30\nrelease\nwait 2");
    EXPECT_EQ(menu.stripPosition, 1u);
    EXPECT_NEAR(strip->userPosition().x, startX - 0.3f, 1e-5);
    EXPECT_FALSE(menu.confirm.isVisible());
    EXPECT_TRUE(menu.selectedSlotFile.isEmpty());

    // The next press drags again; the last slot is the end of the strip.
    for (int step = 0; step < 12; ++step)
        game.run("move 300 178\npress\nmove 200 178\nwait 20\nrelease\nwait 2");
    EXPECT_EQ(menu.stripPosition, 10u);
    EXPECT_NEAR(strip->userPosition().x, startX - 3.0f, 1e-4);
    game.run("move 200 178\npress\nmove 300 178\nwait 20\nrelease\nwait 2");
    EXPECT_EQ(menu.stripPosition, 9u);
}

TEST(SaveSlots, EnteringTwiceRegistersNothingTwiceAndQuitGoesBack)
{
    GameSession game;
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    RotationAnim& boards = app->rotationAnim;
    const u32 children = app->orientationLayout.childCount();
    openSlots(game);
    LoadingMenu& menu = app->loadingMenu;
    ASSERT_TRUE(menu.isShown());
    // The main menu left: its landscape listener went with it.
    EXPECT_EQ(listenersOf(boards.landscapeSignal, &app->mainMenu, &MainMenu::onTransitionFinished), 0u);
    const u32 moves = KyInputMgr::instance()->onPointerMove().count();
    const u32 shownChildren = app->orientationLayout.childCount();
    for (int again = 0; again < 3; ++again) {
        SCOPED_TRACE(again);
        if (again)
            menu.enter();
        game.frames(1);
        EXPECT_EQ(listenersOf(KyInputMgr::instance()->onPointerMove(), &menu, &LoadingMenu::onPointerMove), 1u);
        EXPECT_EQ(listenersOf(boards.landscapeSignal, &menu, &LoadingMenu::onTransitionClosed), 1u);
        EXPECT_EQ(listenersOf(boards.stayLandscapeSignal, &menu, &LoadingMenu::onTransitionClosed), 1u);
        EXPECT_EQ(listenersOf(boards.portraitSignal, &menu, &LoadingMenu::onPortraitClosed), 1u);
        // The interface's own buttons listen to the pointer too: the same
        // number of them once the old ones are gone.
        EXPECT_EQ(KyInputMgr::instance()->onPointerMove().count(), moves);
        EXPECT_EQ(app->orientationLayout.childCount(), shownChildren);
        EXPECT_EQ(menu.slotCount(), 11u);
    }
    game.run("click 448 32\nwait 2");   // "quitButton"
    EXPECT_FALSE(menu.isShown());
    EXPECT_TRUE(app->mainMenu.gui.isLoaded());
    EXPECT_EQ(listenersOf(KyInputMgr::instance()->onPointerMove(), &menu, &LoadingMenu::onPointerMove), 0u);
    EXPECT_EQ(listenersOf(boards.landscapeSignal, &menu, &LoadingMenu::onTransitionClosed), 0u);
    EXPECT_EQ(listenersOf(boards.stayLandscapeSignal, &menu, &LoadingMenu::onTransitionClosed), 0u);
    EXPECT_EQ(listenersOf(boards.portraitSignal, &menu, &LoadingMenu::onPortraitClosed), 0u);
    EXPECT_EQ(app->orientationLayout.childCount(), children);
}

TEST(SaveSlots, TheWayBackThroughTheBoardsRestoresTheInput)
{
    GameSession game;
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    openSlots(game);
    LoadingMenu& menu = app->loadingMenu;
    ASSERT_TRUE(menu.isShown());
    menu.onReturnToMenu();
    EXPECT_TRUE(app->rotationAnim.isRunning());
    ASSERT_TRUE(waitForBoards(game));
    EXPECT_FALSE(menu.isShown());
    ASSERT_TRUE(app->mainMenu.gui.isLoaded());
    // The pointer maps to the screen as before the boards turned: a click
    // on "Load" opens the slots again.
    game.run("wait 2");
    openSlots(game);
    EXPECT_TRUE(menu.isShown());
}

TEST(SaveSlots, ALoadOfASlotThatWentAwayIsRefused)
{
    GameSession::Setup setup;
    setup.userFiles = {{"0.xml", slotSave("3D/Isis/Warp_0002.wp")}};
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    openSlots(game);
    LoadingMenu& menu = game.app()->loadingMenu;
    game.run("click 240 178\nwait 2");
    ASSERT_TRUE(menu.confirm.isVisible());
    game.writeUserFile("0.xml", "<GameVersion major=\"1\" />");
    game.run("click 180 205\nwait 2");   // "yes"
    EXPECT_FALSE(game.app()->rotationAnim.isRunning());
    EXPECT_TRUE(menu.isShown());
    EXPECT_NE(game.log().find("LoadingMenu::onLoadConfirmed: slot \"0.xml\" cannot be loaded\n"), std::string::npos);
}

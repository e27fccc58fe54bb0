// The save slots, the puzzles and the slide shows inside a played game: a
// game saved into slot 3 by its script and loaded back through the slot
// menu, the cipher puzzle opened by a script, solved by drags and reported
// to it, the solution screen, the introduction and the ending started from
// scripts, and all of them taken down when the game is left.
#include "game/Application.h"
#include "game/Listeners.h"
#include "game/SaveFile.h"
#include "game/screens/InventoryObject.h"
#include "platform/KyInputMgrWrapper.h"
#include "platform/KyOpenGLContext.h"
#include "scene/KyWarp.h"
#include "tests/game/SceneFixture.h"
#include "tests/game/ScreenFixtures.h"
#include "tests/support/InterfaceFileWriter.h"
#include "ui/KyButtonLayout.h"
#include "ui/KySprite.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace ScreenFixtures;

namespace {

// Two scenes that say when they are entered, and a puzzle listener.
const char* const kCourtyard = R"(
function OnWarpEnter() PrintDebugMessage("entered courtyard\n") end
function OnPuzzleValidated(n)
    validated = (validated or 0) + 1
    PrintDebugMessage("validated " .. n .. "\n")
end
)";
const char* const kHall = R"(
function OnWarpEnter() PrintDebugMessage("entered hall\n") end
)";

void writeGame(DataOverlay& data)
{
    data.write("3D/Isis/Warp_0002.lua", kCourtyard);
    data.write("3D/Isis/Warp_0003.lua", kHall);
    data.write("Inventory/Objects/Objects_en.xml",
               "<Object id=\"Key\" name=\"Brass key\" description=\"Heavy and warm.\" />\n");
    data.write("Inventory/Objects/Key.png", InterfaceFiles::flatPng(64, 64, 0x3080e0));
    data.write("Inventory/Objects/Key_75.png", InterfaceFiles::flatPng(32, 32, 0x3080e0));
    writePuzzle(writerOf(data));
    writeSlides(writerOf(data), "Videos/IntroSlides/%d.png", 12, 600);
    writeSlides(writerOf(data), "Videos/EndSlides/%d.png", 11, 640);
}

// Runs frames until the condition holds; false after fifteen seconds.
bool until(GameSession& game, const std::function<bool()>& condition)
{
    return framesUntil(game, condition, 900);
}

// A global of the scene state, as Lua would print it.
std::string global(Application* app, const char* name)
{
    lua_State* L = app->gameWarp.luaContext.state();
    lua_getglobal(L, name);
    std::string text = lua_isnil(L, -1) ? "nil"
                       : lua_isboolean(L, -1) ? (lua_toboolean(L, -1) ? "true" : "false")
                                              : lua_tostring(L, -1);
    lua_pop(L, 1);
    return text;
}

void lua(Application* app, const std::string& chunk)
{
    KyOpenGLContext::makeCurrent();
    lua_State* L = app->gameWarp.luaContext.state();
    ASSERT_NE(L, nullptr);
    ASSERT_EQ(luaL_dostring(L, chunk.c_str()), 0) << lua_tostring(L, -1);
}

// The drags that solve the test puzzle from its scramble: the left column
// twice, the right one five times, the columns once to the right, the right
// column four times. A column turns when dragged down.
const char* const kSolvingDrags =
    "move 205 150\npress\nmove 205 190\nrelease\nwait 1\n"
    "move 205 150\npress\nmove 205 190\nrelease\nwait 1\n"
    "move 275 150\npress\nmove 275 190\nrelease\nwait 1\n"
    "move 275 150\npress\nmove 275 190\nrelease\nwait 1\n"
    "move 275 150\npress\nmove 275 190\nrelease\nwait 1\n"
    "move 275 150\npress\nmove 275 190\nrelease\nwait 1\n"
    "move 275 150\npress\nmove 275 190\nrelease\nwait 1\n"
    "move 200 160\npress\nmove 240 160\nrelease\nwait 1\n"
    "move 275 150\npress\nmove 275 190\nrelease\nwait 1\n"
    "move 275 150\npress\nmove 275 190\nrelease\nwait 1\n"
    "move 275 150\npress\nmove 275 190\nrelease\nwait 1\n"
    "move 275 150\npress\nmove 275 190\nrelease\nwait 1\n";

// A chunk run by the scene's script between frames, with the OpenGL
// context the screens load their pictures into.
void script(SceneFixture& scene, const std::string& chunk)
{
    KyOpenGLContext::makeCurrent();
    scene.lua(chunk);
}

// A game entered on the test's data, the main menu gone as it goes when a
// player starts one.
void startIn(SceneFixture& scene)
{
    scene.app()->mainMenu.leave();
    Application* app = scene.app();
    ASSERT_TRUE(until(*scene.game, [app] { return inScene(app); }));
}

} // namespace

TEST(SlotsInGame, ASlotSavedByTheScriptIsLoadedBackThroughTheSlotMenu)
{
    DataOverlay data;
    writeGame(data);
    GameSession::Setup setup;
    setup.dataFolder = data.path();
    GameSession game(setup);
    ASSERT_TRUE(game.ok());
    Application* app = game.app();
    GameWarp& warp = app->gameWarp;
    Inventory& inventory = warp.inventoryMenu.inventory;

    // A new game; the key, a condition, a number and a text; the hall.
    ASSERT_TRUE(until(game, [app] { return inMainMenu(app); }));
    game.run("click 240 140\nwait 2");
    ASSERT_TRUE(until(game, [app] { return inScene(app); }));
    lua(app, "SetCondition('GATE_OPEN') visits = 3 door = 'oak' AddToBag('Key') "
             "ChangeWarp('3D/Isis/Warp_0003.wp')");
    ASSERT_TRUE(until(game, [app] { return inScene(app); }));
    ASSERT_EQ(warp.currentWarpName(), KyString("3D/Isis/Warp_0003.wp"));

    // Saved into slot 3, then everything changed and saved again on the
    // way to the main menu (the in-game menu's main-menu button).
    lua(app, "SaveGame('3.xml')");
    const std::string slot = game.readUserFile("3.xml");
    ASSERT_NE(slot.find("<WarpName name=\"3D/Isis/Warp_0003.wp\" />"), std::string::npos) << slot;
    lua(app, "UnsetCondition('GATE_OPEN') visits = 99 door = 'pine' RemoveFromInventary('Key') "
             "ChangeWarp('3D/Isis/Warp_0002.wp')");
    ASSERT_TRUE(until(game, [app] { return inScene(app); }));
    EXPECT_EQ(carried(inventory), "");
    game.run("click 452 294\nwait 2\nclick 376 304\nwait 2");
    ASSERT_TRUE(until(game, [app] { return inMainMenu(app); }));
    EXPECT_FALSE(warp.gameRunning);

    // The slot menu: slot 3 is the only card that takes clicks, fourth on
    // the strip. Three drags to the left bring it to the middle.
    game.run("click 240 212\nwait 2");
    LoadingMenu& menu = app->loadingMenu;
    ASSERT_TRUE(menu.isShown());
    ASSERT_EQ(menu.slots[3]->slotName, KyString("3"));
    EXPECT_EQ(menu.slots[3]->button->state, u32(KyButtonLayout::StateUp));
    for (int step = 0; step < 3; ++step)
        game.run("move 300 178\npress\nmove 200 178\nwait 20\nrelease\nwait 2");
    ASSERT_EQ(menu.stripPosition, 3u);
    game.run("click 240 178\nwait 2");
    ASSERT_TRUE(menu.confirm.isVisible());
    EXPECT_EQ(menu.selectedSlotFile, KyString("3.xml"));
    const size_t before = game.log().size();
    game.run("click 180 205\nwait 2");   // "yes"
    ASSERT_TRUE(until(game, [app] { return inScene(app); }));

    // The scene, the inventory and the globals of the slot.
    EXPECT_FALSE(menu.isShown());
    EXPECT_EQ(warp.currentWarpName(), KyString("3D/Isis/Warp_0003.wp"));
    EXPECT_NE(game.log().find("entered hall\n", before), std::string::npos);
    EXPECT_EQ(carried(inventory), "Key ");
    EXPECT_EQ(global(app, "GATE_OPEN"), "true");
    EXPECT_EQ(global(app, "visits"), "3");
    EXPECT_EQ(global(app, "door"), "oak");
    // Loading reads the slot and leaves it as it was.
    EXPECT_EQ(game.readUserFile("3.xml"), slot);
    EXPECT_EQ(game.log().find("Lua: "), std::string::npos);
}

TEST(SlotsInGame, TheCipherPuzzleOpensFromTheScriptAndReportsItsSolutionOnce)
{
    SceneFixture scene(writeGame);
    ASSERT_TRUE(scene.ok());
    GameSession& game = *scene.game;
    Application* app = scene.app();
    GameWarp& warp = app->gameWarp;
    startIn(scene);

    script(scene, "ShowPuzzle(7)");
    ASSERT_TRUE(warp.puzzleCrypte.isActive());
    EXPECT_FALSE(warp.currentWarp->isActive());
    // In front of the in-game interface, its own depths squeezed.
    KyLayout* inGame = warp.inGameGui.layout("inGame");
    ASSERT_NE(inGame, nullptr);
    const f32 front =
        inGame->worldTransformationMatrix().transformPoint(KyVector3f32(0.0f, 0.0f, 0.0f)).z + inGame->size().z;
    EXPECT_FLOAT_EQ(warp.puzzleCrypte.position().z, front);
    EXPECT_FLOAT_EQ(warp.puzzleCrypte.scale().z, 0.0001f);
    game.frames(2);
    for (u32 k = 0; k < 18; ++k) {
        const u32 c = k % 3, r = k / 3;
        KySpriteButton* piece = warp.puzzleCrypte.board[c][r];
        ASSERT_NE(piece, nullptr);
        u32 number = 0;
        for (u32 n = 1; n <= 18; ++n)
            number = warp.puzzleCrypte.gui.spriteButton(KyString(s32(n))) == piece ? n : number;
        EXPECT_TRUE(closeColour(game.pixel(205.5f + 35.0f * c, 42.5f + 35.0f * r), pieceColour(number - 1)))
            << c << ", " << r;
    }

    // Solved by the player's drags: the stars at once, the script told
    // five seconds later, once, with the puzzle's number.
    game.run(kSolvingDrags);
    ASSERT_TRUE(warp.puzzleCrypte.isSolved());
    EXPECT_TRUE(warp.puzzleCrypte.stars[0]->isVisible());
    game.frames(4 * 60);
    EXPECT_EQ(global(app, "validated"), "nil");
    game.frames(60);
    EXPECT_EQ(global(app, "validated"), "1");
    EXPECT_EQ(occurrences(game.log(), "validated 7\n"), 1u);
    EXPECT_FALSE(warp.puzzleCrypte.isActive());
    EXPECT_TRUE(warp.currentWarp->isActive());
    game.frames(6 * 60);
    EXPECT_EQ(global(app, "validated"), "1");

    // The solution screen tells the script nothing.
    script(scene, "ShowPuzzle(6)");
    ASSERT_TRUE(warp.puzzleCrypteSol.isActive());
    EXPECT_FALSE(warp.currentWarp->isActive());
    game.frames(2);
    EXPECT_TRUE(closeColour(game.pixel(205.5f, 42.5f), pieceColour(0)));
    game.run("click 448 32\nwait 2");
    EXPECT_FALSE(warp.puzzleCrypteSol.isActive());
    EXPECT_TRUE(warp.currentWarp->isActive());
    EXPECT_EQ(global(app, "validated"), "1");
    EXPECT_EQ(game.log().find("Lua: "), std::string::npos);
}

TEST(SlotsInGame, LeavingTheGameTakesItsScreensDownAndAnotherGameListensOnce)
{
    SceneFixture scene(writeGame);
    ASSERT_TRUE(scene.ok());
    GameSession& game = *scene.game;
    Application* app = scene.app();
    GameWarp& warp = app->gameWarp;
    startIn(scene);

    script(scene, "ShowPuzzle(7) Introduction()");
    ASSERT_TRUE(warp.puzzleCrypte.isActive());
    ASSERT_TRUE(warp.introduction.isRunning());
    EXPECT_FALSE(app->music.repeat());
    script(scene, "FinishGame()");
    ASSERT_TRUE(until(game, [app] { return inMainMenu(app); }));
    EXPECT_FALSE(warp.puzzleCrypte.isActive());
    EXPECT_FALSE(warp.introduction.isRunning());
    EXPECT_FALSE(warp.introduction.slides[0].upSprite.hasTexture());
    EXPECT_TRUE(app->music.repeat());
    EXPECT_EQ(listenersOf(warp.puzzleCrypte.won, &warp, &GameWarp::onPuzzleValidated), 0u);
    EXPECT_EQ(listenersOf(KyInputMgrWrapper::instance()->onPointerMove(), &warp.puzzleCrypte,
                          &PuzzleCrypte::onPointerMove),
              0u);

    // Two more games: one listener each time.
    for (int again = 0; again < 2; ++again) {
        app->mainMenu.leave();
        KyOpenGLContext::makeCurrent();
        warp.enter();
        warp.Load("save.xml");
        ASSERT_TRUE(until(game, [app] { return inScene(app); }));
        EXPECT_EQ(listenersOf(warp.puzzleCrypte.won, &warp, &GameWarp::onPuzzleValidated), 1u);
        warp.unload();
        app->mainMenu.enter();
        game.frames(2);
    }
}

TEST(SlotsInGame, TheShowsStartFromScriptsAndTheEndingSavesAndOpensTheMenu)
{
    SceneFixture scene(writeGame);
    ASSERT_TRUE(scene.ok());
    GameSession& game = *scene.game;
    Application* app = scene.app();
    GameWarp& warp = app->gameWarp;
    startIn(scene);

    // The introduction over the scene, which answers clicks again with the
    // last picture. Each picture's run is brought to its end at once.
    script(scene, "Introduction()");
    ASSERT_TRUE(warp.introduction.isRunning());
    EXPECT_FALSE(warp.currentWarp->isActive());
    game.frames(2);
    EXPECT_TRUE(closeColour(game.pixel(240, 100), KyColor(10, 10, 10, 255)));
    for (u32 i = 0; i < 11; ++i)
        warp.introduction.onSlideFinished();
    EXPECT_TRUE(warp.currentWarp->isActive());
    warp.introduction.onSlideFinished();
    EXPECT_FALSE(warp.introduction.isRunning());
    EXPECT_TRUE(warp.gameRunning);

    // The ending: the game saved as it stands, left, and the main menu.
    script(scene, "visits = 7 ChangeWarp('3D/Isis/Warp_0003.wp')");
    ASSERT_TRUE(until(game, [app] { return inScene(app); }));
    script(scene, "Conclusion()");
    ASSERT_TRUE(warp.conclusion.isRunning());
    game.frames(2);
    EXPECT_EQ(warp.conclusion.slides[0].position().z, 10.0f);
    for (u32 i = 0; i < 11; ++i)
        warp.conclusion.onSlideFinished();
    EXPECT_FALSE(warp.conclusion.isRunning());
    EXPECT_FALSE(warp.gameRunning);
    ASSERT_TRUE(until(game, [app] { return inMainMenu(app); }));
    SaveData saved;
    KyString error;
    ASSERT_TRUE(SaveFile::read("Backup/save.xml", saved, error)) << error.c_str();
    EXPECT_EQ(saved.warpName, KyString("3D/Isis/Warp_0003.wp"));
    EXPECT_NE(game.readUserFile("save.xml").find("<Number name=\"visits\" value=\"7"), std::string::npos);
    EXPECT_EQ(game.log().find("Lua: "), std::string::npos);
}

TEST(SlotsInGame, TheSampleCipherPuzzleIsSolvedByTheDragsOfItsWalkthrough)
{
    SceneFixture scene([](DataOverlay&) {});
    ASSERT_TRUE(scene.ok());
    GameSession& game = *scene.game;
    Application* app = scene.app();
    GameWarp& warp = app->gameWarp;
    startIn(scene);
    warp.introduction.stop();

    script(scene, "ShowPuzzle(7)");
    ASSERT_TRUE(warp.puzzleCrypte.isActive());
    for (u32 c = 0; c < 3; ++c) {
        for (u32 r = 0; r < 6; ++r)
            ASSERT_NE(warp.puzzleCrypte.board[c][r], nullptr);
    }
    game.run(kSolvingDrags);
    EXPECT_TRUE(warp.puzzleCrypte.isSolved());
    // The stars shine at the board's corners, each a strip of seven frames.
    game.frames(2);
    for (KySprite* star : warp.puzzleCrypte.stars) {
        ASSERT_NE(star, nullptr);
        EXPECT_TRUE(star->isVisible());
        EXPECT_EQ(star->frameCount, 7u);
        EXPECT_EQ(star->frameWidth, 40u);
        EXPECT_EQ(star->frameHeight, 40u);
    }
    const KyColor star = game.pixel(150, 40);
    EXPECT_GT(star.r, 200);
    EXPECT_GT(star.g, 180);
    game.frames(5 * 60 + 10);
    EXPECT_FALSE(warp.puzzleCrypte.isActive());
    EXPECT_EQ(game.log().find("Lua: "), std::string::npos);
}

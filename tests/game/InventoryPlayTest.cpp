// The inventory in a game played as a player plays it: clicks of a tour on
// the fake clock through the main menu, the first scene (with a script of
// the test's own), the in-game bar and the in-game menu. An object taken in
// the scene shows in the inventory, survives the main-menu button's save and
// a continue, and is used on an object of the scene.
#include "core/KyXmlDocument.h"
#include "game/Application.h"
#include "game/SaveFile.h"
#include "game/screens/InventoryObject.h"
#include "platform/KyCamera.h"
#include "platform/KyOpenGLContext.h"
#include "scene/KyWarp.h"
#include "tests/game/SceneFixture.h"
#include "tests/support/InterfaceFileWriter.h"
#include "ui/KySpriteLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

namespace {

const char* const kSceneScript = R"(
function OnWarpEnter()
    if not KEYS then
        PutObject("KEYS")
    end
    StartAnimation("FONT", -1, true)
    PrintDebugMessage("entered, in hand " .. tostring(ObjectInHand()) .. "\n")
end
function OnWarpObjectHit(name)
    if name == "KEYS" then
        TakeObject("Key")
        PrintDebugMessage("took the key\n")
    elseif name == "FONT" then
        if Selected("Key") then
            PrintDebugMessage("the key opens the fountain\n")
            RemoveFromBag()
        else
            PrintDebugMessage("the fountain, nothing in hand\n")
        end
    end
end
)";

// The key's picture, in its slot and in the in-game bar.
const u32 kKeyColour = 0x3080e0;

void writeGame(DataOverlay& data)
{
    data.write("3D/Isis/Warp_0002.lua", kSceneScript);
    data.write("Inventory/Objects/Objects_en.xml",
               "<Object id=\"Key\" name=\"Brass key\" description=\"Heavy and warm.\" />\n");
    data.write("Inventory/Objects/Key.png", InterfaceFiles::flatPng(64, 64, kKeyColour));
    data.write("Inventory/Objects/Key_75.png", InterfaceFiles::flatPng(32, 32, kKeyColour));
}

// Runs frames until the condition holds; false after ten seconds.
bool until(GameSession& game, const std::function<bool()>& condition)
{
    return framesUntil(game, condition, 600);
}

// Where a point of the current panorama shows, in interface units; false
// when it lies behind the camera or off the screen.
bool onScreen(Application* app, const KyVector3f32& point, f32& x, f32& y)
{
    KyCamera& camera = app->gameWarp.currentWarp->camera();
    const KyVector3f32 window = camera.projectPoint(point);
    x = window.x * 480.0f / 960.0f;
    y = (640.0f - window.y) * 320.0f / 640.0f;
    return window.z > -1.0f && window.z < 1.0f && x > 40.0f && x < 440.0f && y > 40.0f && y < 280.0f;
}

bool markerPosition(KyWarp& warp, const char* name, KyVector3f32& position)
{
    KyWarp::AnimData* animation = warp.findAnimation(name);
    if (!animation || animation->markerIndices.count() == 0)
        return false;
    KyWarpMarker* marker = warp.marker(animation->markerIndices[0]);
    if (!marker || !marker->sprite())
        return false;
    position = marker->sprite()->position;
    return true;
}

std::string click(f32 x, f32 y)
{
    std::ostringstream text;
    text << "click " << x << " " << y << "\nwait 2\n";
    return text.str();
}

} // namespace

TEST(InventoryInGame, AnObjectTakenInASceneSurvivesASaveAndAContinueAndIsUsedThere)
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

    // A new game from the main menu.
    ASSERT_TRUE(until(game, [app] { return inMainMenu(app); }));
    game.run(click(240, 140));
    ASSERT_TRUE(until(game, [app] { return inScene(app); }));
    EXPECT_EQ(occurrences(game.log(), "entered, in hand false\n"), 1u);

    // Turn to the key and the fountain, found by the markers that stand
    // over them.
    KyVector3f32 keyPoint;
    KyVector3f32 fountainPoint;
    ASSERT_TRUE(markerPosition(*warp.currentWarp, "KEYS", keyPoint));
    ASSERT_TRUE(markerPosition(*warp.currentWarp, "FONT", fountainPoint));
    f32 keyX = 0, keyY = 0, fountainX = 0, fountainY = 0;
    bool turned = false;
    for (f32 yaw : {80.0f, 60.0f, -60.0f, -80.0f}) {
        KyOpenGLContext::makeCurrent();
        warp.setYaw(yaw);
        game.frames(2);
        if (onScreen(app, keyPoint, keyX, keyY) && onScreen(app, fountainPoint, fountainX, fountainY)) {
            turned = true;
            break;
        }
    }
    ASSERT_TRUE(turned);

    // The key is taken: it leaves the scene for the inventory.
    game.run(click(keyX, keyY));
    EXPECT_EQ(occurrences(game.log(), "took the key\n"), 1u) << game.log();
    EXPECT_EQ(carried(inventory), "Key ");
    EXPECT_FALSE(inventory.visible());

    // The in-game bar's button opens the menu on the inventory, where the
    // key shows in the first slot; choosing it puts it in hand.
    game.run(click(452, 294));
    ASSERT_TRUE(inventory.visible());
    EXPECT_TRUE(closeColour(game.pixel(174, 78), KyColor(0x30, 0x80, 0xe0, 255), 16));
    game.run(click(174, 78) + "wait 20\n");
    EXPECT_EQ(inventory.selectedObjectName(), KyString("Key"));
    EXPECT_TRUE(inventory.visible());
    KySpriteLayout* barObject = warp.inGameGui.spriteLayout("currentObjectSprite");
    ASSERT_NE(barObject, nullptr);
    EXPECT_EQ(barObject->imageWidth(), 64u);

    // The main-menu button, pressed twice: saved, and the game ends once.
    game.run(click(376, 304) + click(376, 304));
    ASSERT_TRUE(until(game, [app] { return inMainMenu(app); }));
    game.frames(30);
    u32 menus = 0;
    for (u32 i = 0; i < app->orientationLayout.childCount(); ++i) {
        KyLayout* layout = dynamic_cast<KyLayout*>(app->orientationLayout.child(i));
        if (layout && layout->name() == "menu")
            ++menus;
    }
    EXPECT_EQ(menus, 1u);
    EXPECT_EQ(occurrences(game.log(), "llega a hacer el enter"), 1u);
    EXPECT_FALSE(warp.gameRunning);
    const std::string save = game.readUserFile("save.xml");
    EXPECT_NE(save.find("<Inventory>\n    <PowerPage>"), std::string::npos) << save;
    EXPECT_EQ(occurrences(save, "<Object id=\"Key\" />"), 1u) << save;
    SaveData saved;
    KyString error;
    ASSERT_TRUE(SaveFile::parse(save.c_str(), saved, error)) << error.c_str();
    EXPECT_EQ(saved.major, 1);
    EXPECT_EQ(saved.minor, 1);

    // Continue: the key is back in the inventory, not in hand, and not in
    // the scene.
    game.run(click(240, 176));
    ASSERT_TRUE(until(game, [app] { return inScene(app); }));
    EXPECT_EQ(carried(inventory), "Key ");
    EXPECT_EQ(inventory.selectedObjectName(), KyString(""));
    EXPECT_EQ(occurrences(game.log(), "entered, in hand false\n"), 2u);
    ASSERT_TRUE(onScreen(app, fountainPoint, fountainX, fountainY));

    game.run(click(fountainX, fountainY));
    EXPECT_EQ(occurrences(game.log(), "the fountain, nothing in hand\n"), 1u);

    // A double click on the key takes it in hand and closes the menu.
    game.run(click(452, 294));
    ASSERT_TRUE(inventory.visible());
    game.run("click 174 78\nclick 174 78\nwait 2\n");
    EXPECT_FALSE(inventory.visible());
    EXPECT_EQ(inventory.selectedObjectName(), KyString("Key"));

    // Used on the fountain, the key is spent.
    game.run(click(fountainX, fountainY));
    EXPECT_EQ(occurrences(game.log(), "the key opens the fountain\n"), 1u) << game.log();
    EXPECT_EQ(carried(inventory), "");
    EXPECT_EQ(inventory.selectedObjectName(), KyString(""));
    barObject = warp.inGameGui.spriteLayout("currentObjectSprite");
    ASSERT_NE(barObject, nullptr);
    EXPECT_EQ(barObject->imageWidth(), 0u);
    EXPECT_EQ(game.log().find("Lua: "), std::string::npos);
}

TEST(InventoryInGame, ScriptFunctionsReachTheInventory)
{
    SceneFixture scene([](DataOverlay& data) {
        writeGame(data);
        data.write("Inventory/Objects/Lens.png", InterfaceFiles::flatPng(8, 8, 0x808080));
    });
    ASSERT_TRUE(scene.ok());
    Inventory& inventory = scene.app()->gameWarp.inventoryMenu.inventory;
    const char* const report =
        "PrintDebugMessage('[' .. tostring(ObjectInHand()) .. ' ' .. tostring(Selected('')) .. ' ' .."
        " tostring(Selected('Lens')) .. ' ' .. tostring(Selected('lens')) .. ']\\n')";
    struct Step {
        const char* chunk;
        const char* select;
        const char* carried;
        const char* report;
    };
    const Step steps[] = {
        {"", nullptr, "", "[false true false false]"},
        // "RemoveFromBag" with nothing in hand does nothing.
        {"AddToBag('Key') AddToBag('Lens') AddToBag('Key') RemoveFromBag()", nullptr, "Key Lens Key ",
         "[false true false false]"},
        {"", "Lens", "Key Lens Key ", "[true false true false]"},
        // The first of two objects of a name goes.
        {"RemoveFromInventary('Key')", "Lens", "Lens Key ", "[true false true false]"},
        {"RemoveFromInventary('Nobody')", "Lens", "Lens Key ", "[true false true false]"},
        {"RemoveFromBag()", nullptr, "Key ", "[false true false false]"},
        {"RemoveFromInventary('Key') RemoveFromInventary('Key')", nullptr, "", "[false true false false]"},
    };
    for (const Step& step : steps) {
        if (*step.chunk)
            scene.lua(step.chunk);
        if (step.select) {
            for (InventoryObject* object : inventory.objects()) {
                if (object->name == step.select)
                    inventory.selectObject(object);
            }
        }
        EXPECT_EQ(carried(inventory), step.carried) << step.chunk;
        scene.newLog();
        scene.lua(report);
        EXPECT_NE(scene.newLog().find(step.report), std::string::npos) << step.chunk;
    }
}

TEST(InventoryInGame, AnOlderSaveIsReadAndWrittenAgainInTheNewForm)
{
    // No "GameVersion": the save is read as version 1.0.
    GameSession::Setup setup;
    setup.userFiles.push_back(
        {"save.xml", "<?xml version=\"1.0\" ?>\n<Inventory><InventObjectList><InventObjectList>"
                     "<ZeltObject FileName=\"Inventory/Objects/Key.png\"/><ZeltObject FileName=\"Inventory\\Objects\\Gone.png\"/>"
                     "</InventObjectList></InventObjectList></Inventory>\n"
                     "<WarpName name=\"3D/Isis/Warp_0002.wp\" />\n"});
    SceneFixture scene(writeGame, setup);
    ASSERT_TRUE(scene.ok());
    GameWarp& warp = scene.app()->gameWarp;
    // Gone has no picture: an old save's object without one is dropped.
    EXPECT_EQ(carried(warp.inventoryMenu.inventory), "Key ");

    warp.Save("save.xml");
    const std::string written = scene.game->readUserFile("save.xml");
    EXPECT_NE(written.find("<GameVersion major=\"1\" minor=\"1\" />\n<Inventory>\n    <PowerPage>\n        <Slot />\n"
                           "        <Slot />\n    </PowerPage>\n    <Page>\n        <Slot>\n"
                           "            <Object id=\"Key\" />\n        </Slot>\n"),
              std::string::npos)
        << written;

    // The new form read back and saved again gives the same file.
    warp.unload();
    scene.game->frames(1);
    KyOpenGLContext::makeCurrent();
    warp.enter();
    warp.Load("save.xml");
    EXPECT_EQ(carried(warp.inventoryMenu.inventory), "Key ");
    warp.Save("save.xml");
    EXPECT_EQ(scene.game->readUserFile("save.xml"), written);
}

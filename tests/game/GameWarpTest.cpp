// The game logic run in-process on the fake clock, over two panoramas made
// by the panorama writer and their scene scripts: scene changes and the
// panorama cache, the save written at each change and read back, the
// arrival transition, script errors, imported animation panoramas, puzzles,
// and leaving a game and starting another one.
#include "core/KySingleton.h"
#include "core/KyWorkerPool.h"
#include "game/StartUp.h"
#include "game/Application.h"
#include "game/GameWarp.h"
#include "game/SaveFile.h"
#include "platform/KyInputMgrWrapper.h"
#include "os/KyOsLog.h"
#include "os/KyOsThread.h"
#include "scene/KyWarp.h"
#include "tests/game/GameSession.h"
#include "tests/support/TempDir.h"
#include "tools/content/WarpWriter.h"
#include "ui/KyDeferredDeletion.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <string>
#include <unistd.h>

namespace {

const char* const kA = "3D/Test/A.wp";
const char* const kB = "3D/Test/B.wp";

// A data folder: the sample game's, with two test panoramas beside its
// scenes ("3D/Test/A.wp" and "3D/Test/B.wp", each with an object "KEYS" and
// an exit to the other) and the scripts a test gives them.
class SceneFolder {
public:
    SceneFolder()
    {
        const std::string sample = KY_GAME_DATA_DIR;
        DIR* folder = opendir(sample.c_str());
        if (!folder)
            return;
        while (dirent* entry = readdir(folder)) {
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || name == "3D")
                continue;
            symlink((sample + "/" + name).c_str(), m_dir.file(name).c_str());
        }
        closedir(folder);
        m_dir.makeDir("3D");
        symlink((sample + "/3D/Isis").c_str(), m_dir.file("3D/Isis").c_str());
        writeWarp("3D/Test/A.wp", 200, 40, 40);
        writeWarp("3D/Test/B.wp", 40, 40, 200);
        m_dir.writeFile("3D/Test/A.xml", description("Test/B.wp"));
        m_dir.writeFile("3D/Test/B.xml", description("Test/A.wp"));
        // An animation panorama to import: a single animation "BIRD".
        writeWarp("3D/Test/Birds.wp", 0, 0, 0, "BIRD");
        m_dir.writeFile("3D/Test/Birds.xml", "<animation name=\"BIRD\" fps=\"15\" />\n");
    }

    void script(const std::string& scene, const std::string& lua) const
    {
        m_dir.writeFile("3D/Test/" + scene + ".lua", lua);
    }
    std::string path() const { return m_dir.path(); }

private:
    static std::string description(const std::string& exit)
    {
        return "<object name=\"KEYS\"><marker x=\"0\" y=\"0\" z=\"-480\" /></object>\n"
               "<exit linkedWarp=\"" +
               exit +
               "\" nbWarpBlock=\"2\">\n"
               "  <marker x=\"480\" y=\"0\" z=\"0\" /><camera angleX=\"0\" angleY=\"0\" />\n"
               "  <block face=\"4\" offsetX=\"0\" offsetY=\"0\" />\n"
               "</exit>\n";
    }

    void writeWarp(const std::string& relative, u8 r, u8 g, u8 b, const char* animation = "KEYS") const
    {
        WarpWriter::Source source;
        for (auto& face : source.faces)
            face = WarpWriter::Picture::filled(16, 16, r, g, b, 255);
        WarpWriter::AnimationSource object;
        object.name = animation;
        object.frames.resize(1);
        object.frames[0].layers.push_back({3, WarpWriter::Picture::filled(16, 16, 255, 255, 255, 255)});
        WarpWriter::PickCells cells;
        cells.face = 3;
        cells.opaque = true;
        object.frames[0].picks.push_back(cells);
        source.animations.push_back(object);
        WarpWriter::Bytes bytes;
        std::string error;
        if (!WarpWriter::write(source, bytes, error)) {
            ADD_FAILURE() << error;
            return;
        }
        m_dir.writeFile(relative, std::string(bytes.begin(), bytes.end()));
    }

    TempDir m_dir;
};

GameSession::Setup setupFor(const SceneFolder& folder, const char* savedWarp = kA)
{
    GameSession::Setup setup;
    setup.dataFolder = folder.path();
    if (savedWarp)
        setup.userFiles.push_back({"save.xml", std::string("<?xml version=\"1.0\" ?>\n<WarpName name=\"") +
                                                   savedWarp + "\" />\n"});
    return setup;
}

GameWarp& gameOf(GameSession& session)
{
    return session.app()->gameWarp;
}

// Enters a game from "save.xml" as the main menu does.
void startGame(GameSession& session)
{
    session.app()->mainMenu.leave();
    gameOf(session).enter();
    gameOf(session).Load("save.xml");
}

KyVariant global(GameSession& session, const char* name)
{
    return gameOf(session).luaContext.global(name);
}

// Frames until no scene change or transition is under way (at most five
// seconds).
void settle(GameSession& session)
{
    for (int i = 0; i < 300 && (gameOf(session).transitionRunning || gameOf(session).hasPendingWarp()); ++i)
        session.frames(1);
    session.frames(1);
}

std::string savedWarp(GameSession& session, const char* file = "save.xml")
{
    SaveData data;
    KyString error;
    if (!SaveFile::parse(session.readUserFile(file).c_str(), data, error))
        return std::string("refused: ") + error.c_str();
    return data.warpName.c_str();
}

// Runs Lua in the scene's state, protected; false on an error.
bool lua(GameSession& session, const std::string& code)
{
    lua_State* L = gameOf(session).luaContext.state();
    const int top = lua_gettop(L);
    const bool ok = luaL_dostring(L, code.c_str()) == 0;
    lua_settop(L, top);
    return ok;
}

} // namespace

TEST(GameWarp, EnterEventChangesSceneAndBackWithTwoPanoramasAndTheSaveNamesTheSceneLeft)
{
    SceneFolder folder;
    folder.script("A", "function OnWarpEnter()\n"
                       "  enteredA = (enteredA or 0) + 1\n"
                       "  if not visitedB then ChangeWarp('3D/Test/B.wp') end\n"
                       "end\n"
                       "function OnWarpLeave() leftA = (leftA or 0) + 1 end\n");
    folder.script("B", "function OnWarpEnter()\n"
                       "  if visitedB then return end\n"
                       "  SetCondition('visitedB')\n"
                       "  ChangeWarp('3D\\\\Test\\\\A.wp')\n"
                       "end\n");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    startGame(session);
    GameWarp& game = gameOf(session);

    // A, then B at once (no transition from nothing), then A again after
    // B's arrival.
    ASSERT_TRUE(game.currentWarp);
    EXPECT_STREQ(game.currentWarp->path().c_str(), kB);
    EXPECT_TRUE(game.transitionRunning);
    EXPECT_TRUE(game.hasPendingWarp());
    EXPECT_EQ(savedWarp(session), kA);
    settle(session);

    ASSERT_TRUE(game.currentWarp);
    EXPECT_STREQ(game.currentWarp->path().c_str(), kA);
    EXPECT_TRUE(game.currentWarp->isActive());
    EXPECT_EQ(game.warps.count(), 2u);
    EXPECT_EQ(global(session, "enteredA").toF64(), 2.0);
    EXPECT_EQ(global(session, "leftA").toF64(), 1.0);
    EXPECT_TRUE(global(session, "visitedB").toBool());
    // B defines no "OnWarpLeave": A's own did not run when B was left.
    EXPECT_EQ(savedWarp(session), kB);
    EXPECT_EQ(occurrences(session.log(), "Remove globals condition "), 3u);
    EXPECT_EQ(session.log().find("Lua: "), std::string::npos) << session.log();

    // Back and forth by the exits' names, as a click reports them: the two
    // panoramas are reused.
    KyWarp* a = game.currentWarp;
    ASSERT_TRUE(lua(session, "ChangeWarp('3D\\\\Test/B.wp')"));
    settle(session);
    KyWarp* b = game.currentWarp;
    EXPECT_NE(a, b);
    ASSERT_TRUE(lua(session, "ChangeWarp('3D/Test/A.wp')"));
    settle(session);
    EXPECT_EQ(game.currentWarp, a);
    EXPECT_EQ(game.warps.count(), 2u);
    EXPECT_TRUE(game.warps.contains(a) && game.warps.contains(b));
    EXPECT_FALSE(b->isActive());
    // B's textures went with the transition; its pictures are read again
    // while A is looked at, for a way back that waits for no decoding.
    EXPECT_FALSE(b->cubeTiles()[0].hasTexture());
    ASSERT_TRUE(b->isReadingAhead());
    EXPECT_FALSE(a->isReadingAhead());
    // Behind whatever a scene on show needs.
    EXPECT_EQ(KyWorkerPool::Ahead, b->readAhead()->priority());
}

TEST(GameWarp, EveryEventGlobalIsClearedAtASceneChangeAndConditionsStay)
{
    SceneFolder folder;
    folder.script("A", "function OnWarpEnter() end\n"
                       "function OnWarpLeave() end\n"
                       "function OnWarpObjectHit(n) end\n"
                       "function OnMovieFinished(n) end\n"
                       "function OnAnimationFinished(n) end\n"
                       "function OnWaitFinished() end\n"
                       "function OnDialogFinished(n) end\n"
                       "function OnDocumentClosed(n) end\n"
                       "function OnPuzzleWon() end\n"
                       "function OnPuzzleValidated(n) end\n"
                       "function OnAnswered(n) end\n"
                       "function OnShowedDocumentButtonValidated(a, b) end\n"
                       "function Unload() end\n"
                       "function helper() end\n"
                       "SetCondition('door')\n"
                       "UnsetCondition('box')\n");
    folder.script("B", "function OnWarpEnter() arrived = true end\n");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    startGame(session);
    GameWarp& game = gameOf(session);
    ASSERT_TRUE(lua(session, "ChangeWarp('3D/Test/B.wp')"));
    EXPECT_TRUE(global(session, "arrived").toBool());
    lua_State* L = game.luaContext.state();
    for (const char* name : GameWarp::EventGlobals) {
        lua_getglobal(L, name);
        EXPECT_TRUE(name == std::string("OnWarpEnter") ? lua_isfunction(L, -1) : lua_isnil(L, -1)) << name;
        lua_pop(L, 1);
    }
    lua_getglobal(L, "helper");
    EXPECT_TRUE(lua_isfunction(L, -1));
    lua_getglobal(L, "box");
    EXPECT_TRUE(lua_isboolean(L, -1) && !lua_toboolean(L, -1));
    lua_pop(L, 2);
    EXPECT_TRUE(global(session, "door").toBool());
    // The missing leave event of B is reported, as the scripts expect.
    settle(session);
    ASSERT_TRUE(lua(session, "ChangeWarp('3D/Test/A.wp')"));
    EXPECT_NE(session.log().find("[KyLuaScript::Execute] La fonction : \"OnWarpLeave\" n'existe pas.\n"),
              std::string::npos);
}

TEST(GameWarp, TheSaveRestoresEveryGlobalTypeAndReadsBackToTheSameBytes)
{
    SceneFolder folder;
    folder.script("A", "function OnWarpObjectHit(name)\n"
                       "  flag = true; off = false; count = 42.5; big = 1e15; text = 'caf\\233 <&>\"\\''\n"
                       "  SetCondition(name)\n"
                       "  ChangeWarp('3D/Test/B.wp')\n"
                       "end\n");
    folder.script("B", "");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    startGame(session);
    GameWarp& game = gameOf(session);
    ASSERT_TRUE(game.currentWarp);
    game.mayaHealth = 35;
    game.tuyaHealth = -5;
    game.yaw = 123.5f;
    game.pitch = -20.25f;
    // A click on the object: its name reaches the script.
    game.currentWarp->onMarkerClick("KEYS");
    EXPECT_STREQ(game.lastHitObjectName.c_str(), "KEYS");
    settle(session);
    EXPECT_STREQ(game.currentWarp->path().c_str(), kB);
    EXPECT_EQ(savedWarp(session), kA);

    // A second game from the file the first one left: the globals come
    // back with their types.
    game.unload();
    const std::string saved = session.readUserFile("save.xml");
    EXPECT_EQ(savedWarp(session), kB);
    game.mayaHealth = 100;
    startGame(session);
    settle(session);
    ASSERT_TRUE(game.currentWarp);
    EXPECT_STREQ(game.currentWarp->path().c_str(), kB);
    lua_State* L = game.luaContext.state();
    struct Expected {
        const char* name;
        int type;
        const char* text;
    };
    const Expected expected[] = {{"flag", LUA_TBOOLEAN, "true"},  {"off", LUA_TBOOLEAN, "false"},
                                 {"KEYS", LUA_TBOOLEAN, "true"},  {"count", LUA_TNUMBER, "42.5"},
                                 {"big", LUA_TNUMBER, "1e+15"},   {"text", LUA_TSTRING, "caf\xe9 <&>\"'"}};
    for (const Expected& e : expected) {
        lua_getglobal(L, e.name);
        EXPECT_EQ(lua_type(L, -1), e.type) << e.name;
        lua_getglobal(L, "tostring");
        lua_pushvalue(L, -2);
        lua_call(L, 1, 1);
        EXPECT_STREQ(lua_tostring(L, -1), e.text) << e.name;
        lua_pop(L, 2);
    }
    EXPECT_EQ(game.mayaHealth, 35);
    EXPECT_EQ(game.tuyaHealth, -5);
    EXPECT_EQ(game.yaw, 123.5f);
    EXPECT_EQ(game.pitch, -20.25f);

    // Loaded, then saved: the same bytes.
    game.Save("again.xml");
    EXPECT_EQ(session.readUserFile("again.xml"), saved);
}

TEST(GameWarp, ARefusedSaveIsLeftOnDiskAndTheGameGoesBackToTheMainMenu)
{
    SceneFolder folder;
    folder.script("A", "");
    const auto naming = [](const std::string& warp) {
        return "<?xml version=\"1.0\" ?>\n<WarpName name=\"" + warp + "\" />\n";
    };
    const std::string damaged[] = {
        "<?xml version=\"1.0\" ?>\n<Orientation x=\"1\" y=\"2\" />\n",
        "<?xml version=\"1.0\" ?>\n<WarpName name=\"3D/Test/A.wp\"",
        "\x01\x02garbage",
        // Saves naming a scene the game cannot start in: the player would be
        // left in an empty black scene, which leaving would save again.
        naming("3D/Test/C.wp"),
        naming("/dev/zero"),
        naming(folder.path() + "/3D/Test/A.wp"),
        naming("3D/Test/../Test/A.wp"),
        naming("3D/Test"),
        naming("3D/Test/A.lua"),
        // A panorama without a scene script: an animation panorama.
        naming("3D/Isis/Anim_0005.wp"),
        naming("3D/Test/Birds.wp"),
        naming(std::string(10000, 'w') + ".wp"),
        naming("3D/Test/C.wp") + "<WarpName name=\"3D/Test/A.wp\" />\n",
    };
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text);
        GameSession::Setup setup = setupFor(folder, nullptr);
        setup.userFiles.push_back({"save.xml", text});
        GameSession session(setup);
        ASSERT_TRUE(session.ok());
        startGame(session);
        GameWarp& game = gameOf(session);
        EXPECT_FALSE(game.currentWarp);
        EXPECT_FALSE(game.gameRunning);
        EXPECT_FALSE(game.inGameGui.isLoaded());
        EXPECT_TRUE(session.app()->mainMenu.gui.isLoaded());
        session.frames(3);
        EXPECT_EQ(session.readUserFile("save.xml"), text);
        EXPECT_NE(session.log().find("Failed to load file \""), std::string::npos);
        EXPECT_NE(session.log().find("save.xml"), std::string::npos);
    }
}

TEST(GameWarp, AWrongCallLogsTheRuntimesErrorAndTheGameGoesOn)
{
    SceneFolder folder;
    folder.script("A", "function OnWarpEnter() LookAt(1); reached = true end\n"
                       "function OnWarpObjectHit(n) hit = n; ObjectInHand(n) end\n"
                       "function OnAnimationFinished(n) error('broken ' .. n) end\n");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    startGame(session);
    GameWarp& game = gameOf(session);
    ASSERT_TRUE(game.currentWarp);
    const std::string log = session.log();
    EXPECT_NE(log.find("Lua: [string \"3D/Test/A.lua\"]:1: error in function 'LookAt'.\n     argument #2 is '"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("'; 'number' expected.\n"), std::string::npos) << log;
    EXPECT_FALSE(global(session, "reached").toBool());

    game.currentWarp->onMarkerClick("KEYS");
    EXPECT_STREQ(global(session, "hit").toString().c_str(), "KEYS");
    EXPECT_NE(session.log().find("error in function 'ObjectInHand'.\n     argument #1 is 'string'; '[no "
                                 "object]' expected.\n"),
              std::string::npos);
    game.currentWarp->onAnimationFinished().call(KyString("KEYS"));
    EXPECT_NE(session.log().find("broken KEYS"), std::string::npos);
    // The Lua stack is as it was, and frames go on.
    EXPECT_EQ(lua_gettop(game.luaContext.state()), 0);
    session.frames(5);
    EXPECT_TRUE(game.gameRunning);
}

TEST(GameWarp, TheArrivalTransitionTakesOneSecondThenClicksReachTheScript)
{
    SceneFolder folder;
    folder.script("A", "");
    folder.script("B", "function OnWarpObjectHit(n) hits = (hits or 0) + 1 end\n");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    startGame(session);
    GameWarp& game = gameOf(session);
    // The first scene of a game arrives at once.
    ASSERT_TRUE(game.currentWarp);
    EXPECT_FALSE(game.transitionRunning);
    EXPECT_EQ(game.currentWarp->onObjectHit().count(), 1u);

    ASSERT_TRUE(lua(session, "ChangeWarp('3D/Test/B.wp')"));
    KyWarp* b = game.currentWarp;
    EXPECT_TRUE(game.transitionRunning);
    EXPECT_TRUE(game.transitionSprite.visible);
    EXPECT_EQ(b->onObjectHit().count(), 0u);
    b->onMarkerClick("KEYS");
    EXPECT_FALSE(global(session, "hits").toBool());

    session.frames(50);
    EXPECT_TRUE(game.transitionRunning);
    EXPECT_LT(game.transitionSprite.opacity(), 0.6f);
    EXPECT_GT(game.transitionSprite.scale().x, 1.5f);
    session.frames(15);
    EXPECT_FALSE(game.transitionRunning);
    EXPECT_FALSE(game.transitionSprite.visible);
    EXPECT_EQ(b->onObjectHit().count(), 1u);
    b->onMarkerClick("KEYS");
    EXPECT_EQ(global(session, "hits").toF64(), 1.0);
}

TEST(GameWarp, ChangesDuringAChangeOrATransitionWaitAndTheCurrentSceneStaysUp)
{
    SceneFolder folder;
    folder.script("A", "function OnWarpEnter() entered = (entered or 0) + 1 end\n"
                       "function OnWarpObjectHit(n) ChangeWarp('3D/Test/A.wp') end\n");
    folder.script("B", "function OnWarpEnter() ChangeWarp('3D/Test/B.wp'); ChangeWarp('3D/Test/A.wp') end\n");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    startGame(session);
    GameWarp& game = gameOf(session);
    KyWarp* a = game.currentWarp;
    ASSERT_TRUE(a);

    // The same panorama again: its script runs again, it stays up and
    // takes clicks.
    a->onMarkerClick("KEYS");
    EXPECT_EQ(game.currentWarp, a);
    EXPECT_TRUE(a->isActive());
    EXPECT_FALSE(game.transitionRunning);
    EXPECT_EQ(global(session, "entered").toF64(), 2.0);
    EXPECT_EQ(a->onObjectHit().count(), 1u);
    EXPECT_EQ(a->onAnimationFinished().count(), 1u);
    EXPECT_EQ(game.waitTimer.alarmCallbacks.count(), 1u);
    session.frames(2);
    EXPECT_TRUE(a->isActive());

    // B, while it arrives, asks to stay and then for A: A follows the
    // transition.
    ASSERT_TRUE(lua(session, "ChangeWarp('3D/Test/B.wp')"));
    KyWarp* b = game.currentWarp;
    EXPECT_NE(b, a);
    EXPECT_TRUE(game.hasPendingWarp());
    session.frames(30);
    EXPECT_EQ(game.currentWarp, b);
    settle(session);
    EXPECT_EQ(game.currentWarp, a);
    EXPECT_TRUE(a->isActive());
    EXPECT_FALSE(b->isActive());
    EXPECT_EQ(a->onObjectHit().count(), 1u);
    EXPECT_EQ(b->onObjectHit().count(), 0u);
}

TEST(GameWarp, ImportedAnimationPanoramasReplaceEachOtherAndEndWithTheScene)
{
    SceneFolder folder;
    folder.script("A", "function OnWarpEnter() ImportAnimationWarp('3D/Test/Birds') end\n"
                       "function OnAnimationFinished(n) finished = n end\n");
    folder.script("B", "");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    startGame(session);
    GameWarp& game = gameOf(session);
    KyWarp* first = game.animationWarp;
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->isCubeVisible());
    EXPECT_TRUE(first->hasAnimation("BIRD"));
    EXPECT_EQ(first->onObjectHit().count(), 1u);

    ASSERT_TRUE(lua(session, "ImportAnimationWarp('3D/Test/Birds')"));
    KyWarp* second = game.animationWarp;
    EXPECT_NE(second, first);
    EXPECT_TRUE(KyDeferredDeletion::pendingDeletes().contains(first));
    EXPECT_EQ(game.waitTimer.alarmCallbacks.count(), 1u);
    EXPECT_EQ(second->onAnimationFinished().count(), 1u);
    EXPECT_EQ(second->onObjectHit().count(), 1u);
    second->onAnimationFinished().call(KyString("BIRD"));
    EXPECT_STREQ(global(session, "finished").toString().c_str(), "BIRD");
    session.frames(1);

    // Objects and animations act on both panoramas.
    ASSERT_TRUE(lua(session, "StartAnimation('BIRD'); PutObject('KEYS')"));
    EXPECT_TRUE(second->findAnimation("BIRD")->active);
    EXPECT_EQ(second->findAnimation("BIRD")->passes, -1);
    EXPECT_TRUE(game.currentWarp->findAnimation("KEYS")->active);

    ASSERT_TRUE(lua(session, "ChangeWarp('3D/Test/B.wp')"));
    EXPECT_FALSE(game.animationWarp);
    settle(session);
    EXPECT_TRUE(KyDeferredDeletion::pendingDeletes().isEmpty());
    EXPECT_FALSE(game.outgoingAnimationWarp);
}

TEST(GameWarp, PuzzlesThatOpenNothingLeaveTheSceneActive)
{
    SceneFolder folder;
    folder.script("A", "");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    startGame(session);
    GameWarp& game = gameOf(session);
    ASSERT_TRUE(game.currentWarp);

    struct Case {
        s32 number;
        bool boards;
        bool activeAfter;
    };
    const Case cases[] = {{3, true, true}, {9, false, true}, {-1, false, true}, {7, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        game.currentWarp->setActive(true, false);
        ASSERT_TRUE(lua(session, "ShowPuzzle(" + std::to_string(c.number) + ")"));
        EXPECT_EQ(game.puzzleNumber, c.number);
        EXPECT_EQ(session.app()->rotationAnim.isRunning(), c.boards);
        waitForBoards(session);
        // Puzzle 7 opens the cipher puzzle when its interface file is in
        // the data; the scene takes no clicks exactly while it is up.
        const bool puzzleUp = game.puzzleCrypte.isActive() || game.puzzleCrypteSol.isActive();
        EXPECT_EQ(game.currentWarp->isActive(), c.activeAfter || !puzzleUp);
        EXPECT_EQ(session.app()->rotationAnim.portraitSignal.count(), 0u);
    }
    game.puzzleCrypte.close();
    EXPECT_TRUE(game.currentWarp->isActive());
}

TEST(GameWarp, ScriptFunctionsWithoutASceneDoNothingAndSaySo)
{
    SceneFolder folder;
    folder.script("A", "");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    startGame(session);
    GameWarp& game = gameOf(session);
    game.unload();
    EXPECT_FALSE(game.currentWarp);
    EXPECT_FALSE(game.animationWarp);
    EXPECT_FALSE(game.outgoingWarp);
    EXPECT_TRUE(game.warps.isEmpty());
    const char* const calls[] = {"PutObject('KEYS')",      "RemoveObject('KEYS')",  "StartAnimation('KEYS')",
                                 "StartAnimationPart('KEYS', 0, 1)", "AnimationSetToEnd('KEYS')",
                                 "AnimationSetToStart('KEYS')", "SetMarker('KEYS', 1)", "SetFOV(50)",
                                 "TakeObject('')"};
    for (const char* call : calls) {
        const std::string before = session.log();
        EXPECT_TRUE(lua(session, call)) << call;
        const std::string added = session.log().substr(before.size());
        EXPECT_NE(added.find("no current panorama\n"), std::string::npos) << call;
        EXPECT_EQ(occurrences(added, "\n"), 1u) << call << ": " << added;
    }
    // Nor does a change of scene outside a game.
    EXPECT_TRUE(lua(session, "ChangeWarp('3D/Test/A.wp')"));
    EXPECT_FALSE(game.currentWarp);
    EXPECT_TRUE(game.warps.isEmpty());
    EXPECT_NE(session.log().find("no game is entered"), std::string::npos);
    session.frames(2);
}

TEST(GameWarp, LeavingAndStartingASecondGameLeavesNothingBehind)
{
    SceneFolder folder;
    folder.script("A", "function OnWarpEnter() ImportAnimationWarp('3D/Test/Birds') end\n");
    folder.script("B", "");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    session.app()->mainMenu.leave();
    session.frames(2);
    KyInputMgrWrapper* input = KyInputMgrWrapper::instance();
    const u32 moves = input->onPointerMove().count();
    const u32 downs = input->onButtonDown().count();
    const u32 ups = input->onButtonUp().count();
    const u32 timers = KyTimer::runningTimers().count();

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        startGame(session);
        GameWarp& game = gameOf(session);
        ASSERT_TRUE(game.currentWarp);
        EXPECT_GT(input->onButtonDown().count(), downs);
        ASSERT_TRUE(lua(session, "ChangeWarp('3D/Test/B.wp')"));
        session.frames(20);
        // Leaving in the middle of the transition.
        game.unload();
        EXPECT_FALSE(game.currentWarp || game.animationWarp || game.outgoingWarp || game.outgoingAnimationWarp);
        EXPECT_FALSE(game.transitionRunning);
        EXPECT_FALSE(game.gameRunning);
        EXPECT_EQ(game.waitTimer.alarmCallbacks.count(), 0u);
        // The interface's buttons go at the end of the frame.
        session.frames(2);
        EXPECT_EQ(input->onPointerMove().count(), moves);
        EXPECT_EQ(input->onButtonDown().count(), downs);
        EXPECT_EQ(input->onButtonUp().count(), ups);
        for (KyTimer* timer : KyTimer::runningTimers())
            EXPECT_TRUE(timer != &game.dragTimer && timer != &game.waitTimer && timer != &game.gameTimer)
                << (timer == &game.dragTimer ? "drag" : timer == &game.waitTimer ? "wait" : "game");
        EXPECT_TRUE(KyDeferredDeletion::pendingDeletes().isEmpty());
        EXPECT_LE(KyTimer::runningTimers().count(), timers);
        // The save names the scene being left.
        EXPECT_EQ(savedWarp(session), kB);
    }
}

TEST(GameWarp, FinishGameGoesBackToTheMainMenuAndTheSceneLeftRefusesWhatItsUnloadAsksFor)
{
    // The scene's "Unload" asks for another scene, an animation panorama and
    // a wait: the game is being left, so each is refused with its line,
    // whether the game ends by its script, is continued or the program ends
    // during it (the session's end).
    SceneFolder folder;
    folder.script("A", "function OnWarpObjectHit(n) FinishGame() end\n"
                       "function Unload() ChangeWarp('3D/Test/B.wp') ImportAnimationWarp('3D/Test/Birds') Wait(10) end\n");
    folder.script("B", "function OnWarpEnter() PrintDebugMessage('B entered\\n') end\n");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    startGame(session);
    GameWarp& game = gameOf(session);
    ASSERT_TRUE(game.currentWarp);
    game.currentWarp->onMarkerClick("KEYS");
    EXPECT_FALSE(game.gameRunning);
    EXPECT_TRUE(session.app()->rotationAnim.isRunning());
    waitForBoards(session);
    EXPECT_TRUE(session.app()->mainMenu.gui.isLoaded());
    EXPECT_FALSE(game.currentWarp || game.animationWarp);
    EXPECT_TRUE(game.warps.isEmpty());
    EXPECT_TRUE(game.waitTimer.isPaused());
    EXPECT_EQ(game.waitTimer.alarm(), 0u);
    const std::string log = session.log();
    EXPECT_EQ(occurrences(log, "GameWarp::changeWarp: 3D/Test/B.wp: no game is entered\n"), 1u);
    EXPECT_EQ(occurrences(log, "GameWarp::importAnimationWarp: 3D/Test/Birds: no game is entered\n"), 1u);
    EXPECT_EQ(occurrences(log, "GameWarp::wait: no game is entered\n"), 1u);
    EXPECT_EQ(log.find("B entered"), std::string::npos);
    EXPECT_EQ(savedWarp(session), kA);

    // Continued: back in A, and the save still names A.
    startGame(session);
    ASSERT_TRUE(game.currentWarp);
    EXPECT_EQ(game.currentWarpName(), KyString(kA));
    EXPECT_EQ(savedWarp(session), kA);
    EXPECT_EQ(session.log().find("B entered"), std::string::npos);
    settle(session);
}

TEST(GameWarp, LoadingTakesTheMusicAndHealthTheFileHolds)
{
    SceneFolder folder;
    folder.script("A", "");
    // A music path naming a FIFO: opening it to read would wait for a writer.
    ASSERT_EQ(0, mkfifo((folder.path() + "/Waiting.ogg").c_str(), 0600));
    struct Case {
        const char* what;
        std::string sections;
        int musicOn;
        const char* before;  // the application's music before the load
        const char* music;   // the application's music afterwards
        s32 maya;
        s32 tuya;
    };
    const Case cases[] = {
        {"music with the option on", "<Music path=\"Sounds/Musiques/M_interface.ogg\" />", 1, "",
         "Sounds/Musiques/M_interface.ogg", 7, 7},
        {"music with the option off", "<Music path=\"Sounds/Musiques/M_interface.ogg\" />", 0, "", "", 7, 7},
        {"no music", "<Music path=\"\" />", 1, "", "", 7, 7},
        // A game saved without music silences the menus' music; with the
        // option off, or a file that says nothing of music, it stays.
        {"no music over the menus' music", "<Music path=\"\" />", 1, "Sounds/Musiques/M_interface.ogg", "", 7, 7},
        {"no music with the option off", "<Music path=\"\" />", 0, "Sounds/Musiques/M_interface.ogg",
         "Sounds/Musiques/M_interface.ogg", 7, 7},
        {"a music element without its path", "<Music />", 1, "Sounds/Musiques/M_interface.ogg",
         "Sounds/Musiques/M_interface.ogg", 7, 7},
        {"a music that is a FIFO", "<Music path=\"Waiting.ogg\" />", 1, "", "Waiting.ogg", 7, 7},
        {"health read", "<MayaHealthValue value=\"-40\" /><TuyaHealthValue value=\"250\" />", 0, "", "", -40,
         250},
        {"health unreadable is full", "<MayaHealthValue value=\"x\" />", 0, "", "", 100, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GameSession::Setup setup = setupFor(folder, nullptr);
        setup.options = GameSession::optionsText(960, 640, false, c.musicOn);
        setup.userFiles.push_back(
            {"save.xml", std::string("<?xml version=\"1.0\" ?>\n<WarpName name=\"3D/Test/A.wp\" />\n") + c.sections});
        GameSession session(setup);
        ASSERT_TRUE(session.ok());
        session.app()->music.load(c.before);
        GameWarp& game = gameOf(session);
        game.mayaHealth = 7;
        game.tuyaHealth = 7;
        startGame(session);
        ASSERT_TRUE(game.currentWarp);
        EXPECT_STREQ(session.app()->music.requestedPath().c_str(), c.music);
        EXPECT_EQ(game.mayaHealth, c.maya);
        EXPECT_EQ(game.tuyaHealth, c.tuya);
    }
}

TEST(GameWarp, TheHelpButtonTogglesTheMarkersUnlessHelpIsPermanent)
{
    SceneFolder folder;
    folder.script("A", "function OnWarpEnter() ImportAnimationWarp('3D/Test/Birds') end\n");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    startGame(session);
    GameWarp& game = gameOf(session);
    Application* app = session.app();
    ASSERT_TRUE(game.currentWarp && game.animationWarp);
    struct Step {
        u8 permanent;
        bool shown;     // helpShown after the click
        bool visible;   // the markers after the click
    };
    // Permanent help first (the default): markers always shown.
    const Step steps[] = {{1, true, true}, {1, false, true}, {0, true, true}, {0, false, false},
                          {0, true, true}};
    EXPECT_TRUE(game.currentWarp->markersVisible());
    for (const Step& s : steps) {
        app->permanentHelp = s.permanent;
        game.onHelpClicked();
        EXPECT_EQ(game.helpShown != 0, s.shown);
        EXPECT_EQ(game.currentWarp->markersVisible(), s.visible);
        EXPECT_EQ(game.animationWarp->markersVisible(), s.visible);
    }
    // A new scene starts with the help flag down.
    ASSERT_TRUE(lua(session, "ChangeWarp('3D/Test/B.wp')"));
    EXPECT_FALSE(game.helpShown);
    EXPECT_FALSE(game.currentWarp->markersVisible());
}

// A file of the player's that cannot be written (here a folder of the
// player's stands at its name) leaves what was there as it was, and the
// player is told in the log and on the console (a pipe kept as the start-up
// keeps its standard error), which the log's disk cannot stop: the save in
// the background at a scene change, at once there because no thread can be
// had, at once for a slot, and the options at the end of the run.
TEST(GameWarp, AFileThatCannotBeWrittenKeepsWhatWasThereAndSaysSoOnTheConsole)
{
    SceneFolder folder;
    folder.script("A", "");
    folder.script("B", "");
    GameSession session(setupFor(folder));
    ASSERT_TRUE(session.ok());
    startGame(session);
    ASSERT_TRUE(gameOf(session).currentWarp);
    int console[2];
    ASSERT_EQ(0, pipe2(console, O_NONBLOCK | O_CLOEXEC));
    KyOsLog::keepConsole(console[1]);
    struct Row {
        const char* file;
        std::function<void()> write;
    };
    const Row rows[] = {
        {"save.xml", [&] { EXPECT_TRUE(lua(session, "ChangeWarp('3D/Test/B.wp')")); }},
        {"save.xml",
         [&] {
             settle(session);
             KyOsThread::setCreationRefused(true);
             EXPECT_TRUE(lua(session, "ChangeWarp('3D/Test/A.wp')"));
             KyOsThread::setCreationRefused(false);
             EXPECT_NE(session.log().find("[KyFileWriter] no thread for the writes"), std::string::npos);
         }},
        {"3.xml", [&] { gameOf(session).Save("3.xml"); }},
        {"options.xml", [&] { destroyApplication(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const std::string blocked = session.userDataFolder() + "/" + row.file;
        unlink(blocked.c_str());
        ASSERT_EQ(0, mkdir(blocked.c_str(), 0777));
        std::ofstream(blocked + "/kept") << "the player's";
        const std::string line = SaveFile::failureLine(row.file).c_str();
        const size_t logged = occurrences(session.log(), line);
        row.write();
        // Waits for what the background writer was given.
        session.userDataFolder();
        char seen[512];
        const ssize_t n = read(console[0], seen, sizeof seen);
        EXPECT_EQ(std::string(seen, n > 0 ? size_t(n) : 0), line);
        EXPECT_EQ(occurrences(session.log(), line), logged + 1);
        EXPECT_EQ(session.readUserFile(std::string(row.file) + "/kept"), "the player's");
        TempDir::removeTree(blocked);
    }
    KyOsLog::keepConsole(-1);
    close(console[0]);
    close(console[1]);
}

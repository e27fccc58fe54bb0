// The scene scripts' 49 functions: each registered under its name with its
// argument checks (one table over the whole list), the tolua++ runtime's
// error texts, the conversions of numbers, and what the functions that
// answer or act on the scene do.
#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/GameLuaApi.h"
#include "game/GameWarp.h"
#include "scene/KyWarp.h"
#include "tests/game/GameSession.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

// The functions in the order they are registered, with their arguments:
//   s string, n number, o number that may be left out, b boolean that may
//   be left out.
struct Function {
    const char* name;
    const char* arguments;
    bool answers;
};

const Function kFunctions[] = {
    {"Selected", "s", true},
    {"TestObjectLimit", "sn", true},
    {"ObjectInHand", "", true},
    {"PrintDebugMessage", "s", false},
    {"SetCondition", "s", false},
    {"UnsetCondition", "s", false},
    {"TakeObject", "s", false},
    {"PutObject", "sb", false},
    {"RemoveObject", "s", false},
    {"StartAnimationPart", "snnob", false},
    {"StartAnimation", "sob", false},
    {"AnimationSetToEnd", "sb", false},
    {"AnimationSetToStart", "sb", false},
    {"DrawText", "sso", false},
    {"DisplayBD", "sob", false},
    {"ChangeWarp", "s", false},
    {"AddToBag", "s", false},
    {"RemoveFromInventary", "s", false},
    {"RemoveFromBag", "", false},
    {"SaveGame", "s", false},
    {"SetMarker", "sno", false},
    {"LookAt", "nn", false},
    {"Wait", "n", false},
    {"PlaySound", "sn", false},
    {"PlayMusic", "s", false},
    {"ShowPuzzle", "n", false},
    {"PlayMovie", "ss", false},
    {"Introduction", "", false},
    {"Conclusion", "", false},
    {"SetFOV", "n", false},
    {"LoadSprite", "nsnnn", false},
    {"UnloadSprite", "n", false},
    {"PushAnswer", "s", false},
    {"FinishGame", "", false},
    {"AddObjective", "n", false},
    {"RemoveObjective", "n", false},
    {"ImportAnimationWarp", "s", false},
    {"ShowMayaHealth", "", false},
    {"ShowTuyaHealth", "", false},
    {"ReduceMayaHealth", "n", false},
    {"ReduceTuyaHealth", "n", false},
    {"HideMayaHealth", "", false},
    {"HideTuyaHealth", "", false},
    {"InitHealths", "", false},
    {"IsMayaAlive", "", true},
    {"IsTuyaAlive", "", true},
    {"ShowDocument", "s", false},
    {"HideDocument", "", false},
    {"AddDocument", "s", false},
};

void pushValid(lua_State* L, char kind)
{
    switch (kind) {
    case 's':
        lua_pushstring(L, "x");
        break;
    case 'b':
        lua_pushboolean(L, 1);
        break;
    default:
        lua_pushnumber(L, 1);
        break;
    }
}

// Calls name from C with the first count valid arguments of kinds, then
// the pushed extras; the error message, or "" when the call went through.
std::string callWith(lua_State* L, const char* name, const std::string& kinds, size_t count,
                     void (*extra)(lua_State*))
{
    const int top = lua_gettop(L);
    lua_getglobal(L, name);
    for (size_t i = 0; i < count; ++i)
        pushValid(L, kinds[i]);
    if (extra)
        extra(L);
    const int arguments = lua_gettop(L) - top - 1;
    std::string message;
    if (lua_pcall(L, arguments, LUA_MULTRET, 0) != 0)
        message = lua_tostring(L, -1);
    lua_settop(L, top);
    return message;
}

std::string expected(const char* name, size_t position, const char* given, const char* wanted)
{
    return std::string("error in function '") + name + "'.\n     argument #" + std::to_string(position) + " is '" +
           given + "'; '" + wanted + "' expected.\n";
}

const char* kindName(char kind)
{
    return kind == 's' ? "string" : kind == 'b' ? "boolean" : "number";
}

} // namespace

TEST(GameLuaApi, EveryFunctionIsRegisteredWithItsArgumentChecks)
{
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    EXPECT_EQ(registerGameLuaApi(L), 1);
    EXPECT_EQ(lua_gettop(L), 0);
    ASSERT_EQ(sizeof(kFunctions) / sizeof(kFunctions[0]), 49u);

    for (const Function& f : kFunctions) {
        SCOPED_TRACE(f.name);
        lua_getglobal(L, f.name);
        EXPECT_TRUE(lua_iscfunction(L, -1));
        lua_pop(L, 1);
        const std::string kinds = f.arguments;

        // A wrong value at each place: a table for strings and numbers, a
        // number for booleans.
        for (size_t i = 0; i < kinds.size(); ++i) {
            const char kind = kinds[i];
            if (kind == 'b') {
                EXPECT_EQ(callWith(L, f.name, kinds, i, [](lua_State* s) { lua_pushnumber(s, 5); }),
                          expected(f.name, i + 1, "number", "boolean"));
            } else {
                EXPECT_EQ(callWith(L, f.name, kinds, i, [](lua_State* s) { lua_newtable(s); }),
                          expected(f.name, i + 1, "table", kindName(kind)));
            }
            // A required argument left out.
            if (kind == 's' || kind == 'n') {
                EXPECT_EQ(callWith(L, f.name, kinds, i, nullptr),
                          expected(f.name, i + 1, "[no object]", kindName(kind)));
            }
        }
        // One argument too many.
        EXPECT_EQ(callWith(L, f.name, kinds, kinds.size(), [](lua_State* s) { lua_pushnumber(s, 7); }),
                  expected(f.name, kinds.size() + 1, "number", "[no object]"));
    }

    // What passes: nil and numbers as strings, digits as numbers, nil as a
    // boolean; the answering functions that need no game say so.
    struct Pass {
        const char* code;
        bool result;
    };
    const Pass passes[] = {
        {"return TestObjectLimit(nil, 0)", true},       {"return TestObjectLimit('a', 1)", true},
        {"return TestObjectLimit(12, 2)", false},       {"return TestObjectLimit('a', -1)", false},
        {"return TestObjectLimit('a', '1')", true},     {"return TestObjectLimit('a', ' 0x1 ')", true},
        {"return TestObjectLimit('a', 1.99)", true},    {"return TestObjectLimit('a', -0.5)", true},
        {"return TestObjectLimit('a', 4294967297)", false}, {"return TestObjectLimit('a', -4294967295)", false},
        {"return TestObjectLimit('a', 0/0)", true},     {"return TestObjectLimit('a', 1/0)", false},
    };
    for (const Pass& p : passes) {
        SCOPED_TRACE(p.code);
        ASSERT_EQ(luaL_dostring(L, p.code), 0) << lua_tostring(L, -1);
        ASSERT_TRUE(lua_isboolean(L, -1));
        EXPECT_EQ(lua_toboolean(L, -1) != 0, p.result);
        lua_settop(L, 0);
    }
    ASSERT_NE(luaL_dostring(L, "return TestObjectLimit('a', 'one')"), 0);
    EXPECT_NE(std::string(lua_tostring(L, -1)).find("argument #2 is 'string'; 'number' expected."),
              std::string::npos);
    lua_close(L);
}

TEST(GameLuaApi, NumbersBecome32BitIntegersTowardZeroAndSaturate)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double number;
        s32 value;
    };
    const Case cases[] = {{0.0, 0},          {1.9, 1},           {-1.9, -1},         {-0.5, 0},
                          {2147483647.0, 2147483647},            {2147483648.5, 2147483647},
                          {-2147483648.0, -2147483647 - 1},      {-3e9, -2147483647 - 1},
                          {1e300, 2147483647}, {inf, 2147483647}, {-inf, -2147483647 - 1},
                          {std::nan(""), 0}};
    for (const Case& c : cases)
        EXPECT_EQ(luaNumberToS32(c.number), c.value) << c.number;
}

TEST(GameLuaApi, TheAnsweringAndSceneFunctionsDoWhatTheScriptsExpect)
{
    GameSession session;
    ASSERT_TRUE(session.ok());
    session.app()->mainMenu.leave();
    GameWarp& game = session.app()->gameWarp;
    game.enter();
    game.Load("save.xml");
    ASSERT_TRUE(game.currentWarp);
    KyWarp& warp = *game.currentWarp;
    lua_State* L = game.luaContext.state();

    auto answer = [&](const char* code) {
        EXPECT_EQ(luaL_dostring(L, code), 0) << code << ": " << lua_tostring(L, -1);
        const bool value = lua_toboolean(L, -1) != 0;
        lua_settop(L, 0);
        return value;
    };
    auto run = [&](const std::string& code) {
        EXPECT_EQ(luaL_dostring(L, code.c_str()), 0) << code << ": " << lua_tostring(L, -1);
        lua_settop(L, 0);
    };

    // Nothing in hand.
    EXPECT_TRUE(answer("return Selected('')"));
    EXPECT_FALSE(answer("return Selected('KEYS')"));
    EXPECT_FALSE(answer("return ObjectInHand()"));
    // Health.
    EXPECT_TRUE(answer("return IsMayaAlive()"));
    run("ReduceMayaHealth(100)");
    EXPECT_FALSE(answer("return IsMayaAlive()"));
    EXPECT_TRUE(answer("return IsTuyaAlive()"));
    run("ReduceMayaHealth(-2147483648); ReduceMayaHealth(-2147483648)");
    EXPECT_EQ(game.mayaHealth, 2147483647);
    run("InitHealths()");
    EXPECT_EQ(game.mayaHealth, 100);
    // Conditions: false, not nil.
    run("SetCondition('gate'); UnsetCondition('gate')");
    EXPECT_TRUE(answer("return gate == false"));
    EXPECT_TRUE(answer("return gate ~= nil"));
    // A percent sign is printed as it is.
    run("PrintDebugMessage('100% sure %s %d')");
    EXPECT_NE(session.log().find("100% sure %s %d"), std::string::npos);

    // The sample's first scene: the key on the bench and the fountain.
    ASSERT_TRUE(warp.hasAnimation("KEYS"));
    ASSERT_TRUE(warp.hasAnimation("FONT"));
    run("StartAnimation('FONT')");
    EXPECT_TRUE(warp.findAnimation("FONT")->active);
    EXPECT_EQ(warp.findAnimation("FONT")->passes, -1);
    run("StartAnimation('FONT', '2')");
    EXPECT_EQ(warp.findAnimation("FONT")->passes, 2);
    run("AnimationSetToEnd('FONT')");
    EXPECT_EQ(warp.findAnimation("FONT")->currentFrame, warp.findAnimation("FONT")->frameCount - 1);
    run("AnimationSetToStart('FONT')");
    EXPECT_EQ(warp.findAnimation("FONT")->currentFrame, 0u);
    run("PutObject('KEYS')");
    EXPECT_TRUE(warp.findAnimation("KEYS")->active);

    // Taking with no name: the object last clicked becomes a condition and
    // leaves the scene; nothing is added.
    warp.onMarkerClick("KEYS");
    EXPECT_STREQ(game.lastHitObjectName.c_str(), "KEYS");
    run("TakeObject('')");
    EXPECT_TRUE(answer("return KEYS == true"));
    EXPECT_FALSE(warp.findAnimation("KEYS")->active);
    EXPECT_FALSE(answer("return ObjectInHand()"));

    // Script sprites: slots 0 to 4 only.
    const std::string before = session.log();
    run("LoadSprite(5, '2D/arrow6.png', 1, 2, 3); LoadSprite(-1, '2D/arrow6.png', 1, 2, 3); UnloadSprite(99)");
    EXPECT_NE(session.log().find("no sprite slot 5"), std::string::npos);
    EXPECT_NE(session.log().find("no sprite slot -1"), std::string::npos);
    EXPECT_NE(session.log().find("no sprite slot 99"), std::string::npos);
    run("LoadSprite(4, '2D/arrow6.png', 10, 20, -5)");
    EXPECT_TRUE(game.scriptSprites[4].hasTexture());
    EXPECT_TRUE(game.scriptSprites[4].visible);
    EXPECT_EQ(game.scriptSprites[4].position().x, 10.0f);
    run("UnloadSprite(4)");
    EXPECT_FALSE(game.scriptSprites[4].hasTexture());
    EXPECT_EQ(game.scriptSprites[4].size().x, 0.0f);

    // Saving under a name outside the user-data folder is refused.
    run("SaveGame('../escape.xml'); SaveGame('3.xml')");
    EXPECT_NE(session.log().find("ActionManager::Save: error "), std::string::npos);
    EXPECT_TRUE(session.userFileExists("3.xml"));
    EXPECT_FALSE(session.userFileExists("../escape.xml"));
    EXPECT_EQ(lua_gettop(L), 0);
    session.frames(2);
}

// Script files: the precompiled variant preferred, chunks run protected with
// their errors logged and popped, global functions called by name with
// engine values, and the stack left as it was after every call.

#include "script/KyLuaContext.h"
#include "script/KyLuaScript.h"

#include "tests/script/LuaTestSupport.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/UserDataSandbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class LuaScript : public ::testing::Test {
protected:
    void SetUp() override { script.setContext(&context); }

    // Loads and runs a script file of that text; returns execute's result.
    bool runFile(const std::string& name, const std::string& text)
    {
        sandbox.work().writeFile(name, text);
        EXPECT_TRUE(script.load(name.c_str()));
        return script.execute();
    }

    int top() { return lua_gettop(context.state()); }

    UserDataSandbox sandbox;
    KyLuaContext context;
    KyLuaScript script;
};

} // namespace

TEST_F(LuaScript, ThePrecompiledVariantIsTheFileOfItsNameWithBin)
{
    const char* const cases[][2] = {
        {"Scenes/a.lua", "Scenes/a.bin"},
        {"Scenes/Room", "Scenes/Room.bin"},
        {"Scenes//x.tar.lua", "Scenes/x.tar.bin"},
        {"data.v2/menu", "data.v2/menu.bin"},
        {"GUI\\Menu.lua", "GUI/Menu.bin"},
        {".hidden", ".hidden.bin"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c[1], KyLuaScript::precompiledPath(c[0]).c_str()) << c[0];
}

TEST_F(LuaScript, APrecompiledChunkBesideTheSourceIsPreferred)
{
    sandbox.work().writeFile("Scenes/Room.lua", "which = 'source'");
    ASSERT_TRUE(LuaTest::compile("which = 'precompiled'\nfunction OnWarpEnter() entered = true end",
                                 sandbox.work().file("Scenes/Room.bin")));
    ASSERT_TRUE(script.load("Scenes/Room.lua"));
    EXPECT_STREQ("Scenes/Room.bin", script.loadedPath().c_str());
    ASSERT_TRUE(script.execute());
    EXPECT_STREQ("precompiled", context.global("which").toString().c_str());
    script.Execute("OnWarpEnter");
    EXPECT_TRUE(context.global("entered").toBool());

    // Without the precompiled chunk the source is read.
    sandbox.work().writeFile("Scenes/Hall.lua", "which = 'source'");
    ASSERT_TRUE(script.load("Scenes/Hall.lua"));
    EXPECT_STREQ("Scenes/Hall.lua", script.loadedPath().c_str());
    EXPECT_FALSE(script.isExecuted());
    ASSERT_TRUE(script.execute());
    EXPECT_STREQ("source", context.global("which").toString().c_str());
}

TEST_F(LuaScript, AnEmptyFileRunsAndAMissingOneLeavesTheScriptEmpty)
{
    EXPECT_TRUE(runFile("empty.lua", ""));
    EXPECT_EQ(0u, script.dataSize());
    ASSERT_NE(nullptr, script.data());
    EXPECT_STREQ("", script.data());
    EXPECT_TRUE(script.isExecuted());

    bool loaded = true;
    EXPECT_EQ("[KyFile::Open_2] Le fichier absent.lua n'existe pas.\n",
              LuaTest::logOf([&] { loaded = script.load("absent.lua"); }));
    EXPECT_FALSE(loaded);
    EXPECT_STREQ("", script.loadedPath().c_str());
    EXPECT_EQ(nullptr, script.data());
    EXPECT_FALSE(script.isExecuted());
    // An empty chunk.
    EXPECT_TRUE(script.execute());
}

TEST_F(LuaScript, ChunkErrorsAreLoggedAndPopped)
{
    lua_pushstring(context.state(), "kept");
    struct ErrorCase {
        const char* text;
        const char* log;
    } const cases[] = {
        {"x = ", "Lua: [string \"Scenes/bad.lua\"]:1: unexpected symbol near '<eof>'\n"},
        {"defined = 1\nerror('stopped here')", "Lua: [string \"Scenes/bad.lua\"]:2: stopped here\n"},
        {"error({})", "Lua: (error object is a table value)\n"},
        {"error(42)", "Lua: [string \"Scenes/bad.lua\"]:1: 42\n"},
        {"\x1bLuaQ\x01 broken", "Lua: Scenes/bad.lua: bad header in precompiled chunk\n"},
    };
    for (const auto& c : cases) {
        bool ran = true;
        const std::string log = LuaTest::logOf([&] { ran = runFile("Scenes/bad.lua", c.text); });
        EXPECT_FALSE(ran) << c.text;
        EXPECT_EQ(c.log, log);
        EXPECT_TRUE(script.isExecuted());
        EXPECT_EQ(1, top());
    }
    // What ran before the error stays.
    EXPECT_EQ(1.0, context.global("defined").toF64());
    EXPECT_STREQ("kept", lua_tostring(context.state(), -1));
}

TEST_F(LuaScript, WhatAChunkReturnsIsDropped)
{
    const int before = top();
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(runFile("returns.lua", "return 1, 2, 3, {}, 'x'"));
    EXPECT_EQ(before, top());
}

TEST_F(LuaScript, FunctionsAreCalledWithEngineValues)
{
    ASSERT_TRUE(runFile("Scenes/args.lua",
                        "calls = 0\n"
                        "function Record(...)\n"
                        "  calls = calls + 1\n"
                        "  count = select('#', ...)\n"
                        "  first, second = ...\n"
                        "  firstType, secondType = type(first), type(second)\n"
                        "end\n"));
    struct CallCase {
        std::vector<KyVariant> arguments;
        double count;
        const char* first;
        const char* second;
    } const cases[] = {
        {{}, 0, "nil", "nil"},
        {{KyVariant(u32(4294967295u))}, 1, "-1", "nil"},
        {{KyVariant(s32(-7))}, 1, "-7", "nil"},
        {{KyVariant(u64(0x100000005ull))}, 1, "5", "nil"},
        {{KyVariant(s64(-1))}, 1, "-1", "nil"},
        {{KyVariant::fromF32(0.25f)}, 1, "0.25", "nil"},
        {{KyVariant(f64(2.5))}, 1, "2.5", "nil"},
        {{KyVariant(true)}, 1, "true", "nil"},
        {{KyVariant("3D\\Isis\\Warp_0003.wp")}, 1, "3D\\Isis\\Warp_0003.wp", "nil"},
        {{KyVariant("line"), KyVariant(u32(2))}, 2, "line", "2"},
    };
    const int before = top();
    double calls = 0;
    for (const auto& c : cases) {
        switch (c.arguments.size()) {
        case 0:
            script.Execute("Record");
            break;
        case 1:
            script.Execute("Record", c.arguments[0]);
            break;
        default:
            script.Execute("Record", c.arguments[0], c.arguments[1]);
            break;
        }
        EXPECT_EQ(++calls, context.global("calls").toF64());
        EXPECT_EQ(c.count, context.global("count").toF64());
        LuaTest::run(context.state(), "firstText, secondText = tostring(first), tostring(second)");
        EXPECT_STREQ(c.first, context.global("firstText").toString().c_str());
        EXPECT_STREQ(c.second, context.global("secondText").toString().c_str());
        EXPECT_EQ(before, top());
    }

    // A value of no type calls nothing, in either place.
    script.Execute("Record", KyVariant());
    script.Execute("Record", KyVariant(true), KyVariant());
    script.Execute("Record", KyVariant(), KyVariant(true));
    EXPECT_EQ(calls, context.global("calls").toF64());
    EXPECT_EQ(before, top());
}

TEST_F(LuaScript, AMissingFunctionIsLoggedAndTheStackKept)
{
    ASSERT_TRUE(runFile("Scenes/none.lua", "OnWarpLeave = 5"));
    const int before = top();
    EXPECT_EQ("[KyLuaScript::Execute] La fonction : \"OnWarpEnter\" n'existe pas.\n"
              "[KyLuaScript::Execute] La fonction : \"OnWarpLeave\" n'existe pas.\n",
              LuaTest::logOf([&] {
                  script.Execute("OnWarpEnter");
                  script.Execute("OnWarpLeave", KyVariant(true));
              }));
    EXPECT_EQ(before, top());
}

TEST_F(LuaScript, UnloadForgetsTheFile)
{
    ASSERT_TRUE(runFile("Scenes/a.lua", "a = 1"));
    script.unload();
    EXPECT_EQ(nullptr, script.data());
    EXPECT_EQ(0u, script.dataSize());
    EXPECT_STREQ("", script.loadedPath().c_str());
    EXPECT_FALSE(script.isExecuted());
    // Without a context nothing runs.
    KyLuaScript alone;
    EXPECT_FALSE(alone.execute());
    EXPECT_TRUE(alone.isExecuted());
    alone.Execute("Anything");
}

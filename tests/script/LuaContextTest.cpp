// The Lua context: globals read and written, plain globals through XML and
// back, the "Unload" function at destruction, a context without a state,
// and the panic function that ends the process on an unprotected error.

#include "script/KyLuaContext.h"
#include "script/KyLuaScript.h"

#include "tests/script/LuaTestSupport.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>

namespace {

// The saved section as "Tag name=value" lines keyed by name.
std::map<std::string, std::string> savedByName(TiXmlNode& parent)
{
    std::map<std::string, std::string> saved;
    for (TiXmlElement* e = parent.FirstChildElement(); e; e = e->NextSiblingElement()) {
        const char* name = e->Attribute("name");
        const char* value = e->Attribute("value");
        saved[name ? name : "?"] = std::string(e->Value()) + " " + (value ? value : "?");
    }
    return saved;
}

int countCalls(lua_State* L)
{
    lua_pushnumber(L, lua_tonumber(L, 1) + 1);
    return 1;
}

} // namespace

TEST(LuaContext, GlobalsAreReadAsVariantsAndLeaveTheStackAsItWas)
{
    KyLuaContext context;
    ASSERT_TRUE(context.isOpen());
    lua_State* L = context.state();
    LuaTest::run(L, "flag = true count = 3 name = 'Orvalen' list = {} fn = print");
    lua_pushstring(L, "below");

    KyVariant flag = context.global("flag");
    EXPECT_EQ(u32(KyVariant::TypeBool), flag.type());
    EXPECT_TRUE(flag.toBool());
    KyVariant count = context.global("count");
    EXPECT_EQ(u32(KyVariant::TypeF64), count.type());
    EXPECT_EQ(3.0, count.toF64());
    EXPECT_STREQ("Orvalen", context.global("name").toString().c_str());
    for (const char* other : {"list", "fn", "undefined"})
        EXPECT_EQ(u32(KyVariant::TypeNone), context.global(other).type()) << other;
    EXPECT_EQ(1, lua_gettop(L));
    EXPECT_STREQ("below", lua_tostring(L, -1));
}

TEST(LuaContext, GlobalsAreSetToNumbersBooleansFunctionsOrRemoved)
{
    KyLuaContext context;
    context.setGlobal("count", s32(-4));
    context.setGlobal("ready", true);
    context.registerFunction("next", countCalls);
    LuaTest::run(context.state(), "result = next(count)");
    EXPECT_EQ(-3.0, context.global("result").toF64());
    EXPECT_TRUE(context.global("ready").toBool());
    context.setGlobal("ready");
    EXPECT_EQ(u32(KyVariant::TypeNone), context.global("ready").type());
    EXPECT_EQ(0, lua_gettop(context.state()));
}

TEST(LuaContext, AFailingMetamethodOfTheGlobalsIsLoggedNotFatal)
{
    KyLuaContext context;
    LuaTest::run(context.state(), "setmetatable(_G, {__index = function(t, k) error('no ' .. k) end,"
                                  " __newindex = function(t, k) error('read-only ' .. k) end})");
    KyVariant read(true);
    const std::string log = LuaTest::logOf([&] {
        read = context.global("missing");
        context.setGlobal("value", s32(1));
    });
    EXPECT_EQ(u32(KyVariant::TypeNone), read.type());
    EXPECT_NE(std::string::npos, log.find("Lua: [string \"setmetatable(_G")) << log;
    EXPECT_NE(std::string::npos, log.find("no missing\n")) << log;
    EXPECT_NE(std::string::npos, log.find("read-only value\n")) << log;
    EXPECT_EQ(0, lua_gettop(context.state()));
    // Looking "Unload" up fails the same way; the state still closes.
    EXPECT_NE(std::string::npos, LuaTest::logOf([&] { context.destroy(); }).find("no Unload\n"));
    EXPECT_FALSE(context.isOpen());
}

TEST(LuaContext, PlainGlobalsAreSavedInTheirFixedForms)
{
    KyLuaContext context;
    LuaTest::run(context.state(),
                 "count = 3 ratio = 0.1234567 half = -0.5 huge = 1e300 tiny = -1e300 on = true off = false"
                 " text = 'a<b>&\"c\\'' empty = '' list = {1} fn = function() end _G[7] = 'number key'"
                 " _G[true] = 'boolean key'");
    TiXmlDocument document;
    context.saveGlobals(&document);
    std::map<std::string, std::string> saved = savedByName(document);

    EXPECT_EQ("Number 3.000000", saved["count"]);
    EXPECT_EQ("Number 0.123457", saved["ratio"]);
    EXPECT_EQ("Number -0.500000", saved["half"]);
    // Written whole: 301 digits before the point.
    char whole[512];
    std::snprintf(whole, sizeof whole, "%f", 1e300);
    EXPECT_EQ(std::string("Number ") + whole, saved["huge"]);
    EXPECT_EQ(size_t(7 + 301 + 7), saved["huge"].size());
    EXPECT_EQ(std::string("Number -") + whole, saved["tiny"]);
    EXPECT_EQ("Boolean 1", saved["on"]);
    EXPECT_EQ("Boolean 0", saved["off"]);
    EXPECT_EQ("String a<b>&\"c'", saved["text"]);
    EXPECT_EQ("String ", saved["empty"]);
    // The libraries' own plain globals are saved too.
    EXPECT_EQ("String Lua 5.1", saved["_VERSION"]);
    for (const char* absent : {"list", "fn", "7", "true", "print", "string"})
        EXPECT_EQ(0u, saved.count(absent)) << absent;

    // Attributes in the order name, value; nothing else on the element.
    for (TiXmlElement* e = document.FirstChildElement(); e; e = e->NextSiblingElement()) {
        ASSERT_NE(nullptr, e->FirstAttribute());
        EXPECT_STREQ("name", e->FirstAttribute()->Name());
        ASSERT_NE(nullptr, e->FirstAttribute()->Next());
        EXPECT_STREQ("value", e->FirstAttribute()->Next()->Name());
        EXPECT_EQ(nullptr, e->FirstAttribute()->Next()->Next());
    }
    EXPECT_EQ(0, lua_gettop(context.state()));
}

TEST(LuaContext, SavedGlobalsComeBackThroughAFileIntoAFreshState)
{
    TempDir dir;
    const std::string path = dir.file("save.xml");
    {
        KyLuaContext context;
        LuaTest::run(context.state(), "count = 3 ratio = 0.1234567 huge = 1e300 on = true off = false"
                                      " text = 'a<b>&\"c\\'\\t%d' unicode = 'caf\\195\\169'");
        TiXmlDocument document;
        document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
        context.saveGlobals(&document);
        ASSERT_TRUE(document.SaveFile(path.c_str()));
    }
    TiXmlDocument document;
    ASSERT_TRUE(document.LoadFile(path.c_str()));
    KyLuaContext context;
    // Set by the script when it loads; the saved value replaces it.
    LuaTest::run(context.state(), "count = 99 kept = 'mine'");
    context.loadGlobals(&document);
    EXPECT_EQ(3.0, context.global("count").toF64());
    EXPECT_DOUBLE_EQ(0.123457, context.global("ratio").toF64());
    EXPECT_EQ(1e300, context.global("huge").toF64());
    EXPECT_EQ(u32(KyVariant::TypeBool), context.global("on").type());
    EXPECT_TRUE(context.global("on").toBool());
    EXPECT_FALSE(context.global("off").toBool());
    EXPECT_STREQ("a<b>&\"c'\t%d", context.global("text").toString().c_str());
    EXPECT_STREQ("caf\xc3\xa9", context.global("unicode").toString().c_str());
    EXPECT_STREQ("mine", context.global("kept").toString().c_str());
    EXPECT_EQ(0, lua_gettop(context.state()));
}

TEST(LuaContext, LoadingSkipsIncompleteAndForeignElements)
{
    TiXmlDocument document;
    document.Parse("<Save>"
                   "<Number name='a' value='1.5'/>"
                   "<Number name='a' value='2.5'/>"
                   "<Number name='noValue'/>"
                   "<Number value='4'/>"
                   "<Number name='garbage' value='abc'/>"
                   "<Boolean name='yes' value='7'/>"
                   "<Boolean name='no' value='0'/>"
                   "<Boolean name='bad' value='x'/>"
                   "<String name='s' value=''/>"
                   "<boolean name='lower' value='1'/>"
                   "<Other name='other' value='1'/>"
                   "text<!-- comment -->"
                   "</Save>");
    ASSERT_FALSE(document.Error());
    KyLuaContext context;
    LuaTest::run(context.state(), "garbage = 'before' noValue = 'before'");
    context.loadGlobals(document.RootElement());
    EXPECT_EQ(2.5, context.global("a").toF64());
    EXPECT_STREQ("before", context.global("garbage").toString().c_str());
    EXPECT_STREQ("before", context.global("noValue").toString().c_str());
    EXPECT_TRUE(context.global("yes").toBool());
    EXPECT_EQ(u32(KyVariant::TypeBool), context.global("no").type());
    EXPECT_FALSE(context.global("no").toBool());
    EXPECT_EQ(u32(KyVariant::TypeString), context.global("s").type());
    for (const char* absent : {"bad", "lower", "other"})
        EXPECT_EQ(u32(KyVariant::TypeNone), context.global(absent).type()) << absent;
}

TEST(LuaContext, DestroyCallsUnloadOnceAndLeavesAContextThatDoesNothing)
{
    KyLuaContext context;
    LuaTest::run(context.state(), "function Unload() io.write('unloaded\\n') end");
    EXPECT_EQ("unloaded\n", LuaTest::logOf([&] {
                  context.destroy();
                  context.destroy();
              }));
    EXPECT_FALSE(context.isOpen());
    EXPECT_EQ(nullptr, context.state());

    // Every operation on a context without a state does nothing.
    TiXmlDocument document;
    TiXmlElement section("Save");
    section.LinkEndChild(new TiXmlElement("Number"));
    KyVariant read(true);
    bool called = true;
    bool executed = true;
    const std::string log = LuaTest::logOf([&] {
        context.setGlobal("a", s32(1));
        context.setGlobal("a", true);
        context.setGlobal("a");
        context.registerFunction("f", countCalls);
        read = context.global("a");
        context.saveGlobals(&document);
        context.loadGlobals(&section);
        called = context.protectedCall(countCalls, nullptr);
        KyLuaScript script;
        script.setContext(&context);
        executed = script.execute();
        script.Execute("Anything");
    });
    EXPECT_EQ("", log);
    EXPECT_EQ(u32(KyVariant::TypeNone), read.type());
    EXPECT_EQ(nullptr, document.FirstChild());
    EXPECT_FALSE(called);
    EXPECT_FALSE(executed);

    // And it can be opened again.
    ASSERT_TRUE(context.create());
    EXPECT_EQ(u32(KyVariant::TypeNone), context.global("Unload").type());
}

TEST(LuaContext, AnErrorInUnloadIsLoggedAndTheStateStillCloses)
{
    KyLuaContext context;
    LuaTest::run(context.state(), "function Unload() error('no') end");
    const std::string log = LuaTest::logOf([&] { context.destroy(); });
    EXPECT_FALSE(context.isOpen());
    EXPECT_EQ("Lua: [string \"function Unload() error('no') end\"]:1: no\n", log);
}

TEST(LuaContext, CreateReplacesTheStateAfterItsUnload)
{
    KyLuaContext context;
    LuaTest::run(context.state(), "old = 1 function Unload() io.write('old state unloaded\\n') end");
    bool created = false;
    EXPECT_EQ("old state unloaded\n", LuaTest::logOf([&] { created = context.create(); }));
    ASSERT_TRUE(created);
    EXPECT_EQ(u32(KyVariant::TypeNone), context.global("old").type());
    // The libraries are open in the new state.
    LuaTest::run(context.state(), "x = string.format('%d', math.floor(2.5))");
    EXPECT_STREQ("2", context.global("x").toString().c_str());
}

using LuaContextDeathTest = ::testing::Test;

TEST_F(LuaContextDeathTest, AnUnprotectedErrorPrintsOneLineAndEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto failingEvent = [](const char* code) {
        // The log goes to standard output; the death test reads standard
        // error.
        dup2(2, 1);
        KyLuaContext context;
        LuaTest::run(context.state(), code);
        KyLuaScript script;
        script.setContext(&context);
        script.Execute("OnWarpEnter");
        std::printf("still running\n");
        std::exit(0);
    };
    EXPECT_EXIT(failingEvent("function OnWarpEnter() error('broken') end"), ::testing::ExitedWithCode(1),
                "^Lua: \\[string \"function OnWarpEnter\\(\\) error\\('broken'\\) end\"\\]:1: broken\n$");
    EXPECT_EXIT(failingEvent("function OnWarpEnter() error({}) end"), ::testing::ExitedWithCode(1),
                "^Lua: \\(error object is a table value\\)\n$");
}

// Script events: a missing function does nothing, a failing one is logged
// and the game goes on, and the Lua stack is left exactly as it was after
// every call, whatever happened.

#include "script/KyLuaContext.h"
#include "script/KyLuaEvent.h"

#include "tests/script/LuaTestSupport.h"
#include "tests/support/StdoutCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class LuaEvent : public ::testing::Test {
protected:
    void SetUp() override
    {
        LuaTest::run(context.state(), "calls = 0\n"
                                      "function OnWarpObjectHit(name, extra)\n"
                                      "  calls = calls + 1\n"
                                      "  hit, second = name, extra\n"
                                      "  return 'ignored', 'results'\n"
                                      "end\n"
                                      "function OnWarpLeave() error('cannot leave') end\n"
                                      "function OnDialogFinished() error({}) end\n"
                                      "function OnPuzzleWon() OnWarpLeave() end\n"
                                      "function OnWaitFinished() local t = nil; return t.field end\n"
                                      "OnMovieFinished = 'not a function'\n");
        // Something of the caller's own lies on the stack throughout.
        lua_pushstring(context.state(), "caller's value");
        lua_pushnumber(context.state(), 7);
    }

    void expectStackKept()
    {
        lua_State* L = context.state();
        ASSERT_EQ(2, lua_gettop(L));
        EXPECT_STREQ("caller's value", lua_tostring(L, 1));
        EXPECT_EQ(7.0, lua_tonumber(L, 2));
    }

    KyLuaContext context;
};

} // namespace

TEST_F(LuaEvent, EachOutcomeLeavesTheStackAsItWas)
{
    struct EventCase {
        const char* name;
        KyLuaEvent::Result result;
        const char* log;
    } const cases[] = {
        {"OnWarpObjectHit", KyLuaEvent::Called, ""},
        {"OnWarpEnter", KyLuaEvent::NotCalled, ""},
        {"OnMovieFinished", KyLuaEvent::NotCalled, ""},
        {"OnWarpLeave", KyLuaEvent::Failed, "Lua: [string \"calls = 0...\"]:7: cannot leave\n"},
        {"OnDialogFinished", KyLuaEvent::Failed, "Lua: (error object is a table value)\n"},
        {"OnPuzzleWon", KyLuaEvent::Failed, "Lua: [string \"calls = 0...\"]:7: cannot leave\n"},
        {"OnWaitFinished", KyLuaEvent::Failed,
         "Lua: [string \"calls = 0...\"]:10: attempt to index local 't' (a nil value)\n"},
    };
    for (const auto& c : cases) {
        KyLuaEvent::Result result = KyLuaEvent::NotCalled;
        const std::string log = LuaTest::logOf([&] { result = KyLuaEvent::call(context, c.name); });
        EXPECT_EQ(c.result, result) << c.name;
        EXPECT_EQ(c.log, log) << c.name;
        expectStackKept();
    }
    EXPECT_EQ(1.0, context.global("calls").toF64());
}

TEST_F(LuaEvent, ArgumentsArriveInOrder)
{
    EXPECT_EQ(KyLuaEvent::Called, KyLuaEvent::call(context, "OnWarpObjectHit", KyVariant("3D\\Isis\\Warp_0003.wp")));
    EXPECT_STREQ("3D\\Isis\\Warp_0003.wp", context.global("hit").toString().c_str());
    EXPECT_EQ(u32(KyVariant::TypeNone), context.global("second").type());
    EXPECT_EQ(KyLuaEvent::Called,
              KyLuaEvent::call(context, "OnWarpObjectHit", KyVariant("anim"), KyVariant(u32(4294967295u))));
    EXPECT_STREQ("anim", context.global("hit").toString().c_str());
    EXPECT_EQ(-1.0, context.global("second").toF64());
    // An argument without a value: nothing is called.
    EXPECT_EQ(KyLuaEvent::NotCalled, KyLuaEvent::call(context, "OnWarpObjectHit", KyVariant("a"), KyVariant()));
    EXPECT_EQ(2.0, context.global("calls").toF64());
    expectStackKept();
}

TEST_F(LuaEvent, ManyFailingCallsLeaveNothingBehind)
{
    StdoutCapture quiet;
    for (int i = 0; i < 500; ++i) {
        KyLuaEvent::call(context, "OnWarpLeave");
        KyLuaEvent::call(context, "OnWarpObjectHit", KyVariant("x"));
        KyLuaEvent::call(context, "Missing");
    }
    expectStackKept();
    EXPECT_EQ(500.0, context.global("calls").toF64());
}

TEST_F(LuaEvent, AFailingLookUpIsAnErrorLikeAnyOther)
{
    LuaTest::run(context.state(), "setmetatable(_G, {__index = function(t, k) error('no global ' .. k) end})");
    KyLuaEvent::Result result = KyLuaEvent::NotCalled;
    const std::string log = LuaTest::logOf([&] { result = KyLuaEvent::call(context, "OnWarpEnter"); });
    EXPECT_EQ(KyLuaEvent::Failed, result);
    EXPECT_NE(std::string::npos, log.find("no global OnWarpEnter\n")) << log;
    expectStackKept();
    LuaTest::logOf([&] { context.destroy(); });
}

TEST_F(LuaEvent, AGlobalsMetatableIsConsultedUnderProtection)
{
    // Events that exist only through __index are found and called; a
    // failing one is logged like any other.
    LuaTest::run(context.state(), "setmetatable(_G, {__index = function(t, k)\n"
                                  "  if k == 'OnAnimationFinished' then return function(n) waited = n end end\n"
                                  "  if k == 'OnAnswered' then return function() error('no answer') end end\n"
                                  "end})");
    EXPECT_EQ(KyLuaEvent::Called, KyLuaEvent::call(context, "OnAnimationFinished", KyVariant(s32(3))));
    EXPECT_EQ(3.0, context.global("waited").toF64());
    KyLuaEvent::Result result = KyLuaEvent::NotCalled;
    const std::string log = LuaTest::logOf([&] { result = KyLuaEvent::call(context, "OnAnswered"); });
    EXPECT_EQ(KyLuaEvent::Failed, result);
    EXPECT_NE(std::string::npos, log.find("no answer\n")) << log;
    EXPECT_EQ(KyLuaEvent::NotCalled, KyLuaEvent::call(context, "OnWarpEnter"));
    expectStackKept();
}

TEST(LuaEventWithoutState, NothingIsCalled)
{
    KyLuaContext context;
    context.destroy();
    EXPECT_EQ(KyLuaEvent::NotCalled, KyLuaEvent::call(context, "OnWarpEnter"));
    EXPECT_EQ(KyLuaEvent::NotCalled, KyLuaEvent::call(nullptr, "OnWarpEnter", nullptr, 0));
}

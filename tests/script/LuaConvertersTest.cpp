// Every converter over the values it takes and the values it refuses, with
// the exact message of a refusal; each leaves the value where it was.

#include "script/KyLuaContext.h"
#include "script/KyLuaConverters.h"

#include "tests/script/LuaTestSupport.h"
#include "tests/support/StdoutCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

class LuaConverters : public ::testing::Test {
protected:
    // Converts the value of expression with convert and checks the log line
    // and that the stack holds exactly what it held, the value on top.
    template <class T>
    T convert(const std::string& expression, const std::function<T(lua_State*)>& converter,
              const std::string& expectedLog)
    {
        lua_State* L = context.state();
        LuaTest::push(L, expression);
        const int top = lua_gettop(L);
        std::string log;
        T result;
        {
            StdoutCapture capture;
            result = converter(L);
            log = capture.text();
        }
        EXPECT_EQ(expectedLog, log) << expression;
        EXPECT_EQ(top, lua_gettop(L)) << expression;
        lua_settop(L, 0);
        return result;
    }

    KyLuaContext context;
};

const char* const kNotBool = "KyLuaToBool:: not a bool";
const char* const kNotF32 = "KyLuaToF32:: not a number";
const char* const kNotU32 = "KyLuaToU32:: not a number";
const char* const kNotS32 = "KyLuaToS32:: not a number";
const char* const kNotString = "KyLuaToKyString:: not a string";
const char* const kNotVector = "KyLuaToKyVector3f32:: not a table";
const char* const kNotColor = "KyLuaToKyColor:: not a table";
const char* const kNotQuaternion = "KyLuaToKyQuaternion:: not a table";
const char* const kNotArray = "KyLuaToF32KyArray:: the lua value is not a table\n";

template <class T>
struct Case {
    const char* expression;
    T expected;
    const char* log;
};

} // namespace

TEST_F(LuaConverters, ScalarsTakeTheirTypesAndRefuseOthersWithTheirMessages)
{
    const Case<bool> bools[] = {
        {"true", true, ""}, {"false", false, ""}, {"1", false, kNotBool},
        {"'true'", false, kNotBool}, {"nil", false, kNotBool}, {"{}", false, kNotBool},
    };
    for (const auto& c : bools)
        EXPECT_EQ(c.expected, convert<bool>(c.expression, KyLuaToBool, c.log)) << c.expression;

    const Case<f32> floats[] = {
        {"2.5", 2.5f, ""}, {"'2.5'", 2.5f, ""}, {"' 0x10 '", 16.0f, ""}, {"-1e-3", -0.001f, ""},
        {"true", 0.0f, kNotF32}, {"'abc'", 0.0f, kNotF32}, {"{}", 0.0f, kNotF32}, {"nil", 0.0f, kNotF32},
    };
    for (const auto& c : floats)
        EXPECT_FLOAT_EQ(c.expected, convert<f32>(c.expression, KyLuaToF32, c.log)) << c.expression;
    EXPECT_TRUE(std::isinf(convert<f32>("1e300", KyLuaToF32, "")));

    const Case<u32> unsigneds[] = {
        {"7", 7u, ""}, {"'12'", 12u, ""}, {"3.9", 3u, ""}, {"4294967295", 4294967295u, ""},
        {"-1", 4294967295u, ""}, {"4294967296 + 5", 5u, ""}, {"true", 0u, kNotU32}, {"'x'", 0u, kNotU32},
    };
    for (const auto& c : unsigneds)
        EXPECT_EQ(c.expected, convert<u32>(c.expression, KyLuaToU32, c.log)) << c.expression;

    const Case<s32> signeds[] = {
        {"-5", -5, ""}, {"'7'", 7, ""}, {"-2.9", -2, ""}, {"2147483648", -2147483647 - 1, ""},
        {"4294967295", -1, ""}, {"{}", 0, kNotS32}, {"false", 0, kNotS32},
    };
    for (const auto& c : signeds)
        EXPECT_EQ(c.expected, convert<s32>(c.expression, KyLuaToS32, c.log)) << c.expression;

    const Case<const char*> strings[] = {
        {"'abc'", "abc", ""}, {"''", "", ""}, {"12", "12", ""}, {"2.5", "2.5", ""},
        {"'a\\0b'", "a", ""}, {"true", "", kNotString}, {"nil", "", kNotString}, {"{}", "", kNotString},
    };
    for (const auto& c : strings)
        EXPECT_STREQ(c.expected, convert<KyString>(c.expression, KyLuaToKyString, c.log).c_str()) << c.expression;
}

TEST_F(LuaConverters, AStringConversionTurnsANumberIntoTextInPlace)
{
    lua_State* L = context.state();
    lua_pushnumber(L, 12);
    EXPECT_STREQ("12", KyLuaToKyString(L).c_str());
    EXPECT_EQ(LUA_TSTRING, lua_type(L, -1));
    lua_pop(L, 1);
}

TEST_F(LuaConverters, VectorsStartFromTheDefaultAndTakeTheNumbersGiven)
{
    const KyVector3f32 seed(5, 6, 7);
    const Case<KyVector3f32> cases[] = {
        {"{1}", KyVector3f32(1, 6, 7), ""},
        {"{1, 2, 3, 4}", KyVector3f32(1, 2, 3), ""},
        {"{'4', true, 3}", KyVector3f32(4, 6, 3), ""},
        {"{nil, 8}", KyVector3f32(5, 8, 7), ""},
        {"{x = 1, y = 2}", KyVector3f32(5, 6, 7), ""},
        // Elements are read through metamethods.
        {"setmetatable({}, {__index = function(t, k) return k * 10 end})", KyVector3f32(10, 20, 30), ""},
        {"'1, 2, 3'", seed, kNotVector},
        {"nil", seed, kNotVector},
    };
    auto converter = [&](lua_State* L) { return KyLuaToKyVector3f32(L, seed); };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, convert<KyVector3f32>(c.expression, converter, c.log)) << c.expression;
}

TEST_F(LuaConverters, ColoursAreBytesOverOpaqueWhite)
{
    const Case<KyColor> cases[] = {
        {"{255, 0}", KyColor(255, 0, 255, 255), ""},
        {"{1, 2, 3, 4}", KyColor(1, 2, 3, 4), ""},
        // The low 8 bits of each integer.
        {"{300, -1, 12.9, 256}", KyColor(44, 255, 12, 0), ""},
        {"{}", KyColor(255, 255, 255, 255), ""},
        {"'red'", KyColor(255, 255, 255, 255), kNotColor},
        {"7", KyColor(255, 255, 255, 255), kNotColor},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, convert<KyColor>(c.expression, KyLuaToKyColor, c.log)) << c.expression;
}

TEST_F(LuaConverters, RotationsComeFromAnAxisAndAnAngleInDegrees)
{
    const f32 half = std::sqrt(0.5f);
    const KyQuaternion seed(0.1f, 0.2f, 0.3f, 0.4f);
    struct QuaternionCase {
        const char* expression;
        KyQuaternion expected;
        const char* log;
    } const cases[] = {
        {"{0, 1, 0, 90}", KyQuaternion(0, half, 0, half), ""},
        {"{0, 0, 1, 180}", KyQuaternion(0, 0, 1, 0), ""},
        // The axis is used as given.
        {"{0, 0, 2, 180}", KyQuaternion(0, 0, 2, 0), ""},
        // What the table lacks counts 0: no axis and no angle is no rotation.
        {"{}", KyQuaternion(0, 0, 0, 1), ""},
        {"{1, 0, 0}", KyQuaternion(0, 0, 0, 1), ""},
        {"{nil, nil, 1, 90}", KyQuaternion(0, 0, half, half), ""},
        {"'up'", seed, kNotQuaternion},
    };
    auto converter = [&](lua_State* L) { return KyLuaToKyQuaternion(L, seed); };
    for (const auto& c : cases) {
        KyQuaternion q = convert<KyQuaternion>(c.expression, converter, c.log);
        EXPECT_NEAR(c.expected.x, q.x, 1e-6f) << c.expression;
        EXPECT_NEAR(c.expected.y, q.y, 1e-6f) << c.expression;
        EXPECT_NEAR(c.expected.z, q.z, 1e-6f) << c.expression;
        EXPECT_NEAR(c.expected.w, q.w, 1e-6f) << c.expression;
    }
}

TEST_F(LuaConverters, FloatListsTakeEveryValueInOrder)
{
    struct ListCase {
        const char* expression;
        std::vector<f32> expected;
        const char* log;
    } const cases[] = {
        {"{0, 0.25, 1}", {0.0f, 0.25f, 1.0f}, ""},
        {"{}", {}, ""},
        {"{'2', true, 3}", {2.0f, 0.0f, 3.0f}, kNotF32},
        {"0.5", {}, kNotArray},
        {"nil", {}, kNotArray},
    };
    for (const auto& c : cases) {
        KyArray<f32> values = convert<KyArray<f32>>(c.expression, KyLuaToF32KyArray, c.log);
        EXPECT_EQ(c.expected, std::vector<f32>(values.begin(), values.end())) << c.expression;
        // Exactly as large as what it holds.
        EXPECT_EQ(values.count(), values.capacity());
    }
}

TEST_F(LuaConverters, GlobalsBecomeVariantsOfTheirType)
{
    auto converter = [](lua_State* L) { return KyLuaToKyVariant(L); };
    struct VariantCase {
        const char* expression;
        u32 type;
        const char* text;
    } const cases[] = {
        {"true", KyVariant::TypeBool, "1"},    {"3", KyVariant::TypeF64, "3"},
        {"'3'", KyVariant::TypeString, "3"},  {"{}", KyVariant::TypeNone, ""},
        {"print", KyVariant::TypeNone, ""},   {"nil", KyVariant::TypeNone, ""},
    };
    for (const auto& c : cases) {
        KyVariant v = convert<KyVariant>(c.expression, converter, "");
        EXPECT_EQ(c.type, v.type()) << c.expression;
        if (c.type == KyVariant::TypeBool) {
            EXPECT_TRUE(v.toBool());
        } else if (c.type == KyVariant::TypeF64) {
            EXPECT_EQ(3.0, v.toF64());
        } else if (c.type == KyVariant::TypeString) {
            EXPECT_STREQ(c.text, v.toString().c_str());
        }
    }
}

TEST_F(LuaConverters, VariantsArePushedAsScriptArguments)
{
    lua_State* L = context.state();
    struct PushCase {
        KyVariant value;
        int luaType;
        double number;
        const char* text;
    } const cases[] = {
        {KyVariant(true), LUA_TBOOLEAN, 1, ""},
        {KyVariant(s32(-7)), LUA_TNUMBER, -7, ""},
        // Integers travel as 32 signed bits.
        {KyVariant(u32(4294967295u)), LUA_TNUMBER, -1, ""},
        {KyVariant(s64(0x100000005ll)), LUA_TNUMBER, 5, ""},
        {KyVariant(u64(0xFFFFFFFF80000000ull)), LUA_TNUMBER, -2147483648.0, ""},
        {KyVariant::fromF32(0.25f), LUA_TNUMBER, 0.25, ""},
        {KyVariant(f64(1e300)), LUA_TNUMBER, 1e300, ""},
        {KyVariant("a<b"), LUA_TSTRING, 0, "a<b"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(KyLuaPushVariant(L, c.value));
        ASSERT_EQ(c.luaType, lua_type(L, -1));
        if (c.luaType == LUA_TNUMBER) {
            EXPECT_EQ(c.number, lua_tonumber(L, -1));
        } else if (c.luaType == LUA_TBOOLEAN) {
            EXPECT_TRUE(lua_toboolean(L, -1));
        } else {
            EXPECT_STREQ(c.text, lua_tostring(L, -1));
        }
        lua_pop(L, 1);
    }
    EXPECT_FALSE(KyLuaPushVariant(L, KyVariant()));
    EXPECT_EQ(0, lua_gettop(L));
}

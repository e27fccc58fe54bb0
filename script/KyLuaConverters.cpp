#include "script/KyLuaConverters.h"

#include "core/KyLog.h"

namespace {

// Single-precision pi, as the angle conversion has always used it.
const f32 kPi = 3.1415927410125732f;

// Reads element k of the table on top: pushes k, fetches the element
// (metamethods apply), hands it to read when it is a number or a string
// holding one, and pops it. Anything else is passed over without a word.
template <class Read>
void readElement(lua_State* L, int k, Read read)
{
    lua_pushnumber(L, k);
    lua_gettable(L, -2);
    if (lua_isnumber(L, -1))
        read();
    lua_pop(L, 1);
}

} // namespace

bool KyLuaToBool(lua_State* L)
{
    if (lua_type(L, -1) != LUA_TBOOLEAN) {
        logPrint("KyLuaToBool:: not a bool");
        return false;
    }
    return lua_toboolean(L, -1) != 0;
}

f32 KyLuaToF32(lua_State* L)
{
    if (!lua_isnumber(L, -1)) {
        logPrint("KyLuaToF32:: not a number");
        return 0.0f;
    }
    return f32(lua_tonumber(L, -1));
}

u32 KyLuaToU32(lua_State* L)
{
    if (!lua_isnumber(L, -1)) {
        logPrint("KyLuaToU32:: not a number");
        return 0;
    }
    return u32(lua_tointeger(L, -1));
}

s32 KyLuaToS32(lua_State* L)
{
    if (!lua_isnumber(L, -1)) {
        logPrint("KyLuaToS32:: not a number");
        return 0;
    }
    return s32(u32(lua_tointeger(L, -1)));
}

KyString KyLuaToKyString(lua_State* L)
{
    if (!lua_isstring(L, -1)) {
        logPrint("KyLuaToKyString:: not a string");
        return KyString("");
    }
    // The text ends at its first NUL, as every engine string does.
    return KyString(lua_tostring(L, -1));
}

KyVector3f32 KyLuaToKyVector3f32(lua_State* L, const KyVector3f32& defaultValue)
{
    if (!lua_istable(L, -1)) {
        logPrint("KyLuaToKyVector3f32:: not a table");
        return defaultValue;
    }
    KyVector3f32 v = defaultValue;
    readElement(L, 1, [&] { v.x = KyLuaToF32(L); });
    readElement(L, 2, [&] { v.y = KyLuaToF32(L); });
    readElement(L, 3, [&] { v.z = KyLuaToF32(L); });
    return v;
}

KyColor KyLuaToKyColor(lua_State* L)
{
    KyColor c(255, 255, 255, 255);
    if (!lua_istable(L, -1)) {
        logPrint("KyLuaToKyColor:: not a table");
        return c;
    }
    readElement(L, 1, [&] { c.r = u8(KyLuaToU32(L)); });
    readElement(L, 2, [&] { c.g = u8(KyLuaToU32(L)); });
    readElement(L, 3, [&] { c.b = u8(KyLuaToU32(L)); });
    readElement(L, 4, [&] { c.a = u8(KyLuaToU32(L)); });
    return c;
}

KyQuaternion KyLuaToKyQuaternion(lua_State* L, const KyQuaternion& defaultValue)
{
    if (!lua_istable(L, -1)) {
        logPrint("KyLuaToKyQuaternion:: not a table");
        return defaultValue;
    }
    KyVector3f32 axis(0.0f, 0.0f, 0.0f);
    f32 degrees = 0.0f;
    readElement(L, 1, [&] { axis.x = KyLuaToF32(L); });
    readElement(L, 2, [&] { axis.y = KyLuaToF32(L); });
    readElement(L, 3, [&] { axis.z = KyLuaToF32(L); });
    readElement(L, 4, [&] { degrees = KyLuaToF32(L); });
    return KyQuaternion::fromAxisAndAngle(axis, degrees * kPi / 180.0f);
}

KyArray<f32> KyLuaToF32KyArray(lua_State* L)
{
    KyArray<f32> values;
    if (!lua_istable(L, -1)) {
        logPrint("KyLuaToF32KyArray:: the lua value is not a table\n");
        return values;
    }
    // Counted first, so the array is allocated once rather than grown by
    // one element per value.
    u32 count = 0;
    lua_pushnil(L);
    while (lua_next(L, -2)) {
        ++count;
        lua_pop(L, 1);
    }
    values.resize(count);
    u32 i = 0;
    lua_pushnil(L);
    while (lua_next(L, -2)) {
        values[i++] = KyLuaToF32(L);
        lua_pop(L, 1);
    }
    return values;
}

KyVariant KyLuaToKyVariant(lua_State* L)
{
    switch (lua_type(L, -1)) {
    case LUA_TBOOLEAN:
        return KyVariant(lua_toboolean(L, -1) != 0);
    case LUA_TNUMBER:
        return KyVariant(f64(lua_tonumber(L, -1)));
    case LUA_TSTRING:
        return KyVariant(KyString(lua_tostring(L, -1)));
    default:
        return KyVariant();
    }
}

bool KyLuaPushVariant(lua_State* L, const KyVariant& value)
{
    switch (value.type()) {
    case KyVariant::TypeBool:
        lua_pushboolean(L, value.toBool() ? 1 : 0);
        return true;
    case KyVariant::TypeS32:
        lua_pushnumber(L, lua_Number(value.toS32()));
        return true;
    case KyVariant::TypeU32:
        lua_pushnumber(L, lua_Number(s32(value.toU32())));
        return true;
    case KyVariant::TypeS64:
        lua_pushnumber(L, lua_Number(s32(u32(u64(value.toS64())))));
        return true;
    case KyVariant::TypeU64:
        lua_pushnumber(L, lua_Number(s32(u32(value.toU64()))));
        return true;
    case KyVariant::TypeF32:
        lua_pushnumber(L, lua_Number(value.toF32()));
        return true;
    case KyVariant::TypeF64:
        lua_pushnumber(L, lua_Number(value.toF64()));
        return true;
    case KyVariant::TypeString:
        lua_pushstring(L, value.toString().c_str());
        return true;
    default:
        return false;
    }
}

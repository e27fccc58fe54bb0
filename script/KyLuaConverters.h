#ifndef KY_LUA_CONVERTERS_H
#define KY_LUA_CONVERTERS_H

#include "core/KyArray.h"
#include "core/KyColor.h"
#include "core/KyQuaternion.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVariant.h"
#include "core/KyVector3f32.h"

#include <lua.hpp>

// Conversions of the Lua value on top of the stack (index -1) into engine
// values. None pops the value; the table converters push and pop their own
// element reads. A value of the wrong type logs the converter's message and
// gives its fallback, so the caller always goes on.

// A boolean; otherwise "KyLuaToBool:: not a bool" and false.
bool KyLuaToBool(lua_State* L);
// A number or a string holding one, narrowed to f32; otherwise
// "KyLuaToF32:: not a number" and 0.
f32 KyLuaToF32(lua_State* L);
// The same through lua_tointeger; "KyLuaToU32:: not a number" and 0.
u32 KyLuaToU32(lua_State* L);
// The same as a signed number; "KyLuaToS32:: not a number" and 0.
s32 KyLuaToS32(lua_State* L);
// A string, or a number (which Lua turns into its text in place on the
// stack); otherwise "KyLuaToKyString:: not a string" and "".
KyString KyLuaToKyString(lua_State* L);
// Elements 1, 2, 3 of a table over a copy of defaultValue (a missing or
// non-number element keeps that component); otherwise
// "KyLuaToKyVector3f32:: not a table" and defaultValue.
KyVector3f32 KyLuaToKyVector3f32(lua_State* L, const KyVector3f32& defaultValue);
// Red, green, blue, alpha from elements 1 to 4 of a table, each the low 8
// bits of its integer, 255 when missing; otherwise
// "KyLuaToKyColor:: not a table" and opaque white.
KyColor KyLuaToKyColor(lua_State* L);
// The rotation about the axis (elements 1, 2, 3, not normalised) by the
// angle in degrees (element 4) of a table; a missing element counts 0.
// Otherwise "KyLuaToKyQuaternion:: not a table" and defaultValue.
KyQuaternion KyLuaToKyQuaternion(lua_State* L, const KyQuaternion& defaultValue);
// Every value of a table in traversal order (index order for a list), each
// converted as KyLuaToF32 does; otherwise
// "KyLuaToF32KyArray:: the lua value is not a table\n" and an empty array.
KyArray<f32> KyLuaToF32KyArray(lua_State* L);

// The value on top as KyLuaContext::global gives it: a boolean, a number
// (f64), a string (a copy), or the empty value for anything else.
KyVariant KyLuaToKyVariant(lua_State* L);
// Pushes an engine value as a script argument: a boolean; a 32-bit integer
// as a number read as signed (so u32 4294967295 is -1); a 64-bit integer by
// its low 32 bits, read as signed; a real as a number; a string as a Lua
// string. A value of no type, or of a type not listed, pushes nothing and
// gives false.
bool KyLuaPushVariant(lua_State* L, const KyVariant& value);

#endif

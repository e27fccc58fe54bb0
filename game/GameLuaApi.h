#ifndef GAME_GAME_LUA_API_H
#define GAME_GAME_LUA_API_H

#include "core/KyTypes.h"

#include <lua.hpp>

// The scene scripts' API: 49 global functions bound in the manner of
// tolua++. Each checks its arguments with the tolua++ runtime (types, then
// nothing after the last one); a wrong call raises the runtime's error
// ("error in function 'LookAt'.\n     argument #2 is 'nil'; 'number'
// expected.\n") and touches nothing. A right one converts its arguments and
// calls the game-logic object of the application.
//
// Numbers become 32-bit integers by truncation toward zero, saturated to
// the range of 32 bits (a value that is not a number gives 0).

// Registers the 49 functions in L as plain globals; returns 1.
int registerGameLuaApi(lua_State* L);
// The same, under the name a tolua++ package opener carries.
int tolua_GameLuaApi_open(lua_State* L);

// A script number as a signed 32-bit integer, as the bindings convert it.
s32 luaNumberToS32(lua_Number number);

#endif

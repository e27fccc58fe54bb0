#ifndef KY_TEST_LUA_TEST_SUPPORT_H
#define KY_TEST_LUA_TEST_SUPPORT_H

#include <lua.hpp>

#include <functional>
#include <string>

// Helpers of the script tests.
namespace LuaTest {

// Runs a chunk of Lua in L and fails the test when it does not run; the
// stack is left as it was.
void run(lua_State* L, const std::string& code);

// Pushes the value of a Lua expression.
void push(lua_State* L, const std::string& expression);

// What running action writes to the log (standard output). Expectations
// go outside the action: a failure inside would be captured too.
std::string logOf(const std::function<void()>& action);

// Compiles Lua source into a precompiled chunk at output with luac5.1.
// False when the compiler fails.
bool compile(const std::string& source, const std::string& output);

} // namespace LuaTest

#endif

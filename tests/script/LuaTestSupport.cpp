#include "tests/script/LuaTestSupport.h"

#include "tests/support/StdoutCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace LuaTest {

void run(lua_State* L, const std::string& code)
{
    const int top = lua_gettop(L);
    if (luaL_loadstring(L, code.c_str()) != 0 || lua_pcall(L, 0, 0, 0) != 0)
        ADD_FAILURE() << "Lua: " << lua_tostring(L, -1) << "\n" << code;
    lua_settop(L, top);
}

void push(lua_State* L, const std::string& expression)
{
    const std::string code = "return " + expression;
    if (luaL_loadstring(L, code.c_str()) != 0 || lua_pcall(L, 0, 1, 0) != 0) {
        ADD_FAILURE() << "Lua: " << lua_tostring(L, -1) << "\n" << code;
        lua_pop(L, 1);
        lua_pushnil(L);
    }
}

std::string logOf(const std::function<void()>& action)
{
    StdoutCapture capture;
    action();
    std::fflush(stdout);
    return capture.text();
}

bool compile(const std::string& source, const std::string& output)
{
    const std::string input = output + ".src.lua";
    {
        std::ofstream file(input, std::ios::binary);
        file << source;
    }
    const std::string command = std::string(KY_LUAC) + " -o '" + output + "' '" + input + "'";
    const int status = std::system(command.c_str());
    std::remove(input.c_str());
    return status == 0;
}

} // namespace LuaTest

#ifndef KY_LUA_EVENT_H
#define KY_LUA_EVENT_H

#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVariant.h"

#include <lua.hpp>

class KyLuaContext;

// Calls a script event: the global function of that name, with up to two
// engine values as arguments (converted as KyLuaScript::Execute converts
// them). The call runs protected, and so does the look-up whenever it could
// run script code (a globals table with a metatable), so a script error
// never ends the game: it is logged ("Lua: %s") and the frame goes on. A
// missing function is not an error and logs nothing. Whatever happens, the
// Lua stack is left exactly as it was found.
class KyLuaEvent {
public:
    enum Result : u32 {
        // No such function, an argument without a value, or no state.
        NotCalled = 0,
        // The function ran to its end.
        Called = 1,
        // The function (or the look-up) raised an error, which was logged.
        Failed = 2
    };

    static Result call(KyLuaContext& context, const KyString& name);
    static Result call(KyLuaContext& context, const KyString& name, const KyVariant& argument);
    static Result call(KyLuaContext& context, const KyString& name, const KyVariant& first,
                       const KyVariant& second);
    // The same on a bare state; count arguments are read from arguments.
    static Result call(lua_State* L, const char* name, const KyVariant* arguments, u32 count);
    static Result call(lua_State* L, const KyString& name, const KyVariant* arguments, u32 count);

private:
    KyLuaEvent() = delete;
};

#endif

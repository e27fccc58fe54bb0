#include "script/KyLuaEvent.h"

#include "script/KyLuaContext.h"
#include "script/KyLuaConverters.h"

namespace {

struct EventCall {
    const char* name;
    const KyVariant* arguments;
    u32 count;
    bool called;
};

// Pushes the event's global function and its arguments; false when the
// global is not a function or an argument cannot be pushed (nothing is
// called then). Marks the event called otherwise.
bool pushEvent(lua_State* L, EventCall& event)
{
    lua_getfield(L, LUA_GLOBALSINDEX, event.name);
    if (lua_type(L, -1) != LUA_TFUNCTION)
        return false;
    for (u32 i = 0; i < event.count; ++i) {
        if (!KyLuaPushVariant(L, event.arguments[i]))
            return false;
    }
    event.called = true;
    return true;
}

// Runs inside lua_cpcall: everything it does, the look-up included, is
// protected.
int runEvent(lua_State* L)
{
    EventCall* event = static_cast<EventCall*>(lua_touserdata(L, 1));
    if (pushEvent(L, *event))
        lua_call(L, int(event->count), 0);
    return 0;
}

// The call of every event: the globals table without a metatable, where the
// look-up can run no script code. The function is found with a plain read
// and called with lua_pcall straight away, without the protected frame (and
// the closure) lua_cpcall makes around it: calls are as cheap as a bare
// lua_pcall, which matters for events fired every frame.
int callDirectly(lua_State* L, EventCall& event)
{
    if (!pushEvent(L, event))
        return 0;
    return lua_pcall(L, int(event.count), 0, 0);
}

} // namespace

KyLuaEvent::Result KyLuaEvent::call(lua_State* L, const char* name, const KyVariant* arguments, u32 count)
{
    if (!L || !name)
        return NotCalled;
    EventCall event{name, arguments, count, false};
    const int top = lua_gettop(L);
    int status = 0;
    if (lua_getmetatable(L, LUA_GLOBALSINDEX)) {
        // A metatable's __index may run script code, which may fail.
        lua_settop(L, top);
        status = lua_cpcall(L, runEvent, &event);
    } else {
        status = callDirectly(L, event);
    }
    if (status != 0)
        KyLuaContext::logError(L, -1);
    lua_settop(L, top);
    if (status != 0)
        return Failed;
    return event.called ? Called : NotCalled;
}

KyLuaEvent::Result KyLuaEvent::call(lua_State* L, const KyString& name, const KyVariant* arguments, u32 count)
{
    return call(L, name.c_str(), arguments, count);
}

KyLuaEvent::Result KyLuaEvent::call(KyLuaContext& context, const KyString& name)
{
    return call(context.state(), name, nullptr, 0);
}

KyLuaEvent::Result KyLuaEvent::call(KyLuaContext& context, const KyString& name, const KyVariant& argument)
{
    return call(context.state(), name, &argument, 1);
}

KyLuaEvent::Result KyLuaEvent::call(KyLuaContext& context, const KyString& name, const KyVariant& first,
                                    const KyVariant& second)
{
    const KyVariant arguments[2] = {first, second};
    return call(context.state(), name, arguments, 2);
}

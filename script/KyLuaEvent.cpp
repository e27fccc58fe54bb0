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

// Runs inside lua_cpcall: everything it does, the look-up included, is
// protected.
int runEvent(lua_State* L)
{
    EventCall* event = static_cast<EventCall*>(lua_touserdata(L, 1));
    lua_getfield(L, LUA_GLOBALSINDEX, event->name);
    if (lua_type(L, -1) != LUA_TFUNCTION)
        return 0;
    for (u32 i = 0; i < event->count; ++i) {
        if (!KyLuaPushVariant(L, event->arguments[i]))
            return 0;
    }
    event->called = true;
    lua_call(L, int(event->count), 0);
    return 0;
}

} // namespace

KyLuaEvent::Result KyLuaEvent::call(lua_State* L, const KyString& name, const KyVariant* arguments, u32 count)
{
    if (!L)
        return NotCalled;
    EventCall event{name.c_str(), arguments, count, false};
    const int top = lua_gettop(L);
    const int status = lua_cpcall(L, runEvent, &event);
    if (status != 0)
        KyLuaContext::logError(L, -1);
    lua_settop(L, top);
    if (status != 0)
        return Failed;
    return event.called ? Called : NotCalled;
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

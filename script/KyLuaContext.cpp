#include "script/KyLuaContext.h"

#include "core/KyLog.h"
#include "script/KyLuaConverters.h"
#include "script/KyLuaEvent.h"

#include <tinyxml.h>
#include <tolua++.h>

#include <cstdio>
#include <cstring>

namespace {

// What a protected access to one global reads or writes.
struct GlobalAccess {
    enum Kind { Read, SetNil, SetNumber, SetBoolean, SetFunction };

    Kind kind;
    const char* name;
    lua_Number number;
    bool flag;
    lua_CFunction function;
    KyVariant value;
};

int accessGlobal(lua_State* L)
{
    GlobalAccess* access = static_cast<GlobalAccess*>(lua_touserdata(L, 1));
    switch (access->kind) {
    case GlobalAccess::Read:
        lua_getfield(L, LUA_GLOBALSINDEX, access->name);
        access->value = KyLuaToKyVariant(L);
        return 0;
    case GlobalAccess::SetNil:
        lua_pushnil(L);
        break;
    case GlobalAccess::SetNumber:
        lua_pushnumber(L, access->number);
        break;
    case GlobalAccess::SetBoolean:
        lua_pushboolean(L, access->flag ? 1 : 0);
        break;
    case GlobalAccess::SetFunction:
        lua_pushcclosure(L, access->function, 0);
        break;
    }
    lua_setfield(L, LUA_GLOBALSINDEX, access->name);
    return 0;
}

// Sets the global an element of a saved section describes; elements that
// are not complete or do not read as their type are passed over.
void loadGlobal(lua_State* L, const TiXmlElement* element)
{
    const char* name = element->Attribute("name");
    const char* value = element->Attribute("value");
    if (!name || !value)
        return;
    const char* tag = element->Value();
    if (std::strcmp(tag, "Boolean") == 0) {
        int flag = 0;
        if (std::sscanf(value, "%d", &flag) != 1)
            return;
        lua_pushboolean(L, flag != 0);
    } else if (std::strcmp(tag, "Number") == 0) {
        double number = 0.0;
        if (std::sscanf(value, "%lf", &number) != 1)
            return;
        lua_pushnumber(L, number);
    } else if (std::strcmp(tag, "String") == 0) {
        lua_pushstring(L, value);
    } else {
        return;
    }
    lua_setfield(L, LUA_GLOBALSINDEX, name);
}

int loadGlobals(lua_State* L)
{
    TiXmlNode* parent = static_cast<TiXmlNode*>(lua_touserdata(L, 1));
    for (TiXmlNode* child = parent->FirstChild(); child; child = child->NextSibling()) {
        if (const TiXmlElement* element = child->ToElement())
            loadGlobal(L, element);
    }
    return 0;
}

} // namespace

int KyLuaPanic(lua_State* L)
{
    const char* message = tolua_tostring(L, 1, nullptr);
    if (message)
        logPrint("Lua: %s\n", message);
    else
        logPrint("Lua: (error object is a %s value)\n", luaL_typename(L, 1));
    return 1;
}

KyLuaContext::KyLuaContext() : m_state(nullptr)
{
    create();
}

KyLuaContext::~KyLuaContext()
{
    destroy();
}

bool KyLuaContext::create()
{
    destroy();
    m_state = luaL_newstate();
    if (!m_state) {
        logPrint("[KyLuaContext::create] The Lua state could not be created.\n");
        return false;
    }
    luaL_openlibs(m_state);
    lua_atpanic(m_state, KyLuaPanic);
    return true;
}

void KyLuaContext::destroy()
{
    if (!m_state)
        return;
    KyLuaEvent::call(*this, "Unload");
    lua_close(m_state);
    m_state = nullptr;
}

KyVariant KyLuaContext::global(const KyString& name)
{
    GlobalAccess access{GlobalAccess::Read, name.c_str(), 0.0, false, nullptr, KyVariant()};
    if (!protectedCall(accessGlobal, &access))
        return KyVariant();
    return access.value;
}

void KyLuaContext::setGlobal(const KyString& name, s32 value)
{
    GlobalAccess access{GlobalAccess::SetNumber, name.c_str(), lua_Number(value), false, nullptr, KyVariant()};
    protectedCall(accessGlobal, &access);
}

void KyLuaContext::setGlobal(const KyString& name, bool value)
{
    GlobalAccess access{GlobalAccess::SetBoolean, name.c_str(), 0.0, value, nullptr, KyVariant()};
    protectedCall(accessGlobal, &access);
}

void KyLuaContext::setGlobal(const KyString& name)
{
    GlobalAccess access{GlobalAccess::SetNil, name.c_str(), 0.0, false, nullptr, KyVariant()};
    protectedCall(accessGlobal, &access);
}

void KyLuaContext::registerFunction(const KyString& name, lua_CFunction function)
{
    GlobalAccess access{GlobalAccess::SetFunction, name.c_str(), 0.0, false, function, KyVariant()};
    protectedCall(accessGlobal, &access);
}

void KyLuaContext::saveGlobals(TiXmlNode* parent)
{
    if (!m_state || !parent)
        return;
    lua_State* L = m_state;
    const int top = lua_gettop(L);
    KyString text;
    // The walk is raw (no metamethod runs) and leaves every key as it is,
    // as lua_next needs.
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX)) {
        const char* tag = nullptr;
        switch (lua_type(L, -1)) {
        case LUA_TBOOLEAN:
            tag = "Boolean";
            text.format("%d", lua_toboolean(L, -1) ? 1 : 0);
            break;
        case LUA_TNUMBER:
            tag = "Number";
            text.format("%f", lua_tonumber(L, -1));
            break;
        case LUA_TSTRING:
            tag = "String";
            text = lua_tostring(L, -1);
            break;
        default:
            break;
        }
        if (tag && lua_type(L, -2) == LUA_TSTRING) {
            TiXmlElement* element = new TiXmlElement(tag);
            element->SetAttribute("name", lua_tostring(L, -2));
            element->SetAttribute("value", text.c_str());
            parent->LinkEndChild(element);
        }
        lua_pop(L, 1);
    }
    lua_settop(L, top);
}

void KyLuaContext::loadGlobals(TiXmlNode* parent)
{
    if (!parent)
        return;
    protectedCall(::loadGlobals, parent);
}

bool KyLuaContext::protectedCall(lua_CFunction function, void* data)
{
    if (!m_state)
        return false;
    const int top = lua_gettop(m_state);
    const int status = lua_cpcall(m_state, function, data);
    if (status != 0)
        logError(m_state, -1);
    lua_settop(m_state, top);
    return status == 0;
}

void KyLuaContext::logError(lua_State* L, int index)
{
    const char* message = lua_tostring(L, index);
    if (message)
        logPrint("Lua: %s\n", message);
    else
        logPrint("Lua: (error object is a %s value)\n", luaL_typename(L, index));
}

#include "script/KyLuaScript.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "script/KyLuaContext.h"
#include "script/KyLuaConverters.h"

#include <lua.hpp>

#include <cstring>

KyLuaScript::KyLuaScript() : text(nullptr), size(0), context(nullptr), executed(false) {}

KyLuaScript::~KyLuaScript()
{
    unload();
}

void KyLuaScript::unload()
{
    delete[] text;
    text = nullptr;
    size = 0;
    path = "";
    executed = false;
}

KyPath KyLuaScript::precompiledPath(const KyString& source)
{
    const KyPath normalised(source);
    const KyPath name = normalised.fileName();
    const char* start = name.c_str();
    const char* dot = std::strrchr(start, '.');
    // A leading dot starts a hidden file's name, not an extension.
    KyString base = (dot && dot != start) ? name.substr(0, u32(dot - start)) : KyString(name);
    return KyPath(normalised.directory() + base + KyString(".bin"));
}

bool KyLuaScript::load(const KyString& source)
{
    unload();
    const KyPath precompiled = precompiledPath(source);
    if (KyFile::exists(precompiled) && read(precompiled))
        return true;
    return read(KyPath(source));
}

bool KyLuaScript::canLoad(const KyString& path)
{
    return KyFile::exists(precompiledPath(path)) || KyFile::exists(KyPath(path));
}

bool KyLuaScript::read(const KyString& file)
{
    KyFile input;
    if (!input.Open_2(file, KyFile::ModeRead))
        return false;
    const u32 length = input.GetFileSize();
    text = new char[size_t(length) + 1];
    // A file that shrank since its size was taken gives what is really there.
    size = input.read(text, length);
    text[size] = '\0';
    path = file;
    input.close();
    return true;
}

bool KyLuaScript::execute()
{
    executed = true;
    lua_State* L = context ? context->state() : nullptr;
    if (!L)
        return false;
    const int top = lua_gettop(L);
    int status = luaL_loadbuffer(L, text ? text : "", size, path.c_str());
    if (status == 0)
        status = lua_pcall(L, 0, LUA_MULTRET, 0);
    if (status != 0)
        KyLuaContext::logError(L, -1);
    lua_settop(L, top);
    return status == 0;
}

void KyLuaScript::Execute(const KyString& name)
{
    call(name, nullptr, 0);
}

void KyLuaScript::Execute(const KyString& name, const KyVariant& argument)
{
    call(name, &argument, 1);
}

void KyLuaScript::Execute(const KyString& name, const KyVariant& first, const KyVariant& second)
{
    const KyVariant arguments[2] = {first, second};
    call(name, arguments, 2);
}

void KyLuaScript::call(const KyString& name, const KyVariant* arguments, u32 count)
{
    lua_State* L = context ? context->state() : nullptr;
    if (!L)
        return;
    const int top = lua_gettop(L);
    lua_getfield(L, LUA_GLOBALSINDEX, name.c_str());
    if (!lua_isfunction(L, -1)) {
        logPrint("[KyLuaScript::Execute] La fonction : \"%s\" n'existe pas.\n", name.c_str());
        lua_settop(L, top);
        return;
    }
    for (u32 i = 0; i < count; ++i) {
        if (!KyLuaPushVariant(L, arguments[i])) {
            lua_settop(L, top);
            return;
        }
    }
    lua_call(L, int(count), 0);
}

#include "game/InterfacePictures.h"

#include "core/KyFile.h"
#include "core/KyTypes.h"
#include "platform/KyImg.h"
#include "platform/KyImgPrefetch.h"

#include <lua.hpp>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// How deep the scripts named by scripts are followed.
const u32 kScriptDepth = 4;

bool readScript(const KyString& path, std::vector<char>& text)
{
    KyFile file;
    if (!KyFile::exists(path) || !file.Open_2(path, KyFile::ModeRead))
        return false;
    text.resize(file.GetFileSize());
    text.resize(text.empty() ? 0 : file.read(text.data(), u32(text.size())));
    return true;
}

bool isScriptName(const std::string& name)
{
    return name.size() > 4 && KyString(name.c_str() + name.size() - 4).toLower() == ".lua";
}

// The strings a Lua text quotes on one line, outside its "--" comments, in
// their order (escapes are not decoded: a name holding one is not a file).
std::vector<std::string> quotedStrings(const std::vector<char>& text)
{
    std::vector<std::string> strings;
    const size_t size = text.size();
    size_t i = 0;
    while (i < size) {
        const char c = text[i];
        if (c == '-' && i + 1 < size && text[i + 1] == '-') {
            while (i < size && text[i] != '\n')
                ++i;
        } else if (c == '"' || c == '\'') {
            size_t end = i + 1;
            bool plain = true;
            while (end < size && text[end] != c && text[end] != '\n') {
                if (text[end] == '\\') {
                    plain = false;
                    ++end;
                }
                ++end;
            }
            if (end < size && text[end] == c && plain)
                strings.push_back(std::string(&text[i + 1], end - i - 1));
            i = end + 1;
        } else {
            ++i;
        }
    }
    return strings;
}

// The dry run of a script: at most this much memory and this many
// instructions, whatever the script does.
const size_t kDryRunMemory = size_t(8) << 20;
const int kDryRunSteps = 1000000;

struct DryRun {
    size_t used = 0;
};

void* cappedAlloc(void* data, void* block, size_t oldSize, size_t newSize)
{
    DryRun* run = static_cast<DryRun*>(data);
    if (newSize == 0) {
        std::free(block);
        run->used -= oldSize;
        return nullptr;
    }
    if (newSize > oldSize && run->used + (newSize - oldSize) > kDryRunMemory)
        return nullptr;
    void* grown = std::realloc(block, newSize);
    if (grown)
        run->used = run->used + newSize - oldSize;
    return grown;
}

void stopRun(lua_State* L, lua_Debug*)
{
    luaL_error(L, "too long");
}

// Asks for every picture name among the strings of the value at index, and
// of the tables it holds (each table once).
void requestPicturesIn(lua_State* L, int index, int depth)
{
    if (lua_type(L, index) == LUA_TSTRING) {
        const KyString name(lua_tostring(L, index));
        if (KyImg::isPictureName(name))
            KyImgPrefetch::instance().request(name);
        return;
    }
    if (!lua_istable(L, index) || depth > 16)
        return;
    // Tables seen are marked in the registry's "seen" table.
    lua_getfield(L, LUA_REGISTRYINDEX, "seen");
    lua_pushvalue(L, index);
    lua_rawget(L, -2);
    const bool seen = lua_toboolean(L, -1);
    lua_pop(L, 1);
    if (!seen) {
        lua_pushvalue(L, index);
        lua_pushboolean(L, 1);
        lua_rawset(L, -3);
    }
    lua_pop(L, 1);
    if (seen)
        return;
    const int table = index > 0 ? index : lua_gettop(L) + index + 1;
    lua_pushnil(L);
    while (lua_next(L, table)) {
        requestPicturesIn(L, lua_gettop(L), depth + 1);
        lua_pop(L, 1);
    }
}

// Every global the script finds missing - the builders, their constants -
// is a stand-in that can be called, indexed and passed on: called, it asks
// for the pictures its arguments name, and gives a stand-in back.
int standInCall(lua_State* L)
{
    for (int i = 2; i <= lua_gettop(L); ++i)
        requestPicturesIn(L, i, 0);
    lua_getfield(L, LUA_REGISTRYINDEX, "standIn");
    return 1;
}

int standInIndex(lua_State* L)
{
    lua_getfield(L, LUA_REGISTRYINDEX, "standIn");
    return 1;
}

// Runs the script in a state of its own whose every builder is a stand-in,
// so that the names of the pictures it builds while it runs are asked for
// too. Nothing of the game is built; the state goes at the end.
void requestPicturesBuiltBy(const std::vector<char>& text, const KyString& path)
{
    DryRun run;
    lua_State* L = lua_newstate(cappedAlloc, &run);
    if (!L)
        return;
    lua_sethook(L, stopRun, LUA_MASKCOUNT, kDryRunSteps);
    lua_pushcfunction(L, luaopen_base);
    lua_call(L, 0, 0);
    lua_pushcfunction(L, luaopen_string);
    lua_call(L, 0, 0);
    lua_pushcfunction(L, luaopen_math);
    lua_call(L, 0, 0);
    lua_pushcfunction(L, luaopen_table);
    lua_call(L, 0, 0);
    // Nothing of the run reaches files or the log.
    for (const char* name : {"dofile", "loadfile", "print"}) {
        lua_pushnil(L);
        lua_setglobal(L, name);
    }
    lua_newtable(L);
    lua_setfield(L, LUA_REGISTRYINDEX, "seen");
    lua_newtable(L);
    lua_newtable(L);
    lua_pushcfunction(L, standInCall);
    lua_setfield(L, -2, "__call");
    lua_pushcfunction(L, standInIndex);
    lua_setfield(L, -2, "__index");
    lua_pushvalue(L, -1);
    lua_setmetatable(L, -3);
    lua_setfield(L, LUA_REGISTRYINDEX, "standInMeta");
    lua_setfield(L, LUA_REGISTRYINDEX, "standIn");
    // Globals the script does not define are stand-ins.
    lua_pushvalue(L, LUA_GLOBALSINDEX);
    lua_getfield(L, LUA_REGISTRYINDEX, "standInMeta");
    lua_setmetatable(L, -2);
    lua_pop(L, 1);
    // A script that stops (an error, a stand-in it cannot use) has asked for
    // what it named until then; one that does not compile, for nothing.
    if (luaL_loadbuffer(L, text.data(), text.size(), path.c_str()) == 0)
        lua_pcall(L, 0, 0, 0);
    lua_close(L);
}

void requestNamedIn(const KyString& scriptPath, u32 depth, std::vector<std::string>& scanned)
{
    const std::string key(scriptPath.c_str());
    if (depth > kScriptDepth || std::find(scanned.begin(), scanned.end(), key) != scanned.end())
        return;
    scanned.push_back(key);
    std::vector<char> text;
    if (!readScript(scriptPath, text))
        return;
    requestPicturesBuiltBy(text, scriptPath);
    for (const std::string& name : quotedStrings(text)) {
        const KyString path(name.c_str());
        if (isScriptName(name))
            requestNamedIn(path, depth + 1, scanned);
        else if (KyImg::isPictureName(path))
            KyImgPrefetch::instance().request(path);
    }
}

} // namespace

void requestPicturesNamedIn(const KyString& scriptPath)
{
    std::vector<std::string> scanned;
    requestNamedIn(scriptPath, 0, scanned);
}

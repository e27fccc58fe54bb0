// Fuzzes the Lua interface loader with Lua source: the input is written as
// an interface file and loaded; the layouts and animations of the usual
// names are looked up, laid out and played, the file's globals read, and
// the interface unloaded and deleted at the end of the frame. A load that
// fails must leave nothing built, and an unload nothing at all.
//
// Every Lua state of this program is made by the two library functions
// defined below, which take the place of the Lua library's own (a program's
// own definitions are the ones its code links to):
//   - luaL_newstate gives a state whose memory is capped and whose code is
//     stopped by an error once it has run a small budget of instructions,
//     so an endless loop ends;
//   - luaL_openlibs opens only the base, table, string and math libraries:
//     a fuzzed script must not write files, run programs, lift its own
//     budget (debug), load precompiled chunks (the library does not check
//     them) or spend unbounded time inside a single library call (the
//     pattern functions, an unbounded string.rep).
//
// Run it from a scratch folder with SDL_VIDEODRIVER=offscreen: it makes its
// own working folder with the pictures the seeds name, and an off-screen
// OpenGL context for the sprites' textures.

#include "core/KySingleton.h"
#include "os/KyOsClock.h"
#include "os/KyOsGL.h"
#include "os/KyOsWindow.h"
#include "script/KyLuaGUI.h"
#include "tools/content/ImageWriters.h"
#include "ui/KyAnimation.h"
#include "ui/KyDeferredDeletion.h"
#include "ui/KyLayout.h"
#include "ui/KyMainWindow.h"

#include <lua.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const size_t kMemoryCap = 64u << 20;
const int kHookStep = 100;
const long kInstructionBudget = 20000;

size_t g_memory = 0;
long g_instructions = 0;

void require(bool holds)
{
    if (!holds)
        __builtin_trap();
}

void* cappedAlloc(void*, void* block, size_t oldSize, size_t newSize)
{
    if (newSize == 0) {
        std::free(block);
        g_memory -= oldSize;
        return nullptr;
    }
    if (newSize > oldSize && g_memory + (newSize - oldSize) > kMemoryCap)
        return nullptr;
    void* grown = std::realloc(block, newSize);
    if (grown)
        g_memory = g_memory - oldSize + newSize;
    return grown;
}

void countHook(lua_State* L, lua_Debug*)
{
    g_instructions += kHookStep;
    if (g_instructions > kInstructionBudget)
        luaL_error(L, "instruction budget spent");
}

int silentPrint(lua_State*)
{
    return 0;
}

// loadstring for source text only.
int sourceLoadstring(lua_State* L)
{
    size_t length = 0;
    const char* text = luaL_checklstring(L, 1, &length);
    const char* name = luaL_optstring(L, 2, text);
    if (length > 0 && text[0] == LUA_SIGNATURE[0]) {
        lua_pushnil(L);
        lua_pushliteral(L, "precompiled chunks are not loaded here");
        return 2;
    }
    if (luaL_loadbuffer(L, text, length, name) == 0)
        return 1;
    lua_pushnil(L);
    lua_insert(L, -2);
    return 2;
}

// string.rep with a bounded count and result; the library's own is upvalue 1.
int boundedRep(lua_State* L)
{
    size_t length = 0;
    luaL_checklstring(L, 1, &length);
    const lua_Integer count = luaL_checkinteger(L, 2);
    if (count > 100000 || (count > 0 && length * size_t(count) > (1u << 20)))
        return luaL_error(L, "string.rep too large here");
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, 1);
    return 1;
}

void writePicture(const std::string& path, u8 r, u8 g, u8 b)
{
    ImageWriters::PngImage png;
    png.width = 8;
    png.height = 8;
    png.colorType = 6;
    for (int i = 0; i < 64; ++i)
        png.rows.insert(png.rows.end(), {r, g, b, 255});
    const ImageWriters::Bytes bytes = ImageWriters::png(png);
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

bool writeFile(const char* path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    const bool whole = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && whole;
}

// Plays every animation of the usual names on the first layout found, over
// a second of fake time.
void playAnimations(KyLuaGUI& gui, KyLayout* target)
{
    if (!target)
        return;
    for (const char* name : {"slide", "fade", "turn", "a0", "a1", "a2", "a3"}) {
        if (KyLuaGUI::VectorAnimation* a = gui.layoutPositionLinearAnimation(name))
            a->playOn(target);
        if (KyLuaGUI::VectorAnimation* a = gui.layoutAnchorLinearAnimation(name))
            a->playOn(target);
        if (KyLuaGUI::ColorAnimation* a = gui.colorLinearAnimation(name))
            a->playOn(target);
        if (KyLuaGUI::RotationAnimation* a = gui.rotationLinearAnimation(name))
            a->playOn(target);
    }
    for (int frame = 0; frame < 4; ++frame) {
        KyOsClock::advanceFake(250000);
        KyAnimation::updateAll();
    }
}

} // namespace

extern "C" lua_State* luaL_newstate(void)
{
    lua_State* L = lua_newstate(cappedAlloc, nullptr);
    if (L)
        lua_sethook(L, countHook, LUA_MASKCOUNT, kHookStep);
    return L;
}

extern "C" void luaL_openlibs(lua_State* L)
{
    const luaL_Reg libraries[] = {
        {"", luaopen_base},
        {LUA_TABLIBNAME, luaopen_table},
        {LUA_STRLIBNAME, luaopen_string},
        {LUA_MATHLIBNAME, luaopen_math},
    };
    for (const luaL_Reg& library : libraries) {
        lua_pushcfunction(L, library.func);
        lua_pushstring(L, library.name);
        lua_call(L, 1, 0);
    }
    for (const char* name : {"dofile", "loadfile", "load"}) {
        lua_pushnil(L);
        lua_setglobal(L, name);
    }
    lua_pushcfunction(L, silentPrint);
    lua_setglobal(L, "print");
    lua_pushcfunction(L, sourceLoadstring);
    lua_setglobal(L, "loadstring");
    lua_getglobal(L, LUA_STRLIBNAME);
    for (const char* name : {"find", "match", "gmatch", "gsub"}) {
        lua_pushnil(L);
        lua_setfield(L, -2, name);
    }
    lua_getfield(L, -1, "rep");
    lua_pushcclosure(L, boundedRep, 1);
    lua_setfield(L, -2, "rep");
    lua_pop(L, 1);
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    setenv("KY_HEADLESS", "1", 0);
    char folder[] = "/tmp/kyfuzzluaXXXXXX";
    if (!mkdtemp(folder) || chdir(folder) != 0)
        std::abort();
    mkdir("GUI", 0755);
    writePicture("GUI/red.png", 255, 0, 0);
    writePicture("GUI/green.png", 0, 255, 0);
    writePicture("GUI/blue.png", 0, 0, 255);
    // The sprites' textures need a current context for the whole run.
    static KyOsWindow window;
    static KyOsGL gl;
    if (!window.create("fuzz", 64, 64, false) || !gl.create(window) || !gl.makeCurrent())
        std::abort();
    KySingleton<KyMainWindow>::instance()->setSize(KyVector3f32(480, 320, 0));
    KyOsClock::installFake(1000000);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Precompiled chunks are game data made by luac, not fuzzed here.
    if (size > (64u << 10) || (size > 0 && data[0] == uint8_t(LUA_SIGNATURE[0])))
        return 0;
    if (!writeFile("GUI/Fuzz.lua", data, size))
        return 0;
    g_instructions = 0;
    KyLuaGUI gui;
    // A file that stops at an error keeps what it built before the error
    // (the load still reports the failure); one that was not read has
    // nothing.
    const bool loaded = gui.load("GUI/Fuzz.lua");
    require(!loaded || gui.isLoaded());
    if (!gui.isLoaded())
        require(gui.objectCount() == 0);

    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    KyLayout* first = nullptr;
    for (const char* name : {"root", "panel", "button", "box", "list", "caption", "movie", "sprite", "42", ""}) {
        KyLayout* layout = gui.layout(name);
        if (layout && !first)
            first = layout;
        gui.buttonLayout(name);
        gui.checkboxLayout(name);
        gui.value(name);
    }
    gui.value("title");
    if (first) {
        window->addChild(first);
        window->update();
        window->removeChild(first);
    }
    playAnimations(gui, first);

    g_instructions = 0;
    gui.unload();
    require(gui.objectCount() == 0 && !gui.isLoaded());
    KyDeferredDeletion::deletePending();
    return 0;
}

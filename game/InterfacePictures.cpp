#include "game/InterfacePictures.h"

#include "core/KyFile.h"
#include "core/KyTypes.h"
#include "os/KyOsClock.h"
#include "platform/KyImg.h"
#include "platform/KyImgPrefetch.h"

#include <lua.hpp>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// How deep the scripts named by scripts are followed.
const u32 kScriptDepth = 4;
// A script file longer than this is not read.
const u32 kScriptBytes = u32(1) << 20;

// The text of a script, no longer than kScriptBytes.
bool readScript(const KyString& path, std::vector<char>& text)
{
    KyFile file;
    if (!KyFile::exists(path) || !file.Open_2(path, KyFile::ModeRead))
        return false;
    const u32 size = file.GetFileSize();
    if (size > kScriptBytes)
        return false;
    text.resize(size);
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

// The bounds of the dry runs of one call (see InterfacePictures.h). The
// count hook fires every kStepSlice instructions, and at every call. While a
// block of at least kLongValue bytes lives, it fires at every instruction,
// and each instruction and call costs the bytes of those blocks: one of them
// may compare, copy, hash or walk any long value alive. What is shorter
// costs little enough to count as its instruction. The menus the start-up
// names need a twentieth of the steps and bytes or less, and a hundredth of
// the memory.
const u64 kDryRunSteps = 100000;
const u64 kDryRunBytes = u64(128) << 20;
const size_t kDryRunMemory = size_t(8) << 20;
const int kStepSlice = 1000;
const u64 kCallSteps = 10;
// A file looked for costs as much as many instructions.
const u64 kLookupSteps = 100;
const size_t kLongValue = size_t(2) << 10;
// Never reached within the bounds; there only in case they miss something.
const u64 kRealTimeCap = u64(30) * 1000000;

// What the dry runs of one call may still spend.
struct DryRunBudget {
    InterfaceDryRun cost;
    u64 realDeadline = KyOsClock::realMicroseconds() + kRealTimeCap;
    bool spent = false;
    u32 takes = 0;

    // Counts steps and bytes; false once a bound is passed.
    bool take(u64 steps, u64 bytes = 0)
    {
        if (spent)
            return false;
        cost.steps += steps;
        cost.bytes += bytes;
        if (cost.steps > kDryRunSteps)
            cost.stoppedBy = InterfaceDryRun::Steps;
        else if (cost.bytes > kDryRunBytes)
            cost.stoppedBy = InterfaceDryRun::Bytes;
        else if ((++takes & 255) == 0 && KyOsClock::realMicroseconds() > realDeadline)
            cost.stoppedBy = InterfaceDryRun::Time;
        spent = cost.stoppedBy != InterfaceDryRun::None;
        return !spent;
    }
};

void dryRunHook(lua_State* L, lua_Debug* event);

struct DryRun {
    DryRunBudget* budget = nullptr;
    size_t used = 0;
    // Set while the script runs: from then on nothing grows once the
    // budget is spent, and the hook follows the long values.
    bool running = false;
    lua_State* state = nullptr;
    // The blocks of kLongValue bytes or more the script made, and their
    // bytes (those of the state made for it hold the few libraries it keeps,
    // all short), and the instructions between two count hooks. Room for
    // as many as the memory holds is made at once: the allocator cannot fail
    // on its own account.
    std::vector<const void*> longBlocks;
    u64 longBytes = 0;
    int slice = kStepSlice;

    DryRun() { longBlocks.reserve(kDryRunMemory / kLongValue + 1); }

    // Sets the hook's count anew, which also restarts its countdown. The
    // hook is the state's own: the dry run has no coroutine.
    void setSlice(int instructions)
    {
        slice = instructions;
        lua_sethook(state, dryRunHook, LUA_MASKCALL | LUA_MASKCOUNT, slice);
    }
};

DryRun& dryRunOf(lua_State* L)
{
    void* data = nullptr;
    lua_getallocf(L, &data);
    return *static_cast<DryRun*>(data);
}

// Shrinking never fails, as Lua requires.
void* cappedAlloc(void* data, void* block, size_t oldSize, size_t newSize)
{
    DryRun* run = static_cast<DryRun*>(data);
    void* moved = nullptr;
    if (newSize == 0) {
        std::free(block);
    } else {
        if (newSize > oldSize) {
            if (run->used + (newSize - oldSize) > kDryRunMemory)
                return nullptr;
            // What is made is paid for as it is made.
            if (!run->budget->take(0, newSize - oldSize) && run->running)
                return nullptr;
        }
        moved = std::realloc(block, newSize);
        if (!moved)
            return nullptr;
    }
    run->used = run->used + newSize - oldSize;
    run->budget->cost.peakMemory = std::max(run->budget->cost.peakMemory, run->used);
    // Lua gives the old size of every block (0 for a new one).
    std::vector<const void*>& blocks = run->longBlocks;
    if (block && oldSize >= kLongValue) {
        const std::vector<const void*>::iterator found = std::find(blocks.begin(), blocks.end(), block);
        if (found != blocks.end()) {
            *found = blocks.back();
            blocks.pop_back();
            run->longBytes -= oldSize;
        }
    }
    if (moved && newSize >= kLongValue && run->running) {
        blocks.push_back(moved);
        run->longBytes += newSize;
        // Shortened at once; lengthened only by the hook, so that a script
        // that keeps making and freeing long values cannot keep restarting
        // the countdown.
        if (run->slice > 1)
            run->setSlice(1);
    }
    return moved;
}

// Once the budget is spent every further instruction and call fails, so no
// pcall or xpcall can keep the script running. The failure is a memory
// error, the one error that calls no xpcall handler: a handler called from
// inside a hook would run with the hooks off.
void dryRunHook(lua_State* L, lua_Debug* event)
{
    DryRun& run = dryRunOf(L);
    const bool counted = event->event == LUA_HOOKCOUNT;
    const u64 instructions = counted ? u64(run.slice) : 0;
    if (run.budget->take(counted ? instructions : kCallSteps, (counted ? instructions : 1) * run.longBytes)) {
        if (run.slice == 1 && run.longBlocks.empty())
            run.setSlice(kStepSlice);
        return;
    }
    run.setSlice(1);
    lua_newuserdata(L, kDryRunMemory + 1);
}

// string.rep made at once, at most the memory of the run: the library's
// repeats an empty string any number of times, which takes long and no
// memory. No C++ object lives here, as a Lua error leaves by longjmp.
int boundedRep(lua_State* L)
{
    size_t length = 0;
    const char* text = luaL_checklstring(L, 1, &length);
    const lua_Number times = luaL_checknumber(L, 2);
    if (length == 0 || !(times >= 1)) {
        lua_pushliteral(L, "");
        return 1;
    }
    if (times > lua_Number(kDryRunMemory / length))
        return luaL_error(L, "resulting string too large");
    const size_t size = length * size_t(times);
    char* out = static_cast<char*>(lua_newuserdata(L, size));
    std::memcpy(out, text, length);
    for (size_t done = length; done < size; done *= 2)
        std::memcpy(out + done, out, std::min(done, size - done));
    lua_pushlstring(L, out, size);
    return 1;
}

// What the dry run keeps of the standard libraries: what interface scripts
// build their tables with. Left out: what can run long inside one C call
// (the pattern functions, sort), what makes finalizers (newproxy: they run
// with the hooks off), what loads code or reaches files and the log, and
// what no interface script needs (coroutines among them: each would have a
// hook of its own). A global left out is a stand-in.
const char* const kKeptGlobals[] = {"_G", "_VERSION", "assert", "error", "getmetatable", "ipairs",
                                    "math", "next", "pairs", "pcall", "rawequal", "rawget", "rawset", "select",
                                    "setmetatable", "string", "table", "tonumber", "tostring", "type", "unpack",
                                    "xpcall"};
const char* const kKeptString[] = {"byte", "char", "format", "len", "lower", "rep", "reverse", "sub", "upper"};
const char* const kKeptTable[] = {"concat", "insert", "remove"};

template <size_t N>
void keepOnly(lua_State* L, int table, const char* const (&kept)[N])
{
    lua_pushnil(L);
    while (lua_next(L, table)) {
        lua_pop(L, 1);
        const char* name = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : "";
        if (std::none_of(kept, kept + N, [name](const char* k) { return std::strcmp(k, name) == 0; })) {
            // Clearing a field met is allowed during the walk.
            lua_pushvalue(L, -1);
            lua_pushnil(L);
            lua_rawset(L, table);
        }
    }
}

// Asks for every picture name among the strings of the value at index, and
// of the tables it holds (each table once).
void requestPicturesIn(lua_State* L, int index, int depth)
{
    // Each value looked at counts, so a script cannot make the walk long.
    DryRunBudget& budget = *dryRunOf(L).budget;
    if (lua_type(L, index) == LUA_TSTRING) {
        if (!budget.take(1, lua_objlen(L, index)))
            return;
        const KyString name(lua_tostring(L, index));
        if (KyImg::isPictureName(name) && budget.take(kLookupSteps))
            KyImgPrefetch::instance().request(name);
        return;
    }
    if (!budget.take(1))
        return;
    // Each level holds a key and a value while the next one is walked.
    if (!lua_istable(L, index) || depth > 16 || !lua_checkstack(L, 4))
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
        if (budget.spent) {
            lua_pop(L, 2);
            break;
        }
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

// Makes the state of a dry run: the libraries it keeps, and stand-ins for
// every global the script finds missing. Run protected, so that a failure
// leaves the state closable rather than ending the program.
int prepareDryRun(lua_State* L)
{
    for (lua_CFunction open : {luaopen_base, luaopen_string, luaopen_math, luaopen_table}) {
        lua_pushcfunction(L, open);
        lua_call(L, 0, 0);
    }
    keepOnly(L, LUA_GLOBALSINDEX, kKeptGlobals);
    lua_getglobal(L, "string");
    keepOnly(L, lua_gettop(L), kKeptString);
    lua_pushcfunction(L, boundedRep);
    lua_setfield(L, -2, "rep");
    lua_getglobal(L, "table");
    keepOnly(L, lua_gettop(L), kKeptTable);
    lua_pop(L, 2);

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
    return 0;
}

// Runs the script in a state of its own whose every builder is a stand-in,
// so that the names of the pictures it builds while it runs are asked for
// too. Nothing of the game is built; the state goes at the end, at once, as
// no value of it has a finalizer.
void requestPicturesBuiltBy(const std::vector<char>& text, const KyString& path, DryRunBudget& budget)
{
    if (budget.spent)
        return;
    DryRun run;
    run.budget = &budget;
    lua_State* L = lua_newstate(cappedAlloc, &run);
    if (!L)
        return;
    if (lua_cpcall(L, prepareDryRun, nullptr) == 0) {
        run.state = L;
        run.slice = kStepSlice;
        lua_sethook(L, dryRunHook, LUA_MASKCALL | LUA_MASKCOUNT, run.slice);
        run.running = true;
        // A script that stops (an error, a stand-in it cannot use, the
        // budget spent) has asked for what it named until then; one that
        // does not compile, for nothing.
        if (luaL_loadbuffer(L, text.data(), text.size(), path.c_str()) == 0)
            lua_pcall(L, 0, 0, 0);
    }
    run.running = false;
    lua_close(L);
}

void requestNamedIn(const KyString& scriptPath, u32 depth, std::unordered_set<std::string>& scanned,
                    DryRunBudget& budget)
{
    if (depth > kScriptDepth || !scanned.insert(scriptPath.c_str()).second || !budget.take(kLookupSteps))
        return;
    std::vector<char> text;
    // The text is read, scanned for names and compiled: each byte counts.
    if (!readScript(scriptPath, text) || !budget.take(0, text.size()))
        return;
    requestPicturesBuiltBy(text, scriptPath, budget);
    for (const std::string& name : quotedStrings(text)) {
        if (budget.spent)
            return;
        const KyString path(name.c_str());
        if (isScriptName(name))
            requestNamedIn(path, depth + 1, scanned, budget);
        else if (KyImg::isPictureName(path) && budget.take(kLookupSteps))
            KyImgPrefetch::instance().request(path);
    }
}

} // namespace

const u64 InterfaceDryRun::MaxSteps = kDryRunSteps;
const u64 InterfaceDryRun::MaxBytes = kDryRunBytes;
const size_t InterfaceDryRun::MaxMemory = kDryRunMemory;

InterfaceDryRun requestPicturesNamedIn(const KyString& scriptPath)
{
    std::unordered_set<std::string> scanned;
    DryRunBudget budget;
    requestNamedIn(scriptPath, 0, scanned, budget);
    return budget.cost;
}

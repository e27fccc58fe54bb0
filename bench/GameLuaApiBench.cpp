// The script API as a scene script meets it, in a game entered on the
// sample data (the courtyard, the key picked up and in hand):
//
//   ScriptBindingSelected: the binding "Selected" called from a Lua loop of
//     the scene's own state with a string (the name of another object), as
//     the scripts test the object in hand. Its floor, measured in the same
//     run, in turns with it, on the same state: the same loop calling a bare
//     C function that reads the string and compares it with the name held,
//     with no check and no engine type. Counters: the medians over the turns
//     of the time of one call with its share of the loop (call_ns,
//     floor_ns) and their ratio.

#include "bench/BenchGameRun.h"
#include "bench/BenchStatistics.h"
#include "game/GameWarp.h"
#include "game/screens/InventoryObject.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

using benchgame::MenuRun;
using benchgame::quiet;

const char* g_held = "";

int bareSelected(lua_State* L)
{
    const char* name = lua_tostring(L, 1);
    lua_pushboolean(L, std::strcmp(name ? name : "", g_held) == 0);
    return 1;
}

// Runs a compiled loop of n calls; the time of one, in nanoseconds.
double timeLoop(lua_State* L, int loop, int n)
{
    lua_rawgeti(L, LUA_REGISTRYINDEX, loop);
    lua_pushnumber(L, n);
    const BenchClock::time_point start = BenchClock::now();
    lua_call(L, 1, 0);
    return nanosecondsSince(start) / n;
}

void ScriptBindingSelected(benchmark::State& state)
{
    MenuRun run;
    if (!run.start()) {
        state.SkipWithError("the game did not start");
        return;
    }
    GameWarp& game = run.enterNewGame();
    quiet([&game] { game.addToBag("KEYS"); });
    Inventory& inventory = game.inventoryMenu.inventory;
    std::vector<InventoryObject*> carried = inventory.objects();
    lua_State* L = game.luaContext.state();
    if (!L || carried.empty()) {
        state.SkipWithError("no game with an object in hand");
        return;
    }
    inventory.selectObject(carried.front());
    g_held = inventory.selectedObject->name.c_str();
    lua_register(L, "BareSelected", bareSelected);
    luaL_loadstring(L, "local n = ... for i = 1, n do Selected('LETR') end");
    const int calls = luaL_ref(L, LUA_REGISTRYINDEX);
    luaL_loadstring(L, "local n = ... for i = 1, n do BareSelected('LETR') end");
    const int bare = luaL_ref(L, LUA_REGISTRYINDEX);

    const int n = 20000;
    std::vector<double> figure;
    std::vector<double> floor;
    for (auto _ : state) {
        for (int turn = 0; turn < 41; ++turn) {
            figure.push_back(timeLoop(L, calls, n));
            floor.push_back(timeLoop(L, bare, n));
        }
    }
    luaL_unref(L, LUA_REGISTRYINDEX, calls);
    luaL_unref(L, LUA_REGISTRYINDEX, bare);
    reportAgainstFloor(state, "call_ns", figure, floor);
}

} // namespace

BENCHMARK(ScriptBindingSelected)->Iterations(1)->Unit(benchmark::kMillisecond);

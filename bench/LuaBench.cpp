// The Lua side of a screen and of a scene script:
//
//   LuaGUILoad: loading a Lua interface file of 200 layouts and 50
//     animations (a fresh state, the chunk compiled and run, every builder
//     call), as a screen does when it opens; the unload and the end-of-frame
//     deletion are left out of the time.
//   LuaScriptExecuteEmpty: one KyLuaScript::Execute of an empty global
//     function (look-up, unprotected call), as the game calls scene events.
//   LuaEventCallEmpty: the same through the game's protected event call
//     (KyLuaEvent::call), against its floor measured in the same run, in
//     turns with it: a bare lua_getfield and lua_pcall of the same function
//     on the same state. Counters: the medians over the turns of the time
//     of one call (event_ns, floor_ns) and their ratio.
//
// Run with --benchmark_repetitions=N to get the minimum.

#include "bench/BenchStatistics.h"
#include "bench/BenchTempFolder.h"
#include "script/KyLuaContext.h"
#include "script/KyLuaEvent.h"
#include "script/KyLuaGUI.h"
#include "script/KyLuaScript.h"
#include "ui/KyDeferredDeletion.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Ten panels of twenty layouts each (the panel, two buttons with two looks,
// a check box with two looks, a list of eight items, a text): 200 layouts.
// Then 50 animations, of the four kinds in turn.
std::string screenOf200LayoutsAnd50Animations()
{
    std::string text = "title = 'Benchmark'\n";
    for (int p = 0; p < 10; ++p) {
        text += "KyLayout{ name = 'panel" + std::to_string(p) +
                "', sizeType = Percent, size = {0.1, 1}, position = {" + std::to_string(0.05 + p * 0.1) + ", 0.5},\n";
        for (int b = 0; b < 2; ++b) {
            const std::string n = std::to_string(p) + "_" + std::to_string(b);
            text += "  KyButtonLayout{ name = 'button" + n + "', size = {40, 20}, position = {0.5, " +
                    std::to_string(0.1 + b * 0.1) + "}, validationSound = 'Sounds/click.wav',\n"
                    "    upLayout = KyLayout{ name = 'up" + n + "' }, downLayout = KyLayout{ name = 'down" + n +
                    "' } },\n";
        }
        text += "  KyCheckboxLayout{ name = 'box" + std::to_string(p) +
                "', activeLayout = KyLayout{}, unactiveLayout = KyLayout{}, clickPassThrough = true },\n";
        text += "  KyListLayout{ name = 'list" + std::to_string(p) + "', direction = {0, 1}, size = {40, 100},\n";
        for (int i = 0; i < 8; ++i)
            text += "    KyLayout{ name = 'item" + std::to_string(p) + "_" + std::to_string(i) +
                    "', size = {40, 12}, anchor = {0.5, 0.5} },\n";
        text += "  },\n";
        text += "  KyTextLayout{ name = 'caption" + std::to_string(p) + "', interLine = 2 },\n";
        text += "}\n";
    }
    const char* const kinds[] = {
        "KyLayoutPositionLinearAnimation{ name = 'a%d', duration = 300, startValue = {0, 0}, endValue = {1, 0},"
        " curve = {0, 0.2, 0.8, 1} }\n",
        "KyLayoutAnchorLinearAnimation{ name = 'a%d', duration = 300, startValue = {0.5, 0.5},"
        " endValue = {0.5, 1}, curve = {0, 1} }\n",
        "KyColorLinearAnimation{ name = 'a%d', duration = 500, startValue = {255, 255, 255, 255},"
        " endValue = {255, 255, 255, 0}, curve = {0, 1} }\n",
        "KyRotationLinearAnimation{ name = 'a%d', duration = 400, startValue = {0, 0, 1, 0},"
        " endValue = {0, 0, 1, 90}, curve = {0, 1} }\n",
    };
    for (int a = 0; a < 50; ++a) {
        char line[256];
        std::snprintf(line, sizeof line, kinds[a % 4], a);
        text += line;
    }
    return text;
}

void LuaGUILoad(benchmark::State& state)
{
    BenchTempFolder folder;
    const std::string path = folder.file("Bench.lua");
    {
        std::ofstream file(path, std::ios::binary);
        file << screenOf200LayoutsAnd50Animations();
    }
    KyLuaGUI gui;
    if (!gui.load(path.c_str()) || gui.objectCount() != 250) {
        state.SkipWithError("the benchmark screen does not load whole");
        return;
    }
    for (auto _ : state) {
        gui.load(path.c_str());
        state.PauseTiming();
        gui.unload();
        KyDeferredDeletion::deletePending();
        state.ResumeTiming();
    }
    state.counters["objects"] = 250;
}
BENCHMARK(LuaGUILoad)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", benchMinimum);

void LuaScriptExecuteEmpty(benchmark::State& state)
{
    BenchTempFolder folder;
    const std::string path = folder.file("Scene.lua");
    {
        std::ofstream file(path, std::ios::binary);
        file << "function Empty() end\n";
    }
    KyLuaContext context;
    KyLuaScript script;
    script.setContext(&context);
    script.load(path.c_str());
    script.execute();
    const KyString name("Empty");
    for (auto _ : state)
        script.Execute(name);
}
BENCHMARK(LuaScriptExecuteEmpty)->Unit(benchmark::kNanosecond)->ComputeStatistics("min", benchMinimum);

void LuaEventCallEmpty(benchmark::State& state)
{
    KyLuaContext context;
    lua_State* L = context.state();
    luaL_dostring(L, "function Empty() end");
    const KyString name("Empty");
    const int calls = 20000;
    std::vector<double> event;
    std::vector<double> floor;
    for (auto _ : state) {
        for (int turn = 0; turn < 41; ++turn) {
            BenchClock::time_point start = BenchClock::now();
            for (int i = 0; i < calls; ++i)
                KyLuaEvent::call(context, name);
            event.push_back(nanosecondsSince(start) / calls);
            start = BenchClock::now();
            for (int i = 0; i < calls; ++i) {
                lua_getfield(L, LUA_GLOBALSINDEX, "Empty");
                lua_pcall(L, 0, 0, 0);
            }
            floor.push_back(nanosecondsSince(start) / calls);
        }
    }
    reportAgainstFloor(state, "event_ns", event, floor);
}
BENCHMARK(LuaEventCallEmpty)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

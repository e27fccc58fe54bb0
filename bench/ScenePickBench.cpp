// Picking in a scene of 20 objects and 10 exits, as a click does it: the
// press (the ray through the pointer tested against the current pick mesh
// of every animation in order, then against the exits) and the release (the
// ray again, the object found reported to a listener). Three places are
// clicked in a 1280 x 720 view:
//
//   0 the last object of the panorama's 20 (every object tested before it),
//   1 an exit (every object tested, then every exit),
//   2 a place where nothing lies.
//
// The panorama and its scene description are made at start-up with the
// panorama writer; no drawing, so no OpenGL context is needed.

#include "bench/BenchStatistics.h"
#include "bench/BenchTempFolder.h"
#include "core/KyCallback1Param.h"
#include "core/KyLog.h"
#include "platform/KyInputMgr.h"
#include "scene/KySceneWarp.h"
#include "scene/KyWarp.h"
#include "tools/content/WarpWriter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

const u32 kObjects = 20;
const u32 kExits = 10;
const u32 kFace = 64;
const u32 kPickGrid = 8;
const s32 kWidth = 1280;
const s32 kHeight = 720;

// Object i lies on face i % 6 (the front face is 3), in the 2 x 2 pick
// cells starting at (2 * (i / 6), 2); its layer covers them.
WarpWriter::AnimationSource object(u32 i)
{
    const u32 face = i % 6;
    const u32 column = 2 * (i / 6);
    WarpWriter::Picture layer = WarpWriter::Picture::filled(kFace, kFace, 0, 0, 0, 0);
    const u32 cell = kFace / kPickGrid;
    for (u32 y = 2 * cell; y < 4 * cell; ++y)
        for (u32 x = column * cell; x < (column + 2) * cell; ++x)
            for (u32 c = 0; c < 4; ++c)
                layer.rgba[(size_t(y) * kFace + x) * 4 + c] = 255;
    WarpWriter::AnimationSource animation;
    char name[8];
    std::snprintf(name, sizeof name, "O%03u", i);
    animation.name = name;
    animation.frames.resize(1);
    animation.frames[0].layers.push_back({face, layer});
    WarpWriter::PickCells cells;
    cells.face = face;
    cells.opaque = true;
    animation.frames[0].picks.push_back(cells);
    return animation;
}

// Exit e lies on face e % 6, in the 2 x 2 blocks of an 8 x 8 grid starting
// at (2 * (e / 6), 4): above the objects.
std::string description()
{
    std::string xml;
    for (u32 i = 0; i < kObjects; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "O%03u", i);
        xml += std::string("<object name=\"") + name + "\"/>\n";
    }
    for (u32 e = 0; e < kExits; ++e) {
        xml += "<exit linkedWarp=\"Bench/Warp_" + std::to_string(e) + ".wp\" nbWarpBlock=\"8\">";
        for (u32 b = 0; b < 4; ++b)
            xml += "<block face=\"" + std::to_string(e % 6) + "\" offsetX=\"" + std::to_string(2 * (e / 6) + b % 2) +
                   "\" offsetY=\"" + std::to_string(4 + b / 2) + "\"/>";
        xml += "</exit>\n";
    }
    return xml;
}

class Counter {
public:
    bool hit(KyString) { return ++hits, false; }
    u64 hits = 0;
};

struct Scene {
    BenchTempFolder folder;
    KyWarp warp;
    Counter counter;

    Scene()
    {
        WarpWriter::Source source;
        for (u32 f = 0; f < 6; ++f)
            source.faces[f] = WarpWriter::Picture::filled(kFace, kFace, u8(40 * f), 90, 200, 255);
        source.tileSize = 16;
        source.pickGrid = kPickGrid;
        for (u32 i = 0; i < kObjects; ++i)
            source.animations.push_back(object(i));
        WarpWriter::Bytes bytes;
        std::string error;
        const std::string panorama = folder.file("Bench.wp");
        const std::string scene = folder.file("Bench.xml");
        if (!folder.isReady() || !WarpWriter::write(source, bytes, error)) {
            std::fprintf(stderr, "cannot make the panorama: %s\n", error.c_str());
            std::exit(1);
        }
        std::ofstream(panorama, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        std::ofstream(scene, std::ios::binary) << description();
        if (!warp.load(panorama.c_str())) {
            std::fprintf(stderr, "cannot load %s\n", panorama.c_str());
            std::exit(1);
        }
        KySceneWarp().load(scene.c_str(), &warp);
        if (warp.exits().count() != kExits) {
            std::fprintf(stderr, "the scene has %u exits\n", warp.exits().count());
            std::exit(1);
        }
        for (u32 i = 0; i < kObjects; ++i) {
            char name[8];
            std::snprintf(name, sizeof name, "O%03u", i);
            warp.putObject(KyString(name), true);
        }
        warp.camera().setViewport(kWidth, kHeight);
        warp.camera().setPerspective(60.0f, f32(kWidth) / f32(kHeight), 1.0f, 4096.0f);
        warp.onObjectHit().pushBack(kyNewCallback(&counter, &Counter::hit, 0.0f));
    }
};

Scene& scene()
{
    static Scene s;
    return s;
}

// Window points (from the bottom left) in the front view: object 15 (the
// last of the front face, right of the middle, below it), exit 3 (on the
// left, above the middle), and the right of the face below the middle,
// where nothing lies.
const KyVector2s32 kPlaces[3] = {KyVector2s32(800, 200), KyVector2s32(170, 450), KyVector2s32(1100, 200)};
const char* const kLabels[3] = {"object", "exit", "nothing"};

void BM_ScenePickClick(benchmark::State& state)
{
    Scene& s = scene();
    KyInputMgr::instance()->setMousePosition(kPlaces[state.range(0)], 0);
    const u64 before = s.counter.hits;
    for (auto _ : state) {
        s.warp.onMouseClick();
        s.warp.click();
    }
    state.counters["hits_per_click"] = f64(s.counter.hits - before) / f64(state.iterations());
    state.SetLabel(kLabels[state.range(0)]);
}

} // namespace

BENCHMARK(BM_ScenePickClick)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", benchMinimum);

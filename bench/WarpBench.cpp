// A panorama of six 1024-pixel faces in 256-pixel tiles (96 tiles), drawn
// at 1280 x 720 into an offscreen window: reading the file's tables, the
// first frame (every tile decoded and made a texture, then drawn), and a
// steady frame with the view turning. The first frame reports the share of
// it that goes to decoding the tile pictures, measured apart from the
// textures and the drawing over the same tiles.
//
// Needs an OpenGL context: an offscreen window gives one (SDL's offscreen
// driver unless SDL_VIDEODRIVER says otherwise).

#include "bench/BenchStatistics.h"
#include "bench/BenchTempFolder.h"
#include "core/KyFile.h"
#include "core/KySingleton.h"
#include "os/KyOsGL.h"
#include "os/KyOsWindow.h"
#include "platform/KyImg.h"
#include "scene/KyWarp.h"
#include "scene/KyWarpBloc.h"
#include "tools/content/ImageWriters.h"
#include "tools/content/WarpWriter.h"
#include "ui/KyMainWindow.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

const u32 kFace = 1024;
const u32 kTile = 256;
const s32 kWidth = 1280;
const s32 kHeight = 720;
const char* const kFormats[] = {"jpeg", "png"};

WarpWriter::Picture photoFace(u32 seed)
{
    const ImageWriters::Bytes rgb = ImageWriters::photo(kFace, kFace, 3, seed);
    WarpWriter::Picture p = WarpWriter::Picture::filled(kFace, kFace, 0, 0, 0, 255);
    for (u32 y = 0; y < kFace; ++y)
        for (u32 x = 0; x < kFace; ++x)
            for (u32 c = 0; c < 3; ++c)
                p.rgba[(size_t(kFace - 1 - y) * kFace + x) * 4 + c] = rgb[(size_t(y) * kFace + x) * 3 + c];
    return p;
}

struct Fixture {
    KyOsWindow window;
    KyOsGL gl;
    BenchTempFolder folder;
    std::string paths[2];

    Fixture()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (!window.create("bench", kWidth, kHeight, false) || !gl.create(window) || !gl.makeCurrent() ||
            !folder.isReady()) {
            std::fprintf(stderr, "no OpenGL context or temporary folder\n");
            std::exit(1);
        }
        KySingleton<KyMainWindow>::instance()->setSize(KyVector3f32(kWidth, kHeight, 0));
        WarpWriter::Source source;
        for (u32 f = 0; f < 6; ++f)
            source.faces[f] = photoFace(f + 1);
        source.tileSize = kTile;
        for (u32 i = 0; i < 2; ++i) {
            source.format = kFormats[i];
            WarpWriter::Bytes bytes;
            std::string error;
            if (!WarpWriter::write(source, bytes, error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                std::exit(1);
            }
            paths[i] = folder.file(std::string("bench.") + kFormats[i] + ".wp");
            FILE* out = std::fopen(paths[i].c_str(), "wb");
            if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
                std::fprintf(stderr, "cannot write %s\n", paths[i].c_str());
                std::exit(1);
            }
            std::fclose(out);
        }
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

KyQuaternion yaw(f32 degrees)
{
    const f32 half = degrees * 3.14159265f / 360.0f;
    return KyQuaternion(0.0f, std::sin(half), 0.0f, std::cos(half));
}

std::unique_ptr<KyWarp> activeWarp(const std::string& path)
{
    std::unique_ptr<KyWarp> warp(new KyWarp);
    if (!warp->load(path.c_str())) {
        std::fprintf(stderr, "cannot load %s\n", path.c_str());
        std::exit(1);
    }
    warp->setupCamera();
    warp->setFov(60.0f);
    warp->setActive(true, false);
    return warp;
}

void drawFrame(KyWarp& warp)
{
    warp.update();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    warp.render();
    glFinish();
}

// Decodes every cube tile's picture as a tile does, without textures.
void decodeTiles(KyWarp& warp)
{
    KyFile& file = warp.file();
    const bool pairs = warp.textureFormat() == "jpeg" || warp.textureFormat() == "jpeg.zlib";
    for (u32 i = 0; i < warp.cubeTileCount(); ++i) {
        file.seek(warp.cubeTiles()[i].imagePosition());
        KyImg colour;
        colour.loadFromStream(file, warp.textureFormat());
        if (pairs) {
            KyImg alpha;
            KyImg rgba;
            alpha.loadFromStream(file, warp.textureFormat());
            KyWarpBloc::mergeAlpha(colour, &alpha, rgba);
            benchmark::DoNotOptimize(rgba.pixels());
        }
        benchmark::DoNotOptimize(colour.pixels());
    }
}

void BM_WarpLoad(benchmark::State& state)
{
    const std::string& path = fixture().paths[state.range(0)];
    for (auto _ : state) {
        KyWarp warp;
        benchmark::DoNotOptimize(warp.load(path.c_str()));
    }
    state.SetLabel(kFormats[state.range(0)]);
}

void BM_WarpFirstFrame(benchmark::State& state)
{
    const std::string& path = fixture().paths[state.range(0)];
    double frameSeconds = 0.0;
    double decodeSeconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<KyWarp> warp = activeWarp(path);
        const auto decodeStart = std::chrono::steady_clock::now();
        decodeTiles(*warp);
        decodeSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - decodeStart).count();
        state.ResumeTiming();

        const auto frameStart = std::chrono::steady_clock::now();
        drawFrame(*warp);
        frameSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - frameStart).count();

        state.PauseTiming();
        warp.reset();
        state.ResumeTiming();
    }
    state.counters["decode_share"] = frameSeconds > 0.0 ? decodeSeconds / frameSeconds : 0.0;
    state.SetLabel(kFormats[state.range(0)]);
}

void BM_WarpSteadyFrame(benchmark::State& state)
{
    std::unique_ptr<KyWarp> warp = activeWarp(fixture().paths[state.range(0)]);
    drawFrame(*warp);
    f32 degrees = 0.0f;
    for (auto _ : state) {
        degrees += 0.5f;
        warp->setRotation(yaw(degrees));
        drawFrame(*warp);
    }
    state.SetLabel(kFormats[state.range(0)]);
}

} // namespace

BENCHMARK(BM_WarpLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", benchMinimum);
BENCHMARK(BM_WarpFirstFrame)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", benchMinimum);
BENCHMARK(BM_WarpSteadyFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", benchMinimum);

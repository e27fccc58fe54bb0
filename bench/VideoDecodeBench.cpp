#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchStatistics.h"
#include "bench/BenchTempFolder.h"
#include "media/KyTheoraDecoder.h"
#include "os/KyOsClock.h"
#include "tools/content/TheoraWriter.h"

// Speed of the video path at 640 x 480: decoding one Theora frame and
// converting it to RGB, as a playing video does once a frame. Reported as
// frames per second of one core ("frames/s"); playback needs 25. Then the
// conversion alone at 640 x 480 and 1280 x 720 in the three pixel formats,
// beside a plain scalar loop of the same formula.

namespace {

const unsigned kWidth = 640;
const unsigned kHeight = 480;
const unsigned kFrames = 100;

// Moving gradients with some texture, so that frames differ and the
// decoder does real work on every one.
void paint(unsigned index, TheoraPlane planes[3])
{
    for (int p = 0; p < 3; ++p) {
        for (int y = 0; y < planes[p].height; ++y) {
            unsigned char* row = planes[p].data + y * planes[p].stride;
            for (int x = 0; x < planes[p].width; ++x) {
                const unsigned v = unsigned(x * (p + 1) + y * (3 - p) + index * 5) ^ unsigned((x * y + index) & 15);
                row[x] = static_cast<unsigned char>(p == 0 ? 16 + v % 220 : 64 + v % 128);
            }
        }
    }
}

class BenchPlayer : public KyTheoraDecoder {
public:
    bool open(const KyString& path) { return openStream(path, path, "KyVideo::Open"); }
    void update() { decodeDueFrames(); }
};

// Writes the fixture once and removes it at exit.
class VideoFixture {
public:
    VideoFixture()
    {
        if (!m_folder.isReady())
            return;
        m_path = m_folder.file("clip.ogv");
        TheoraVideoSpec spec;
        spec.frameWidth = kWidth;
        spec.frameHeight = kHeight;
        spec.pictureWidth = kWidth;
        spec.pictureHeight = kHeight;
        spec.frames = kFrames;
        spec.quality = 40;
        spec.keyframeInterval = 32;
        spec.paint = paint;
        writeBytesToFile(m_path, writeTheoraOgv(spec));
    }
    const std::string& path() const { return m_path; }

private:
    BenchTempFolder m_folder;
    std::string m_path;
};

const VideoFixture& fixture()
{
    static VideoFixture video;
    return video;
}

// One iteration = one frame of the application: the clock moves on by one
// frame period and the video decodes and converts the frame due.
void BM_VideoDecodeAndConvert640x480(benchmark::State& state)
{
    KyOsClock::installFake(1000000);
    BenchPlayer player;
    if (!player.open(fixture().path().c_str())) {
        state.SkipWithError("the benchmark video does not open");
        return;
    }
    player.play();
    u64 converted = 0;
    u32 lastFrame = 0;
    for (auto _ : state) {
        KyOsClock::advanceFake(40000);
        player.update();
        if (player.frame != lastFrame && player.frame != 0)
            ++converted;
        lastFrame = player.frame;
        if (!player.playing) {
            player.play();
            lastFrame = 0;
        }
    }
    state.counters["frames/s"] = benchmark::Counter(double(converted), benchmark::Counter::kIsRate);
    KyOsClock::install(nullptr);
}
BENCHMARK(BM_VideoDecodeAndConvert640x480)->Unit(benchmark::kMillisecond);

// The conversion as a plain scalar loop: every pixel computes its chroma
// index and its three chroma terms again. The baseline of the converter.
inline u8 clampByte(s32 v)
{
    return u8(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void plainConvert(const th_ycbcr_buffer planes, int pixelFormat, u32 pictureX, u32 pictureY, u32 width, u32 height,
                  u8* rgb)
{
    const int xShift = pixelFormat == TH_PF_444 ? 0 : 1;
    const int yShift = pixelFormat == TH_PF_420 ? 1 : 0;
    const u32 x0 = pictureX & ~1u;
    const u32 y0 = pictureY & ~1u;
    const size_t rowBytes = size_t(width) * 3;
    for (u32 j = 0; j < height; ++j) {
        const u32 row = y0 + j;
        const u8* yRow = planes[0].data + ptrdiff_t(row) * planes[0].stride + x0;
        const u8* uRow = planes[1].data + ptrdiff_t(row >> yShift) * planes[1].stride;
        const u8* vRow = planes[2].data + ptrdiff_t(row >> yShift) * planes[2].stride;
        u8* out = rgb + size_t(height - 1 - j) * rowBytes;
        for (u32 x = 0; x < width; ++x) {
            const u32 c = (x0 + x) >> xShift;
            const s32 luma = 74 * yRow[x];
            const s32 u = uRow[c];
            const s32 v = vRow[c];
            out[0] = clampByte((luma + 102 * v - 14240) >> 6);
            out[1] = clampByte((luma - 25 * u - 52 * v + 8672) >> 6);
            out[2] = clampByte((luma + 129 * u - 17696) >> 6);
            out += 3;
        }
    }
}

// Decoder-shaped planes of one painted frame, in a pixel format.
struct ConvertInput {
    std::vector<unsigned char> bytes[3];
    th_ycbcr_buffer planes;
    std::vector<u8> rgb;

    ConvertInput(unsigned width, unsigned height, int format)
    {
        TheoraPlane painted[3];
        for (int p = 0; p < 3; ++p) {
            const int w = p && format != TH_PF_444 ? width / 2 : width;
            const int h = p && format == TH_PF_420 ? height / 2 : height;
            bytes[p].assign(size_t(w) * h, 0);
            planes[p].width = w;
            planes[p].height = h;
            planes[p].stride = w;
            planes[p].data = bytes[p].data();
            painted[p] = TheoraPlane{w, h, w, bytes[p].data()};
        }
        paint(3, painted);
        rgb.assign(size_t(width) * height * 3, 0);
    }
};

// Arguments: width, height, pixel format. Counted in output bytes and frames.
template <bool engine>
void convert(benchmark::State& state)
{
    const u32 width = u32(state.range(0));
    const u32 height = u32(state.range(1));
    const int format = int(state.range(2));
    ConvertInput input(width, height, format);
    for (auto _ : state) {
        if (engine)
            KyTheoraDecoder::convertFrame(input.planes, format, 0, 0, width, height, input.rgb.data());
        else
            plainConvert(input.planes, format, 0, 0, width, height, input.rgb.data());
        benchmark::DoNotOptimize(input.rgb.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(input.rgb.size()));
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_VideoConvertPlainLoop(benchmark::State& state)
{
    convert<false>(state);
}

void BM_VideoConvert(benchmark::State& state)
{
    convert<true>(state);
}

void convertSizes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"w", "h", "format"});
    for (int format : {TH_PF_420, TH_PF_422, TH_PF_444}) {
        b->Args({640, 480, format});
        b->Args({1280, 720, format});
    }
    b->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", benchMinimum);
}
BENCHMARK(BM_VideoConvertPlainLoop)->Apply(convertSizes);
BENCHMARK(BM_VideoConvert)->Apply(convertSizes);

} // namespace

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchTempFolder.h"
#include "media/KyTheoraDecoder.h"
#include "os/KyOsClock.h"
#include "tools/content/TheoraWriter.h"

// Speed of the video path at 640 x 480: decoding one Theora frame and
// converting it to RGB, as a playing video does once a frame. Reported as
// frames per second of one core ("frames/s"); playback needs 25.

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

// The conversion alone, from decoder-shaped 4:2:0 planes.
void BM_VideoConvert640x480(benchmark::State& state)
{
    std::vector<unsigned char> bytes[3];
    th_ycbcr_buffer planes;
    TheoraPlane painted[3];
    for (int p = 0; p < 3; ++p) {
        const int w = p ? kWidth / 2 : kWidth;
        const int h = p ? kHeight / 2 : kHeight;
        bytes[p].assign(size_t(w) * h, 0);
        planes[p].width = w;
        planes[p].height = h;
        planes[p].stride = w;
        planes[p].data = bytes[p].data();
        painted[p] = TheoraPlane{w, h, w, bytes[p].data()};
    }
    paint(3, painted);
    std::vector<u8> rgb(size_t(kWidth) * kHeight * 3);
    for (auto _ : state) {
        KyTheoraDecoder::convertFrame(planes, TH_PF_420, 0, 0, kWidth, kHeight, rgb.data());
        benchmark::DoNotOptimize(rgb.data());
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VideoConvert640x480)->Unit(benchmark::kMillisecond);

} // namespace

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchTempFolder.h"
#include "core/KyString.h"
#include "media/KySoundStreamed.h"
#include "tools/content/SoundWriters.h"

// Decode speed of the streamed Ogg Vorbis path (the work of a music thread),
// reported as "realtime": seconds of sound decoded per second of wall time.
// A music thread at N times real time keeps 1/N of a core busy.

namespace {

const double kSeconds = 10.0;

// Writes the fixture once per layout and removes it at exit.
class OggFixture {
public:
    OggFixture(std::uint32_t channels, std::uint32_t rate)
    {
        if (!m_folder.isReady())
            return;
        m_path = m_folder.file("music" + std::to_string(channels) + ".ogg");
        std::uint32_t frames = static_cast<std::uint32_t>(rate * kSeconds);
        std::vector<double> freqs, levels;
        for (std::uint32_t c = 0; c < channels; ++c) {
            freqs.push_back(220.0 * (c + 1));
            levels.push_back(0.3);
        }
        SoundWriters::writeFile(
            m_path, SoundWriters::encodeVorbis(channels, rate,
                                               SoundWriters::sineFloat(channels, rate, frames,
                                                                       freqs, levels)));
    }
    const std::string& path() const { return m_path; }

private:
    BenchTempFolder m_folder;
    std::string m_path;
};

void decodeStreamed(benchmark::State& state, std::uint32_t channels, std::uint32_t rate)
{
    static OggFixture stereo(2, 44100);
    static OggFixture surround(6, 48000);
    static OggFixture mono(1, 22050);
    const OggFixture& fixture = channels == 2 ? stereo : channels == 6 ? surround : mono;
    (void)rate;

    double decoded = 0;
    for (auto _ : state) {
        KySoundStreamed stream;
        if (!stream.open(fixture.path().c_str())) {
            state.SkipWithError("fixture did not open");
            return;
        }
        u8* buffer = nullptr;
        size_t size = 0;
        size_t total = 0;
        while (stream.decode(&buffer, size))
            total += size;
        benchmark::DoNotOptimize(buffer);
        decoded += static_cast<double>(total) / (2.0 * stream.channels() * stream.rate());
    }
    state.counters["realtime"] = benchmark::Counter(decoded, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK_CAPTURE(decodeStreamed, mono_22k, 1, 22050)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeStreamed, stereo_44k, 2, 44100)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeStreamed, surround51_48k, 6, 48000)->Unit(benchmark::kMillisecond);

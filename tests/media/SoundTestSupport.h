#ifndef KY_TEST_SOUND_TEST_SUPPORT_H
#define KY_TEST_SOUND_TEST_SUPPORT_H

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "tools/content/SoundWriters.h"
#include "tests/support/TempDir.h"

// Helpers shared by the sound tests.
namespace SoundTest {

// Polls cond every few milliseconds until it holds or timeoutMs has passed;
// returns its last value. OpenAL Soft plays in real time even on its null
// backend, so tests that wait for a sound to end poll instead of sleeping;
// the limit only ends a test that hangs, on a machine however busy.
template <class Cond>
bool waitFor(Cond cond, int timeoutMs = 30000)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return cond();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Writes bytes into dir at relative and returns the absolute path.
inline std::string put(const TempDir& dir, const std::string& relative,
                       const SoundWriters::Bytes& bytes)
{
    std::string path = dir.file(relative);
    SoundWriters::writeFile(path, bytes);
    return path;
}

// A 16-bit WAV of a sine tone.
inline SoundWriters::Bytes toneWav(std::uint32_t channels, std::uint32_t rate, double seconds,
                                   double frequency = 440.0)
{
    std::uint32_t frames = static_cast<std::uint32_t>(rate * seconds);
    std::vector<double> f(channels, frequency), a(channels, 12000.0);
    return SoundWriters::makeWav(static_cast<std::uint16_t>(channels), rate, 16,
                                 SoundWriters::sineS16(channels, rate, frames, f, a));
}

// An Ogg Vorbis file of a sine tone.
inline SoundWriters::Bytes toneOgg(std::uint32_t channels, std::uint32_t rate, double seconds,
                                   double frequency = 440.0)
{
    std::uint32_t frames = static_cast<std::uint32_t>(rate * seconds);
    std::vector<double> f(channels, frequency), a(channels, 0.4);
    return SoundWriters::encodeVorbis(channels, rate,
                                      SoundWriters::sineFloat(channels, rate, frames, f, a));
}

// Runs this test program again in a child process with only the given test
// (--gtest_filter), extra environment entries ("NAME=value") and the given
// variables removed; the child's standard output goes to outputFile. Returns
// the child's exit status (-1 when it could not run).
int runChild(const std::string& filter, const std::vector<std::string>& setEnv,
             const std::vector<std::string>& unsetEnv, const std::string& outputFile);

} // namespace SoundTest

#endif

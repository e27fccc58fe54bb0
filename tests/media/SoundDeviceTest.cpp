#include <cmath>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "core/KyCallback0Param.h"
#include "core/KySingleton.h"
#include "media/KyMusic.h"
#include "media/KySFX.h"
#include "media/KySoundManager.h"
#include "tests/media/SoundTestSupport.h"

// The audio device is opened once per process by the sound manager and
// OpenAL Soft reads its configuration once, so tests that need another
// backend run a child process of this program with its own environment. The
// child halves are skipped when run on their own.

using SoundTest::put;
using SoundTest::waitFor;

namespace {

const char* kChildVariable = "KY_SOUND_CHILD";

std::string readText(const std::string& path)
{
    SoundWriters::Bytes b = SoundWriters::readFile(path);
    return std::string(b.begin(), b.end());
}

u32 le32(const SoundWriters::Bytes& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<u32>(b[at + 3]) << 24);
}

// Power of one frequency in a block of samples (Goertzel).
double power(const std::vector<double>& x, double frequency, double rate)
{
    double k = 2.0 * std::cos(6.283185307179586 * frequency / rate);
    double s1 = 0, s2 = 0;
    for (double v : x) {
        double s0 = v + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - k * s1 * s2;
}

struct Counter {
    int calls = 0;
    bool onFinished()
    {
        ++calls;
        return false;
    }
};

} // namespace

TEST(SoundDevice, ToneReachesTheWaveBackend)
{
    TempDir dir;
    std::string tone = put(dir, "tone.wav", SoundTest::toneWav(1, 44100, 0.4, 440.0));
    std::string out = dir.file("out.wav");
    std::string conf = dir.file("alsoft.conf");
    ASSERT_TRUE(dir.writeFile("alsoft.conf", "drivers=wave\nsample-type=int16\nfrequency=44100\n"
                                             "channels=stereo\n[wave]\nfile=" + out + "\n"));
    int status = SoundTest::runChild("SoundDeviceChild.PlaysAToneThroughTheDevice",
                                     {"ALSOFT_CONF=" + conf, "ALSOFT_DRIVERS=wave",
                                      std::string(kChildVariable) + "=" + tone},
                                     {}, dir.file("child.log"));
    ASSERT_EQ(0, status) << readText(dir.file("child.log"));

    SoundWriters::Bytes wav = SoundWriters::readFile(out);
    ASSERT_GT(wav.size(), 44u);
    ASSERT_EQ(0, std::memcmp(wav.data(), "RIFF", 4));
    // Walk the chunks to the format and the samples.
    size_t at = 12;
    u32 channels = 0, rate = 0, bits = 0;
    size_t dataAt = 0, dataSize = 0;
    while (at + 8 <= wav.size()) {
        u32 size = le32(wav, at + 4);
        if (std::memcmp(&wav[at], "fmt ", 4) == 0) {
            channels = wav[at + 10] | (wav[at + 11] << 8);
            rate = le32(wav, at + 12);
            bits = wav[at + 22] | (wav[at + 23] << 8);
        } else if (std::memcmp(&wav[at], "data", 4) == 0) {
            dataAt = at + 8;
            dataSize = std::min<size_t>(size, wav.size() - dataAt);
            break;
        }
        at += 8 + size + (size & 1);
    }
    ASSERT_EQ(16u, bits);
    ASSERT_EQ(44100u, rate);
    ASSERT_GE(channels, 1u);
    ASSERT_GT(dataSize, 0u);

    // The first channel, mixed down to doubles.
    std::vector<double> left;
    const s16* s = reinterpret_cast<const s16*>(&wav[dataAt]);
    for (size_t i = 0; i + channels <= dataSize / 2; i += channels)
        left.push_back(s[i]);
    double peak = 0;
    for (double v : left)
        peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 3000.0) << "the tone was not written";

    // Around the loudest part, 440 Hz dominates by far.
    size_t loud = 0;
    while (loud < left.size() && std::fabs(left[loud]) < peak / 2)
        ++loud;
    ASSERT_LT(loud + 8820, left.size());
    std::vector<double> block(left.begin() + loud, left.begin() + loud + 8820);
    double tone440 = power(block, 440.0, rate);
    EXPECT_GT(tone440, 50.0 * power(block, 1000.0, rate));
    EXPECT_GT(tone440, 50.0 * power(block, 220.0, rate));
}

TEST(SoundDeviceChild, PlaysAToneThroughTheDevice)
{
    const char* tone = std::getenv(kChildVariable);
    if (!tone)
        GTEST_SKIP() << "run by SoundDevice.ToneReachesTheWaveBackend";
    KySoundManager* manager = KySingleton<KySoundManager>::instance();
    ASSERT_NE(nullptr, manager->device());
    {
        KySFX effect;
        effect.load(tone);
        ASSERT_TRUE(effect.Play());
        ASSERT_TRUE(waitFor([&] { return !effect.IsPlaying(); }));
    }
    // Closing the device completes the wave file.
    KySingleton<KySoundManager>::destroy();
}

TEST(SoundDevice, EveryCallIsHarmlessWithoutADevice)
{
    TempDir dir;
    put(dir, "tone.wav", SoundTest::toneWav(1, 22050, 0.1));
    put(dir, "music.ogg", SoundTest::toneOgg(2, 22050, 0.5));
    int status = SoundTest::runChild("SoundDeviceChild.RunsSilentWithoutADevice",
                                     {"ALSOFT_DRIVERS=nonexistent",
                                      std::string(kChildVariable) + "=" + dir.path()},
                                     {}, dir.file("child.log"));
    std::string log = readText(dir.file("child.log"));
    ASSERT_EQ(0, status) << log;
    EXPECT_NE(std::string::npos, log.find("[KySoundManager::Create()] error : ")) << log;
}

TEST(SoundDeviceChild, RunsSilentWithoutADevice)
{
    const char* folder = std::getenv(kChildVariable);
    if (!folder)
        GTEST_SKIP() << "run by SoundDevice.EveryCallIsHarmlessWithoutADevice";
    std::string tone = std::string(folder) + "/tone.wav";
    std::string ogg = std::string(folder) + "/music.ogg";

    KySoundManager* manager = KySingleton<KySoundManager>::instance();
    EXPECT_EQ(nullptr, manager->device());
    EXPECT_EQ(nullptr, manager->context());

    manager->PlaySFX(tone.c_str());
    manager->PlaySFX((std::string(folder) + "/missing.wav").c_str());
    {
        KySFX effect;
        effect.load(tone.c_str());
        effect.Play();
        EXPECT_FALSE(effect.IsPlaying());
        effect.Stop();
    }

    Counter counter;
    KyMusic music;
    music.onFinished.pushBack(kyNewCallback(&counter, &Counter::onFinished));
    music.Repeat(false);
    music.load(ogg.c_str());
    music.Play();
    music.Volume(0.3f);
    music.Pause();
    EXPECT_TRUE(waitFor([&] { return !music.IsPlaying(); }));
    KyMusic looping;
    looping.load(ogg.c_str());
    looping.Play();
    EXPECT_TRUE(waitFor([&] { return !looping.IsPlaying(); }));

    manager->update();
    manager->update();
    EXPECT_TRUE(manager->effects.isEmpty());
    EXPECT_EQ(1, counter.calls);
    looping.Stop();
    music.Stop();
    KySingleton<KySoundManager>::destroy();
}

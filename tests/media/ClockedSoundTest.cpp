// The sound manager's clocked device: sounds last by the engine's clock
// (here the fake clock), whatever the real time between two updates.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/KyCallback0Param.h"
#include "core/KySingleton.h"
#include "media/KyMusic.h"
#include "media/KySFX.h"
#include "media/KySoundManager.h"
#include "os/KyOsClock.h"
#include "tests/media/SoundTestSupport.h"
#include "tests/support/CpuTime.h"

using SoundTest::put;

namespace {

const u64 kFrame = 16667;

// A clocked manager on the fake clock for one test; the next test gets the
// usual device back.
struct ClockedDevice {
    ClockedDevice()
    {
        KySingleton<KySoundManager>::destroy();
        KyOsClock::installFake(5000000);
        KySoundManager::setFollowsClock(true);
        manager = KySingleton<KySoundManager>::instance();
    }
    ~ClockedDevice()
    {
        KySingleton<KySoundManager>::destroy();
        KySoundManager::setFollowsClock(false);
        KyOsClock::install(nullptr);
    }
    // One frame: the clock moves on, the manager mixes.
    void frame()
    {
        KyOsClock::advanceFake(kFrame);
        manager->update();
    }
    KySoundManager* manager = nullptr;
};

struct EndRecorder {
    int frame = -1;
    int now = 0;
    bool onFinished()
    {
        if (frame < 0)
            frame = now;
        return false;
    }
};

struct Timeline {
    int musicEnd = -1;
    int effectEnd = -1;
    std::vector<u32> peaks;
};

// A 0.5 s music and a 0.3 s effect started together, followed frame by
// frame; every fifth frame waits 60 ms of real time first, more than the
// streaming thread's pass, which must change nothing.
Timeline playTogether(const std::string& music, const std::string& effect)
{
    ClockedDevice device;
    Timeline timeline;
    EXPECT_TRUE(device.manager->followsClock());
    EXPECT_NE(device.manager->device(), nullptr);

    EndRecorder recorder;
    KyMusic voice;
    voice.onFinished.pushBack(kyNewCallback(&recorder, &EndRecorder::onFinished));
    voice.Repeat(false);
    voice.load(music.c_str());
    KySFX sfx;
    sfx.load(effect.c_str());
    EXPECT_TRUE(voice.Play());
    EXPECT_TRUE(sfx.Play());
    for (int frame = 1; frame <= 60; ++frame) {
        if (frame % 5 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        recorder.now = frame;
        device.frame();
        timeline.peaks.push_back(device.manager->takePeak());
        if (timeline.effectEnd < 0 && !sfx.IsPlaying())
            timeline.effectEnd = frame;
    }
    timeline.musicEnd = recorder.frame;
    EXPECT_FALSE(voice.IsPlaying());
    return timeline;
}

// A music whose thread starts late, as on a busy machine.
class LateMusic : public KyMusic {
public:
    ~LateMusic() override
    {
        m_released = true;
        Stop();
    }
    void run() override
    {
        while (!m_released.load())
            std::this_thread::yield();
        KyMusic::run();
    }
    std::atomic<bool> m_released{false};
};

} // namespace

TEST(ClockedSound, SoundsLastByTheClockNotByTheRealTime)
{
    TempDir dir;
    const std::string music = put(dir, "voice.ogg", SoundTest::toneOgg(1, 22050, 0.5));
    const std::string effect = put(dir, "click.wav", SoundTest::toneWav(2, 44100, 0.3));

    const Timeline first = playTogether(music, effect);
    // 0.5 s and 0.3 s are 30 and 18 frames of a sixtieth of a second; the
    // end is seen by the update that mixed the last sample.
    EXPECT_NEAR(first.musicEnd, 30, 1);
    EXPECT_NEAR(first.effectEnd, 18, 1);
    // Heard while they play, silence (but for the mixer's dither) once both
    // have ended.
    ASSERT_EQ(first.peaks.size(), 60u);
    for (int frame = 1; frame < 29; ++frame)
        EXPECT_GT(first.peaks[size_t(frame) - 1], 1000u) << frame;
    for (int frame = 33; frame <= 60; ++frame)
        EXPECT_LT(first.peaks[size_t(frame) - 1], 16u) << frame;

    // The same run again gives the same frames.
    const Timeline second = playTogether(music, effect);
    EXPECT_EQ(second.musicEnd, first.musicEnd);
    EXPECT_EQ(second.effectEnd, first.effectEnd);
    EXPECT_EQ(second.peaks, first.peaks);
}

TEST(ClockedSound, ALoopingMusicKeepsStreamingAndClockJumpsAreBounded)
{
    TempDir dir;
    const std::string music = put(dir, "loop.ogg", SoundTest::toneOgg(2, 44100, 0.3));
    ClockedDevice device;
    KyMusic loop;
    loop.load(music.c_str());
    ASSERT_TRUE(loop.Play());
    // Ten seconds of frames over a 0.3 s file: it starts again each time,
    // never runs dry between two slices, and is heard in every frame.
    const double loopStart = threadCpuSeconds();
    for (int frame = 0; frame < 600; ++frame) {
        device.frame();
        ASSERT_TRUE(loop.IsPlaying()) << frame;
        ASSERT_GT(device.manager->takePeak(), 1000u) << frame;
    }
    EXPECT_EQ(device.manager->mixedFrames(), 600u * kFrame * KySoundManager::ClockedRate / 1000000u);
    const double tenSeconds = threadCpuSeconds() - loopStart;

    // An hour in one step mixes at most the catch-up span, ten seconds: it
    // costs this thread about what the ten seconds of frames did (mixed
    // whole, the hour costs 360 times that).
    const u64 before = device.manager->mixedFrames();
    KyOsClock::advanceFake(3600ull * 1000000u);
    const double start = threadCpuSeconds();
    device.manager->update();
    EXPECT_LT(threadCpuSeconds() - start, 4.0 * tenSeconds + 0.1) << tenSeconds;
    EXPECT_TRUE(loop.IsPlaying());
    EXPECT_GE(device.manager->mixedFrames(), before);

    // A clock set back starts counting again without mixing anything.
    KyOsClock::setFake(1000);
    device.manager->takePeak();
    device.manager->update();
    EXPECT_EQ(device.manager->mixedFrames(), 0u);
    device.frame();
    EXPECT_GT(device.manager->mixedFrames(), 0u);
    EXPECT_TRUE(loop.IsPlaying());
    loop.Stop();
    EXPECT_FALSE(loop.IsPlaying());
}

// A pause asked before the music's thread has started its source holds:
// nothing is mixed until the pause is undone.
TEST(ClockedSound, AMusicPausedAsItStartsIsSilentUntilResumed)
{
    TempDir dir;
    ClockedDevice device;
    LateMusic music;
    music.load(put(dir, "theme.ogg", SoundTest::toneOgg(2, 44100, 3.0)).c_str());
    ASSERT_TRUE(music.Play());
    music.Pause();
    music.m_released = true;
    device.frame();
    EXPECT_TRUE(music.isPaused());
    EXPECT_LT(device.manager->takePeak(), 16u);
    music.Pause();
    device.frame();
    EXPECT_GT(device.manager->takePeak(), 1000u);
}

TEST(ClockedSound, WithoutTheRequestTheManagerPlaysInRealTime)
{
    KySingleton<KySoundManager>::destroy();
    KySoundManager::setFollowsClock(false);
    KySoundManager* manager = KySingleton<KySoundManager>::instance();
    EXPECT_FALSE(manager->followsClock());
    EXPECT_EQ(manager->takePeak(), 0u);
    manager->update();
    EXPECT_EQ(manager->mixedFrames(), 0u);
}

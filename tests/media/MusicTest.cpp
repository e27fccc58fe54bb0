#include <AL/al.h>

#include <gtest/gtest.h>

#include "core/KyCallback0Param.h"
#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "media/KyMusic.h"
#include "media/KySoundManager.h"
#include "tests/media/SoundTestSupport.h"
#include "tests/support/StdoutCapture.h"

using SoundTest::put;
using SoundTest::toneOgg;
using SoundTest::toneWav;
using SoundTest::waitFor;

namespace {

ALint sourceState(KyMusic& music)
{
    ALint state = 0;
    if (music.source())
        alGetSourcei(music.source(), AL_SOURCE_STATE, &state);
    return state;
}

u32 listed(KySoundManager* manager, KyMusic* music)
{
    u32 n = 0;
    for (KyList<KyMusic*>::iterator it = manager->musics.begin(); it != manager->musics.end(); ++it)
        n += *it == music ? 1 : 0;
    return n;
}

// Counts the finished signals of one music and does what a test asks in them.
struct FinishedListener {
    int calls = 0;
    KyMusic* toDelete = nullptr;
    KyMusic* toPlay = nullptr;
    KyMusic* toStop = nullptr;

    bool onFinished()
    {
        ++calls;
        if (toStop)
            toStop->Stop();
        if (toPlay)
            toPlay->Play();
        if (toDelete) {
            KyMusic* doomed = toDelete;
            toDelete = nullptr;
            delete doomed;
        }
        return false;
    }

    void listen(KyMusic& music)
    {
        music.onFinished.pushBack(kyNewCallback(this, &FinishedListener::onFinished));
    }
};

class Music : public ::testing::Test {
protected:
    void SetUp() override
    {
        manager = KySingleton<KySoundManager>::instance();
        ASSERT_NE(nullptr, manager);
        longOgg = put(dir, "long.ogg", toneOgg(2, 22050, 3.0));
        shortOgg = put(dir, "short.ogg", toneOgg(1, 22050, 0.3));
        emptyWav = put(dir, "empty.wav", SoundWriters::makeWav(2, 22050, 16, {}));
    }
    void TearDown() override { KySingleton<KyCore>::instance()->setLanguage("en"); }

    KySoundManager* manager = nullptr;
    TempDir dir;
    std::string longOgg, shortOgg, emptyWav;
};

} // namespace

TEST_F(Music, PlaysPausesResumesAndStops)
{
    KyMusic music;
    EXPECT_TRUE(music.repeat());
    EXPECT_FALSE(music.IsPlaying());
    music.load(longOgg.c_str());
    EXPECT_EQ(longOgg, music.requestedPath().c_str());
    EXPECT_EQ(longOgg, music.path().c_str());

    ASSERT_TRUE(music.Play());
    EXPECT_TRUE(music.IsPlaying());
    EXPECT_EQ(static_cast<u32>(AL_FORMAT_STEREO16), music.format());
    EXPECT_EQ(1u, listed(manager, &music));
    ASSERT_TRUE(waitFor([&] { return sourceState(music) == AL_PLAYING; }));
    u32 source = music.source();
    EXPECT_TRUE(music.Play()); // already playing: nothing changes
    EXPECT_EQ(source, music.source());

    music.Volume(0.5f);
    ALfloat gain = 0;
    alGetSourcef(source, AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(0.5f, gain);

    // A pause lasts over several passes of the streaming thread.
    music.Pause();
    EXPECT_EQ(AL_PAUSED, sourceState(music));
    std::this_thread::sleep_for(std::chrono::milliseconds(4 * KyMusic::kPassInterval));
    EXPECT_EQ(AL_PAUSED, sourceState(music));
    EXPECT_TRUE(music.IsPlaying());
    music.Pause();
    EXPECT_EQ(AL_PLAYING, sourceState(music));

    music.Stop();
    EXPECT_FALSE(music.IsPlaying());
    EXPECT_EQ(0u, music.source());
    // Stopped with repeat on: still listed, never signalled.
    FinishedListener listener;
    listener.listen(music);
    manager->update();
    EXPECT_EQ(0, listener.calls);
    EXPECT_EQ(1u, listed(manager, &music));

    // Played again: from the start with new names, still listed once.
    ASSERT_TRUE(music.Play());
    EXPECT_NE(0u, music.source());
    EXPECT_FLOAT_EQ(0.5f, music.volume());
    EXPECT_EQ(1u, listed(manager, &music));
}

TEST_F(Music, VolumeSetBeforePlayIsApplied)
{
    KyMusic music;
    music.Volume(0.25f);
    music.load(shortOgg.c_str());
    ASSERT_TRUE(music.Play());
    ALfloat gain = 0;
    alGetSourcef(music.source(), AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(0.25f, gain);
}

TEST_F(Music, RunsOutWithoutRepeatAndSignalsOnce)
{
    KyMusic music;
    FinishedListener listener;
    listener.listen(music);
    music.Repeat(false);
    EXPECT_FALSE(music.repeat());
    music.load(shortOgg.c_str());
    ASSERT_TRUE(music.Play());
    manager->update();
    EXPECT_EQ(0, listener.calls);
    ASSERT_TRUE(waitFor([&] { return !music.IsPlaying(); }));
    manager->update();
    EXPECT_EQ(1, listener.calls);
    EXPECT_EQ(0u, listed(manager, &music));
    manager->update();
    EXPECT_EQ(1, listener.calls);
}

TEST_F(Music, RepeatLoopsPastTheEndOfTheFile)
{
    KyMusic music;
    std::string tiny = put(dir, "tiny.ogg", toneOgg(1, 22050, 0.1));
    music.load(tiny.c_str());
    ASSERT_TRUE(music.Play());
    // Several lengths of the file later it still plays.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(music.IsPlaying());
    EXPECT_EQ(AL_PLAYING, sourceState(music));
    music.Stop();
}

TEST_F(Music, FileWithoutSamplesEndsEvenWithRepeat)
{
    KyMusic music;
    music.load(emptyWav.c_str());
    StdoutCapture log;
    ASSERT_TRUE(music.Play());
    EXPECT_TRUE(waitFor([&] { return !music.IsPlaying(); }));
    // Repeat on: listed, not signalled.
    FinishedListener listener;
    listener.listen(music);
    manager->update();
    EXPECT_EQ(0, listener.calls);
    EXPECT_EQ(1u, listed(manager, &music));
}

TEST_F(Music, ReplaysAfterAnEndOrAFailureLeakNoSources)
{
    // More plays than the device has sources: names of earlier plays must go.
    KyMusic music;
    music.Repeat(false);
    music.load(emptyWav.c_str());
    StdoutCapture log;
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(music.Play()) << i;
        ASSERT_NE(0u, music.source()) << i;
        ASSERT_TRUE(waitFor([&] { return !music.IsPlaying(); })) << i;
    }
    KyMusic broken;
    broken.load(put(dir, "three.wav", toneWav(3, 8000, 0.05)).c_str());
    for (int i = 0; i < 300; ++i)
        ASSERT_FALSE(broken.Play());
    // The device still has most of its sources free.
    ALuint probe[200];
    alGetError();
    alGenSources(200, probe);
    ASSERT_EQ(AL_NO_ERROR, alGetError());
    alDeleteSources(200, probe);
}

TEST_F(Music, SampleFormatFollowsTheFile)
{
    KyMusic music;
    music.Repeat(false);
    std::string eight = put(dir, "eight.wav",
                            SoundWriters::makeWav(1, 11025, 8,
                                                  SoundWriters::sineU8(1, 11025, 2000, 440, 100)));
    music.load(eight.c_str());
    {
        StdoutCapture log;
        ASSERT_TRUE(music.Play());
        EXPECT_EQ(static_cast<u32>(AL_FORMAT_MONO8), music.format());
        EXPECT_TRUE(waitFor([&] { return !music.IsPlaying(); }));
    }

    std::string six = put(dir, "six.ogg", toneOgg(6, 22050, 0.2));
    music.load(six.c_str());
    ASSERT_TRUE(music.Play());
    EXPECT_EQ(static_cast<u32>(alGetEnumValue("AL_FORMAT_51CHN16")), music.format());
    music.Stop();

    for (const char* name : {"three.wav", "deep.wav"}) {
        std::string path = std::string(name) == "deep.wav"
                               ? put(dir, name, SoundWriters::makeWav(2, 8000, 24,
                                                                      SoundWriters::Bytes(600, 1)))
                               : put(dir, name, toneWav(3, 8000, 0.05));
        KyMusic odd;
        odd.load(path.c_str());
        StdoutCapture log;
        EXPECT_FALSE(odd.Play());
        EXPECT_FALSE(odd.IsPlaying());
        EXPECT_EQ(0u, listed(manager, &odd));
        EXPECT_EQ("[KyMusic::Play()] file name : " + path + " error : Unsupported sample format.\n",
                  log.text());
    }
}

TEST_F(Music, MissingFileDoesNotPlay)
{
    KyMusic music;
    music.load(dir.file("missing.ogg").c_str());
    StdoutCapture log;
    EXPECT_FALSE(music.Play());
    EXPECT_FALSE(music.IsPlaying());
    EXPECT_EQ(0u, music.source());
    EXPECT_EQ(0u, listed(manager, &music));
    EXPECT_NE(std::string::npos, log.text().find("[KySoundStreamed::open(const KyString& filename)] "
                                                 "can't open file : "));
}

TEST_F(Music, LoadStoresThePathAndFindsTheLanguageFile)
{
    put(dir, "music/fr/theme.ogg", toneOgg(1, 8000, 0.2));
    put(dir, "music/en/theme.ogg", toneOgg(1, 8000, 0.2));
    std::string theme = dir.file("music/theme.ogg");
    KySingleton<KyCore>::instance()->setLanguage("fr");

    KyMusic music;
    music.load(theme.c_str());
    EXPECT_EQ(theme, music.requestedPath().c_str());
    EXPECT_EQ(dir.file("music/fr/theme.ogg"), music.playPath().c_str());
    ASSERT_TRUE(music.Play());

    // The same path again changes nothing; another one stops the music.
    music.load(theme.c_str());
    EXPECT_TRUE(music.IsPlaying());
    KySingleton<KyCore>::instance()->setLanguage("de");
    music.load(longOgg.c_str());
    EXPECT_FALSE(music.IsPlaying());
    EXPECT_EQ(longOgg, music.playPath().c_str());
    music.load(theme.c_str());
    EXPECT_EQ(dir.file("music/en/theme.ogg"), music.playPath().c_str());
}

TEST_F(Music, ListenersMayStopPlayOrDeleteMusicsDuringTheUpdate)
{
    KyMusic* a = new KyMusic();
    KyMusic* b = new KyMusic();
    KyMusic* c = new KyMusic();
    KyMusic* d = new KyMusic();
    FinishedListener la, lb, lc, ld;
    for (KyMusic* m : {a, b, c, d}) {
        m->Repeat(false);
        m->load(longOgg.c_str());
        ASSERT_TRUE(m->Play());
        m->Stop();
    }
    la.listen(*a);
    lb.listen(*b);
    lc.listen(*c);
    ld.listen(*d);
    la.toDelete = b; // a deletes the next music in the list
    lc.toDelete = c; // c deletes itself
    ld.toPlay = d;   // d plays again
    ld.toStop = a;   // and stops one already handled

    manager->update();
    EXPECT_EQ(1, la.calls);
    EXPECT_EQ(0, lb.calls);
    EXPECT_EQ(1, lc.calls);
    EXPECT_EQ(1, ld.calls);
    EXPECT_EQ(0u, listed(manager, a));
    EXPECT_EQ(1u, listed(manager, d));
    EXPECT_EQ(1u, manager->musics.count());
    EXPECT_TRUE(d->IsPlaying());

    ld.toPlay = nullptr;
    ld.toStop = nullptr;
    d->Stop();
    manager->update();
    EXPECT_EQ(2, ld.calls);
    EXPECT_TRUE(manager->musics.isEmpty());
    delete a;
    delete d;
}

TEST_F(Music, ManagerTeardownStopsAndDropsItsMusics)
{
    KyMusic music;
    music.load(longOgg.c_str());
    ASSERT_TRUE(music.Play());
    KySingleton<KySoundManager>::destroy();
    EXPECT_FALSE(music.IsPlaying());
    EXPECT_EQ(0u, music.source());

    manager = KySingleton<KySoundManager>::instance();
    EXPECT_TRUE(manager->musics.isEmpty());
    ASSERT_TRUE(music.Play());
    EXPECT_EQ(1u, listed(manager, &music));
}

TEST_F(Music, DestroyedMusicLeavesTheList)
{
    KyMusic* music = new KyMusic();
    music->load(longOgg.c_str());
    ASSERT_TRUE(music->Play());
    music->Stop();
    ASSERT_TRUE(music->Play());
    EXPECT_EQ(1u, listed(manager, music));
    delete music;
    EXPECT_EQ(0u, listed(manager, music));
}

#include <AL/al.h>

#include <gtest/gtest.h>

#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "media/KySFX.h"
#include "media/KySoundManager.h"
#include "tests/media/SoundTestSupport.h"
#include "tests/support/StdoutCapture.h"

using SoundTest::put;
using SoundTest::toneWav;
using SoundTest::waitFor;

namespace {

ALint bufferValue(u32 buffer, ALenum what)
{
    ALint value = -1;
    alGetBufferi(buffer, what, &value);
    return value;
}

class SoundEffect : public ::testing::Test {
protected:
    void SetUp() override
    {
        manager = KySingleton<KySoundManager>::instance();
        ASSERT_NE(nullptr, manager);
        alGetError();
    }
    void TearDown() override
    {
        KySingleton<KyCore>::instance()->setLanguage("en");
        // Effects of a failed test must not outlive their files.
        waitFor([&] {
            manager->update();
            return manager->effects.isEmpty();
        });
    }

    KySoundManager* manager = nullptr;
    TempDir dir;
};

} // namespace

TEST_F(SoundEffect, PlaysItsWholeBufferAndEnds)
{
    ASSERT_NE(nullptr, manager->device()) << "the null backend should give a device";
    std::string path = put(dir, "tone.wav", toneWav(1, 22050, 0.15));
    KySFX effect;
    effect.load(path.c_str());
    EXPECT_EQ(path, effect.name().c_str());
    EXPECT_EQ(3307 * 2, bufferValue(effect.buffer(), AL_SIZE));
    EXPECT_EQ(22050, bufferValue(effect.buffer(), AL_FREQUENCY));
    EXPECT_EQ(1, bufferValue(effect.buffer(), AL_CHANNELS));
    EXPECT_EQ(16, bufferValue(effect.buffer(), AL_BITS));

    ASSERT_TRUE(effect.Play());
    EXPECT_TRUE(effect.IsPlaying());
    // Playing again restarts it without an error.
    EXPECT_TRUE(effect.Play());
    EXPECT_TRUE(waitFor([&] { return !effect.IsPlaying(); }));
    effect.Stop();
    EXPECT_FALSE(effect.IsPlaying());
}

TEST_F(SoundEffect, EightBitStereoKeepsItsFormat)
{
    std::string path = put(dir, "u8.wav",
                           SoundWriters::makeWav(2, 11025, 8,
                                                 SoundWriters::sineU8(2, 11025, 1000, 300, 90)));
    KySFX effect;
    effect.load(path.c_str());
    EXPECT_EQ(2000, bufferValue(effect.buffer(), AL_SIZE));
    EXPECT_EQ(8, bufferValue(effect.buffer(), AL_BITS));
    EXPECT_EQ(2, bufferValue(effect.buffer(), AL_CHANNELS));
}

TEST_F(SoundEffect, ReloadRefillsTheBufferEvenAfterPlaying)
{
    std::string first = put(dir, "first.wav", toneWav(1, 22050, 0.05));
    std::string second = put(dir, "second.ogg", SoundTest::toneOgg(2, 44100, 0.2));
    KySFX effect;
    effect.load(first.c_str());
    ASSERT_TRUE(effect.Play());
    effect.load(second.c_str());
    EXPECT_EQ(AL_NO_ERROR, alGetError());
    EXPECT_EQ(8820 * 4, bufferValue(effect.buffer(), AL_SIZE));
    EXPECT_EQ(44100, bufferValue(effect.buffer(), AL_FREQUENCY));
    EXPECT_FALSE(effect.IsPlaying());
    EXPECT_TRUE(effect.Play());
    EXPECT_EQ(second, effect.name().c_str());
}

TEST_F(SoundEffect, FindsTheFileInTheLanguageFolders)
{
    put(dir, "sfx/fr/click.wav", toneWav(1, 8000, 0.1));
    put(dir, "sfx/en/click.wav", toneWav(1, 8000, 0.2));
    put(dir, "sfx/en/only.wav", toneWav(1, 8000, 0.3));
    std::string click = dir.file("sfx/click.wav");
    std::string only = dir.file("sfx/only.wav");

    KySingleton<KyCore>::instance()->setLanguage("fr");
    KySFX effect;
    effect.load(click.c_str());
    EXPECT_EQ(800 * 2, bufferValue(effect.buffer(), AL_SIZE));
    EXPECT_EQ(click, effect.name().c_str());
    effect.load(only.c_str());
    EXPECT_EQ(2400 * 2, bufferValue(effect.buffer(), AL_SIZE));

    KySingleton<KyCore>::instance()->setLanguage("de");
    effect.load(click.c_str());
    EXPECT_EQ(1600 * 2, bufferValue(effect.buffer(), AL_SIZE));
}

TEST_F(SoundEffect, LayoutsWithoutAFormatAndMissingFilesStaySilent)
{
    std::string surround = put(dir, "six.ogg", SoundTest::toneOgg(6, 22050, 0.1));
    std::string deep =
        put(dir, "deep.wav", SoundWriters::makeWav(2, 8000, 24, SoundWriters::Bytes(600, 1)));
    KySFX effect;
    {
        StdoutCapture log;
        effect.load(surround.c_str());
        EXPECT_EQ("[KySFX::Load(const KyString& path)] file name : " + surround +
                      " error : Decoding failed.\n",
                  log.text());
    }
    EXPECT_EQ(0, bufferValue(effect.buffer(), AL_SIZE));
    {
        StdoutCapture log;
        effect.load(deep.c_str());
        EXPECT_NE(std::string::npos, log.text().find("Decoding failed."));
    }
    {
        StdoutCapture log;
        effect.load(dir.file("missing.wav").c_str());
        EXPECT_EQ("", log.text());
    }
    EXPECT_EQ(0, bufferValue(effect.buffer(), AL_SIZE));
    effect.Play();
    EXPECT_TRUE(waitFor([&] { return !effect.IsPlaying(); }));
}

TEST_F(SoundEffect, ManagerDeletesEffectsOnceTheyHaveFinished)
{
    std::string shortTone = put(dir, "short.wav", toneWav(1, 22050, 0.05));
    std::string longTone = put(dir, "long.wav", toneWav(1, 22050, 3.0));

    manager->PlaySFX(dir.file("missing.wav").c_str());
    ASSERT_EQ(1u, manager->effects.count());
    EXPECT_TRUE(waitFor([&] {
        manager->update();
        return manager->effects.isEmpty();
    }));

    manager->PlaySFX(shortTone.c_str());
    manager->PlaySFX(longTone.c_str());
    manager->PlaySFX(shortTone.c_str());
    ASSERT_EQ(3u, manager->effects.count());
    EXPECT_TRUE(waitFor([&] {
        return !(*manager->effects.begin())->IsPlaying() && !(*manager->effects.last())->IsPlaying();
    }));
    manager->update();
    ASSERT_EQ(1u, manager->effects.count());
    KySFX* remaining = *manager->effects.begin();
    EXPECT_EQ(longTone, remaining->name().c_str());
    EXPECT_TRUE(remaining->IsPlaying());

    // Tearing the manager down frees the effect still playing (the leak
    // checker would see it otherwise) and a new manager starts empty.
    KySingleton<KySoundManager>::destroy();
    manager = KySingleton<KySoundManager>::instance();
    ASSERT_NE(nullptr, manager);
    EXPECT_TRUE(manager->effects.isEmpty());
    KySFX effect;
    effect.load(shortTone.c_str());
    EXPECT_TRUE(effect.Play());
}

#include <gtest/gtest.h>

#include "core/KySingleton.h"
#include "media/KyMusic.h"
#include "media/KySFX.h"
#include "media/KySound.h"
#include "media/KySoundManager.h"
#include "media/KySoundStreamed.h"
#include "tests/media/SoundTestSupport.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TestData.h"
#include "tools/content/TheoraWriter.h"

// Replays damaged WAVE and Ogg files (cut short, bytes changed, header
// fields set to extreme values) through every decoding path. Run under the
// sanitizers, any read past a buffer, any overflow or leak fails the test;
// every decode loop must also come to an end.

using SoundWriters::Bytes;
using SoundWriters::WavBuilder;

namespace {

// A small deterministic generator, so a failure names a reproducible case.
struct Lcg {
    u32 state;
    u32 next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

// Decodes a file every way the engine does; false when a loop does not end.
bool replay(const std::string& path)
{
    {
        KySound sound;
        if (sound.open(path.c_str())) {
            size_t size = 0;
            u8* data = sound.decodeAll(size);
            volatile u8 sink = 0;
            for (size_t i = 0; i < size; i += 97)
                sink = sink + data[i];
            (void)sink;
        }
    }
    {
        KySoundStreamed stream;
        if (stream.open(path.c_str())) {
            u8* buffer = nullptr;
            size_t size = 0;
            int chunks = 0;
            while (stream.decode(&buffer, size)) {
                if (++chunks > 10000)
                    return false;
            }
            // A caller may ask again after the end or an error.
            if (stream.decode(&buffer, size))
                return false;
        }
    }
    return true;
}

Bytes mutate(const Bytes& base, Lcg& rng, size_t protectedPrefix)
{
    Bytes b = base;
    int flips = 1 + rng.next() % 8;
    for (int i = 0; i < flips; ++i) {
        size_t at = protectedPrefix + rng.next() % (b.size() - protectedPrefix);
        b[at] = static_cast<u8>(rng.next());
    }
    if (rng.next() % 4 == 0)
        b.resize(protectedPrefix + rng.next() % (b.size() - protectedPrefix));
    return b;
}

void putLe32(Bytes& b, size_t at, u32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<u8>(v >> (8 * i));
}

void putLe16(Bytes& b, size_t at, u16 v)
{
    b[at] = static_cast<u8>(v);
    b[at + 1] = static_cast<u8>(v >> 8);
}

} // namespace

TEST(SoundMalformed, DamagedWaveFilesAreRefusedOrDecodedSafely)
{
    TempDir dir;
    std::string path = dir.file("case.wav");
    Bytes base = WavBuilder()
                     .fmt(1, 2, 8000, 16, 2)
                     .chunk("LIST", Bytes(13, 'x'))
                     .data(SoundWriters::sineS16(2, 8000, 300, {440, 660}, {9000, 9000}))
                     .chunk("cue ", Bytes(7, 1))
                     .bytes();
    StdoutCapture log; // the decoders are expected to complain

    // Every truncation.
    for (size_t cut = 0; cut <= base.size(); cut += (cut < 80 ? 1 : 37)) {
        SoundWriters::writeFile(path, Bytes(base.begin(), base.begin() + cut));
        ASSERT_TRUE(replay(path)) << "cut at " << cut;
    }

    // Extreme values in each header field: fmt size, channels, rate, byte
    // rate, block align, bits, the LIST size and the data size.
    const size_t fields32[] = {4, 16, 24, 28, 42, 64};
    const size_t fields16[] = {22, 32, 34};
    const u32 values32[] = {0, 1, 15, 16, 17, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFF8u, 0xFFFFFFFFu};
    const u16 values16[] = {0, 1, 3, 7, 8, 9, 24, 255, 256, 0xFFFF};
    for (size_t at : fields32)
        for (u32 v : values32) {
            Bytes b = base;
            putLe32(b, at, v);
            SoundWriters::writeFile(path, b);
            ASSERT_TRUE(replay(path)) << "u32 " << v << " at " << at;
        }
    for (size_t at : fields16)
        for (u16 v : values16) {
            Bytes b = base;
            putLe16(b, at, v);
            SoundWriters::writeFile(path, b);
            ASSERT_TRUE(replay(path)) << "u16 " << v << " at " << at;
        }

    // Random damage behind the RIFF header.
    Lcg rng{7};
    for (int i = 0; i < 400; ++i) {
        SoundWriters::writeFile(path, mutate(base, rng, 12));
        ASSERT_TRUE(replay(path)) << "mutation " << i;
    }
}

TEST(SoundMalformed, DamagedOggFilesAreRefusedOrDecodedSafely)
{
    TempDir dir;
    std::string path = dir.file("case.ogg");
    const Bytes bases[] = {SoundTest::toneOgg(1, 11025, 0.3), SoundTest::toneOgg(6, 22050, 0.2)};
    StdoutCapture log;
    Lcg rng{11};
    for (const Bytes& base : bases) {
        ASSERT_FALSE(base.empty());
        for (size_t cut = 0; cut <= base.size(); cut += 1 + base.size() / 60) {
            SoundWriters::writeFile(path, Bytes(base.begin(), base.begin() + cut));
            ASSERT_TRUE(replay(path)) << "cut at " << cut;
        }
        for (int i = 0; i < 250; ++i) {
            SoundWriters::writeFile(path, mutate(base, rng, 0));
            ASSERT_TRUE(replay(path)) << "mutation " << i;
        }
    }
}

TEST(SoundMalformed, ChangedSetupHeaderBytesAreRefusedOrDecodedSafely)
{
    // The setup header alone on the third page, as in the recorded file of
    // the next test: each byte changed in turn, the page's checksum set
    // again, so that the library really reads the changed header.
    TempDir dir;
    const std::string path = dir.file("setup.ogg");
    const std::string muxed = writeVorbisOgg(0.1);
    const Bytes base(muxed.begin(), muxed.end());
    const std::vector<SoundWriters::OggPage> pages = SoundWriters::oggPages(base);
    ASSERT_GE(pages.size(), 4u);
    const SoundWriters::OggPage& setup = pages[2];
    ASSERT_EQ(5, base[setup.body]);
    std::string text;
    {
        StdoutCapture log;
        for (size_t i = 7; i < setup.bodySize; ++i) {
            for (u8 flip : {0xFF, 0x21}) {
                if (flip == 0x21 && i % 4 != 0)
                    continue;
                Bytes b = base;
                b[setup.body + i] ^= flip;
                SoundWriters::fixOggPageCrc(b, setup);
                SoundWriters::writeFile(path, b);
                ASSERT_TRUE(replay(path)) << "byte " << i << " ^ " << int(flip);
            }
        }
        text = log.text();
    }
    // Most changes leave a code tree unfilled or overfilled.
    EXPECT_NE(std::string::npos, text.find("Unsafe Vorbis headers: codebook"));
}

TEST(SoundMalformed, RecordedFilesAreRefusedSafely)
{
    TempDir dir;
    const std::string path = SoundTest::put(
        dir, "recorded.ogg", SoundWriters::readFile(testDataPath("vorbis-setup-divides-by-zero.ogg")));
    std::string text;
    {
        StdoutCapture log;
        ASSERT_TRUE(replay(path));
        text = log.text();
    }
    EXPECT_NE(std::string::npos, text.find("file name : " + path + " error : Unsafe Vorbis headers"));
}

TEST(SoundMalformed, EffectsAndMusicsSurviveDamagedFiles)
{
    TempDir dir;
    KySingleton<KySoundManager>::instance();
    Bytes wav = SoundWriters::makeWav(1, 8000, 16,
                                      SoundWriters::sineS16(1, 8000, 800, {440}, {9000}));
    Bytes ogg = SoundTest::toneOgg(2, 8000, 0.2);
    StdoutCapture log;
    Lcg rng{23};
    for (int i = 0; i < 40; ++i) {
        std::string w = SoundTest::put(dir, "m" + std::to_string(i) + ".wav", mutate(wav, rng, 12));
        std::string o = SoundTest::put(dir, "m" + std::to_string(i) + ".ogg", mutate(ogg, rng, 0));
        for (const std::string& path : {w, o}) {
            KySFX effect;
            effect.load(path.c_str());
            effect.Play();
            KyMusic music;
            music.Repeat(i % 2 == 0);
            music.load(path.c_str());
            music.Play();
            SoundTest::waitFor([&] { return !music.IsPlaying(); }, 60);
            music.Stop();
        }
    }
}

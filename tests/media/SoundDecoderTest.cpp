#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "core/KyString.h"
#include "media/KyOgg.h"
#include "media/KySound.h"
#include "media/KySoundStreamed.h"
#include "media/KyWav.h"
#include "tests/media/SoundTestSupport.h"
#include "tests/support/StdoutCapture.h"

using SoundWriters::Bytes;
using SoundWriters::WavBuilder;
using SoundTest::put;

namespace {

Bytes ramp(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return b;
}

Bytes asBytes(const u8* data, size_t size)
{
    return Bytes(data, data + size);
}

// Root mean square of one channel of interleaved 16-bit samples.
double channelRms(const u8* data, size_t size, int channels, int channel)
{
    const s16* s = reinterpret_cast<const s16*>(data);
    size_t frames = size / (2 * channels);
    double sum = 0;
    for (size_t f = 0; f < frames; ++f) {
        double v = s[f * channels + channel];
        sum += v * v;
    }
    return frames ? std::sqrt(sum / frames) : 0.0;
}

} // namespace

TEST(SoundChunkSize, WholeFramesOfTheDurationIn64Bits)
{
    u32 size = 0;
    ASSERT_TRUE(KyISound::computeChunkSize(250, 44100, 2, 16, size));
    EXPECT_EQ(44100u, size);
    ASSERT_TRUE(KyISound::computeChunkSize(250, 22050, 1, 16, size));
    EXPECT_EQ(11024u, size);
    // frame * rate does not fit in 32 bits here, the chunk does.
    ASSERT_TRUE(KyISound::computeChunkSize(1, 4500000, 255, 32, size));
    EXPECT_EQ(4590000u, size);

    // Headers that would divide by zero or give an empty or absurd chunk.
    EXPECT_FALSE(KyISound::computeChunkSize(0, 44100, 2, 16, size));
    EXPECT_FALSE(KyISound::computeChunkSize(2000, 44100, 2, 16, size));
    EXPECT_FALSE(KyISound::computeChunkSize(250, 44100, 0, 16, size));
    EXPECT_FALSE(KyISound::computeChunkSize(250, 44100, 2, 4, size));
    EXPECT_FALSE(KyISound::computeChunkSize(250, 0, 2, 16, size));
    EXPECT_FALSE(KyISound::computeChunkSize(1000, 0xFFFFFFFFu, 255, 32, size));
}

TEST(SoundWav, ReadsHeaderAndSamplesOfCommonLayouts)
{
    TempDir dir;
    Bytes stereo = ramp(4000);
    std::string s16 = put(dir, "s16.wav", SoundWriters::makeWav(2, 44100, 16, stereo));
    Bytes mono = ramp(301);
    std::string u8mono = put(dir, "u8.wav", SoundWriters::makeWav(1, 22050, 8, mono));

    KyWav wav;
    ASSERT_TRUE(wav.open(s16.c_str()));
    EXPECT_EQ(2, wav.channels());
    EXPECT_EQ(44100u, wav.rate());
    EXPECT_EQ(16u, wav.bits());
    EXPECT_EQ(44100u, wav.chunkSize());
    size_t size = 0;
    u8* data = wav.decodeAll(size);
    EXPECT_EQ(stereo, asBytes(data, size));

    ASSERT_TRUE(wav.open(u8mono.c_str()));
    EXPECT_EQ(1, wav.channels());
    EXPECT_EQ(8u, wav.bits());
    data = wav.decodeAll(size);
    EXPECT_EQ(mono, asBytes(data, size));
}

TEST(SoundWav, SkipsLongFmtAndOddChunksByTheirSizeAndPad)
{
    TempDir dir;
    Bytes pcm = ramp(640);
    // An 18-byte fmt, then odd-sized chunks (with their pad byte) whose
    // payloads would confuse a scan in 4-byte steps.
    Bytes junk = {'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF};
    std::string path = put(dir, "odd.wav",
                           WavBuilder()
                               .fmt(1, 2, 8000, 16, 2)
                               .chunk("LIST", junk)
                               .chunk("fact", Bytes(1, 9))
                               .data(pcm)
                               .chunk("junk", ramp(33))
                               .bytes());
    KyWav wav;
    ASSERT_TRUE(wav.open(path.c_str()));
    EXPECT_EQ(8000u, wav.rate());
    size_t size = 0;
    u8* data = wav.decodeAll(size);
    EXPECT_EQ(pcm, asBytes(data, size));
}

TEST(SoundWav, RefusesBadHeadersWithTheirReason)
{
    TempDir dir;
    Bytes pcm = ramp(64);
    struct Case {
        const char* name;
        Bytes bytes;
        const char* reason;
    } cases[] = {
        {"notriff.wav", WavBuilder().fmt(1, 2, 8000, 16).data(pcm).bytes("RIFX"),
         "Only RIFF type reconized."},
        {"notwave.wav", WavBuilder().fmt(1, 2, 8000, 16).data(pcm).bytes("RIFF", "AVI "),
         "Only WAVE format reconized."},
        {"float.wav", WavBuilder().fmt(3, 2, 8000, 32).data(pcm).bytes(),
         "Only PCM format reconized."},
        {"extensible.wav", WavBuilder().fmt(0xFFFE, 2, 8000, 16, 24).data(pcm).bytes(),
         "Only PCM format reconized."},
        {"datafirst.wav", WavBuilder().data(pcm).fmt(1, 2, 8000, 16).bytes(),
         "File is corrupted or truncated."},
        {"nochannel.wav", WavBuilder().fmt(1, 0, 8000, 16).data(pcm).bytes(),
         "File is corrupted or truncated."},
        {"fourbits.wav", WavBuilder().fmt(1, 1, 8000, 4).data(pcm).bytes(),
         "File is corrupted or truncated."},
        {"norate.wav", WavBuilder().fmt(1, 1, 0, 16).data(pcm).bytes(),
         "File is corrupted or truncated."},
        {"shortfmt.wav", WavBuilder().chunk("fmt ", Bytes(12, 1)).data(pcm).bytes(),
         "File is corrupted or truncated."},
        {"nodata.wav", WavBuilder().fmt(1, 2, 8000, 16).chunk("LIST", ramp(10)).bytes(),
         "File is corrupted or truncated."},
        {"hugechunk.wav",
         WavBuilder().fmt(1, 2, 8000, 16).raw({'L', 'I', 'S', 'T', 0xF0, 0xFF, 0xFF, 0xFF})
             .bytes(),
         "File is corrupted or truncated."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = put(dir, c.name, c.bytes);
        StdoutCapture log;
        KyWav wav;
        EXPECT_FALSE(wav.open(path.c_str()));
        std::string expected = "[KyWav::open(const KyString& filename)] file name : " + path +
                               " error : " + c.reason + "\n";
        EXPECT_EQ(expected, log.text());
    }

    // Cut anywhere inside the header: refused, never read past the end.
    Bytes whole = SoundWriters::makeWav(2, 8000, 16, pcm);
    for (size_t cut = 0; cut < 44; ++cut) {
        std::string path = put(dir, "cut.wav", Bytes(whole.begin(), whole.begin() + cut));
        StdoutCapture log;
        KyWav wav;
        EXPECT_FALSE(wav.open(path.c_str())) << cut;
    }
}

TEST(SoundWav, DataSizeIsCappedByTheFileAndBytesReportedAreBytesRead)
{
    TempDir dir;
    Bytes pcm = ramp(402);
    // The header claims a megabyte; 402 bytes follow, not a whole number of
    // 4-byte frames.
    std::string path =
        put(dir, "liar.wav", WavBuilder().fmt(1, 2, 8000, 16).data(pcm, 1u << 20).bytes());
    KyWav wav;
    ASSERT_TRUE(wav.open(path.c_str()));
    EXPECT_EQ(400u, wav.dataSize());
    size_t size = 0;
    u8* data = wav.decodeAll(size);
    EXPECT_EQ(Bytes(pcm.begin(), pcm.begin() + 400), asBytes(data, size));
}

TEST(SoundWav, StreamsTheDataChunkOnlyInChunksOfTheDuration)
{
    TempDir dir;
    Bytes pcm = ramp(8000 * 2 * 2 / 10 * 3 + 8); // 300 ms of 16-bit stereo at 8 kHz, and 2 frames
    std::string path = put(dir, "stream.wav",
                           WavBuilder().fmt(1, 2, 8000, 16).data(pcm).chunk("LIST", ramp(500))
                               .bytes());
    KyWav wav;
    wav.setBufferDuration(100);
    ASSERT_TRUE(wav.open(path.c_str()));
    EXPECT_EQ(100u, wav.bufferDuration());
    EXPECT_EQ(3200u, wav.chunkSize());

    StdoutCapture log;
    Bytes all;
    std::vector<size_t> sizes;
    u8* buffer = nullptr;
    size_t size = 0;
    while (wav.decode(&buffer, size)) {
        sizes.push_back(size);
        all.insert(all.end(), buffer, buffer + size);
    }
    EXPECT_EQ((std::vector<size_t>{3200, 3200, 3200, 8}), sizes);
    // The chunk after the samples is not played as samples.
    EXPECT_EQ(pcm, all);
    EXPECT_EQ(0u, size);
    std::string line = "[KyWav::decode(u8** buffer, size_t& bufferSize)] Not yet tested.\n";
    std::string expected;
    for (int i = 0; i < 5; ++i)
        expected += line;
    EXPECT_EQ(expected, log.text());
}

TEST(SoundWav, ChunkDurationOutsideOneSecondIsRefused)
{
    TempDir dir;
    std::string path = put(dir, "a.wav", SoundWriters::makeWav(1, 8000, 16, ramp(100)));
    for (u32 duration : {0u, 1001u, 5000u}) {
        StdoutCapture log;
        KyWav wav;
        wav.setBufferDuration(duration);
        EXPECT_FALSE(wav.open(path.c_str()));
        EXPECT_NE(std::string::npos, log.text().find("error : Invalid buffer duration.")) << duration;
    }
}

TEST(SoundWav, DecodeAfterDecodeAllOfAShortFileStaysInItsBuffer)
{
    TempDir dir;
    std::string path = put(dir, "short.wav", SoundWriters::makeWav(2, 44100, 16, ramp(40)));
    KyWav wav;
    ASSERT_TRUE(wav.open(path.c_str()));
    size_t size = 0;
    wav.decodeAll(size);
    EXPECT_EQ(40u, size);
    u8* buffer = nullptr;
    StdoutCapture log;
    EXPECT_FALSE(wav.decode(&buffer, size));
}

TEST(SoundWav, TwentyFourBitOpensWithItsBits)
{
    TempDir dir;
    std::string path = put(dir, "24.wav", SoundWriters::makeWav(2, 48000, 24, ramp(600)));
    KyWav wav;
    ASSERT_TRUE(wav.open(path.c_str()));
    EXPECT_EQ(24u, wav.bits());
    EXPECT_EQ(48000u * 6 / 4, wav.chunkSize());
}

TEST(SoundOgg, DecodesMonoAndStereoToTheExactLength)
{
    TempDir dir;
    for (u32 channels : {1u, 2u}) {
        SCOPED_TRACE(channels);
        std::string path = put(dir, "tone.ogg", SoundTest::toneOgg(channels, 22050, 0.5));
        KyOgg ogg;
        ASSERT_TRUE(ogg.open(path.c_str()));
        EXPECT_EQ(channels, ogg.channels());
        EXPECT_EQ(22050u, ogg.rate());
        EXPECT_EQ(16u, ogg.bits());
        u32 expectedChunk = 0;
        KyISound::computeChunkSize(250, 22050, channels, 16, expectedChunk);
        EXPECT_EQ(expectedChunk, ogg.chunkSize());
        size_t size = 0;
        u8* data = ogg.decodeAll(size);
        ASSERT_EQ(11025u * channels * 2, size);
        // The tone is there, at about the written level (0.4 of full scale).
        double rms = channelRms(data, size, channels, 0);
        EXPECT_NEAR(0.4 * 32767 / std::sqrt(2.0), rms, 1500.0);
    }
}

TEST(SoundOgg, StreamEndingInsideAChunkGivesTheShortChunkThenFalse)
{
    TempDir dir;
    // 0.6 s at 8 kHz mono: two full chunks of 250 ms and 100 ms left.
    std::string path = put(dir, "short.ogg", SoundTest::toneOgg(1, 8000, 0.6));
    KyOgg ogg;
    ASSERT_TRUE(ogg.open(path.c_str()));
    std::vector<size_t> sizes;
    u8* buffer = nullptr;
    size_t size = 0;
    while (ogg.decode(&buffer, size))
        sizes.push_back(size);
    EXPECT_EQ((std::vector<size_t>{4000, 4000, 1600}), sizes);
    EXPECT_FALSE(ogg.decode(&buffer, size));
}

TEST(SoundOgg, SixChannelsAreReorderedForOpenAL)
{
    TempDir dir;
    // Vorbis order: front left, centre, front right, rear left, rear right,
    // LFE; each channel at its own level.
    std::vector<double> levels = {0.05, 0.10, 0.15, 0.20, 0.25, 0.30};
    std::vector<double> freqs(6, 110.0);
    // (libvorbisenc leaks its 5.1 set-up at 44.1 kHz; 22.05 kHz codes the
    // channels the same way for this purpose.)
    Bytes ogg6 = SoundWriters::encodeVorbis(6, 22050,
                                            SoundWriters::sineFloat(6, 22050, 22050, freqs, levels));
    std::string path = put(dir, "surround.ogg", ogg6);

    KyOgg ogg;
    ASSERT_TRUE(ogg.open(path.c_str()));
    ASSERT_EQ(6, ogg.channels());
    u8* buffer = nullptr;
    size_t size = 0;
    ASSERT_TRUE(ogg.decode(&buffer, size));
    ASSERT_TRUE(ogg.decode(&buffer, size)); // a chunk from the middle
    EXPECT_EQ(0u, size % 12);

    // OpenAL order: front left, front right, centre, LFE, rear left, rear right.
    const int source[6] = {0, 2, 1, 5, 3, 4};
    for (int c = 0; c < 6; ++c) {
        double rms = channelRms(buffer, size, 6, c) / 32767 * std::sqrt(2.0);
        int nearest = 0;
        for (int i = 1; i < 6; ++i)
            if (std::fabs(levels[i] - rms) < std::fabs(levels[nearest] - rms))
                nearest = i;
        EXPECT_EQ(source[c], nearest) << "output channel " << c << " level " << rms;
    }
}

TEST(SoundOgg, NotVorbisOrWrongExtensionIsRefused)
{
    TempDir dir;
    std::string garbage = put(dir, "noise.ogg", ramp(5000));
    std::string upper = put(dir, "TONE.OGG", SoundTest::toneOgg(1, 8000, 0.1));
    {
        StdoutCapture log;
        KyOgg ogg;
        EXPECT_FALSE(ogg.open(garbage.c_str()));
        EXPECT_EQ("[KyOgg::open(const KyString& filename)] ov_open_callbacks error.\n", log.text());
    }
    {
        StdoutCapture log;
        KyOgg ogg;
        EXPECT_FALSE(ogg.open(upper.c_str()));
        EXPECT_EQ("", log.text());
    }
}

TEST(SoundOgg, DecodeAfterDecodeAllOfAShortFileStaysInItsBuffer)
{
    TempDir dir;
    std::string path = put(dir, "tiny.ogg", SoundTest::toneOgg(6, 22050, 0.1));
    KyOgg ogg;
    ASSERT_TRUE(ogg.open(path.c_str()));
    size_t size = 0;
    ogg.decodeAll(size);
    EXPECT_EQ(2205u * 12, size);
    u8* buffer = nullptr;
    EXPECT_FALSE(ogg.decode(&buffer, size));
}

TEST(SoundOwners, PickTheDecoderByTypeAndReportWhatTheyCannotOpen)
{
    TempDir dir;
    std::string wav = put(dir, "a.wav", SoundWriters::makeWav(1, 8000, 8, ramp(80)));
    std::string ogg = put(dir, "b.ogg", SoundTest::toneOgg(2, 8000, 0.1));
    std::string upper = put(dir, "C.WAV", SoundWriters::makeWav(1, 8000, 8, ramp(80)));
    std::string missing = dir.file("none.wav");

    KySound sound;
    ASSERT_TRUE(sound.open(wav.c_str()));
    EXPECT_EQ(1, sound.channels());
    EXPECT_EQ(8u, sound.bits());
    EXPECT_EQ(8000u, sound.rate());
    ASSERT_TRUE(sound.open(ogg.c_str()));
    EXPECT_EQ(2, sound.channels());
    EXPECT_EQ(16u, sound.bits());
    size_t size = 0;
    sound.decodeAll(size);
    EXPECT_EQ(800u * 4, size);

    {
        StdoutCapture log;
        EXPECT_FALSE(sound.open(missing.c_str()));
        EXPECT_FALSE(sound.isOpen());
        EXPECT_EQ("", log.text());
    }
    {
        StdoutCapture log;
        EXPECT_FALSE(sound.open(upper.c_str()));
        EXPECT_EQ("[KySound::open(const KyString& filename)] can't open file : " + upper +
                      ". File type may not be supported.\n",
                  log.text());
    }

    KySoundStreamed stream;
    ASSERT_TRUE(stream.open(ogg.c_str()));
    EXPECT_TRUE(stream.isOpen());
    EXPECT_EQ(2, stream.channels());
    EXPECT_EQ(8000u, stream.rate());
    EXPECT_EQ(16u, stream.bits());
    u8* buffer = nullptr;
    EXPECT_TRUE(stream.decode(&buffer, size));
    EXPECT_EQ(3200u, size);
    {
        StdoutCapture log;
        EXPECT_FALSE(stream.open(upper.c_str()));
        EXPECT_FALSE(stream.isOpen());
        EXPECT_EQ("[KySoundStreamed::open(const KyString& filename)] can't open file : " + upper +
                      ". File type may not be supported.\n",
                  log.text());
    }
}

TEST(SoundOgg, NoEncoderSettingIsRefusedAndEachDecodesToTheExactLength)
{
    // Every open goes through the setup check: libvorbisenc's headers at
    // every quality, managed bit rate, rate and channel count must pass it.
    auto vbr = [](float quality) {
        SoundWriters::VorbisSettings s;
        s.quality = quality;
        return s;
    };
    auto managed = [](long minimum, long nominal, long maximum) {
        SoundWriters::VorbisSettings s;
        s.managed = true;
        s.minimumBitrate = minimum;
        s.nominalBitrate = nominal;
        s.maximumBitrate = maximum;
        return s;
    };
    struct Case {
        u32 channels;
        u32 rate;
        SoundWriters::VorbisSettings settings;
    };
    const Case cases[] = {
        {1, 8000, vbr(-0.1f)},
        {1, 11025, vbr(0.0f)},
        {2, 16000, vbr(0.2f)},
        {1, 22050, vbr(0.5f)},
        {2, 32000, vbr(0.7f)},
        {2, 44100, vbr(1.0f)},
        {1, 48000, vbr(0.3f)},
        {2, 96000, vbr(0.4f)},
        {6, 22050, vbr(0.6f)},
        {2, 44100, managed(-1, 128000, -1)},   // average bit rate
        {2, 44100, managed(128000, 128000, 128000)}, // constant bit rate
        {1, 22050, managed(-1, -1, 48000)},    // maximum only
        {2, 48000, managed(96000, 160000, 256000)},
        {1, 8000, managed(-1, 16000, -1)},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.channels << " channels at " << c.rate << " Hz, quality "
                                          << c.settings.quality << ", managed " << c.settings.managed
                                          << " " << c.settings.nominalBitrate);
        const u32 frames = c.rate * 3 / 10;
        std::vector<double> f(c.channels, 440.0), a(c.channels, 0.4);
        Bytes file = SoundWriters::encodeVorbis(c.channels, c.rate,
                                                SoundWriters::sineFloat(c.channels, c.rate, frames, f, a),
                                                c.settings);
        ASSERT_FALSE(file.empty());
        std::string path = put(dir, "setting.ogg", file);
        KyOgg ogg;
        size_t size = 0;
        std::string text;
        {
            StdoutCapture log;
            if (ogg.open(path.c_str()))
                ogg.decodeAll(size);
            text = log.text();
        }
        EXPECT_EQ("", text);
        EXPECT_EQ(size_t(frames) * c.channels * 2, size);
    }
}

TEST(SoundOgg, ChainedFilesArePlayedFromTheirFirstLink)
{
    // Links from different encoder settings: the headers of each are
    // checked; the samples follow from the first link on, until a link
    // changes the layout.
    struct Link {
        u32 channels;
        u32 rate;
        u32 frames;
        bool managed;
    };
    struct Case {
        std::vector<Link> links;
        size_t bytes;
    };
    const Case cases[] = {
        {{{2, 44100, 4410, false}, {2, 44100, 8820, true}}, (4410 + 8820) * 4},
        {{{1, 22050, 2205, true}, {1, 22050, 4410, false}, {1, 22050, 1000, false}}, (2205 + 4410 + 1000) * 2},
        {{{1, 22050, 2205, false}, {2, 22050, 4410, false}}, 2205 * 2},
    };
    TempDir dir;
    for (const Case& c : cases) {
        Bytes file;
        int serial = 0x100;
        for (const Link& link : c.links) {
            SoundWriters::VorbisSettings settings;
            settings.quality = 0.1f;
            settings.managed = link.managed;
            settings.nominalBitrate = 64000;
            settings.serial = ++serial;
            std::vector<double> f(link.channels, 330.0), a(link.channels, 0.3);
            Bytes bytes = SoundWriters::encodeVorbis(
                link.channels, link.rate, SoundWriters::sineFloat(link.channels, link.rate, link.frames, f, a),
                settings);
            file.insert(file.end(), bytes.begin(), bytes.end());
        }
        KyOgg ogg;
        size_t size = 0;
        std::string text;
        {
            StdoutCapture log;
            if (ogg.open(put(dir, "chained.ogg", file).c_str()))
                ogg.decodeAll(size);
            text = log.text();
        }
        EXPECT_EQ("", text) << c.links.size() << " links";
        EXPECT_EQ(c.bytes, size) << c.links.size() << " links";
        EXPECT_EQ(c.links[0].channels, ogg.channels());
    }
}

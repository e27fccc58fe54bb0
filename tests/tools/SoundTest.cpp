#include "tests/tools/ToolsTestSupport.h"
#include "media/KyOgg.h"
#include "media/KyWav.h"
#include "tools/datagen/Synth.h"
#include "tools/datagen/VoiceMaker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace {

struct Decoded {
    u32 rate = 0;
    u32 channels = 0;
    std::vector<s16> samples;   // interleaved

    size_t frames() const { return channels ? samples.size() / channels : 0; }
    // Root mean square of one channel between two times in seconds.
    double rms(double from, double to, u32 channel = 0) const
    {
        const size_t first = size_t(from * rate);
        const size_t last = std::min(frames(), size_t(to * rate));
        double sum = 0.0;
        for (size_t f = first; f < last; ++f)
            sum += double(samples[f * channels + channel]) * samples[f * channels + channel];
        return last > first ? std::sqrt(sum / double(last - first)) / 32768.0 : 0.0;
    }
    int peak() const
    {
        int p = 0;
        for (s16 s : samples)
            p = std::max(p, std::abs(int(s)));
        return p;
    }
};

// Makes the description and decodes the file with the engine's decoder.
Decoded decodeSound(const DataFolder& data, const std::string& name, const std::string& description)
{
    const std::string path = data.makeFile(name, description);
    Decoded decoded;
    KyWav wav;
    KyOgg ogg;
    KyISound* sound = name.find(".ogg") != std::string::npos ? static_cast<KyISound*>(&ogg) : static_cast<KyISound*>(&wav);
    EXPECT_TRUE(sound->open(path.c_str())) << path;
    EXPECT_EQ(sound->bits(), 16u);
    decoded.rate = sound->rate();
    decoded.channels = sound->channels();
    size_t size = 0;
    const u8* pcm = sound->decodeAll(size);
    if (pcm)
        decoded.samples.assign(reinterpret_cast<const s16*>(pcm), reinterpret_cast<const s16*>(pcm) + size / 2);
    return decoded;
}

int zeroCrossings(const Decoded& d, double from, double to)
{
    int count = 0;
    for (size_t f = size_t(from * d.rate) + 1; f < size_t(to * d.rate) && f < d.frames(); ++f)
        count += (d.samples[f - 1] < 0) != (d.samples[f] < 0);
    return count;
}

// The period in samples of the voiced sound between two times: the
// shortest lag whose autocorrelation comes near the strongest one.
size_t period(const Decoded& d, double from, double to)
{
    const size_t first = size_t(from * d.rate);
    const size_t last = std::min(d.frames(), size_t(to * d.rate));
    std::vector<double> r(401, 0.0);
    double best = 0.0;
    for (size_t lag = 40; lag <= 400; ++lag) {
        for (size_t n = first; n + lag < last; ++n)
            r[lag] += double(d.samples[n]) * d.samples[n + lag];
        best = std::max(best, r[lag]);
    }
    for (size_t lag = 40; lag <= 400; ++lag)
        if (r[lag] >= 0.9 * best)
            return lag;
    return 0;
}

} // namespace

TEST(Sound, ToneHasItsPitchLevelAndLength)
{
    DataFolder data;
    const Decoded tone = decodeSound(data, "tone.wav", "sound rate=22050\ntone 0 0.5 A4 amp=0.5 env=0,0,1,0\n");
    EXPECT_EQ(tone.rate, 22050u);
    EXPECT_EQ(tone.channels, 1u);
    EXPECT_EQ(tone.frames(), 11025u);
    EXPECT_NEAR(zeroCrossings(tone, 0, 0.5), 440, 2);
    EXPECT_NEAR(tone.peak(), 0.5 * 32767, 40);

    const Decoded glide = decodeSound(data, "glide.wav", "sound rate=44100\ntone 0 1 200 to=800 env=0,0,1,0\n");
    EXPECT_EQ(glide.rate, 44100u);
    EXPECT_LT(zeroCrossings(glide, 0, 0.1), zeroCrossings(glide, 0.9, 1.0) / 3);

    // Every wave sounds at its pitch.
    for (const char* wave : {"square", "triangle", "saw"}) {
        const Decoded d = decodeSound(data, "wave.wav", std::string("sound\ntone 0 0.5 220 env=0,0,1,0 wave=") + wave + "\n");
        EXPECT_NEAR(zeroCrossings(d, 0, 0.5), 220, 6) << wave;
    }
}

TEST(Sound, SequencesPansEffectsAndLevelGuard)
{
    DataFolder data;
    // One beat a second: C4, a rest, then a chord of C4 E4 G4.
    const Decoded steps = decodeSound(data, "steps.wav",
                                      "sound\nnotes 0.5 \"C4:1 r:1 C4+E4+G4:1\" tempo=60 gate=0.8 env=0.01,0,1,0.05\n");
    EXPECT_NEAR(steps.frames() / 22050.0, 0.5 + 2.8 + 0.05, 0.01);
    EXPECT_LT(steps.rms(0.0, 0.49), 0.001);
    EXPECT_GT(steps.rms(0.6, 1.2), 0.2);
    EXPECT_LT(steps.rms(1.40, 2.45), 0.001);
    EXPECT_GT(steps.rms(2.6, 3.2), steps.rms(0.6, 1.2));

    const Decoded panned = decodeSound(data, "panned.ogg", "sound channels=2 length=1\ntone 0 1 440 pan=-1 env=0,0,1,0\n");
    ASSERT_EQ(panned.channels, 2u);
    EXPECT_EQ(panned.frames(), 22050u);
    EXPECT_GT(panned.rms(0.1, 0.9, 0), 0.3);
    EXPECT_LT(panned.rms(0.1, 0.9, 1), 0.02);

    // Eight loud notes at once are scaled down instead of clipping.
    const Decoded loud = decodeSound(data, "loud.wav", "sound\nchord 0 0.3 C4,D4,E4,F4,G4,A4,B4,C5 amp=1 wave=square\n");
    EXPECT_LE(loud.peak(), 32767 * 0.99 + 1);
    EXPECT_GT(loud.peak(), 32767 * 0.9);

    const Decoded echoed = decodeSound(data, "echo.wav",
                                       "sound length=1\ntone 0 0.05 880 env=0,0,1,0\necho 0.5 feedback=0 mix=0.5\n");
    EXPECT_LT(echoed.rms(0.2, 0.45), 0.001);
    EXPECT_NEAR(echoed.rms(0.5, 0.55), echoed.rms(0.0, 0.05) / 2, 0.02);

    const Decoded faded = decodeSound(data, "fade.wav", "sound length=2\ntone 0 2 440 env=0,0,1,0\nfade in=0.5 out=0.5\n");
    EXPECT_LT(faded.rms(0.0, 0.05), 0.05);
    EXPECT_GT(faded.rms(0.9, 1.1), 0.3);
    EXPECT_LT(faded.rms(1.95, 2.0), 0.05);

    const Decoded silence = decodeSound(data, "silence.ogg", "sound length=5\n");
    EXPECT_EQ(silence.frames(), 5u * 22050u);
    EXPECT_EQ(silence.peak(), 0);

    const Decoded hiss = decodeSound(data, "hiss.wav", "sound\nnoise 0 0.5 colour=pink lowpass=2000 amp=0.5\n");
    EXPECT_GT(hiss.rms(0.1, 0.4), 0.01);
    EXPECT_LT(zeroCrossings(hiss, 0.1, 0.4), 0.3 * 2 * 2000);
}

TEST(Sound, SameDescriptionSameBytes)
{
    DataFolder data;
    const std::string music = "sound channels=2\n"
                              "notes 0 \"C4 E4 G4 C5:2\" tempo=180 wave=square amp=0.2 pan=0.5 vibrato=5,0.2\n"
                              "noise 0 1 colour=brown amp=0.1 seed=4\necho 0.2\n";
    EXPECT_EQ(data.make("m.ogg", music), data.make("m.ogg", music));
    EXPECT_EQ(data.make("m.wav", music), data.make("m.wav", music));
}

TEST(Voice, TheBuiltInVoiceSpeaksEveryTimeAlike)
{
    DataFolder data;
    const std::string line = "voice \"Bonjour, voyageur. Où vas-tu ?\" language=fr engine=synth\n";
    const Decoded spoken = decodeSound(data, "line.ogg", line);
    EXPECT_EQ(spoken.rate, 22050u);
    EXPECT_EQ(spoken.channels, 1u);
    EXPECT_GT(spoken.frames(), 22050u);
    EXPECT_LT(spoken.frames(), 22050u * 6);
    EXPECT_GT(spoken.rms(0.0, 1.0), 0.02);
    EXPECT_EQ(data.make("line.wav", line), data.make("line.wav", line));
    // A longer text takes longer; a woman's variant sounds higher.
    const Decoded longer = decodeSound(data, "long.wav",
                                       "voice \"Bonjour, voyageur. Où vas-tu ? Le chemin est long.\" engine=synth\n");
    EXPECT_GT(longer.frames(), spoken.frames());
    const Decoded high = decodeSound(data, "high.wav", "voice \"aaaa\" engine=synth variant=f2\n");
    const Decoded low = decodeSound(data, "low.wav", "voice \"aaaa\" engine=synth variant=m1\n");
    const size_t highPeriod = period(high, 0.05, 0.3);
    const size_t lowPeriod = period(low, 0.05, 0.3);
    EXPECT_GT(highPeriod, 0u);
    EXPECT_LT(highPeriod * 4, lowPeriod * 3) << highPeriod << " against " << lowPeriod;
}

TEST(Voice, EspeakSpeaksTheLineWhenInstalled)
{
    int status = 0;
    run("espeak-ng --version", status);
    if (status != 0)
        GTEST_SKIP() << "espeak-ng is not installed";
    DataFolder data;
    const std::string line = "voice \"The road is long.\" language=en variant=m3 engine=espeak\n";
    const Decoded spoken = decodeSound(data, "espeak.ogg", line);
    EXPECT_EQ(spoken.rate, 22050u);
    EXPECT_GT(spoken.frames(), 22050u / 2);
    EXPECT_GT(spoken.rms(0.0, spoken.frames() / 22050.0), 0.01);
    EXPECT_EQ(data.make("espeak.wav", line), data.make("espeak.wav", line));
    EXPECT_NE(data.failure("bad.wav", "voice \"Hi\" language=xx-nowhere engine=espeak\n").find("espeak-ng failed"),
              std::string::npos);
}

TEST(Sound, NoteNamesAndEnvelopeLevels)
{
    struct Note {
        const char* name;
        double hz;
    } notes[] = {
        {"A4", 440.0}, {"A3", 220.0}, {"C4", 261.6256}, {"C#4", 277.1826}, {"Db4", 277.1826},
        {"Bb2", 116.5409}, {"B-1", 15.4339}, {"G9", 12543.85}, {"e5", 659.2551}, {"1000", 1000.0}, {"27.5", 27.5},
    };
    for (const Note& n : notes)
        EXPECT_NEAR(Synth::frequency(n.name), n.hz, 0.01) << n.name;
    for (const char* bad : {"", "H4", "A", "A10", "C#", "0", "30000", "A4x", "-5"})
        EXPECT_THROW(Synth::frequency(bad), std::runtime_error) << bad;

    Synth::Envelope env;
    env.attack = 0.1;
    env.decay = 0.1;
    env.sustain = 0.5;
    env.release = 0.2;
    struct Level {
        double t, duration, level;
    } levels[] = {
        {-0.1, 1.0, 0.0}, {0.0, 1.0, 0.0}, {0.05, 1.0, 0.5}, {0.1, 1.0, 1.0}, {0.15, 1.0, 0.75},
        {0.5, 1.0, 0.5},  {1.1, 1.0, 0.25}, {1.2, 1.0, 0.0},  {0.06, 0.05, 0.475}, // released halfway up the attack
    };
    for (const Level& l : levels)
        EXPECT_NEAR(env.level(l.t, l.duration), l.level, 1e-9) << l.t << " of " << l.duration;
}

TEST(Sound, TransposedRepeatedSequencesLastTheirBeats)
{
    DataFolder data;
    const Decoded d = decodeSound(data, "seq.wav",
                                  "sound rate=8000\nnotes 0 \"A3:0.5 r:0.5\" tempo=120 repeat=3 transpose=12 gate=1 env=0,0,1,0\n");
    // Three times a quarter of a second of A4 and a quarter of silence; the last rest adds nothing.
    EXPECT_NEAR(d.frames() / 8000.0, 1.25, 0.002);
    for (double start : {0.0, 0.5, 1.0}) {
        EXPECT_NEAR(zeroCrossings(d, start, start + 0.25), 220, 3) << start;
        if (start < 1.0) {
            EXPECT_LT(d.rms(start + 0.26, start + 0.49), 0.001) << start;
        }
    }
}

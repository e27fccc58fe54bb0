#ifndef KY_DATAGEN_SOUND_MAKER_H
#define KY_DATAGEN_SOUND_MAKER_H

#include "tools/datagen/Maker.h"
#include "tools/datagen/Synth.h"

#include <memory>

// Synthesises a sound description (times in seconds):
//
//   sound [rate=22050] [channels=1|2] [length=S] [quality=0.4] [volume=1] [normalize=PEAK]
//   tone START DURATION NOTE [to=NOTE] VOICE...
//   chord START DURATION NOTE,NOTE,... VOICE...
//   notes START "C4:1 E4:0.5 G4+C5:2 r:1 ..." [tempo=120] [gate=0.9] [repeat=1]
//         [transpose=0] VOICE...
//   noise START DURATION [colour=white|pink|brown] [lowpass=HZ] [highpass=HZ]
//         [seed=1] [amp=0.5] [env=A,D,S,R] [pan=0]
//   echo DELAY [feedback=0.3] [mix=0.4]
//   fade [in=S] [out=S]
//
// VOICE options: wave=sine|square|triangle|saw, amp=0.5, env=A,D,S,R
// (attack, decay and release in seconds, sustain level; 0.005,0.05,0.8,0.05
// by default), pan=-1..1, vibrato=RATE,SEMITONES. A NOTE is a name (A4 is
// 440 Hz; C#3, Bb2) or a frequency in Hz. In "notes", each step is
// PITCH[+PITCH...][:BEATS] or r[:BEATS] (a rest), one beat by default; a
// step sounds for gate x its length, then its release.
//
// The sound lasts until its last note ends unless length is given; echo and
// fade apply to the whole mix, in their order; a mix that would clip is
// scaled down (or scaled to normalize when given).
class SoundMaker : public Maker {
public:
    SoundMaker() {}

    void header(Command& command) override;
    void command(Command& command) override;
    std::vector<std::uint8_t> finish(const std::string& outputName) override;
    std::string kind() const override { return "sound"; }

    // The finished samples (interleaved floats), for callers that mix them.
    std::vector<float> samples();
    int rate() const { return m_synth->rate(); }
    int channels() const { return m_synth->channels(); }
    double quality() const { return m_quality; }

private:
    Synth::Voice voice(const Command& command) const;
    Synth::Envelope envelope(const Command& command) const;
    double note(const Command& command, const std::string& text) const;
    void notes(Command& command);

    std::unique_ptr<Synth> m_synth;
    double m_length = 0.0;
    double m_quality = 0.4;
    double m_volume = 1.0;
    double m_normalize = 0.0;
};

#endif

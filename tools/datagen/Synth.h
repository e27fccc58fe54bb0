#ifndef KY_DATAGEN_SYNTH_H
#define KY_DATAGEN_SYNTH_H

#include <cstdint>
#include <string>
#include <vector>

// A mix of synthesised sounds: tones and noise bursts are added into one
// buffer of float samples (interleaved, -1 to 1 once finished) at their
// start times, then whole-mix effects (echo, fades) and a level guard are
// applied. Everything is computed from the parameters alone, so the same
// calls give the same samples.
class Synth {
public:
    enum Wave { Sine, Square, Triangle, Saw };
    enum NoiseColour { White, Pink, Brown };

    // Attack, decay and release in seconds, sustain as a level of 0 to 1;
    // the release begins when the note's duration ends.
    struct Envelope {
        double attack = 0.005;
        double decay = 0.05;
        double sustain = 0.8;
        double release = 0.05;
        double level(double t, double duration) const;
    };

    struct Voice {
        Wave wave = Sine;
        double amplitude = 0.5;
        Envelope envelope;
        double pan = 0.0;            // -1 left to 1 right
        double vibratoRate = 0.0;    // Hz
        double vibratoDepth = 0.0;   // semitones
    };

    struct Noise {
        NoiseColour colour = White;
        double amplitude = 0.5;
        Envelope envelope;
        double pan = 0.0;
        double lowpass = 0.0;        // Hz, 0: none
        double highpass = 0.0;       // Hz, 0: none
        std::uint32_t seed = 1;
    };

    Synth(int rate, int channels);

    int rate() const { return m_rate; }
    int channels() const { return m_channels; }

    // A tone gliding from `from` to `to` Hz over its duration.
    void tone(double start, double duration, double from, double to, const Voice& voice);
    void noise(double start, double duration, const Noise& noise);
    // Samples from elsewhere (a voice line), added at start.
    void addMono(double start, const std::vector<float>& samples, double amplitude);

    // Effects on the whole mix, applied in the order given when finishing.
    void echo(double delay, double feedback, double mix);
    void fade(double in, double out);

    // Cuts or pads the mix to a length in seconds (otherwise it ends with
    // the last sound), applies the effects, scales by volume, then scales
    // the mix down when its peak would clip (or to `normalize` when above 0).
    std::vector<float> finish(double length, double volume, double normalize);

    // Frequency of a note name ("A4" = 440, "C#3", "Bb2") or of a number in
    // Hz; throws std::runtime_error for anything else.
    static double frequency(const std::string& note);

private:
    struct Effect {
        bool echo;
        double a, b, c;
    };

    void ensure(size_t frames);
    void add(size_t frame, double value, double pan);

    int m_rate;
    int m_channels;
    std::vector<float> m_samples;
    size_t m_end;   // frames reached by the sounds so far
    std::vector<Effect> m_effects;
};

#endif

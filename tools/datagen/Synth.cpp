#include "tools/datagen/Synth.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace {

const double pi = 3.14159265358979323846;
const size_t maxFrames = size_t(48000) * 600;   // ten minutes

// The band-limited step correction of an oscillator jump at phase 0
// (polyBLEP): keeps square and saw waves from aliasing into a buzz.
double blep(double phase, double step)
{
    if (phase < step) {
        const double t = phase / step;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - step) {
        const double t = (phase - 1.0) / step;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

double oscillator(Synth::Wave wave, double phase, double step)
{
    switch (wave) {
    case Synth::Square: {
        double v = phase < 0.5 ? 1.0 : -1.0;
        v += blep(phase, step);
        v -= blep(std::fmod(phase + 0.5, 1.0), step);
        return v;
    }
    case Synth::Triangle: return 4.0 * std::fabs(phase - 0.5) - 1.0;
    case Synth::Saw: return 2.0 * phase - 1.0 - blep(phase, step);
    default: return std::sin(2.0 * pi * phase);
    }
}

// One-pole filter coefficient for a cut-off frequency.
double onePole(double cutoff, int rate)
{
    return 1.0 - std::exp(-2.0 * pi * cutoff / rate);
}

} // namespace

double Synth::Envelope::level(double t, double duration) const
{
    if (t < 0.0)
        return 0.0;
    auto held = [this](double at) {
        if (at < attack)
            return attack > 0.0 ? at / attack : 1.0;
        if (at < attack + decay)
            return 1.0 - (1.0 - sustain) * (at - attack) / decay;
        return sustain;
    };
    if (t < duration)
        return held(t);
    if (release <= 0.0 || t >= duration + release)
        return 0.0;
    return held(duration) * (1.0 - (t - duration) / release);
}

Synth::Synth(int rate, int channels) : m_rate(rate), m_channels(channels), m_end(0)
{
}

void Synth::ensure(size_t frames)
{
    frames = std::min(frames, maxFrames);
    if (m_samples.size() < frames * m_channels)
        m_samples.resize(frames * m_channels, 0.0f);
}

void Synth::add(size_t frame, double value, double pan)
{
    if (m_channels == 1) {
        m_samples[frame] += float(value);
        return;
    }
    // Equal-power panning: the centre is as loud as either side.
    const double angle = (std::max(-1.0, std::min(1.0, pan)) + 1.0) * pi / 4.0;
    m_samples[frame * 2] += float(value * std::cos(angle) * std::sqrt(2.0));
    m_samples[frame * 2 + 1] += float(value * std::sin(angle) * std::sqrt(2.0));
}

void Synth::tone(double start, double duration, double from, double to, const Voice& voice)
{
    const size_t first = size_t(std::max(0.0, std::floor(start * m_rate + 0.5)));
    const size_t count = size_t(std::ceil((duration + voice.envelope.release) * m_rate));
    ensure(first + count);
    const size_t last = std::min(first + count, m_samples.size() / m_channels);
    double phase = 0.0;
    for (size_t n = first; n < last; ++n) {
        const double t = double(n - first) / m_rate;
        double f = duration > 0.0 && from != to ? from * std::pow(to / from, std::min(t, duration) / duration) : from;
        if (voice.vibratoDepth != 0.0)
            f *= std::pow(2.0, voice.vibratoDepth / 12.0 * std::sin(2.0 * pi * voice.vibratoRate * t));
        const double step = std::min(0.5, f / m_rate);
        add(n, oscillator(voice.wave, phase, step) * voice.amplitude * voice.envelope.level(t, duration), voice.pan);
        phase += step;
        phase -= std::floor(phase);
    }
    m_end = std::max(m_end, last);
}

void Synth::noise(double start, double duration, const Noise& noise)
{
    const size_t first = size_t(std::max(0.0, std::floor(start * m_rate + 0.5)));
    const size_t count = size_t(std::ceil((duration + noise.envelope.release) * m_rate));
    ensure(first + count);
    const size_t last = std::min(first + count, m_samples.size() / m_channels);
    std::uint32_t state = noise.seed ? noise.seed : 1;
    const double low = noise.lowpass > 0.0 ? onePole(noise.lowpass, m_rate) : 1.0;
    const double high = noise.highpass > 0.0 ? onePole(noise.highpass, m_rate) : 0.0;
    double b0 = 0, b1 = 0, b2 = 0, brown = 0, lowState = 0, highState = 0;
    for (size_t n = first; n < last; ++n) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const double white = state / 2147483647.5 - 1.0;
        double v = white;
        if (noise.colour == Pink) {
            b0 = 0.99765 * b0 + white * 0.0990460;
            b1 = 0.96300 * b1 + white * 0.2965164;
            b2 = 0.57000 * b2 + white * 1.0526913;
            v = (b0 + b1 + b2 + white * 0.1848) * 0.25;
        } else if (noise.colour == Brown) {
            brown = (brown + white * 0.02) * 0.998;
            v = brown * 3.5;
        }
        lowState += low * (v - lowState);
        v = lowState;
        if (high > 0.0) {
            highState += high * (v - highState);
            v -= highState;
        }
        const double t = double(n - first) / m_rate;
        add(n, v * noise.amplitude * noise.envelope.level(t, duration), noise.pan);
    }
    m_end = std::max(m_end, last);
}

void Synth::addMono(double start, const std::vector<float>& samples, double amplitude)
{
    const size_t first = size_t(std::max(0.0, std::floor(start * m_rate + 0.5)));
    ensure(first + samples.size());
    const size_t last = std::min(first + samples.size(), m_samples.size() / m_channels);
    for (size_t n = first; n < last; ++n)
        add(n, samples[n - first] * amplitude, 0.0);
    m_end = std::max(m_end, last);
}

void Synth::echo(double delay, double feedback, double mix)
{
    m_effects.push_back(Effect{true, delay, feedback, mix});
}

void Synth::fade(double in, double out)
{
    m_effects.push_back(Effect{false, in, out, 0.0});
}

std::vector<float> Synth::finish(double length, double volume, double normalize)
{
    size_t frames = length > 0.0 ? size_t(std::floor(length * m_rate + 0.5)) : m_end;
    frames = std::max<size_t>(1, std::min(frames, maxFrames));
    m_samples.resize(frames * m_channels, 0.0f);
    const int c = m_channels;

    for (const Effect& effect : m_effects) {
        if (effect.echo) {
            const size_t delay = std::max<size_t>(1, size_t(effect.a * m_rate + 0.5));
            if (delay >= frames)
                continue;
            // The echo line: what was heard delay ago, fed back into itself.
            std::vector<float> line(m_samples.size(), 0.0f);
            for (size_t n = delay; n < frames; ++n)
                for (int k = 0; k < c; ++k)
                    line[n * c + k] = float(m_samples[(n - delay) * c + k] + effect.b * line[(n - delay) * c + k]);
            for (size_t i = 0; i < m_samples.size(); ++i)
                m_samples[i] += float(effect.c * line[i]);
        } else {
            const double in = effect.a * m_rate;
            const double out = effect.b * m_rate;
            for (size_t n = 0; n < frames; ++n) {
                double gain = 1.0;
                if (in > 0.0 && n < in)
                    gain *= n / in;
                if (out > 0.0 && frames - n < out)
                    gain *= (frames - n) / out;
                for (int k = 0; k < c; ++k)
                    m_samples[n * c + k] = float(m_samples[n * c + k] * gain);
            }
        }
    }

    double peak = 0.0;
    for (float& s : m_samples) {
        s = float(s * volume);
        peak = std::max(peak, double(std::fabs(s)));
    }
    double scale = 1.0;
    if (normalize > 0.0 && peak > 0.0)
        scale = normalize / peak;
    else if (peak > 0.99)
        scale = 0.99 / peak;
    if (scale != 1.0)
        for (float& s : m_samples)
            s = float(s * scale);
    return m_samples;
}

double Synth::frequency(const std::string& note)
{
    if (note.empty())
        throw std::runtime_error("a note is missing");
    if (std::isdigit(static_cast<unsigned char>(note[0]))) {
        char* end = nullptr;
        const double hz = std::strtod(note.c_str(), &end);
        if (*end != '\0' || hz <= 0.0 || hz > 20000.0)
            throw std::runtime_error("'" + note + "' is not a frequency (Hz, above 0 up to 20000)");
        return hz;
    }
    static const int steps[] = {9, 11, 0, 2, 4, 5, 7};   // A B C D E F G from C
    const char letter = char(std::toupper(static_cast<unsigned char>(note[0])));
    if (letter < 'A' || letter > 'G')
        throw std::runtime_error("'" + note + "' is not a note (C4, F#3, Bb2, or a frequency in Hz)");
    int semitone = steps[letter - 'A'];
    size_t at = 1;
    if (at < note.size() && note[at] == '#') {
        ++semitone;
        ++at;
    } else if (at < note.size() && note[at] == 'b') {
        --semitone;
        ++at;
    }
    char* end = nullptr;
    const std::string octaveText = note.substr(at);
    const long octave = std::strtol(octaveText.c_str(), &end, 10);
    if (octaveText.empty() || *end != '\0' || octave < -1 || octave > 9)
        throw std::runtime_error("'" + note + "' is not a note: the octave (-1 to 9) is missing or wrong");
    const int midi = int(octave + 1) * 12 + semitone;
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

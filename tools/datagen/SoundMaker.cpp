#include "tools/datagen/SoundMaker.h"

#include "tools/datagen/SoundEncoder.h"

#include <cmath>
#include <sstream>
#include <stdexcept>

namespace {

double duration(const Command& command, size_t i)
{
    const double value = command.number(i);
    if (value < 0.0 || value > 600.0)
        throw command.error(command.name() + ": times go from 0 to 600 seconds");
    return value;
}

double ranged(const Command& command, const std::string& key, double fallback, double low, double high)
{
    const double value = command.number(key, fallback);
    if (value < low || value > high)
        throw command.error(command.name() + ": " + key + " goes from " + Expression::format(low) + " to "
                            + Expression::format(high));
    return value;
}

} // namespace

void SoundMaker::header(Command& command)
{
    command.expect(0, 0, "only options");
    const double rate = command.number("rate", 22050.0);
    if (rate != 8000 && rate != 11025 && rate != 16000 && rate != 22050 && rate != 32000 && rate != 44100 && rate != 48000)
        throw command.error("sound: rate is 8000, 11025, 16000, 22050, 32000, 44100 or 48000");
    const double channels = command.number("channels", 1.0);
    if (channels != 1.0 && channels != 2.0)
        throw command.error("sound: channels is 1 or 2");
    m_length = ranged(command, "length", 0.0, 0.0, 600.0);
    m_quality = ranged(command, "quality", 0.4, -0.1, 1.0);
    m_volume = ranged(command, "volume", 1.0, 0.0, 16.0);
    m_normalize = ranged(command, "normalize", 0.0, 0.0, 1.0);
    command.finish();
    m_synth.reset(new Synth(int(rate), int(channels)));
}

double SoundMaker::note(const Command& command, const std::string& text) const
{
    try {
        return Synth::frequency(text);
    } catch (const std::runtime_error& e) {
        throw command.error(command.name() + ": " + e.what());
    }
}

Synth::Envelope SoundMaker::envelope(const Command& command) const
{
    Synth::Envelope env;
    const std::vector<std::string> parts = command.list("env");
    if (parts.empty())
        return env;
    if (parts.size() != 4)
        throw command.error(command.name() + ": env is ATTACK,DECAY,SUSTAIN,RELEASE");
    env.attack = command.evaluate(parts[0]);
    env.decay = command.evaluate(parts[1]);
    env.sustain = command.evaluate(parts[2]);
    env.release = command.evaluate(parts[3]);
    if (env.attack < 0.0 || env.decay < 0.0 || env.release < 0.0 || env.release > 60.0 || env.sustain < 0.0
        || env.sustain > 1.0)
        throw command.error(command.name() + ": env times cannot be negative, the sustain level goes from 0 to 1");
    return env;
}

Synth::Voice SoundMaker::voice(const Command& command) const
{
    Synth::Voice v;
    const std::string wave = command.option("wave", "sine");
    if (wave == "sine")
        v.wave = Synth::Sine;
    else if (wave == "square")
        v.wave = Synth::Square;
    else if (wave == "triangle")
        v.wave = Synth::Triangle;
    else if (wave == "saw")
        v.wave = Synth::Saw;
    else
        throw command.error(command.name() + ": wave is sine, square, triangle or saw, not '" + wave + "'");
    v.amplitude = ranged(command, "amp", 0.5, 0.0, 4.0);
    v.envelope = envelope(command);
    v.pan = ranged(command, "pan", 0.0, -1.0, 1.0);
    const std::vector<std::string> vibrato = command.list("vibrato");
    if (!vibrato.empty()) {
        if (vibrato.size() != 2)
            throw command.error(command.name() + ": vibrato is RATE,SEMITONES");
        v.vibratoRate = command.evaluate(vibrato[0]);
        v.vibratoDepth = command.evaluate(vibrato[1]);
    }
    return v;
}

void SoundMaker::command(Command& command)
{
    const std::string& name = command.name();
    if (name == "tone") {
        command.expect(3, 3, "START DURATION NOTE");
        const double from = note(command, command.text(2));
        const double to = command.has("to") ? note(command, command.option("to")) : from;
        const Synth::Voice v = voice(command);
        command.finish();
        m_synth->tone(duration(command, 0), duration(command, 1), from, to, v);
    } else if (name == "chord") {
        command.expect(3, 3, "START DURATION NOTE,NOTE,...");
        const Synth::Voice v = voice(command);
        command.finish();
        for (const std::string& n : Command::splitList(command.text(2))) {
            const double f = note(command, n);
            m_synth->tone(duration(command, 0), duration(command, 1), f, f, v);
        }
    } else if (name == "notes") {
        notes(command);
    } else if (name == "noise") {
        command.expect(2, 2, "START DURATION");
        Synth::Noise n;
        const std::string colour = command.option("colour", "white");
        if (colour == "white")
            n.colour = Synth::White;
        else if (colour == "pink")
            n.colour = Synth::Pink;
        else if (colour == "brown")
            n.colour = Synth::Brown;
        else
            throw command.error("noise: colour is white, pink or brown, not '" + colour + "'");
        n.amplitude = ranged(command, "amp", 0.5, 0.0, 4.0);
        n.envelope = envelope(command);
        n.pan = ranged(command, "pan", 0.0, -1.0, 1.0);
        n.lowpass = ranged(command, "lowpass", 0.0, 0.0, 24000.0);
        n.highpass = ranged(command, "highpass", 0.0, 0.0, 24000.0);
        n.seed = std::uint32_t(ranged(command, "seed", 1.0, 0.0, 4294967295.0));
        command.finish();
        m_synth->noise(duration(command, 0), duration(command, 1), n);
    } else if (name == "echo") {
        command.expect(1, 1, "DELAY");
        const double delay = duration(command, 0);
        const double feedback = ranged(command, "feedback", 0.3, 0.0, 0.95);
        const double mix = ranged(command, "mix", 0.4, 0.0, 1.0);
        command.finish();
        m_synth->echo(delay, feedback, mix);
    } else if (name == "fade") {
        command.expect(0, 0, "only in=S and out=S");
        const double in = ranged(command, "in", 0.0, 0.0, 600.0);
        const double out = ranged(command, "out", 0.0, 0.0, 600.0);
        command.finish();
        m_synth->fade(in, out);
    } else if (name == "sound") {
        throw command.error("sound: a description makes one sound (the 'sound' line comes once, first)");
    } else {
        throw command.error("unknown sound command '" + name + "' (tone, chord, notes, noise, echo, fade)");
    }
}

void SoundMaker::notes(Command& command)
{
    command.expect(2, 2, "START \"STEPS\"");
    const double start = duration(command, 0);
    const double tempo = ranged(command, "tempo", 120.0, 1.0, 1000.0);
    const double gate = ranged(command, "gate", 0.9, 0.01, 1.0);
    const double repeat = ranged(command, "repeat", 1.0, 1.0, 1000.0);
    const double transpose = ranged(command, "transpose", 0.0, -48.0, 48.0);
    const Synth::Voice v = voice(command);
    command.finish();

    // Parse everything first, so a bad step fails before anything sounds.
    struct Step {
        std::vector<double> pitches;
        double beats;
    };
    std::vector<Step> steps;
    std::istringstream in(command.text(1));
    std::string token;
    while (in >> token) {
        Step step;
        const size_t colon = token.find(':');
        step.beats = colon == std::string::npos ? 1.0 : command.evaluate(token.substr(colon + 1));
        if (step.beats <= 0.0)
            throw command.error("notes: the step '" + token + "' must last more than 0 beats");
        const std::string pitches = token.substr(0, colon);
        if (pitches != "r" && pitches != "-") {
            size_t at = 0;
            while (at <= pitches.size()) {
                size_t plus = pitches.find('+', at);
                if (plus == std::string::npos)
                    plus = pitches.size();
                step.pitches.push_back(note(command, pitches.substr(at, plus - at)) * std::pow(2.0, transpose / 12.0));
                at = plus + 1;
            }
        }
        steps.push_back(step);
    }
    const double beat = 60.0 / tempo;
    double at = start;
    for (int r = 0; r < int(repeat); ++r) {
        for (const Step& step : steps) {
            for (double f : step.pitches)
                m_synth->tone(at, step.beats * beat * gate, f, f, v);
            at += step.beats * beat;
        }
    }
}

std::vector<float> SoundMaker::samples()
{
    return m_synth->finish(m_length, m_volume, m_normalize);
}

std::vector<std::uint8_t> SoundMaker::finish(const std::string& outputName)
{
    const std::string format = SoundEncoder::formatOf(outputName);
    if (format.empty())
        throw std::runtime_error("a sound is written as .wav or .ogg: '" + outputName + "' names neither");
    return SoundEncoder::encode(samples(), channels(), rate(), format, m_quality);
}

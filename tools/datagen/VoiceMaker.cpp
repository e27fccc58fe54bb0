#include "tools/datagen/VoiceMaker.h"

#include "tools/datagen/CharacterSet.h"
#include "tools/datagen/SoundEncoder.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const double pi = 3.14159265358979323846;

std::uint32_t readU32(const std::vector<std::uint8_t>& b, size_t at)
{
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16)
           | (std::uint32_t(b[at + 3]) << 24);
}

// The samples of espeak-ng's WAVE output. Written to a pipe, its chunk sizes
// are placeholders, so the data runs to the end of what was read.
bool parseWave(const std::vector<std::uint8_t>& bytes, std::vector<float>& samples, int& rate, std::string& reason)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        reason = "espeak-ng gave no WAVE data";
        return false;
    }
    size_t at = 12;
    int channels = 0, bits = 0;
    while (at + 8 <= bytes.size()) {
        const std::uint32_t size = readU32(bytes, at + 4);
        if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && at + 24 <= bytes.size()) {
            channels = bytes[at + 10] | (bytes[at + 11] << 8);
            rate = int(readU32(bytes, at + 12));
            bits = bytes[at + 22] | (bytes[at + 23] << 8);
        } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
            if (channels != 1 || bits != 16) {
                reason = "espeak-ng gave a WAVE layout other than mono 16-bit";
                return false;
            }
            const size_t first = at + 8;
            const size_t count = std::min<size_t>(size, bytes.size() - first) / 2;
            samples.resize(count);
            for (size_t i = 0; i < count; ++i) {
                const std::int16_t v = std::int16_t(bytes[first + 2 * i] | (bytes[first + 2 * i + 1] << 8));
                samples[i] = float(v / 32768.0);
            }
            return true;
        }
        at += 8 + size + (size & 1);
    }
    reason = "espeak-ng's WAVE data has no samples";
    return false;
}

// Linear resampling to the voice rate (espeak-ng speaks at 22050 Hz already).
std::vector<float> resample(const std::vector<float>& in, int from, int to)
{
    if (from == to || in.empty())
        return in;
    const size_t count = size_t(double(in.size()) * to / from);
    std::vector<float> out(count);
    for (size_t i = 0; i < count; ++i) {
        const double at = double(i) * from / to;
        const size_t k = size_t(at);
        const double t = at - k;
        const float a = in[std::min(k, in.size() - 1)];
        const float b = in[std::min(k + 1, in.size() - 1)];
        out[i] = float(a + (b - a) * t);
    }
    return out;
}

// A two-pole resonator: one formant of the babble's vowels.
struct Resonator {
    double a1 = 0, a2 = 0, gain = 0, y1 = 0, y2 = 0;
    void tune(double frequency, double bandwidth, int rate)
    {
        const double r = std::exp(-pi * bandwidth / rate);
        a1 = 2.0 * r * std::cos(2.0 * pi * frequency / rate);
        a2 = -r * r;
        gain = 1.0 - r;
    }
    double run(double x)
    {
        const double y = gain * x + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = y;
        return y;
    }
};

struct Sound {
    enum Kind { Vowel, Voiced, Hiss, Stop, Pause } kind;
    double seconds;
    double f1, f2;
};

Sound soundOf(std::uint32_t c, double unit)
{
    // Accented Latin letters count as their base vowel.
    if (c >= 0xC0 && c <= 0xFF) {
        static const char base[] = "aaaaaaaceeeeiiiidnooooo/ouuuuy?saaaaaaaceeeeiiiidnooooo/ouuuuy?y";
        c = std::uint32_t(base[c - 0xC0]);
    }
    c = std::uint32_t(std::tolower(int(c < 128 ? c : '?')));
    switch (c) {
    case 'a': return {Sound::Vowel, 1.6 * unit, 730, 1090};
    case 'e': return {Sound::Vowel, 1.4 * unit, 530, 1840};
    case 'i': case 'y': return {Sound::Vowel, 1.3 * unit, 300, 2290};
    case 'o': return {Sound::Vowel, 1.5 * unit, 570, 840};
    case 'u': return {Sound::Vowel, 1.4 * unit, 320, 870};
    case 'm': case 'n': return {Sound::Voiced, 0.9 * unit, 280, 1100};
    case 'l': case 'r': case 'w': case 'v': case 'j': return {Sound::Voiced, 0.8 * unit, 360, 1300};
    case 's': case 'z': case 'f': case 'c': case 'x': case 'h': return {Sound::Hiss, 0.9 * unit, 0, 0};
    case 'p': case 't': case 'k': case 'b': case 'd': case 'g': case 'q': return {Sound::Stop, 0.7 * unit, 0, 0};
    case ',': case ';': case ':': return {Sound::Pause, 3.0 * unit, 0, 0};
    case '.': case '!': case '?': return {Sound::Pause, 5.0 * unit, 0, 0};
    default: return {Sound::Pause, 1.0 * unit, 0, 0};
    }
}

// espeak-ng opens an audio device even when it writes to a pipe. On an
// account with no PulseAudio runtime folder yet (a fresh machine, the first
// line of the first build), the sound layer names a new folder with rand(),
// which moves the C library's random sequence that espeak-ng then draws the
// breath noise of its voices from: the same line came out as other samples.
// Each run gets its own empty runtime folder and a server address inside it
// that does not exist, so the audio layer never touches the generator (nor a
// real sound server) and every run speaks alike.
class QuietAudio {
public:
    QuietAudio()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kyvoice-XXXXXX";
        if (mkdtemp(&pattern[0]))
            m_folder = pattern;
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "PULSE_RUNTIME_PATH=", 19) != 0 && std::strncmp(*e, "PULSE_SERVER=", 13) != 0)
                m_strings.push_back(*e);
        if (!m_folder.empty()) {
            m_strings.push_back("PULSE_RUNTIME_PATH=" + m_folder);
            m_strings.push_back("PULSE_SERVER=unix:" + m_folder + "/none");
        }
        for (std::string& s : m_strings)
            m_environment.push_back(&s[0]);
        m_environment.push_back(nullptr);
    }
    ~QuietAudio()
    {
        if (m_folder.empty())
            return;
        // The client may leave a file or two behind; nothing in it is ours to keep.
        if (DIR* dir = opendir(m_folder.c_str())) {
            while (dirent* entry = readdir(dir))
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                    unlink((m_folder + "/" + entry->d_name).c_str());
            closedir(dir);
        }
        rmdir(m_folder.c_str());
    }
    QuietAudio(const QuietAudio&) = delete;
    QuietAudio& operator=(const QuietAudio&) = delete;

    char** environment() { return m_environment.data(); }

private:
    std::string m_folder;
    std::vector<std::string> m_strings;
    std::vector<char*> m_environment;
};

} // namespace

void VoiceMaker::header(Command& command)
{
    command.expect(1, 1, "\"TEXT\"");
    m_settings.text = command.text(0);
    m_settings.language = command.option("language", "en");
    m_settings.variant = command.option("variant", "");
    for (const std::string* word : {&m_settings.language, &m_settings.variant})
        for (char c : *word)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
                throw command.error("voice: '" + *word + "' is not a language or variant name");
    m_settings.pitch = int(command.number("pitch", 50.0));
    m_settings.speed = int(command.number("speed", 160.0));
    if (m_settings.pitch < 0 || m_settings.pitch > 99 || m_settings.speed < 80 || m_settings.speed > 450)
        throw command.error("voice: pitch goes from 0 to 99, speed from 80 to 450 words a minute");
    m_engine = command.option("engine", "auto");
    if (m_engine != "auto" && m_engine != "espeak" && m_engine != "synth")
        throw command.error("voice: engine is auto, espeak or synth, not '" + m_engine + "'");
    m_volume = command.number("volume", 1.0);
    m_quality = command.number("quality", 0.4);
    if (m_volume < 0.0 || m_volume > 16.0)
        throw command.error("voice: volume goes from 0 to 16");
    command.finish();
    if (m_settings.text.empty())
        throw command.error("voice: the text is empty");
    try {
        CharacterSet::decodeUtf8(m_settings.text);
    } catch (const std::runtime_error& e) {
        throw command.error(std::string("voice: ") + e.what());
    }
    m_where = command.file() + ":" + std::to_string(command.line());
}

bool VoiceMaker::espeak(const Settings& settings, std::vector<float>& samples, std::string& reason)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        reason = "no pipe to espeak-ng";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    const std::string voice = settings.variant.empty() ? settings.language : settings.language + "+" + settings.variant;
    const std::string pitch = std::to_string(settings.pitch);
    const std::string speed = std::to_string(settings.speed);
    std::vector<std::string> args = {"espeak-ng", "-b", "1", "-v", voice, "-p", pitch, "-s", speed, "--stdout", "--",
                                     settings.text};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    QuietAudio audio;
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, "espeak-ng", &actions, nullptr, argv.data(), audio.environment());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        reason = std::string("espeak-ng cannot be run (") + std::strerror(spawned) + ")";
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
        if (n > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        // 127: the shell's "not found", which posix_spawnp reports this way on some systems.
        reason = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "espeak-ng is not installed"
                                                                 : "espeak-ng failed (is the language '" + settings.language
                                                                       + "' or the variant '" + settings.variant + "' known?)";
        return false;
    }
    int waveRate = rate;
    if (!parseWave(bytes, samples, waveRate, reason))
        return false;
    samples = resample(samples, waveRate, rate);
    return true;
}

std::vector<float> VoiceMaker::babble(const Settings& settings)
{
    const std::vector<std::uint32_t> text = CharacterSet::decodeUtf8(settings.text);
    const double unit = 0.055 * 160.0 / settings.speed;
    const bool question = !text.empty() && text.back() == '?';
    // A man's voice around 110 Hz at the default pitch; variants f* sound higher.
    double base = 70.0 + settings.pitch * 0.8;
    if (!settings.variant.empty() && settings.variant[0] == 'f')
        base *= 1.8;

    std::vector<Sound> sounds;
    double total = 0.0;
    for (std::uint32_t c : text) {
        sounds.push_back(soundOf(c, unit));
        total += sounds.back().seconds;
    }
    std::vector<float> out;
    out.reserve(size_t(total * rate) + rate / 4);
    Resonator first, second;
    double phase = 0.0;
    double elapsed = 0.0;
    std::uint32_t noise = 0x2545F491u;
    for (const Sound& sound : sounds) {
        const size_t count = size_t(sound.seconds * rate);
        if (sound.kind == Sound::Vowel || sound.kind == Sound::Voiced) {
            first.tune(sound.f1, 90.0, rate);
            second.tune(sound.f2, 120.0, rate);
        }
        for (size_t n = 0; n < count; ++n) {
            const double t = n / double(count);
            // Pitch falls through a statement and rises at the end of a question.
            const double progress = total > 0.0 ? (elapsed + n / double(rate)) / total : 0.0;
            const double f0 = base * (question && progress > 0.7 ? 1.0 + (progress - 0.7) : 1.1 - 0.2 * progress);
            phase += f0 / rate;
            phase -= std::floor(phase);
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const double hiss = noise / 2147483647.5 - 1.0;
            const double shape = std::sin(pi * t);   // each sound swells and fades
            double v = 0.0;
            switch (sound.kind) {
            case Sound::Vowel:
            case Sound::Voiced: {
                const double pulse = 1.0 - 2.0 * phase;   // the glottis as a sawtooth
                const double loud = sound.kind == Sound::Vowel ? 1.0 : 0.5;
                v = (first.run(pulse) * 6.0 + second.run(pulse) * 3.0) * loud * shape;
                break;
            }
            case Sound::Hiss: v = hiss * 0.12 * shape; break;
            case Sound::Stop: v = t < 0.15 ? hiss * 0.3 * (1.0 - t / 0.15) : 0.0; break;
            case Sound::Pause: v = 0.0; break;
            }
            out.push_back(float(std::max(-1.0, std::min(1.0, v))));
        }
        elapsed += sound.seconds;
    }
    out.resize(out.size() + rate / 5, 0.0f);
    return out;
}

std::vector<float> VoiceMaker::speak()
{
    std::vector<float> samples;
    if (m_engine != "synth") {
        std::string reason;
        if (!espeak(m_settings, samples, reason)) {
            if (m_engine == "espeak")
                throw std::runtime_error(m_where + ": voice: " + reason);
            std::fprintf(stderr, "%s: warning: %s; the line gets the built-in babble voice\n", m_where.c_str(),
                         reason.c_str());
            samples = babble(m_settings);
        }
    } else {
        samples = babble(m_settings);
    }
    for (float& s : samples)
        s = float(std::max(-1.0, std::min(1.0, s * m_volume)));
    return samples;
}

std::vector<std::uint8_t> VoiceMaker::finish(const std::string& outputName)
{
    const std::string format = SoundEncoder::formatOf(outputName);
    if (format.empty())
        throw std::runtime_error("a voice is written as .wav or .ogg: '" + outputName + "' names neither");
    if (m_quality < -0.1 || m_quality > 1.0)
        throw std::runtime_error(m_where + ": voice: quality goes from -0.1 to 1");
    return SoundEncoder::encode(speak(), 1, rate, format, m_quality);
}

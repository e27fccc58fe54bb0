#ifndef KY_TEST_SOUND_WRITERS_H
#define KY_TEST_SOUND_WRITERS_H

#include <cstdint>
#include <string>
#include <vector>

// Fixture writers for the sound tests and benchmarks: RIFF/WAVE files built
// chunk by chunk (so malformed layouts are easy to make) and Ogg Vorbis files
// encoded with libvorbisenc.
namespace SoundWriters {

typedef std::vector<std::uint8_t> Bytes;

// Builds a RIFF/WAVE file from chunks in the order they are added. Chunks of
// odd size get their pad byte, as the format requires.
class WavBuilder {
public:
    // A "fmt " chunk: 16 bytes of format fields followed by extraBytes zero
    // bytes (18 for a WAVEFORMATEX with cbSize, for instance). blockAlign and
    // byteRate are derived from channels and bits.
    WavBuilder& fmt(std::uint16_t format, std::uint16_t channels, std::uint32_t rate,
                    std::uint16_t bits, std::uint32_t extraBytes = 0);
    // A "data" chunk holding pcm; declaredSize, when not ~0u, is written as
    // the chunk size instead of the real one (to make lying headers).
    WavBuilder& data(const Bytes& pcm, std::uint32_t declaredSize = ~0u);
    // Any chunk, with its pad byte when the payload is odd.
    WavBuilder& chunk(const char tag[4], const Bytes& payload);
    // Raw bytes appended as they are.
    WavBuilder& raw(const Bytes& bytes);

    // The whole file; riffTag and waveTag replace "RIFF" and "WAVE".
    Bytes bytes(const char* riffTag = "RIFF", const char* waveTag = "WAVE") const;

private:
    Bytes m_body;
};

// The most common case: a PCM file with one fmt and one data chunk.
Bytes makeWav(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, const Bytes& pcm);

// Interleaved 16-bit little-endian sine samples. frequencies and amplitudes
// give one value per channel (amplitude in sample units, 0..32767).
Bytes sineS16(std::uint32_t channels, std::uint32_t rate, std::uint32_t frames,
              const std::vector<double>& frequencies, const std::vector<double>& amplitudes);
// Unsigned 8-bit sine samples around 128 (amplitude in 0..127).
Bytes sineU8(std::uint32_t channels, std::uint32_t rate, std::uint32_t frames, double frequency,
             double amplitude);

// Interleaved float samples (-1..1) of one sine per channel.
std::vector<float> sineFloat(std::uint32_t channels, std::uint32_t rate, std::uint32_t frames,
                             const std::vector<double>& frequencies,
                             const std::vector<double>& amplitudes);

// How encodeVorbis codes: variable bit rate at a quality, or managed bit
// rate (libvorbisenc keeping to the given bounds, in bits per second; -1
// leaves a bound free). serial numbers the logical stream, so files encoded
// with different serials can be chained by concatenation.
struct VorbisSettings {
    float quality = 0.4f; // -0.1..1
    bool managed = false;
    long minimumBitrate = -1;
    long nominalBitrate = -1;
    long maximumBitrate = -1;
    int serial = 0x4b79;
};

// Encodes interleaved float samples as Ogg Vorbis (VBR at the given quality,
// -0.1..1). Empty on encoder failure. Channels follow the Vorbis order (for
// six: front left, centre, front right, rear left, rear right, LFE).
Bytes encodeVorbis(std::uint32_t channels, std::uint32_t rate, const std::vector<float>& samples,
                   float quality = 0.4f);
Bytes encodeVorbis(std::uint32_t channels, std::uint32_t rate, const std::vector<float>& samples,
                   const VorbisSettings& settings);

// One page of an Ogg file: where it starts, where its payload starts, the
// payload's size and the page's stream serial number.
struct OggPage {
    size_t start;
    size_t body;
    size_t bodySize;
    int serial;
};
// The pages of an Ogg file in order, up to the first bytes that are no page.
std::vector<OggPage> oggPages(const Bytes& file);
// Sets the checksum of a page whose bytes were changed, so readers take it.
void fixOggPageCrc(Bytes& file, const OggPage& page);

// Writes bytes to a file, creating its folders; false on failure.
bool writeFile(const std::string& path, const Bytes& bytes);
// Reads a whole file; empty when it cannot be read.
Bytes readFile(const std::string& path);

} // namespace SoundWriters

#endif

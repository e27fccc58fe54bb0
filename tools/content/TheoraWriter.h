#ifndef KY_TEST_THEORA_WRITER_H
#define KY_TEST_THEORA_WRITER_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Writers of Ogg fixtures for the video tests and benchmarks: Theora video
// through libtheoraenc (optionally with a Vorbis track beside it through
// libvorbisenc), Vorbis-only files, and raw Ogg muxing of packets so tests
// can damage headers and pages on purpose.

// One packet of a logical stream, as muxed into Ogg pages.
struct OggPacketData {
    std::string bytes;
    std::int64_t granulePosition = 0;
};

// A picture plane handed to the frame painter: width x height bytes, rows
// top-down, stride bytes apart.
struct TheoraPlane {
    int width;
    int height;
    int stride;
    unsigned char* data;
};

struct TheoraVideoSpec {
    // The coded frame (multiples of 16) and the picture region inside it,
    // offsets from the top-left corner.
    unsigned frameWidth = 64;
    unsigned frameHeight = 48;
    unsigned pictureWidth = 64;
    unsigned pictureHeight = 48;
    unsigned pictureX = 0;
    unsigned pictureY = 0;
    unsigned fpsNumerator = 25;
    unsigned fpsDenominator = 1;
    // 0 4:2:0, 2 4:2:2, 3 4:4:4 (libtheora's pixel format codes).
    int pixelFormat = 0;
    unsigned frames = 10;
    // 0 to 63.
    int quality = 48;
    // Frames between keyframes (the encoder's maximum interval).
    unsigned keyframeInterval = 64;
    // Frame i is followed by duplicateAfter[i] duplicate-frame packets
    // (empty packets) when given.
    std::vector<unsigned> duplicateAfter;
    // Paints frame index into the three planes (Y, Cb, Cr). The default
    // paints flat Y = 16 + 8 x index (mod 220), Cb = Cr = 128.
    std::function<void(unsigned index, TheoraPlane planes[3])> paint;
};

// The Theora packets of the described video: the three headers, then one packet per
// frame (plus the duplicates asked for).
std::vector<OggPacketData> encodeTheoraPackets(const TheoraVideoSpec& spec);

// The Vorbis packets of seconds of a 440 Hz tone: three headers, then audio.
std::vector<OggPacketData> encodeVorbisPackets(double seconds, long sampleRate = 22050, int channels = 1);
// The Vorbis packets of interleaved float samples (-1..1) at a quality of
// -0.1..1: three headers, then audio.
std::vector<OggPacketData> encodeVorbisPackets(const std::vector<float>& samples, long sampleRate, int channels,
                                               float quality = 0.3f);

// Muxes one logical stream into Ogg pages: the first packet alone on the
// beginning page, the other headers flushed on their own pages, data packets
// paged by libogg (or one page per packet with pagePerPacket), the last page
// marked end of stream.
std::string muxOgg(const std::vector<OggPacketData>& packets, int serialNumber, unsigned headerCount = 3,
                   bool pagePerPacket = false);

// Muxes two streams into one file: both beginning pages first (video's
// first), then the remaining headers, then the data pages alternately.
std::string muxOggPair(const std::vector<OggPacketData>& video, int videoSerial,
                       const std::vector<OggPacketData>& audio, int audioSerial);

// A whole ".ogv" file in memory: Theora only, or Theora with a Vorbis track
// of the same length.
std::string writeTheoraOgv(const TheoraVideoSpec& spec, bool withVorbis = false);
// A Vorbis-only Ogg file in memory.
std::string writeVorbisOgg(double seconds);

// Writes bytes to a file (folders must exist); false on failure.
bool writeBytesToFile(const std::string& path, const std::string& bytes);

// Replaces one byte range of a Theora info header packet: the frame-rate
// terms and picture fields sit at fixed offsets (see the .cpp).
void setTheoraInfoField(std::string& infoPacket, unsigned offset, unsigned bytes, std::uint64_t value);

// Offsets of fields in the Theora info header packet.
enum TheoraInfoOffset : unsigned {
    TheoraInfoFrameWidthMb = 10, // 16 bits, in 16-pixel macroblocks
    TheoraInfoFrameHeightMb = 12,
    TheoraInfoPictureWidth = 14, // 24 bits
    TheoraInfoPictureHeight = 17,
    TheoraInfoPictureX = 20, // 8 bits
    TheoraInfoPictureY = 21,
    TheoraInfoFpsNumerator = 22, // 32 bits
    TheoraInfoFpsDenominator = 26
};

#endif

#ifndef KY_DATAGEN_SOUND_ENCODER_H
#define KY_DATAGEN_SOUND_ENCODER_H

#include <cstdint>
#include <string>
#include <vector>

// Writes float samples (interleaved, -1 to 1) as the sound files the
// engine reads, chosen by the output's name: ".wav" (16-bit PCM) or ".ogg"
// (Ogg Vorbis at a quality of -0.1 to 1).
namespace SoundEncoder {

// "wav", "ogg", or empty when the name is neither.
std::string formatOf(const std::string& fileName);

// Throws std::runtime_error for an unknown format or an encoder failure.
std::vector<std::uint8_t> encode(const std::vector<float>& samples, int channels, int rate, const std::string& format,
                                 double quality);

} // namespace SoundEncoder

#endif

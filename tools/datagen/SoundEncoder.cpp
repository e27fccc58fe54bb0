#include "tools/datagen/SoundEncoder.h"

#include "tools/content/SoundWriters.h"

#include <cctype>
#include <cmath>
#include <stdexcept>

namespace SoundEncoder {

std::string formatOf(const std::string& fileName)
{
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos)
        return std::string();
    std::string extension = fileName.substr(dot + 1);
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension == "wav" || extension == "ogg" ? extension : std::string();
}

std::vector<std::uint8_t> encode(const std::vector<float>& samples, int channels, int rate, const std::string& format,
                                 double quality)
{
    if (format == "wav") {
        SoundWriters::Bytes pcm;
        pcm.reserve(samples.size() * 2);
        for (float s : samples) {
            const double clamped = std::max(-1.0, std::min(1.0, double(s)));
            const std::int16_t v = std::int16_t(std::lround(clamped * 32767.0));
            pcm.push_back(std::uint8_t(v & 0xFF));
            pcm.push_back(std::uint8_t((v >> 8) & 0xFF));
        }
        return SoundWriters::makeWav(std::uint16_t(channels), std::uint32_t(rate), 16, pcm);
    }
    if (format == "ogg") {
        if (quality < -0.1 || quality > 1.0)
            throw std::runtime_error("the Vorbis quality goes from -0.1 to 1");
        const SoundWriters::Bytes ogg = SoundWriters::encodeVorbis(std::uint32_t(channels), std::uint32_t(rate), samples,
                                                                   float(quality));
        if (ogg.empty())
            throw std::runtime_error("the Vorbis encoder refused " + std::to_string(channels) + " channels at "
                                     + std::to_string(rate) + " Hz");
        return ogg;
    }
    throw std::runtime_error("sounds are written as .wav or .ogg, not '" + format + "'");
}

} // namespace SoundEncoder

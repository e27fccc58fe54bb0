#include "tests/game/TalkSupport.h"

#include "tools/content/SoundWriters.h"

std::string toneOggBytes(double seconds, double frequency)
{
    const std::uint32_t rate = 22050;
    const std::vector<float> samples =
        SoundWriters::sineFloat(1, rate, std::uint32_t(seconds * rate), {frequency}, {0.3});
    const SoundWriters::Bytes bytes = SoundWriters::encodeVorbis(1, rate, samples);
    return std::string(bytes.begin(), bytes.end());
}

KyString lineMarkup(const char* text)
{
    return KyString("<color r=\"40\" g=\"24\" b=\"8\"/><font file=\"Common/Fonts/Arial_r_16.tef\" />") +
           KyString(text);
}


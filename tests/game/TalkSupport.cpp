#include "tests/game/TalkSupport.h"

#include "tools/content/SoundWriters.h"

#include <fstream>
#include <sstream>

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

size_t occurrences(const std::string& log, const std::string& text)
{
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        ++count;
    return count;
}

std::string sampleFile(const std::string& relative)
{
    std::ifstream in(std::string(KY_GAME_DATA_DIR) + "/" + relative, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

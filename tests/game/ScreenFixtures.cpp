#include "tests/game/ScreenFixtures.h"

#include "tools/content/ImageWriters.h"
#include "tools/content/SoundWriters.h"

#include <cstdio>

namespace ScreenFixtures {

const KyColor PuzzleBackground(30, 20, 60, 255);
const KyColor StarColour(250, 240, 40, 255);

std::string solidPng(u32 width, u32 height, const KyColor& colour)
{
    ImageWriters::PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = 2;
    for (u32 i = 0; i < width * height; ++i) {
        image.rows.push_back(colour.r);
        image.rows.push_back(colour.g);
        image.rows.push_back(colour.b);
    }
    return ImageWriters::toString(ImageWriters::png(image));
}

KyColor pieceColour(u32 k)
{
    return KyColor(u8(10 + 13 * k), u8(250 - 13 * k), u8(k % 2 ? 200 : 60), 255);
}

Writer writerOf(const TempDir& data)
{
    return [&data](const std::string& relative, const std::string& bytes) { data.writeFile(relative, bytes); };
}

Writer writerOf(DataOverlay& data)
{
    return [&data](const std::string& relative, const std::string& bytes) { data.write(relative, bytes); };
}

void writePuzzle(const Writer& data, u32 withoutPiece)
{
    data("Puzzle/Background.png", solidPng(480, 320, PuzzleBackground));
    data("Puzzle/Quit.png", solidPng(24, 24, KyColor(200, 30, 30, 255)));
    // Seven frames stacked in one strip.
    data("Puzzle/Stars.png", solidPng(16, 16 * 7, StarColour));
    std::string xml = "<?xml version=\"1.0\" ?>\n"
                      "<sprite name=\"Background\" file=\"Puzzle/Background.png\">"
                      "<position x=\"0\" y=\"0\" z=\"280\" /></sprite>\n"
                      "<sprite_button name=\"Quit\" up_file=\"Puzzle/Quit.png\" enable=\"1\" visible=\"1\">"
                      "<position x=\"436\" y=\"276\" z=\"320\" /></sprite_button>\n";
    const char* const stars[4] = {"stars_one", "stars_two", "stars_three", "stars_four"};
    const int starX[4] = {130, 330, 130, 330};
    const int starY[4] = {260, 260, 40, 40};
    for (int i = 0; i < 4; ++i) {
        xml += std::string("<sprite name=\"") + stars[i] + "\" file=\"Puzzle/Stars.png\" visible=\"0\">" +
               "<position x=\"" + std::to_string(starX[i]) + "\" y=\"" + std::to_string(starY[i]) +
               "\" z=\"310\" /></sprite>\n";
    }
    xml += "<button name=\"Huge\" enable=\"1\" visible=\"1\"><position x=\"120\" y=\"60\" z=\"305\" />"
           "<size x=\"240\" y=\"250\" z=\"1\" /></button>\n";
    for (u32 k = 0; k < 18; ++k) {
        if (k + 1 == withoutPiece)
            continue;
        const std::string name = std::to_string(k + 1);
        data("Puzzle/Tile_" + name + ".png", solidPng(35, 35, pieceColour(k)));
        // Placed anywhere: the game lays the board out itself.
        xml += "<sprite_button name=\"" + name + "\" up_file=\"Puzzle/Tile_" + name +
               ".png\" enable=\"1\" visible=\"1\"><position x=\"0\" y=\"0\" z=\"300\" /></sprite_button>\n";
    }
    data("Texts/PuzzleCrypte.xml", xml);
}

void writeSlides(const Writer& data, const char* pattern, u32 count, u32 width)
{
    for (u32 i = 0; i < count; ++i) {
        char path[256];
        std::snprintf(path, sizeof path, pattern, int(i));
        const u8 level = u8(10 + 20 * i);
        data(path, solidPng(width, 320, KyColor(level, level, level, 255)));
    }
}

std::string shortOgg(double seconds)
{
    const std::uint32_t rate = 22050;
    const std::vector<float> samples =
        SoundWriters::sineFloat(1, rate, std::uint32_t(seconds * rate), {440.0}, {0.3});
    const SoundWriters::Bytes bytes = SoundWriters::encodeVorbis(1, rate, samples);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace ScreenFixtures

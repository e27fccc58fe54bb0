// kyfont: rasterises a TrueType font into the engine's font files.
#include "tools/datagen/CharacterSet.h"
#include "tools/datagen/DataGenerator.h"
#include "tools/datagen/FontFace.h"
#include "tools/datagen/FontMaker.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

const char* const usage =
    "Usage: kyfont [options] FONT_FILE OUTPUT\n"
    "\n"
    "Rasterises a TrueType (or any FreeType-readable) font at one pixel size into\n"
    "the engine's font files, one glyph per byte value of a character set:\n"
    "  OUTPUT.kyf   glyph font: glyph metrics, kerning pairs and an RGBA PNG atlas\n"
    "               (black, coverage in alpha) for the text layouts\n"
    "  OUTPUT.font  bitmap font: one-bit glyph pictures for the text printer\n"
    "The same input always gives the same bytes.\n"
    "\n"
    "Options:\n"
    "  --size N        em size in pixels, 4 to 256 (default 16)\n"
    "  --chars NAME    which character each byte is: cp1252 (default; Latin-1\n"
    "                  with the Windows punctuation, euro, oe), latin1, ascii\n"
    "  --range LIST    only these bytes, e.g. 32-126,160-255\n"
    "  --no-hinting    outlines as drawn, without fitting them to the pixel grid\n"
    "  --format F      kyf or font (default: the output's extension)\n"
    "  --list          print each glyph's metrics and the kerning count\n"
    "  --help          this text\n";

} // namespace

int main(int argc, char** argv)
{
    int size = 16;
    std::string chars = "cp1252";
    std::string range;
    std::string format;
    bool hinting = true;
    bool list = false;
    std::string input;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else if (arg == "--size" && hasValue) {
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value < 4 || value > 256) {
                std::fprintf(stderr, "kyfont: --size takes a whole number from 4 to 256\n");
                return 2;
            }
            size = int(value);
        } else if (arg == "--chars" && hasValue) {
            chars = argv[++i];
        } else if (arg == "--range" && hasValue) {
            range = argv[++i];
        } else if (arg == "--format" && hasValue) {
            format = argv[++i];
        } else if (arg == "--no-hinting") {
            hinting = false;
        } else if (arg == "--list") {
            list = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "kyfont: unknown option '%s' (or its value is missing)\n%s", arg.c_str(), usage);
            return 2;
        } else if (input.empty()) {
            input = arg;
        } else if (output.empty()) {
            output = arg;
        } else {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    if (input.empty() || output.empty()) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (format.empty()) {
        const size_t dot = output.rfind('.');
        format = dot == std::string::npos ? std::string() : output.substr(dot + 1);
    }
    if (format != "kyf" && format != "font") {
        std::fprintf(stderr, "kyfont: the output is a .kyf or a .font file (or give --format)\n");
        return 2;
    }

    try {
        CharacterSet set = CharacterSet::named(chars);
        if (!range.empty())
            set.restrict(range);
        const FontFace face(input, size, hinting);
        if (format == "kyf") {
            const KyfWriter::Font font = FontMaker::glyphFont(face, set);
            DataGenerator::writeFile(output, KyfWriter::kyf(font));
            if (list) {
                std::printf("line height %g, ascender %g, descender %g, %zu kerning pairs\n", font.lineHeight,
                            font.floatMetric1, font.floatMetric2, font.kerning.size());
                for (unsigned c = 0; c < 256; ++c) {
                    const KyfWriter::Glyph& g = font.glyphs[c];
                    if (g.word)
                        std::printf("%3u U+%04X  %3gx%-3g offset %g,%g advance %g atlas %g,%g\n", c, g.word, g.width,
                                    g.height, g.xOffset, g.yOffset, g.advance, g.textureX, g.textureY);
                }
            }
        } else {
            const FontWriters::Font font = FontMaker::bitmapFont(face, set);
            DataGenerator::writeFile(output, FontWriters::font(font));
            if (list) {
                std::printf("character height %u, base line at row %u\n", font.characterHeight, font.secondHeaderByte);
                for (unsigned c = 0; c < 256; ++c)
                    if (set.codePoint(c))
                        std::printf("%3u U+%04X  width %u\n", c, set.codePoint(c), font.glyphs[c].width);
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kyfont: %s\n", e.what());
        return 1;
    }
    return 0;
}

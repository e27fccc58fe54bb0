#ifndef KY_CONTENT_KYF_WRITER_H
#define KY_CONTENT_KYF_WRITER_H

#include "core/KyTypes.h"

#include <string>
#include <vector>

// Writer of the glyph-font files (".kyf") that KyFont2 reads, for tests and
// for the fonts later tests need. Every field can be set, and the counts can
// be written apart from the tables, so that tests can also write damaged
// files.
namespace KyfWriter {

typedef std::vector<u8> Bytes;

// One glyph entry: ten floats then one word, in file order.
struct Glyph {
    f32 width = 0.0f;
    f32 height = 0.0f;
    f32 xOffset = 0.0f;
    f32 yOffset = 0.0f;
    f32 advance = 0.0f;
    f32 carried[3] = {0.0f, 0.0f, 0.0f};
    f32 textureX = 0.0f;
    f32 textureY = 0.0f;
    u32 word = 0;
};

struct Kerning {
    u32 first = 0;
    u32 second = 0;
    f32 x = 0.0f;
    f32 y = 0.0f;
};

struct Font {
    std::string tag = "KYF1";   // the first four bytes (padded or cut to four)
    s32 intMetric1 = 0;
    s32 intMetric2 = 0;
    f32 floatMetric1 = 0.0f;
    f32 floatMetric2 = 0.0f;
    f32 lineHeight = 0.0f;
    u8 hasKerning = 0;          // written as is; nonzero writes the kerning table
    std::vector<Kerning> kerning;
    std::vector<Glyph> glyphs;  // glyph i is character i
    Bytes atlas;                // the PNG stream that ends the file
    // Counts written in place of the real ones (damaged files); -1 writes
    // the size of the table.
    s64 glyphCountField = -1;
    s64 kerningCountField = -1;
};

Bytes kyf(const Font& font);

// A ready-made font for layout tests: glyphCount glyphs of cellWidth x
// cellHeight pixels placed in a grid of 16 columns, character c at column
// c % 16 and row c / 16 counted from the top of the atlas. Every glyph has
// width cellWidth, height cellHeight, x offset 0, y offset cellHeight (its
// top at the pen's y minus the cell height), advance cellWidth + spacing and
// its cell's lower-left corner as texture x, y (texture rows count from the
// bottom of the picture, as images are stored). The atlas is an RGBA PNG
// whose cells are opaque white for every character except blanks (9, 10, 13
// and 32), whose cells stay fully transparent; its sizes are powers of two,
// so texture coordinates come out exact.
struct GridOptions {
    u32 cellWidth = 8;
    u32 cellHeight = 12;
    u32 glyphCount = 256;
    f32 spacing = 0.0f;
    f32 lineHeight = 0.0f;      // 0: the cell height
    std::vector<Kerning> kerning;
};
Font gridFont(const GridOptions& options = GridOptions());

// The atlas picture of gridFont as RGBA rows, top row first, and its sizes.
Bytes gridAtlasRows(const GridOptions& options, u32* width, u32* height);

// The file's bytes as a std::string (for TempDir::writeFile).
std::string toString(const Bytes& bytes);

} // namespace KyfWriter

#endif

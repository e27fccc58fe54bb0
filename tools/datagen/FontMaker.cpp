#include "tools/datagen/FontMaker.h"

#include "tools/content/ImageWriters.h"

#include <algorithm>
#include <cmath>

namespace FontMaker {

namespace {

const int padding = 1;
const int maxAtlasSide = 4096;

int powerOfTwo(int v)
{
    int p = 1;
    while (p < v)
        p <<= 1;
    return p;
}

struct Placed {
    unsigned byte;
    int x = 0;
    int y = 0;
};

// Shelf packing at one atlas width; returns the height used, or -1 when a
// glyph is wider than the atlas.
int pack(const std::vector<FontFace::Glyph>& glyphs, std::vector<Placed>& placed, int width)
{
    int x = padding;
    int y = padding;
    int shelf = 0;
    for (Placed& p : placed) {
        const FontFace::Glyph& g = glyphs[p.byte];
        if (g.width + 2 * padding > width)
            return -1;
        if (x + g.width + padding > width) {
            y += shelf + padding;
            x = padding;
            shelf = 0;
        }
        p.x = x;
        p.y = y;
        x += g.width + padding;
        shelf = std::max(shelf, g.rows);
    }
    return y + shelf + padding;
}

} // namespace

KyfWriter::Font glyphFont(const FontFace& face, const CharacterSet& characters)
{
    std::vector<FontFace::Glyph> glyphs(256);
    std::vector<Placed> placed;
    for (unsigned c = 0; c < 256; ++c) {
        if (!characters.codePoint(c))
            continue;
        glyphs[c] = face.render(characters.codePoint(c));
        if (glyphs[c].width > 0 && glyphs[c].rows > 0) {
            Placed p;
            p.byte = c;
            placed.push_back(p);
        }
    }
    // Tallest first keeps the rows tight; ties in byte order keep it stable.
    std::stable_sort(placed.begin(), placed.end(),
                     [&glyphs](const Placed& a, const Placed& b) { return glyphs[a.byte].rows > glyphs[b.byte].rows; });

    int width = 64;
    int used = pack(glyphs, placed, width);
    while (width < maxAtlasSide && (used < 0 || used > width)) {
        width *= 2;
        used = pack(glyphs, placed, width);
    }
    const int height = powerOfTwo(std::max(used, 1));

    ImageWriters::PngImage atlas;
    atlas.width = u32(width);
    atlas.height = u32(height);
    atlas.colorType = 6;
    atlas.compressionLevel = 9;
    atlas.rows.assign(size_t(width) * height * 4, 0);
    KyfWriter::Font font;
    font.glyphs.resize(256);
    for (const Placed& p : placed) {
        const FontFace::Glyph& g = glyphs[p.byte];
        for (int y = 0; y < g.rows; ++y)
            for (int x = 0; x < g.width; ++x)
                atlas.rows[(size_t(p.y + y) * width + p.x + x) * 4 + 3] = g.coverage[size_t(y) * g.width + x];
        font.glyphs[p.byte].textureX = f32(p.x);
        font.glyphs[p.byte].textureY = f32(height - (p.y + g.rows));
    }
    for (unsigned c = 0; c < 256; ++c) {
        const FontFace::Glyph& g = glyphs[c];
        KyfWriter::Glyph& out = font.glyphs[c];
        out.width = f32(g.width);
        out.height = f32(g.rows);
        out.xOffset = f32(g.left);
        out.yOffset = f32(g.top);
        out.advance = f32(g.advance);
        out.word = characters.codePoint(c);
    }
    font.atlas = ImageWriters::png(atlas);

    font.tag = "KYF1";
    font.intMetric1 = face.pixelSize();
    font.intMetric2 = s32(std::lround(face.ascender()));
    font.floatMetric1 = f32(face.ascender());
    font.floatMetric2 = f32(face.descender());
    font.lineHeight = f32(face.lineHeight());
    if (face.hasKerning()) {
        for (unsigned a = 0; a < 256; ++a) {
            if (!characters.codePoint(a))
                continue;
            for (unsigned b = 0; b < 256; ++b) {
                if (!characters.codePoint(b))
                    continue;
                const double k = std::round(face.kerning(characters.codePoint(a), characters.codePoint(b)));
                if (k == 0.0)
                    continue;
                KyfWriter::Kerning pair;
                pair.first = a;
                pair.second = b;
                pair.x = f32(k);
                font.kerning.push_back(pair);
            }
        }
    }
    font.hasKerning = font.kerning.empty() ? 0 : 1;
    return font;
}

FontWriters::Font bitmapFont(const FontFace& face, const CharacterSet& characters)
{
    const int baseline = int(std::lround(face.ascender()));
    const int height = std::min(255, std::max(1, int(std::ceil(face.ascender() + face.descender()))));
    FontWriters::Font font;
    font.glyphCount = 256;
    font.characterHeight = u8(height);
    font.secondHeaderByte = u8(std::min(255, std::max(0, baseline)));
    for (unsigned c = 0; c < 256; ++c) {
        FontWriters::Glyph out;
        out.height = u32(height);
        if (characters.codePoint(c)) {
            const FontFace::Glyph g = face.render(characters.codePoint(c), true);
            const int width = std::min(255, std::max(0, int(std::lround(g.advance)) - 1));
            out.width = u32(width);
            out.pixels.assign(size_t(width) * height, 0);
            for (int y = 0; y < g.rows; ++y) {
                const int row = baseline - g.top + y;   // from the top of the cell
                if (row < 0 || row >= height)
                    continue;
                for (int x = 0; x < g.width; ++x) {
                    const int column = g.left + x;
                    if (column < 0 || column >= width || !g.coverage[size_t(y) * g.width + x])
                        continue;
                    out.pixels[size_t(height - 1 - row) * width + column] = 1;
                }
            }
        }
        font.glyphs.push_back(out);
    }
    return font;
}

} // namespace FontMaker

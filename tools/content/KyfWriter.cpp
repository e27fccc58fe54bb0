#include "tools/content/KyfWriter.h"

#include "tools/content/ImageWriters.h"

#include <cstring>

namespace KyfWriter {

namespace {

void putU32(Bytes& out, u32 v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<u8>(v >> (8 * i)));
}

void putF32(Bytes& out, f32 v)
{
    u32 bits;
    std::memcpy(&bits, &v, sizeof bits);
    putU32(out, bits);
}

u32 powerOfTwo(u32 v)
{
    u32 p = 1;
    while (p < v)
        p <<= 1;
    return p;
}

bool isBlank(u32 c)
{
    return c == 9 || c == 10 || c == 13 || c == 32;
}

} // namespace

Bytes kyf(const Font& font)
{
    Bytes out;
    std::string tag = font.tag;
    tag.resize(4, '\0');
    out.insert(out.end(), tag.begin(), tag.end());
    putU32(out, font.glyphCountField >= 0 ? u32(font.glyphCountField) : u32(font.glyphs.size()));
    putU32(out, u32(font.intMetric1));
    putU32(out, u32(font.intMetric2));
    putF32(out, font.floatMetric1);
    putF32(out, font.floatMetric2);
    putF32(out, font.lineHeight);
    out.push_back(font.hasKerning);
    if (font.hasKerning) {
        putU32(out, font.kerningCountField >= 0 ? u32(font.kerningCountField) : u32(font.kerning.size()));
        for (const Kerning& k : font.kerning) {
            putU32(out, k.first);
            putU32(out, k.second);
            putF32(out, k.x);
            putF32(out, k.y);
        }
    }
    for (const Glyph& g : font.glyphs) {
        putF32(out, g.width);
        putF32(out, g.height);
        putF32(out, g.xOffset);
        putF32(out, g.yOffset);
        putF32(out, g.advance);
        for (f32 v : g.carried)
            putF32(out, v);
        putF32(out, g.textureX);
        putF32(out, g.textureY);
        putU32(out, g.word);
    }
    out.insert(out.end(), font.atlas.begin(), font.atlas.end());
    return out;
}

Bytes gridAtlasRows(const GridOptions& options, u32* width, u32* height)
{
    const u32 rows = (options.glyphCount + 15) / 16;
    const u32 w = powerOfTwo(16 * options.cellWidth);
    const u32 h = powerOfTwo(rows * options.cellHeight > 0 ? rows * options.cellHeight : 1);
    Bytes pixels(size_t(w) * h * 4, 0);
    for (u32 c = 0; c < options.glyphCount; ++c) {
        if (isBlank(c))
            continue;
        const u32 left = (c % 16) * options.cellWidth;
        const u32 top = (c / 16) * options.cellHeight;
        for (u32 y = top; y < top + options.cellHeight; ++y)
            std::memset(&pixels[(size_t(y) * w + left) * 4], 0xFF, size_t(options.cellWidth) * 4);
    }
    *width = w;
    *height = h;
    return pixels;
}

Font gridFont(const GridOptions& options)
{
    Font font;
    u32 atlasWidth = 0;
    u32 atlasHeight = 0;
    ImageWriters::PngImage atlas;
    atlas.colorType = 6;
    atlas.rows = gridAtlasRows(options, &atlasWidth, &atlasHeight);
    atlas.width = atlasWidth;
    atlas.height = atlasHeight;
    font.atlas = ImageWriters::png(atlas);

    const f32 cellWidth = f32(options.cellWidth);
    const f32 cellHeight = f32(options.cellHeight);
    font.lineHeight = options.lineHeight > 0.0f ? options.lineHeight : cellHeight;
    font.hasKerning = options.kerning.empty() ? 0 : 1;
    font.kerning = options.kerning;
    for (u32 c = 0; c < options.glyphCount; ++c) {
        Glyph g;
        g.width = cellWidth;
        g.height = cellHeight;
        g.xOffset = 0.0f;
        g.yOffset = cellHeight;
        g.advance = cellWidth + options.spacing;
        g.textureX = f32((c % 16) * options.cellWidth);
        g.textureY = f32(atlasHeight - (c / 16 + 1) * options.cellHeight);
        g.word = c;
        font.glyphs.push_back(g);
    }
    return font;
}

std::string toString(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

} // namespace KyfWriter

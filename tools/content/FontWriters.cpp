#include "tools/content/FontWriters.h"

#include <cstdio>

namespace FontWriters {

namespace {

void put32(Bytes& out, u32 value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<u8>((value >> (8 * i)) & 0xFF));
}

} // namespace

Bytes font(const Font& font)
{
    Bytes out;
    out.push_back(static_cast<u8>(font.glyphCount & 0xFF));
    out.push_back(static_cast<u8>(font.glyphCount >> 8));
    out.push_back(font.characterHeight);
    out.push_back(font.secondHeaderByte);
    put32(out, font.paletteSize);
    // Grey ramp, opaque, in four bytes an entry.
    for (u32 i = 0; i < font.paletteSize; ++i)
        out.push_back(i % 4 == 3 ? 255 : static_cast<u8>(i / 4));
    for (const Glyph& glyph : font.glyphs) {
        out.push_back(glyph.flag);
        out.push_back(glyph.transparent);
        put32(out, static_cast<u32>(glyph.format));
        put32(out, glyph.width);
        put32(out, glyph.height);
        out.insert(out.end(), glyph.pixels.begin(), glyph.pixels.end());
    }
    return out;
}

Font uniformFont(u32 count, u8 height, u32 (*width)(u32 code), u8 fill)
{
    Font result;
    result.glyphCount = static_cast<u16>(count);
    result.characterHeight = height;
    for (u32 c = 0; c < count; ++c) {
        Glyph glyph;
        glyph.width = width(c);
        glyph.height = height;
        glyph.pixels.assign(static_cast<size_t>(glyph.width) * height, fill);
        result.glyphs.push_back(glyph);
    }
    return result;
}

bool writeFile(const std::string& path, const Bytes& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace FontWriters

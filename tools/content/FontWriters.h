#ifndef KY_CONTENT_FONT_WRITERS_H
#define KY_CONTENT_FONT_WRITERS_H

#include "core/KyTypes.h"

#include <string>
#include <vector>

// Writer of the bitmap font files (".font") that tests load. Every field is
// settable so that tests can also write damaged files.
namespace FontWriters {

typedef std::vector<u8> Bytes;

// One glyph picture in the image stream form: rows of width bytes, bottom
// row first. pixels may be given shorter or longer than width x height to
// make a damaged file.
struct Glyph {
    u8 flag = 0;
    u8 transparent = 1;
    s32 format = 0;
    u32 width = 0;
    u32 height = 0;
    Bytes pixels;
};

struct Font {
    // The count written in the header; the glyphs written are those below,
    // whatever the count says.
    u16 glyphCount = 0;
    u8 characterHeight = 0;
    u8 secondHeaderByte = 0;
    // The palette's stream form: its byte size, then that many entries.
    u32 paletteSize = 1024;
    std::vector<Glyph> glyphs;
};

// The bytes of the font file.
Bytes font(const Font& font);

// A font of count glyphs, each height rows high: glyph c is width(c) pixels
// wide and every pixel holds fill (glyphs of width 0 have no pixels).
Font uniformFont(u32 count, u8 height, u32 (*width)(u32 code), u8 fill = 1);

// Writes the bytes to a file; false when it cannot be written.
bool writeFile(const std::string& path, const Bytes& bytes);

} // namespace FontWriters

#endif

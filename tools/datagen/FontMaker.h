#ifndef KY_DATAGEN_FONT_MAKER_H
#define KY_DATAGEN_FONT_MAKER_H

#include "tools/content/FontWriters.h"
#include "tools/content/KyfWriter.h"
#include "tools/datagen/CharacterSet.h"
#include "tools/datagen/FontFace.h"

// Turns a font face into the engine's two font files, one glyph per byte
// value of a character set.
//
// Glyph font (".kyf"): 256 glyph records in pixels (width and height of the
// glyph's picture, x offset from the pen to its left edge, y offset from
// the base line up to its top, advance, its place in the atlas counted from
// the atlas's bottom-left corner, the character's code point as the glyph
// word); the kerning pairs of the face, rounded to whole pixels, between
// every two characters of the set; integer metrics 1 and 2 the pixel size
// and the ascender, float metrics 1 and 2 the ascender and descender, and
// the face's line height. The atlas is an RGBA PNG whose colour is black and
// whose alpha is the glyph coverage: text meshes draw with the GL_BLEND
// texture environment, where that shows exactly the vertex colour. Glyphs
// are packed in rows, tallest first, one pixel apart, in an atlas whose
// sides are powers of two.
//
// Bitmap font (".font"): one-bit glyph pictures (pixel value 1 where the
// glyph is inked) of the character height (ascender plus descender), as
// wide as the glyph's advance less the one pixel the text printer adds
// between glyphs; the second header byte is the base line's row from the
// top.
namespace FontMaker {

KyfWriter::Font glyphFont(const FontFace& face, const CharacterSet& characters);
FontWriters::Font bitmapFont(const FontFace& face, const CharacterSet& characters);

} // namespace FontMaker

#endif

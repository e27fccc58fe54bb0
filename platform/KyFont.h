#ifndef KY_FONT_H
#define KY_FONT_H

#include "core/KyIntrusivePtr.h"
#include "core/KyResource.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "platform/KyImg.h"
#include "platform/KyPalette.h"

#include <vector>

// The bitmap font of the rich-text printer: one small paletted image per
// character code, a character height, the spacing between glyphs and
// between lines, and the palette the glyph pictures index.
//
// Font file (".font"): u16 glyph count (little-endian), u8 character
// height, u8 second header byte, the palette's stream form, then glyph count
// image stream forms; glyph image c is the picture of character code c.
//
// Character codes past the glyphs the file holds have no picture: their
// width is 0 and they draw nothing.
class KyFont : public KyResource {
public:
    // No glyphs, no palette, spacing 1, line spacing 0.
    KyFont();
    ~KyFont() override;

    // Reads a font file. A file that does not open is logged and leaves the
    // font without glyphs; a short file keeps the glyphs read whole.
    void load(const KyString& path) override;

    // Width of the glyph of character code c; 0 when the font has none.
    u32 glyphWidth(u8 c) const;
    // Draws the glyph of c into target at (x, y) (row y counted from the
    // bottom): non-zero glyph pixels v become v + colour - 1, zero pixels
    // the background unless the target is transparent. The glyph is cut to
    // the character height and to the rows it really has; the target clips
    // at its edges.
    void drawChar(u8 c, s32 x, s32 y, KyImg* target, u8 background, u8 colour) const;

    // The font of a file named in rich text: the name is normalised and the
    // font shared through the resource manager (loaded on first use). Null
    // when no such file exists.
    static KyIntrusivePtr<KyFont> fromName(const KyString& name);

    // The glyph image of c, null when the font has none.
    KyImg* glyph(u8 c) const;

    // The number of glyphs the file announced.
    u16 glyphCount() const { return m_glyphCount; }
    // The number of glyph images really held (the file may be short).
    u32 loadedGlyphs() const { return static_cast<u32>(m_glyphs.size()); }
    u8 characterHeight() const { return m_characterHeight; }
    u8 secondHeaderByte() const { return m_secondHeaderByte; }
    KyPalette* palette() const { return m_palette.get(); }
    s32 spacing() const { return m_spacing; }
    void setSpacing(s32 spacing) { m_spacing = spacing; }
    s32 lineSpacing() const { return m_lineSpacing; }
    void setLineSpacing(s32 lineSpacing) { m_lineSpacing = lineSpacing; }

private:
    KyFont(const KyFont&) = delete;
    KyFont& operator=(const KyFont&) = delete;

    void destroyGlyphs();

    u16 m_glyphCount;
    u8 m_characterHeight;
    u8 m_secondHeaderByte;
    // Owned glyph images; the counted references keep each one alive for
    // as long as the font holds it.
    std::vector<KyIntrusivePtr<KyImg>> m_glyphs;
    KyIntrusivePtr<KyPalette> m_palette;
    s32 m_spacing;
    s32 m_lineSpacing;
};

#endif

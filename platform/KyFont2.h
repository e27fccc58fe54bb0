#ifndef KY_FONT2_H
#define KY_FONT2_H

#include "core/KyIntrusivePtr.h"
#include "core/KyResource.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DTexture.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

// The texture font of the rich-text widgets: one glyph record per character
// byte, kerning offsets by character pair, a few font-wide metrics and one
// texture (the atlas) holding every glyph picture. All of it comes from one
// ".kyf" file (little-endian):
//
//   4 bytes  tag (not examined)
//   u32      glyph count n
//   s32 s32  integer metrics 1 and 2
//   f32 f32  float metrics 1 and 2
//   f32      line height
//   u8       has kerning (nonzero: yes)
//   u32      kerning count k                        } only with kerning
//   k x 16   first u32, second u32, x f32, y f32    }
//   n x 44   ten glyph floats, then the glyph's u32 word
//   ...      the atlas, a PNG stream to the end
//
// Counts are checked against the bytes the file really holds: a file that
// announces more entries than it carries gives a font without glyphs.
class KyFont2 : public KyResource {
public:
    // One glyph, in pixels: the first ten values come from the file in this
    // order; the eleventh has no source in the file and is 0.
    struct Glyph {
        f32 width;
        f32 height;
        f32 xOffset;
        f32 yOffset;
        f32 advance;
        f32 carried[3];   // stored by the font tools, not used by the layout
        f32 textureX;     // the glyph's place in the atlas
        f32 textureY;
        f32 extra;
    };

    // Kerning entries beyond this count, or glyph entries beyond
    // maxGlyphCount, mark a damaged file.
    static const u32 maxGlyphCount = 65536;
    static const u32 maxKerningCount = 1u << 20;

    KyFont2();
    ~KyFont2() override;

    // The resource manager's load: Load.
    void load(const KyString& path) override { Load(path); }
    // Reads a font file; a missing file is looked for in the language folder,
    // then in "en". A file that cannot be opened leaves the font empty (the
    // file layer logs it); a short or damaged file keeps the header fields
    // read before the damage, without kerning pairs, glyphs or texture.
    void Load(const KyString& path);

    // The record of character c modulo 256; a character beyond the font's
    // glyphs (or any character of an empty font) has an all-zero record. The
    // reference stays valid until the font is loaded again or cleared.
    const Glyph& glyph(u32 c) const
    {
        const u32 index = c % 256;
        return index < m_glyphCount ? m_glyphs[index] : s_noGlyph;
    }
    // The stored offset (x, y, 0) of exactly this pair, or (0, 0, 0). The
    // layout asks for a pair of bytes for every character it places: those
    // are found in a table by first byte, without the tree.
    KyVector3f32 kerning(u32 first, u32 second) const
    {
        if ((first | second) >= 256)
            return kerningOfWidePair(first, second);
        const BytePair* begin = m_bytePairs.data() + m_bytePairsStart[first];
        const BytePair* end = m_bytePairs.data() + m_bytePairsStart[first + 1];
        if (begin != end) {
            const BytePair* pair = std::lower_bound(
                begin, end, second, [](const BytePair& entry, u32 value) { return entry.second < value; });
            if (pair != end && pair->second == second)
                return pair->offset;
        }
        return KyVector3f32(0.0f, 0.0f, 0.0f);
    }
    // Frees the glyphs and the kerning table, releases the texture and sets
    // the metrics, the glyph count and has-kerning to zero.
    void clear();

    const KyIntrusivePtr<Ky3DTexture>& texture() const { return m_texture; }
    u32 glyphCount() const { return m_glyphCount; }
    // The file's 32-bit word of glyph i (0 beyond the glyph count).
    u32 glyphWord(u32 i) const { return i < m_glyphCount ? m_glyphWords[i] : 0; }
    s32 intMetric1() const { return m_intMetric1; }
    s32 intMetric2() const { return m_intMetric2; }
    f32 floatMetric1() const { return m_floatMetric1; }
    f32 floatMetric2() const { return m_floatMetric2; }
    f32 lineHeight() const { return m_lineHeight; }
    bool hasKerning() const { return m_hasKerning != 0; }
    u32 kerningCount() const { return u32(m_kerning.size()); }

private:
    KyFont2(const KyFont2&) = delete;
    KyFont2& operator=(const KyFont2&) = delete;

    typedef std::pair<u32, u32> Pair;
    // A kerning pair of two bytes, in the table by first byte.
    struct BytePair {
        u32 second;
        KyVector3f32 offset;
    };

    static const Glyph s_noGlyph;

    // Reads fields 1 to 11 of the file; false when the file ends early or
    // announces more than it holds.
    bool readTables(KyStream& file, u64 fileSize);
    // Reads the atlas that follows the tables and makes the texture.
    void readAtlas(KyStream& file, const KyString& path);
    // The tree lookup, for pairs beyond the bytes.
    KyVector3f32 kerningOfWidePair(u32 first, u32 second) const;
    // Fills the table of byte pairs from the tree (empty when it is).
    void indexBytePairs();

    KyIntrusivePtr<Ky3DTexture> m_texture;
    u32 m_glyphCount;
    Glyph* m_glyphs;
    u32* m_glyphWords;
    s32 m_intMetric1;
    s32 m_intMetric2;
    f32 m_floatMetric1;
    f32 m_floatMetric2;
    f32 m_lineHeight;
    u8 m_hasKerning;
    std::map<Pair, KyVector3f32> m_kerning;
    // The pairs of m_kerning whose two characters are bytes, grouped by first
    // byte in the tree's order: those of first byte c are the entries from
    // m_bytePairsStart[c] to m_bytePairsStart[c + 1].
    std::vector<BytePair> m_bytePairs;
    u32 m_bytePairsStart[257];
};

#endif

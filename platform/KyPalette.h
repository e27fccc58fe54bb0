#ifndef KY_PALETTE_H
#define KY_PALETTE_H

#include "core/KyColor.h"
#include "core/KyResource.h"
#include "core/KySerialize.h"
#include "core/KyString.h"
#include "core/KyTypes.h"

// The 256 colours of a paletted image (image format 0). Entry layout by
// format: 0 16-bit red bits 0-4, green 5-9, blue 10-14; 1 16-bit red bits
// 0-4, green 5-10, blue 11-15; 2 three bytes red, green, blue; 3 four bytes
// red, green, blue, alpha. Palettes are resources and serialise, so that
// bitmap fonts can store theirs.
//
// Stream form: u32 byte size, then that many entry bytes. The format is not
// part of it; deserialize takes the format that the size names.
class KyPalette : public KyResource, public KySerialize {
public:
    enum { NoFormat = -1 };

    // No data and no format.
    KyPalette();
    ~KyPalette() override;

    // Palettes come from images and font files; loading by path does nothing.
    void load(const KyString& path) override;

    // Writes the byte size of the current format and the entries (zeros
    // where there are none); returns 4 + byte size.
    u32 serialize(KyStream& stream) override;
    // Reads a byte size and the entries. Only the sizes of a palette (512,
    // 768, 1024) are taken, and the format follows the size (768 gives 2,
    // 1024 gives 3, 512 keeps 0 or 1, else 0); 0 leaves no data. Any other
    // size or a short stream leaves the palette without data.
    void deserialize(KyStream& stream) override;

    // 512 for formats 0 and 1, 768 for 2, 1024 for 3, 0 for any other value.
    static u32 byteSize(s32 format);
    u32 byteSize() const { return byteSize(m_format); }

    // Frees the old data, then allocates (zeroed) the byte size of format
    // and sets the format.
    void allocate(s32 format);
    // Writes entry index modulo 256 in the palette's format; nothing when
    // the palette has no data or a format above 3.
    void setColor(u32 index, const KyColor& color);
    // Entry index modulo 256 as a colour (16-bit entries widened to bytes);
    // opaque black when the palette has no data.
    KyColor color(u32 index) const;
    void freeData();
    // Forgets the data without freeing it (its owner takes it over).
    void detachData();

    s32 format() const { return m_format; }
    u8* data() const { return m_data; }

private:
    s32 m_format;
    u8* m_data;
};

#endif

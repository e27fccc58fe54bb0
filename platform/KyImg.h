#ifndef KY_IMG_H
#define KY_IMG_H

#include "core/KyIntrusivePtr.h"
#include "core/KyResource.h"
#include "core/KySerialize.h"
#include "core/KyStream.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "platform/KyImgResult.h"
#include "platform/KyPalette.h"

#include <memory>

// A raster image in main memory: one picture in one of fourteen pixel-format
// codes, rows stored bottom row first, with an optional palette.
//
//   code  bits  layout
//   0     8     palette index                  (PNG palette, BMP 8, TGA 8)
//   1, 2  8     8-bit, no reader makes them
//   3     16    red bits 0-4, green 5-9, blue 10-14   (TGA 16)
//   4     16    red bits 0-4, green 5-10, blue 11-15  (BMP 16)
//   5     24    red, green, blue               (PNG, JPEG, BMP 24, TGA 24)
//   6     32    red, green, blue, alpha        (PNG, BMP 32, TGA 32)
//   7     24    24-bit, no reader makes it
//   8-11  2/4   PVRTC 2 bpp (8, 9 with alpha), 4 bpp (10, 11 with alpha)
//   12    1     one grey byte a pixel (JPEG grey); bitsPerPixel says 1
//   13    0     no usable picture: how every reader reports failure
//
// Images are resources: loaded by path through the resource manager, or
// from a stream by type word ("bmp", "tga", "png", "jpg"/"jpeg",
// "jpg.zlib"/"jpeg.zlib", "pvr"). Every pixel writer stays within the bytes
// really allocated and clips negative coordinates.
//
// Stream form: flag byte, transparent byte, s32 format, u32 width, u32
// height, then serial bits x width x height / 8 pixel bytes (serial bits: 16
// for formats 3 and 4, 24 for 5 and 7, 32 for 6, otherwise 8).
class KyImg : public KyResource, public KySerialize {
public:
    // Format 13, no size, no pixels, no palette; transparent set.
    KyImg();
    ~KyImg() override;

    // Reads an image file chosen by its extension (lower-cased); a missing
    // file is looked for in the language folders. The resource path becomes
    // path. Any failure leaves the image empty (format 13, size 0). A
    // picture read ahead for path (KyImgPrefetch) is taken instead of being
    // read again. Under a KyImgInput::Limit that allows no pixel it reads
    // nothing and the image stays empty.
    void load(const KyString& path) override;
    // Reads an image of the given type from the stream's current position.
    virtual void loadFromStream(KyStream& stream, const KyString& type);
    // The reading step of loadFromStream on its own: the picture of the given
    // type (lower case) read from the stream, or from the file when stream is
    // null, by the reader of that type; null for a type no reader knows. It
    // touches no image and no list of resources (the palettes it makes are
    // not listed), so worker threads may read pictures with it; the result
    // goes back to the main thread for takePicture.
    // A reader leaves the stream right after its picture's data, as far as
    // the format tells where that ends: PNG after IEND, JPEG after EOI (the
    // unused part of its read window given back), the zlib forms (PVR,
    // wrapped JPEG) after their block, TGA after its pixels, BMP after its
    // pixel array (the last row's padding with it, when the file's stated
    // size takes it in and the bytes are there). So a caller can tell a file
    // that holds more than its picture. A refused or damaged picture may
    // leave it anywhere within what was read.
    static std::unique_ptr<KyImgResult> read(const KyString& type, KyStream* stream, const KyString& file);
    // Whether load reads a picture from a file of that name: its extension,
    // in any case, is one of "bmp", "tga", "png", "jpg", "jpeg", "pvr".
    static bool isPictureName(const KyString& path);
    // Whether loadFromStream reads a picture of that type word, in any case:
    // one of the extensions above, "jpg.zlib" or "jpeg.zlib".
    static bool isPictureType(const KyString& type);
    // The file load reads for path: with the core's recursive search, path
    // itself; otherwise path, else its copy in the language folder, else in
    // the "en" folder. False when none of them exists (file is then the
    // last one tried).
    static bool fileFor(const KyString& path, KyPath& file);
    // The rest of loadFromStream: the image becomes what a reader produced
    // (empty for null or an empty result).
    void takePicture(KyImgResult* result);

    virtual s32 format() const { return m_format; }
    virtual u32 width() const { return m_width; }
    virtual u32 height() const { return m_height; }
    virtual u8* pixels() const { return m_pixels; }
    // bitsPerPixel x width x height / 8, truncating.
    virtual u32 byteSize() const;
    virtual u32 bitsPerPixel() const { return bitsPerPixel(m_format); }
    virtual KyIntrusivePtr<KyPalette>* paletteHolder() { return &m_palette; }
    virtual KyPalette* palette() const { return m_palette.get(); }
    // Shares the given palette; nothing when given the image's own member.
    virtual void setPalette(const KyIntrusivePtr<KyPalette>& palette);
    // For one-byte-per-pixel images: source byte v != 0 writes
    // v + colour - 1; v == 0 writes background unless transparent is set.
    virtual void drawGlyph(s32 x, s32 y, const u8* source, u32 width, u32 height, u8 background, u8 colour);
    // Copies a width x height block (rows of width pixels) in or out of the
    // image at (x, y), clipped to the image.
    virtual void writeRect(s32 x, s32 y, const void* source, u32 width, u32 height);
    // Sets every pixel of formats 3, 4, 5 and 6; other formats are left.
    virtual void fill(u8 red, u8 green, u8 blue, u8 alpha);
    // Sets width x height bytes of the pixels to value, whatever the format.
    virtual void clear(u8 value);
    virtual void readRect(s32 x, s32 y, void* destination, u32 width, u32 height);

    // Returns the pixel count plus 14.
    u32 serialize(KyStream& stream) override;
    // A damaged or short stream leaves the image empty.
    void deserialize(KyStream& stream) override;

    // Frees the old pixels, sets the format and size and shares the palette;
    // allocates (zeroed) width x height pixels of 1 byte, or 2 for formats 3
    // and 4, 3 for 5 and 7, 4 for 6. Returns the pixels; null (and an empty
    // image) when the size is over the engine's caps.
    u8* create(s32 format, u32 width, u32 height, const KyIntrusivePtr<KyPalette>& palette);
    // Frees the pixels and releases the palette.
    void freeData();

    u32 borderWidth() const { return m_borderWidth; }
    u32 borderHeight() const { return m_borderHeight; }
    u8 transparent() const { return m_transparent; }
    void setTransparent(u8 transparent) { m_transparent = transparent; }
    u8 flag() const { return m_flag; }
    void setFlag(u8 flag) { m_flag = flag; }
    // Bytes really allocated for the pixels.
    u64 allocatedBytes() const { return m_allocated; }
    // The file ended before the picture did: what is missing was made up
    // by the reader (KyImgResult::cutShort).
    bool isCutShort() const { return m_cutShort; }

    // The bits column of the format table (0 for an unknown code).
    static u32 bitsPerPixel(s32 format);
    // Bits a pixel takes in the stream form.
    static u32 serialBitsPerPixel(s32 format);
    // Bytes a pixel takes for create and the rectangle writers.
    static u32 storageBytesPerPixel(s32 format);

private:
    KyImg(const KyImg&) = delete;
    KyImg& operator=(const KyImg&) = delete;

    // Empties the image: pixels freed, palette released, format 13, size
    // and border 0.
    void reset();
    // Takes over what a reader produced; an empty result leaves the image
    // empty.
    void adopt(KyImgResult& result);
    // The palette of a picture loaded from path: the one listed under the
    // path with the extension "Pltt" when it has colours, else the file's
    // own, named so.
    void namePalette(const KyString& path);
    // Chooses a reader by the lower-cased type word; file names the file to
    // open when stream is null.
    bool readAs(const KyString& type, KyStream* stream, const KyString& file);
    // Copies a clipped rectangle between the image and an outside block.
    void copyRect(s32 x, s32 y, u8* outside, u32 width, u32 height, bool intoImage);

    u8 m_flag;
    u8 m_transparent;
    s32 m_format;
    u32 m_width;
    u32 m_height;
    u32 m_borderWidth;
    u32 m_borderHeight;
    u8* m_pixels;
    u64 m_allocated;
    KyIntrusivePtr<KyPalette> m_palette;
    bool m_cutShort;
};

#endif

#ifndef KY_IMG_RESULT_H
#define KY_IMG_RESULT_H

#include "core/KyIntrusivePtr.h"
#include "core/KyTypes.h"
#include "platform/KyPalette.h"

// What an image reader hands to KyImg: the picture's size, its pixel-format
// code, the pixel array with its allocated size, the palette it read and,
// for PVR textures, the border to crop. It starts empty (format 13, no
// pixels): a reader that stops early yields no image. The pixels belong to
// the result until takePixels hands them over.
class KyImgResult {
public:
    KyImgResult();
    virtual ~KyImgResult();

    u32 width() const { return m_width; }
    u32 height() const { return m_height; }
    s32 format() const { return m_format; }
    u32 borderWidth() const { return m_borderWidth; }
    u32 borderHeight() const { return m_borderHeight; }
    const u8* pixels() const { return m_pixels; }
    // Bytes allocated for the pixels.
    u64 pixelBytes() const { return m_pixelBytes; }
    const KyIntrusivePtr<KyPalette>& palette() const { return m_palette; }
    // The data ended before the picture did and the reader made up the
    // rest (as libjpeg does, in grey): a picture, but not the whole one.
    bool cutShort() const { return m_cutShort; }

    // Hands the pixel array over; the result no longer frees it.
    u8* takePixels();
    // Back to the empty result: pixels freed, format 13, no size, border or
    // palette.
    void resetResult();

protected:
    // Replaces the pixel array with a new one of n bytes (not cleared: the
    // readers fill every byte or fail).
    u8* allocatePixels(u64 n);
    void freePixels();

    u32 m_width;
    u32 m_height;
    s32 m_format;
    u32 m_borderWidth;
    u32 m_borderHeight;
    u8* m_pixels;
    u64 m_pixelBytes;
    KyIntrusivePtr<KyPalette> m_palette;
    bool m_cutShort;

private:
    KyImgResult(const KyImgResult&) = delete;
    KyImgResult& operator=(const KyImgResult&) = delete;
};

#endif

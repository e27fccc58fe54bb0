#ifndef KY_PNG_H
#define KY_PNG_H

#include "core/KyStream.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "platform/KyImgResult.h"

// PNG reader over libpng. The picture is stored bottom row first. Only 8-bit
// RGB (format 5), palette (format 0) and RGBA (format 6) pictures give
// pixels; every other kind is still walked through, whatever size its
// header states, so a stream ends up after the PNG data, but yields format
// 13 and no pixels. A damaged or short
// file yields format 13 and no pixels. Reading costs what the pixels need:
// image data that inflates past the last row is refused, and chunks the
// engine never uses (text, colour profiles, ...) are read past without
// being inflated. A wrong checksum in any chunk refuses the picture.
class KyPng : public KyImgResult {
public:
    KyPng();
    ~KyPng() override;

    // Opens the file, reads it with LoadFromStream and closes it.
    void LoadFromFile(const KyString& path);
    // Reads one PNG from the stream's current position.
    void LoadFromStream(KyStream& stream);

    s32 bitDepth() const { return m_bitDepth; }
    s32 colorType() const { return m_colorType; }
    s32 interlaceMethod() const { return m_interlaceMethod; }

    // The pixel-format code of a PNG kind: colour type 2, 3 and 6 at depth 8
    // give 5, 0 and 6; everything else 13.
    static s32 formatOf(s32 colorType, s32 bitDepth);

    // The reading state libpng's callbacks reach (defined with the reader).
    struct Decoder;

private:

    s32 m_bitDepth;
    s32 m_colorType;
    s32 m_interlaceMethod;
    s32 m_compressionMethod;
    s32 m_filterMethod;
};

#endif

#ifndef KY_JPEG_H
#define KY_JPEG_H

#include "core/KyStream.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "platform/KyImgResult.h"

// JPEG reader over libjpeg, for plain JPEG data and for the zlib-wrapped
// form (u32 compressed size, u32 decompressed size, then zlib data whose
// inflation is a JPEG file). Colour pictures give format 5, one-component
// pictures format 12 (one grey byte a pixel), stored bottom row first; any
// other component count logs "KyJpeg::LoadFromStream: wrong format" and
// yields no image. A library error yields format 13 and no pixels.
//
// Plain JPEG data is read from the stream 2048 bytes at a time; when the
// decoder is done the stream is moved back over what it did not use, so it
// stands right after the JPEG data (after EOI). When the data ends early the
// decoder is given an end-of-image marker instead of reading further. The
// zlib form is inflated as the decoder reads it, and the stream then stands
// right after the block. Reading costs what the picture needs (its
// KyImgInput::Budget): data far larger than a JPEG of its size could be is
// refused when the decoder reaches past it, and so is a zlib block that
// states more, a file of more than 1000 scans, and a scan that codes again
// what an earlier scan coded.
class KyJpeg : public KyImgResult {
public:
    static const u32 WindowSize = 2048;

    KyJpeg();
    ~KyJpeg() override;

    void LoadFromFile(const KyString& path);
    void LoadFromStream(KyStream& stream);
    // The zlib-wrapped form.
    void LoadZlibFromFile(const KyString& path);
    void LoadZlibFromStream(KyStream& stream);

    // The libjpeg source and error managers (defined with the reader).
    struct Source;
    struct Error;

private:

    // Decodes through the source manager set up by the caller.
    void decode(Source& source);
    // Returns how decoding ended (failed, wrong component count, decoded).
    static int run(KyJpeg* self, Source* source, Error* error, void* decompressor);

    KyStream* m_stream;
    u8 m_window[WindowSize];
};

#endif

#ifndef KY_BMP_H
#define KY_BMP_H

#include "core/KyFile.h"
#include "core/KyStream.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "platform/KyImgResult.h"

// Reader of uncompressed BMP pictures (signatures BM, BA, CI, CP, IC, PT;
// header sizes 40, 12 and 240). The reader is itself the file it opens.
//
// 8-bit pictures give format 0 with a palette of format 2, 16-bit ones
// format 4 (the words as the file stores them), 24- and 32-bit ones formats
// 5 and 6 with blue and red swapped into red, green, blue (, the fourth
// byte as alpha; when it is 0 in every pixel, the picture is opaque and gets
// alpha 255). Rows are stored bottom row first whichever way the file runs
// (negative height: top-down), and the four-byte alignment of file rows is
// skipped. Run-length and bit-field pictures are not decoded (each logs a
// line) and give format 13; so do 1- and 4-bit pictures, whose bytes are
// still read. Offsets are taken from where the picture starts in the stream.
// Sizes are taken in 64 bits and held to the caps of KyImgInput.
class KyBmp : public KyFile, public KyImgResult {
public:
    KyBmp();
    ~KyBmp() override;

    void LoadFromFile(const KyString& path);
    void LoadFromStream(KyStream& stream);

    u32 fileSize() const { return m_fileSize; }
    u32 dataOffset() const { return m_dataOffset; }
    u16 bitCount() const { return m_bitCount; }
    u32 compression() const { return m_compression; }
    s32 paletteCount() const { return m_paletteCount; }

private:
    bool readHeader(KyStream& stream, u32 base, u32& headerSize, bool& topDown);
    void readPalette(KyStream& stream, u64 offset, u32 entryBytes);
    bool readRows(KyStream& stream, u64 base, u64 start, u64 rowBytes, bool topDown);

    KyStream* m_streamInUse;
    u32 m_fileSize;
    u32 m_dataOffset;
    u32 m_bmpWidth;
    u32 m_bmpHeight;
    u16 m_bitCount;
    u32 m_compression;
    s32 m_paletteCount;
};

#endif

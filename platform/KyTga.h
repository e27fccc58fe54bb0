#ifndef KY_TGA_H
#define KY_TGA_H

#include "core/KyFile.h"
#include "core/KyStream.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "platform/KyImgResult.h"

// Reader of uncompressed TGA pictures. The reader is itself the file it
// opens. Rows are taken in file order. 8-bit pictures with a colour map
// give format 0 (palette format 0, 1, 2 or 3 by the entry size 15, 16, 24,
// 32; at most 256 entries are kept), 16-bit ones format 3 (words as
// stored), 24- and 32-bit ones formats 5 and 6 with blue and red swapped
// into red first. Run-length pictures are refused; they and any damaged or
// short file give format 13 and no pixels.
class KyTga : public KyFile, public KyImgResult {
public:
    KyTga();
    ~KyTga() override;

    void LoadFromFile(const KyString& path);
    void LoadFromStream(KyStream& stream);

    u8 idLength() const { return m_idLength; }
    u8 colorMapType() const { return m_colorMapType; }
    u16 colorMapLength() const { return m_colorMapLength; }
    u8 colorMapEntrySize() const { return m_colorMapEntrySize; }
    u8 pixelDepth() const { return m_pixelDepth; }

private:
    bool readColorMap(KyStream& stream);
    bool readPixels(KyStream& stream);

    KyStream* m_streamInUse;
    u8 m_idLength;
    u8 m_colorMapType;
    u8 m_imageType;
    u16 m_colorMapLength;
    u8 m_colorMapEntrySize;
    u16 m_tgaWidth;
    u16 m_tgaHeight;
    u8 m_pixelDepth;
};

#endif

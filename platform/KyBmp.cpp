#include "platform/KyBmp.h"

#include "core/KyLog.h"
#include "platform/KyImgInput.h"

#include <cstring>

namespace {

bool acceptedSignature(const u8* s)
{
    static const char* const pairs[] = {"BM", "BA", "CI", "CP", "IC", "PT"};
    for (const char* pair : pairs)
        if (s[0] == static_cast<u8>(pair[0]) && s[1] == static_cast<u8>(pair[1]))
            return true;
    return false;
}

} // namespace

KyBmp::KyBmp()
    : m_streamInUse(nullptr), m_fileSize(0), m_dataOffset(0), m_bmpWidth(0), m_bmpHeight(0), m_bitCount(0),
      m_compression(0), m_paletteCount(0)
{
}

KyBmp::~KyBmp() {}

void KyBmp::LoadFromFile(const KyString& path)
{
    resetResult();
    if (!Open_2(path, KyFile::ModeRead))
        return;
    LoadFromStream(*this);
    close();
}

bool KyBmp::readHeader(KyStream& stream, u32 base, u32& headerSize, bool& topDown)
{
    u8 head[54];
    std::memset(head, 0, sizeof head);
    if (!stream.seek(base) || !KyImgInput::readExact(stream, head, 18))
        return false;
    headerSize = KyImgInput::le32(head + 14);
    if (!acceptedSignature(head) || (headerSize != 40 && headerSize != 12 && headerSize != 240))
        return false;
    m_fileSize = KyImgInput::le32(head + 2);
    m_dataOffset = KyImgInput::le32(head + 10);
    topDown = false;
    if (headerSize == 12) {
        // The old core header: 16-bit width and height, planes, bit count.
        if (!KyImgInput::readExact(stream, head + 18, 8))
            return false;
        m_bmpWidth = KyImgInput::le16(head + 18);
        m_bmpHeight = KyImgInput::le16(head + 20);
        m_bitCount = KyImgInput::le16(head + 24);
        m_compression = 0;
        return true;
    }
    if (!KyImgInput::readExact(stream, head + 18, 36))
        return false;
    m_bmpWidth = KyImgInput::le32(head + 18);
    s32 height = static_cast<s32>(KyImgInput::le32(head + 22));
    topDown = height < 0;
    m_bmpHeight = topDown ? static_cast<u32>(-static_cast<s64>(height)) : static_cast<u32>(height);
    m_bitCount = KyImgInput::le16(head + 28);
    m_compression = KyImgInput::le32(head + 30);
    return true;
}

// Entries are blue, green, red (, reserved). Past 256 entries an index
// wraps onto an earlier one, so no more than 256 are read.
void KyBmp::readPalette(KyStream& stream, u64 offset, u32 entryBytes)
{
    KyPalette* palette = new KyPalette;
    m_palette = palette;
    palette->allocate(2);
    if (offset > 0xFFFFFFFFu || !stream.seek(static_cast<u32>(offset)))
        return;
    u64 stated = u64(u32(1) << (m_bitCount % 32));
    u32 count = static_cast<u32>(stated < 256 ? stated : 256);
    for (u32 i = 0; i < count; ++i) {
        u8 entry[4];
        if (!KyImgInput::readExact(stream, entry, entryBytes))
            return;
        palette->setColor(i % 256, KyColor(entry[2], entry[1], entry[0], 255));
    }
}

// File rows are aligned to four bytes; bottom-up files (the usual kind)
// keep their order, top-down files are turned. base is where the file
// starts in the stream.
bool KyBmp::readRows(KyStream& stream, u64 base, u64 start, u64 rowBytes, bool topDown)
{
    u64 stride = (u64(m_bmpWidth) * m_bitCount + 31) / 32 * 4;
    u64 total = 0;
    if (!KyImgInput::rowsBytes(m_bmpWidth, m_bmpHeight, rowBytes, total) || total == 0)
        return false;
    if (!KyImgInput::hasByteAt(stream, start + stride * (m_bmpHeight - 1) + rowBytes - 1))
        return false;
    u8* pixels = allocatePixels(total);
    for (u32 r = 0; r < m_bmpHeight; ++r) {
        u32 row = topDown ? m_bmpHeight - 1 - r : r;
        if (!stream.seek(static_cast<u32>(start + stride * r)) ||
            !KyImgInput::readExact(stream, pixels + rowBytes * row, rowBytes))
            return false;
    }
    // The stream stands after the pixel array, the last row's padding with
    // it when the file holds it: its stated size reaches that far (a file
    // written without that padding may be followed by other data, whose
    // bytes are no padding of it) and the bytes are there.
    const u64 end = start + stride * m_bmpHeight;
    if (stride > rowBytes && base + m_fileSize >= end && KyImgInput::hasByteAt(stream, end - 1))
        stream.seek(static_cast<u32>(end));
    return true;
}

void KyBmp::LoadFromStream(KyStream& stream)
{
    resetResult();
    m_streamInUse = &stream;
    m_fileSize = m_dataOffset = m_bmpWidth = m_bmpHeight = m_compression = 0;
    m_bitCount = 0;
    m_paletteCount = 0;
    u32 base = stream.tell();
    u32 headerSize = 0;
    bool topDown = false;
    if (!readHeader(stream, base, headerSize, topDown)) {
        m_streamInUse = nullptr;
        resetResult();
        return;
    }

    if (m_bitCount <= 8 || m_compression != 0) {
        m_paletteCount = static_cast<s32>(u32(1) << (m_bitCount % 32));
        readPalette(stream, u64(base) + 14 + headerSize, headerSize == 12 ? 3 : 4);
    }

    u64 start = u64(base) + m_dataOffset;
    u32 bytesPerPixel = 0;
    bool read = false;
    switch (m_bitCount) {
    case 8:
    case 16:
    case 24:
    case 32:
        bytesPerPixel = m_bitCount / 8;
        if (m_compression == 0)
            read = readRows(stream, base, start, u64(m_bmpWidth) * bytesPerPixel, topDown);
        else if (m_bitCount == 8 && m_compression == 1)
            logPrint("BI_RLE8 n'est pas géré.\n");
        else if (m_bitCount != 24 && m_compression == 3)
            logPrint("BI_BITFIELDS n'est pas géré.\n");
        break;
    case 1:
    case 4:
        if (m_compression == 0)
            read = readRows(stream, base, start, (u64(m_bmpWidth) * m_bitCount + 7) / 8, topDown);
        else if (m_bitCount == 4 && m_compression == 2)
            logPrint("BI_RLE4 n'est pas géré.\n");
        break;
    default:
        break;
    }
    m_streamInUse = nullptr;
    if (!read) {
        resetResult();
        return;
    }
    if (bytesPerPixel >= 3) {
        // The file stores blue, green, red: the picture formats want red first.
        u64 count = m_pixelBytes / bytesPerPixel;
        bool alphaUsed = false;
        for (u64 i = 0; i < count; ++i) {
            u8* p = m_pixels + i * bytesPerPixel;
            u8 blue = p[0];
            p[0] = p[2];
            p[2] = blue;
            if (bytesPerPixel == 4 && p[3] != 0)
                alphaUsed = true;
        }
        // The fourth byte is reserved in the format and most writers leave
        // it 0: a picture whose fourth bytes are all 0 is opaque, not fully
        // transparent. Any other value means the writer stored alpha there.
        if (bytesPerPixel == 4 && !alphaUsed)
            for (u64 i = 0; i < count; ++i)
                m_pixels[i * 4 + 3] = 255;
    }
    m_width = m_bmpWidth;
    m_height = m_bmpHeight;
    switch (m_bitCount) {
    case 8: m_format = 0; break;
    case 16: m_format = 4; break;
    case 24: m_format = 5; break;
    case 32: m_format = 6; break;
    default: m_format = 13; break;
    }
}

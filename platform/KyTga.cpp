#include "platform/KyTga.h"

#include "platform/KyImgInput.h"

#include <cstring>

KyTga::KyTga()
    : m_streamInUse(nullptr), m_idLength(0), m_colorMapType(0), m_imageType(0), m_colorMapLength(0),
      m_colorMapEntrySize(0), m_tgaWidth(0), m_tgaHeight(0), m_pixelDepth(0)
{
}

KyTga::~KyTga() {}

void KyTga::LoadFromFile(const KyString& path)
{
    resetResult();
    if (!Open_2(path, KyFile::ModeRead))
        return;
    LoadFromStream(*this);
    close();
}

// A palette of up to 256 entries; the entries past 256 are skipped so the
// pixels are read from where they are.
bool KyTga::readColorMap(KyStream& stream)
{
    s32 format = -1;
    u32 entryBytes = 0;
    switch (m_colorMapEntrySize) {
    case 15: format = 0; entryBytes = 2; break;
    case 16: format = 1; entryBytes = 2; break;
    case 24: format = 2; entryBytes = 3; break;
    case 32: format = 3; entryBytes = 4; break;
    default: return true;   // unknown entry size: no palette, the map is not read
    }
    KyPalette* palette = new KyPalette;
    m_palette = palette;
    palette->allocate(format);
    u32 kept = m_colorMapLength < 256 ? m_colorMapLength : 256;
    u8* data = palette->data();
    if (!KyImgInput::readExact(stream, data, u64(kept) * entryBytes))
        return false;
    if (entryBytes >= 3) {
        for (u32 i = 0; i < kept; ++i) {
            u8* e = data + i * entryBytes;
            u8 blue = e[0];
            e[0] = e[2];
            e[2] = blue;
        }
    }
    u64 skipped = u64(m_colorMapLength - kept) * entryBytes;
    u64 next = u64(stream.tell()) + skipped;
    return skipped == 0 || (next <= 0xFFFFFFFFu && stream.seek(static_cast<u32>(next)));
}

bool KyTga::readPixels(KyStream& stream)
{
    u32 bytesPerPixel = m_pixelDepth / 8;
    u64 total = 0;
    if (!KyImgInput::pixelBytes(m_tgaWidth, m_tgaHeight, m_pixelDepth, total) || total == 0)
        return false;
    if (!KyImgInput::hasByteAt(stream, u64(stream.tell()) + total - 1))
        return false;
    u8* pixels = allocatePixels(total);
    if (!KyImgInput::readExact(stream, pixels, total))
        return false;
    if (bytesPerPixel >= 3) {
        for (u64 i = 0; i < total; i += bytesPerPixel) {
            u8 blue = pixels[i];
            pixels[i] = pixels[i + 2];
            pixels[i + 2] = blue;
        }
    }
    return true;
}

void KyTga::LoadFromStream(KyStream& stream)
{
    resetResult();
    m_streamInUse = &stream;
    u32 base = stream.tell();
    u8 head[18];
    bool ok = KyImgInput::readExact(stream, head, sizeof head);
    if (ok) {
        m_idLength = head[0];
        m_colorMapType = head[1];
        m_imageType = head[2];
        m_colorMapLength = KyImgInput::le16(head + 5);
        m_colorMapEntrySize = head[7];
        m_tgaWidth = KyImgInput::le16(head + 12);
        m_tgaHeight = KyImgInput::le16(head + 14);
        m_pixelDepth = head[16];
    }
    // Image types 9 and above are run-length (or otherwise) compressed.
    ok = ok && m_imageType < 8 && stream.seek(base + 18u + m_idLength);
    if (ok && m_colorMapType != 0)
        ok = readColorMap(stream);
    if (ok) {
        switch (m_pixelDepth) {
        case 8:
            ok = m_colorMapType != 0 && m_palette;   // indices need the palette
            m_format = 0;
            break;
        case 16: m_format = 3; break;
        case 24: m_format = 5; break;
        case 32: m_format = 6; break;
        default: ok = false; break;
        }
    }
    ok = ok && readPixels(stream);
    m_streamInUse = nullptr;
    if (!ok) {
        resetResult();
        return;
    }
    m_width = m_tgaWidth;
    m_height = m_tgaHeight;
}

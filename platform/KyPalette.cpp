#include "platform/KyPalette.h"

#include "platform/KyImgInput.h"

#include <cstring>

KyPalette::KyPalette() : m_format(NoFormat), m_data(nullptr) {}

KyPalette::~KyPalette()
{
    freeData();
}

void KyPalette::load(const KyString&) {}

u32 KyPalette::byteSize(s32 format)
{
    switch (format) {
    case 0:
    case 1: return 512;
    case 2: return 768;
    case 3: return 1024;
    default: return 0;
    }
}

void KyPalette::allocate(s32 format)
{
    freeData();
    u32 size = byteSize(format);
    if (size > 0)
        m_data = new u8[size]();
    m_format = format;
}

void KyPalette::setColor(u32 index, const KyColor& color)
{
    if (m_data == nullptr)
        return;
    u32 i = index % 256;
    u16 word = 0;
    switch (m_format) {
    case 0:
        word = static_cast<u16>((color.b >> 3) << 10 | (color.g >> 3) << 5 | color.r >> 3);
        break;
    case 1:
        word = static_cast<u16>((color.b >> 3) << 11 | (color.g >> 2) << 5 | color.r >> 3);
        break;
    case 2:
        m_data[i * 3] = color.r;
        m_data[i * 3 + 1] = color.g;
        m_data[i * 3 + 2] = color.b;
        return;
    case 3:
        m_data[i * 4] = color.r;
        m_data[i * 4 + 1] = color.g;
        m_data[i * 4 + 2] = color.b;
        m_data[i * 4 + 3] = color.a;
        return;
    default:
        return;
    }
    m_data[i * 2] = static_cast<u8>(word);
    m_data[i * 2 + 1] = static_cast<u8>(word >> 8);
}

KyColor KyPalette::color(u32 index) const
{
    if (m_data == nullptr)
        return KyColor();
    u32 i = index % 256;
    u16 word = 0;
    switch (m_format) {
    case 0:
        word = static_cast<u16>(m_data[i * 2] | m_data[i * 2 + 1] << 8);
        return KyColor(static_cast<u8>((word & 0x1F) << 3), static_cast<u8>((word >> 5 & 0x1F) << 3),
                       static_cast<u8>((word >> 10 & 0x1F) << 3), 255);
    case 1:
        word = static_cast<u16>(m_data[i * 2] | m_data[i * 2 + 1] << 8);
        return KyColor(static_cast<u8>((word & 0x1F) << 3), static_cast<u8>((word >> 5 & 0x3F) << 2),
                       static_cast<u8>((word >> 11 & 0x1F) << 3), 255);
    case 2: return KyColor(m_data[i * 3], m_data[i * 3 + 1], m_data[i * 3 + 2], 255);
    case 3: return KyColor(m_data[i * 4], m_data[i * 4 + 1], m_data[i * 4 + 2], m_data[i * 4 + 3]);
    default: return KyColor();
    }
}

void KyPalette::freeData()
{
    delete[] m_data;
    m_data = nullptr;
}

void KyPalette::detachData()
{
    m_data = nullptr;
}

u32 KyPalette::serialize(KyStream& stream)
{
    u32 size = byteSize();
    stream << size;
    if (size > 0)
        KyImgInput::writeOrZeros(stream, m_data, size);
    return 4 + size;
}

void KyPalette::deserialize(KyStream& stream)
{
    u32 size = 0;
    stream >> size;
    freeData();
    s32 format = m_format;
    switch (size) {
    case 0: return;
    case 512: format = (m_format == 0 || m_format == 1) ? m_format : 0; break;
    case 768: format = 2; break;
    case 1024: format = 3; break;
    default: return;   // not a palette: nothing is read
    }
    u8* data = new u8[size];
    if (!KyImgInput::readExact(stream, data, size)) {
        delete[] data;
        return;
    }
    m_data = data;
    m_format = format;
}

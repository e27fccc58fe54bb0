#include "platform/KyImgResult.h"

KyImgResult::KyImgResult()
    : m_width(0), m_height(0), m_format(13), m_borderWidth(0), m_borderHeight(0), m_pixels(nullptr),
      m_pixelBytes(0), m_cutShort(false)
{
}

KyImgResult::~KyImgResult()
{
    freePixels();
}

u8* KyImgResult::takePixels()
{
    u8* pixels = m_pixels;
    m_pixels = nullptr;
    m_pixelBytes = 0;
    return pixels;
}

void KyImgResult::resetResult()
{
    freePixels();
    m_width = 0;
    m_height = 0;
    m_format = 13;
    m_borderWidth = 0;
    m_borderHeight = 0;
    m_palette.reset();
    m_cutShort = false;
}

u8* KyImgResult::allocatePixels(u64 n)
{
    freePixels();
    m_pixels = new u8[n];
    m_pixelBytes = n;
    return m_pixels;
}

void KyImgResult::freePixels()
{
    delete[] m_pixels;
    m_pixels = nullptr;
    m_pixelBytes = 0;
}

#include "platform/KyImg.h"

#include "core/KyCore.h"
#include "core/KyLog.h"
#include "core/KyPath.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "platform/KyBmp.h"
#include "platform/KyImgInput.h"
#include "platform/KyImgPrefetch.h"
#include "platform/KyJpeg.h"
#include "platform/KyPng.h"
#include "platform/KyPvr.h"
#include "platform/KyTga.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

KyImg::KyImg()
    : m_flag(0), m_transparent(1), m_format(13), m_width(0), m_height(0), m_borderWidth(0), m_borderHeight(0),
      m_pixels(nullptr), m_allocated(0), m_cutShort(false)
{
}

KyImg::~KyImg()
{
    freeData();
}

u32 KyImg::bitsPerPixel(s32 format)
{
    static const u32 bits[14] = {8, 8, 8, 16, 16, 24, 32, 24, 2, 2, 4, 4, 1, 0};
    return format >= 0 && format < 14 ? bits[format] : 0;
}

u32 KyImg::serialBitsPerPixel(s32 format)
{
    return storageBytesPerPixel(format) * 8;
}

u32 KyImg::storageBytesPerPixel(s32 format)
{
    switch (format) {
    case 3:
    case 4: return 2;
    case 5:
    case 7: return 3;
    case 6: return 4;
    default: return 1;
    }
}

u32 KyImg::byteSize() const
{
    // Every image is held to the size caps, so this fits; saturate anyway
    // rather than wrap.
    u64 bytes = u64(bitsPerPixel()) * m_width * m_height / 8;
    return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<u32>(bytes);
}

void KyImg::freeData()
{
    delete[] m_pixels;
    m_pixels = nullptr;
    m_allocated = 0;
    m_palette.reset();
}

void KyImg::reset()
{
    freeData();
    m_format = 13;
    m_width = 0;
    m_height = 0;
    m_borderWidth = 0;
    m_borderHeight = 0;
    m_cutShort = false;
}

u8* KyImg::create(s32 format, u32 width, u32 height, const KyIntrusivePtr<KyPalette>& palette)
{
    KyIntrusivePtr<KyPalette> kept(palette);   // may be our own palette
    reset();
    m_palette = kept;
    u64 bytes = 0;
    if (!KyImgInput::madePixelBytes(width, height, storageBytesPerPixel(format) * 8, bytes))
        return nullptr;
    if (bytes > 0)
        m_pixels = new u8[bytes]();
    m_allocated = bytes;
    m_format = format;
    m_width = width;
    m_height = height;
    return m_pixels;
}

void KyImg::setPalette(const KyIntrusivePtr<KyPalette>& palette)
{
    if (&palette == &m_palette)
        return;
    m_palette = palette;
}

void KyImg::adopt(KyImgResult& result)
{
    u64 bytes = result.pixelBytes();
    u8* pixels = result.takePixels();
    if (pixels == nullptr) {
        reset();
        return;
    }
    delete[] m_pixels;
    m_pixels = pixels;
    m_allocated = bytes;
    m_format = result.format();
    m_width = result.width();
    m_height = result.height();
    m_borderWidth = result.borderWidth();
    m_borderHeight = result.borderHeight();
    m_palette = result.palette();
    m_cutShort = result.cutShort();
}

namespace {

typedef std::unique_ptr<KyImgResult> (*ReadFunction)(KyStream* stream, const KyString& file);

template <class Reader>
std::unique_ptr<KyImgResult> readWith(KyStream* stream, const KyString& file)
{
    std::unique_ptr<Reader> reader(new Reader);
    stream ? reader->LoadFromStream(*stream) : reader->LoadFromFile(file);
    return std::unique_ptr<KyImgResult>(std::move(reader));
}

std::unique_ptr<KyImgResult> readZlibJpeg(KyStream* stream, const KyString&)
{
    std::unique_ptr<KyJpeg> reader(new KyJpeg);
    reader->LoadZlibFromStream(*stream);
    return std::unique_ptr<KyImgResult>(std::move(reader));
}

// The picture types and their readers. The zlib-wrapped JPEG is read only
// from a stream (panorama tiles): a file of that kind has the extension
// "zlib", which names no picture.
struct PictureType {
    const char* type;
    ReadFunction read;
    bool file;
};

const PictureType kPictureTypes[] = {
    {"bmp", readWith<KyBmp>, true},
    {"tga", readWith<KyTga>, true},
    {"png", readWith<KyPng>, true},
    {"jpg", readWith<KyJpeg>, true},
    {"jpeg", readWith<KyJpeg>, true},
    {"jpg.zlib", readZlibJpeg, false},
    {"jpeg.zlib", readZlibJpeg, false},
    {"pvr", readWith<KyPvr>, true},
};

// The reader of a type word as the list writes it (lower case); null when
// none reads it.
const PictureType* typeNamed(const KyString& type)
{
    for (const PictureType& known : kPictureTypes) {
        if (type == known.type)
            return &known;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<KyImgResult> KyImg::read(const KyString& type, KyStream* stream, const KyString& file)
{
    const PictureType* known = typeNamed(type);
    return known && (stream || known->file) ? known->read(stream, file) : nullptr;
}

bool KyImg::isPictureName(const KyString& path)
{
    const PictureType* known = typeNamed(KyPath(path).extension().toLower());
    return known && known->file;
}

bool KyImg::isPictureType(const KyString& type)
{
    return typeNamed(type.toLower()) != nullptr;
}

bool KyImg::readAs(const KyString& type, KyStream* stream, const KyString& file)
{
    std::unique_ptr<KyImgResult> result = read(type, stream, file);
    if (result)
        adopt(*result);
    return result != nullptr;
}

void KyImg::load(const KyString& path)
{
    reset();
    setPath(path);
    // Under a limit that allows no pixel, no picture would be read: neither
    // a file nor a picture read ahead is touched.
    if (KyImgInput::Limit::readsNothing())
        return;

    std::unique_ptr<KyImgResult> ahead;
    std::string log;
    if (KyImgPrefetch::instance().take(path, ahead, log)) {
        if (!log.empty())
            logPrint("%s", log.c_str());
        adopt(*ahead);
        namePalette(path);
        return;
    }
    KyPath file;
    fileFor(path, file);
    KyPath lower(file.toLower());
    readAs(lower.extension(), nullptr, file);
    namePalette(path);
}

bool KyImg::fileFor(const KyString& path, KyPath& file)
{
    KyCore* core = KySingleton<KyCore>::instance();
    if (core && core->recursiveSearch) {
        file = KyPath(path);
        return true;
    }
    // The file itself, else its copy in the language folder, else in the
    // "en" folder.
    return KyResourceManager::findLanguageFile(path, &file);
}

void KyImg::namePalette(const KyString& path)
{
    if (!m_palette)
        return;
    // A palette listed under the image path with the extension "Pltt"
    // replaces the one in the file; one that holds no colours (made
    // without a file behind it) does not.
    KyPath name(path);
    name.setExtension("Pltt");
    KyIntrusivePtr<KyPalette> listed = KySingleton<KyResourceManager>::instance()->getOrLoad<KyPalette>(name);
    if (listed && listed->data() != nullptr)
        m_palette = listed;
    else
        m_palette->setPath(name);
}

void KyImg::loadFromStream(KyStream& stream, const KyString& type)
{
    takePicture(read(type.toLower(), &stream, KyString()).get());
}

void KyImg::takePicture(KyImgResult* result)
{
    reset();
    if (result)
        adopt(*result);
    if (m_palette) {
        KyPath name(path());
        name.setExtension("Pltt");
        m_palette->setPath(name);
    }
}

void KyImg::drawGlyph(s32 x, s32 y, const u8* source, u32 width, u32 height, u8 background, u8 colour)
{
    if (m_pixels == nullptr || source == nullptr)
        return;
    for (u32 r = 0; r < height; ++r) {
        s64 ty = s64(y) + r;
        if (ty < 0)
            continue;
        if (ty >= s64(m_height))
            break;
        for (u32 c = 0; c < width; ++c) {
            s64 tx = s64(x) + c;
            if (tx < 0)
                continue;
            if (tx >= s64(m_width))
                break;
            u64 at = u64(ty) * m_width + u64(tx);
            if (at >= m_allocated)
                return;
            u8 v = source[u64(r) * width + c];
            if (v != 0)
                m_pixels[at] = static_cast<u8>(v + colour - 1);
            else if (!m_transparent)
                m_pixels[at] = background;
        }
    }
}

void KyImg::copyRect(s32 x, s32 y, u8* outside, u32 width, u32 height, bool intoImage)
{
    if (m_pixels == nullptr || outside == nullptr)
        return;
    u64 bpp = storageBytesPerPixel(m_format);
    s64 first = x < 0 ? -s64(x) : 0;
    s64 last = std::min<s64>(width, s64(m_width) - x);
    if (first >= last)
        return;
    for (u32 r = 0; r < height; ++r) {
        s64 ty = s64(y) + r;
        if (ty < 0)
            continue;
        if (ty >= s64(m_height))
            break;
        u64 at = (u64(ty) * m_width + u64(x + first)) * bpp;
        u64 n = u64(last - first) * bpp;
        if (at >= m_allocated)
            break;
        n = std::min(n, m_allocated - at);
        u8* out = outside + (u64(r) * width + u64(first)) * bpp;
        if (intoImage)
            std::memcpy(m_pixels + at, out, n);
        else
            std::memcpy(out, m_pixels + at, n);
    }
}

void KyImg::writeRect(s32 x, s32 y, const void* source, u32 width, u32 height)
{
    copyRect(x, y, static_cast<u8*>(const_cast<void*>(source)), width, height, true);
}

void KyImg::readRect(s32 x, s32 y, void* destination, u32 width, u32 height)
{
    copyRect(x, y, static_cast<u8*>(destination), width, height, false);
}

void KyImg::fill(u8 red, u8 green, u8 blue, u8 alpha)
{
    if (m_pixels == nullptr)
        return;
    u8 pixel[4] = {red, green, blue, alpha};
    u32 bpp = storageBytesPerPixel(m_format);
    if (m_format == 3 || m_format == 4) {
        u16 word = m_format == 3 ? static_cast<u16>((blue >> 3) << 10 | (green >> 3) << 5 | red >> 3)
                                 : static_cast<u16>((blue >> 3) << 11 | (green >> 2) << 5 | red >> 3);
        pixel[0] = static_cast<u8>(word);
        pixel[1] = static_cast<u8>(word >> 8);
    } else if (m_format != 5 && m_format != 6) {
        return;
    }
    u64 count = std::min<u64>(u64(m_width) * m_height, m_allocated / bpp);
    for (u64 i = 0; i < count; ++i)
        std::memcpy(m_pixels + i * bpp, pixel, bpp);
}

void KyImg::clear(u8 value)
{
    if (m_pixels == nullptr)
        return;
    std::memset(m_pixels, value, std::min<u64>(u64(m_width) * m_height, m_allocated));
}

u32 KyImg::serialize(KyStream& stream)
{
    u64 count = u64(serialBitsPerPixel(m_format)) * m_width * m_height / 8;
    stream << m_flag << m_transparent << m_format << m_width << m_height;
    if (count >= 1) {
        // Whatever the format promises past the allocated bytes goes out as
        // zeros, so the stream form always has the size its header states.
        u64 have = std::min(count, m_allocated);
        KyImgInput::writeOrZeros(stream, m_pixels, have);
        KyImgInput::writeOrZeros(stream, nullptr, count - have);
    }
    return static_cast<u32>(count + 14);
}

void KyImg::deserialize(KyStream& stream)
{
    reset();
    u8 flag = 0;
    u8 transparent = 0;
    s32 format = 13;
    u32 width = 0;
    u32 height = 0;
    stream >> flag >> transparent >> format >> width >> height;
    m_flag = flag != 0 ? 1 : 0;
    m_transparent = transparent != 0 ? 1 : 0;
    u64 count = 0;
    if (format < 0 || format > 13 || !KyImgInput::pixelBytes(width, height, serialBitsPerPixel(format), count))
        return;
    if (count > 0) {
        std::vector<u8> bytes;
        if (!KyImgInput::readBlock(stream, count, bytes))
            return;
        m_pixels = new u8[count];
        std::memcpy(m_pixels, bytes.data(), count);
        m_allocated = count;
    }
    m_format = format;
    m_width = width;
    m_height = height;
}

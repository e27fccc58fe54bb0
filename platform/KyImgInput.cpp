#include "platform/KyImgInput.h"

#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace {

thread_local KyImgInput::Limit* t_limit = nullptr;

} // namespace

KyImgInput::Limit::Limit(u32 maxSide, u64 maxPixels)
    : m_maxSide(maxSide), m_maxPixels(maxPixels), m_refused(false), m_outer(t_limit)
{
    t_limit = this;
}

KyImgInput::Limit::~Limit()
{
    t_limit = m_outer;
}

bool KyImgInput::Limit::allows(u64 width, u64 height)
{
    Limit* limit = t_limit;
    if (!limit)
        return true;
    // Within the dimension caps the product cannot wrap.
    if (width <= limit->m_maxSide && height <= limit->m_maxSide && width * height <= limit->m_maxPixels)
        return true;
    limit->m_refused = true;
    return false;
}

bool KyImgInput::pixelBytes(u64 width, u64 height, u32 bitsPerPixel, u64& bytes)
{
    if (!madePixelBytes(width, height, bitsPerPixel, bytes))
        return false;
    if (Limit::allows(width, height))
        return true;
    bytes = 0;
    return false;
}

bool KyImgInput::madePixelBytes(u64 width, u64 height, u32 bitsPerPixel, u64& bytes)
{
    bytes = 0;
    if (width > kMaxDimension || height > kMaxDimension || bitsPerPixel > 128)
        return false;
    u64 n = width * height * bitsPerPixel / 8;
    if (n > kMaxPixelBytes)
        return false;
    bytes = n;
    return true;
}

bool KyImgInput::rowsBytes(u64 width, u64 height, u64 rowBytes, u64& bytes)
{
    bytes = 0;
    // Within the dimension caps a row of up to 128 bits a pixel is far from
    // wrapping, so the product below is exact.
    if (width > kMaxDimension || height > kMaxDimension || rowBytes > kMaxDimension * u64(16) ||
        !Limit::allows(width, height))
        return false;
    u64 n = rowBytes * height;
    if (n > kMaxPixelBytes)
        return false;
    bytes = n;
    return true;
}

bool KyImgInput::readExact(KyStream& stream, void* out, u64 n)
{
    u8* p = static_cast<u8*>(out);
    while (n > 0) {
        u32 want = static_cast<u32>(std::min<u64>(n, u64(1) << 30));
        u32 got = stream.read(p, want);
        if (got == 0 || got > want)
            return false;
        p += got;
        n -= got;
    }
    return true;
}

bool KyImgInput::readBlock(KyStream& stream, u64 n, std::vector<u8>& out)
{
    out.clear();
    const u64 firstStep = 64 * 1024;
    while (out.size() < n) {
        u64 have = out.size();
        u64 step = std::min<u64>(n - have, std::max<u64>(firstStep, have));
        out.resize(have + step);
        if (!readExact(stream, out.data() + have, step)) {
            std::vector<u8>().swap(out);
            return false;
        }
    }
    return true;
}

bool KyImgInput::hasByteAt(KyStream& stream, u64 offset)
{
    if (offset > 0xFFFFFFFFu)
        return false;
    u32 here = stream.tell();
    u8 byte = 0;
    bool present = stream.seek(static_cast<u32>(offset)) && stream.read(&byte, 1) == 1;
    stream.seek(here);
    return present;
}

void KyImgInput::writeOrZeros(KyStream& stream, const u8* data, u64 n)
{
    if (data != nullptr) {
        while (n > 0) {
            u32 part = static_cast<u32>(std::min<u64>(n, u64(1) << 30));
            stream.write(data, part);
            data += part;
            n -= part;
        }
        return;
    }
    static const u8 zeros[4096] = {};
    while (n > 0) {
        u32 part = static_cast<u32>(std::min<u64>(n, sizeof zeros));
        stream.write(zeros, part);
        n -= part;
    }
}

bool KyImgInput::readZlibBlock(KyStream& stream, std::vector<u8>& out)
{
    out.clear();
    u8 prefix[8];
    if (!readExact(stream, prefix, sizeof prefix))
        return false;
    u64 packedSize = le32(prefix);
    u64 size = le32(prefix + 4);
    // Deflate never expands by more than about 1032 to 1.
    if (packedSize == 0 || size == 0 || packedSize > kMaxBlockBytes || size > kMaxBlockBytes ||
        size > packedSize * 1032 + 64)
        return false;
    std::vector<u8> packed;
    if (!readBlock(stream, packedSize, packed))
        return false;
    if (!inflateExactly(packed.data(), packedSize, size, out)) {
        std::vector<u8>().swap(out);
        return false;
    }
    return true;
}

// Inflates in growing steps, so the output buffer never runs far ahead of
// what the data really produces; the result must be exactly size bytes.
bool KyImgInput::inflateExactly(const u8* packed, u64 packedSize, u64 size, std::vector<u8>& out)
{
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = const_cast<Bytef*>(packed);
    z.avail_in = static_cast<uInt>(packedSize);
    int result = Z_OK;
    out.resize(std::min<u64>(size, 64 * 1024));
    while (result == Z_OK) {
        if (z.total_out == out.size()) {
            if (out.size() == size)
                break;   // full: anything more is an error below
            out.resize(std::min<u64>(size, u64(out.size()) * 2));
        }
        z.next_out = out.data() + z.total_out;
        z.avail_out = static_cast<uInt>(out.size() - z.total_out);
        result = inflate(&z, Z_NO_FLUSH);
    }
    bool exact = result == Z_STREAM_END && z.total_out == size;
    if (result == Z_OK && z.total_out == size) {
        // The buffer is full: the stream must end here.
        u8 extra = 0;
        z.next_out = &extra;
        z.avail_out = 1;
        exact = inflate(&z, Z_NO_FLUSH) == Z_STREAM_END && z.total_out == size;
    }
    inflateEnd(&z);
    return exact;
}

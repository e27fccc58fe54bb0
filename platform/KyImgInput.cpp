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

namespace {

const u32 kInputStep = 16 * 1024;

} // namespace

KyImgInput::ZlibBlock::ZlibBlock(KyStream& stream)
    : m_stream(stream), m_start(0), m_packedSize(0), m_size(0), m_packedRead(0), m_produced(0), m_ended(false),
      m_started(false), m_z(new z_stream_s)
{
    std::memset(m_z.get(), 0, sizeof(z_stream_s));
}

KyImgInput::ZlibBlock::~ZlibBlock()
{
    if (m_started)
        inflateEnd(m_z.get());
}

bool KyImgInput::ZlibBlock::open()
{
    m_start = m_stream.tell();
    u8 prefix[8];
    if (!readExact(m_stream, prefix, sizeof prefix))
        return false;
    m_packedSize = le32(prefix);
    m_size = le32(prefix + 4);
    // Deflate never expands by more than about 1032 to 1, and no encoder
    // makes data much larger than what it packs: the block costs about its
    // stated size, whatever it holds.
    if (m_packedSize == 0 || m_size == 0 || m_packedSize > kMaxBlockBytes || m_size > kMaxBlockBytes ||
        m_size > m_packedSize * 1032 + 64 || m_packedSize > 2 * m_size + 1024)
        return false;
    if (inflateInit(m_z.get()) != Z_OK)
        return false;
    m_started = true;
    return true;
}

bool KyImgInput::ZlibBlock::refill()
{
    z_stream& z = *m_z;
    if (z.avail_in > 0 || m_packedRead >= m_packedSize)
        return true;
    u32 step = static_cast<u32>(std::min<u64>(kInputStep, m_packedSize - m_packedRead));
    m_input.resize(step);
    if (!readExact(m_stream, m_input.data(), step))
        return false;
    m_packedRead += step;
    z.next_in = m_input.data();
    z.avail_in = step;
    return true;
}

bool KyImgInput::ZlibBlock::read(u8* out, u64 n)
{
    if (!m_started || n > m_size - m_produced)
        return false;
    z_stream& z = *m_z;
    while (n > 0) {
        if (m_ended)
            return false;   // the data ends before the stated size
        if (!refill())
            return false;
        u8* target = out;
        u32 room = static_cast<u32>(std::min<u64>(n, 1u << 30));
        if (target == nullptr) {
            m_scratch.resize(kInputStep);
            target = m_scratch.data();
            room = static_cast<u32>(std::min<u64>(n, kInputStep));
        }
        z.next_out = target;
        z.avail_out = room;
        int result = inflate(&z, Z_NO_FLUSH);
        u32 made = room - z.avail_out;
        m_produced += made;
        n -= made;
        if (out != nullptr)
            out += made;
        if (result == Z_STREAM_END)
            m_ended = true;
        else if (result != Z_OK && !(result == Z_BUF_ERROR && z.avail_in == 0 && m_packedRead < m_packedSize))
            return false;
    }
    return true;
}

bool KyImgInput::ZlibBlock::finish()
{
    if (!read(nullptr, m_size - m_produced))
        return false;
    if (!m_ended) {
        // Everything stated is out: the data must end here.
        z_stream& z = *m_z;
        u8 extra = 0;
        for (;;) {
            if (!refill())
                return false;
            z.next_out = &extra;
            z.avail_out = 1;
            int result = inflate(&z, Z_NO_FLUSH);
            if (result == Z_STREAM_END && z.avail_out == 1)
                break;
            if (result != Z_OK || z.avail_out == 0)
                return false;
        }
        m_ended = true;
    }
    const u64 end = u64(m_start) + 8 + m_packedSize;
    return hasByteAt(m_stream, end - 1) && m_stream.seek(static_cast<u32>(end));
}

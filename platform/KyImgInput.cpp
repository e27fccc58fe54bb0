#include "platform/KyImgInput.h"

#include "core/KyLog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <zlib.h>

namespace {

thread_local KyImgInput::Limit* t_limit = nullptr;

const char* const kAllowanceSpent = "the reading's allowance of bytes is spent";

} // namespace

KyImgInput::Limit::Limit(u32 maxSide, u64 maxPixels, u64 maxBytes)
    : m_maxSide(maxSide), m_maxPixels(maxPixels), m_maxBytes(maxBytes), m_bytesLeft(maxBytes), m_refused(false),
      m_ranOut(false), m_outer(t_limit)
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

bool KyImgInput::Limit::readsNothing()
{
    return t_limit != nullptr && t_limit->m_maxPixels == 0;
}

bool KyImgInput::Limit::spendBytes(u64 n)
{
    bool within = true;
    for (Limit* limit = t_limit; limit; limit = limit->m_outer) {
        if (limit->m_maxBytes != kAnyBytes && n > limit->m_bytesLeft) {
            limit->m_ranOut = true;
            within = false;
        }
    }
    if (!within)
        return false;
    for (Limit* limit = t_limit; limit; limit = limit->m_outer) {
        if (limit->m_maxBytes != kAnyBytes)
            limit->m_bytesLeft -= n;
    }
    return true;
}

u64 KyImgInput::Limit::leastLeft()
{
    u64 least = kAnyBytes;
    for (const Limit* limit = t_limit; limit; limit = limit->m_outer)
        least = std::min(least, limit->m_bytesLeft);
    return least;
}

void KyImgInput::Limit::giveBackBytes(u64 n)
{
    for (Limit* limit = t_limit; limit; limit = limit->m_outer) {
        if (limit->m_maxBytes != kAnyBytes)
            limit->m_bytesLeft = std::min(limit->m_maxBytes, limit->m_bytesLeft + n);
    }
}

namespace {

struct BudgetTerms {
    u64 base;
    u64 factor;
};

// By KyImgInput::Budget::Kind. No encoder spends more than about the raw
// rows on a PNG's image data or a few bytes a sample on a JPEG, and a PVR
// block holds at most a cube's six faces with their mipmaps after its first
// surface (about seven surfaces more); the bases leave room for headers,
// profiles and text.
const BudgetTerms kBudgetTerms[] = {
    {u64(4) << 20, 2},
    {u64(8) << 20, 4},
    {64 * 1024 + 52, 9},
};

} // namespace

KyImgInput::Budget::Budget(Kind kind, const char* reader)
    : m_kind(kind), m_reader(reader), m_bound(kBudgetTerms[kind].base), m_spent(0), m_refused(false)
{
}

void KyImgInput::Budget::setPicture(u64 rawBytes)
{
    const BudgetTerms& terms = kBudgetTerms[m_kind];
    // Raw sizes are within the pixel caps, far from wrapping.
    m_bound = terms.base + terms.factor * rawBytes;
}

u64 KyImgInput::Budget::room() const
{
    return std::min(m_bound - std::min(m_bound, m_spent), Limit::leastLeft());
}

bool KyImgInput::Budget::refuseOver(u64 n)
{
    if (m_spent + n > m_bound) {
        char reason[96];
        std::snprintf(reason, sizeof reason, "its data is far larger than its picture (more than %llu bytes)",
                      static_cast<unsigned long long>(m_bound));
        refuse(reason);
        return true;
    }
    return false;
}

void KyImgInput::Budget::refuse(const char* reason)
{
    if (!m_refused)
        logPrint("%s: picture refused, %s\n", m_reader, reason);
    m_refused = true;
}

bool KyImgInput::Budget::spend(u64 n)
{
    if (m_refused || refuseOver(n))
        return false;
    m_spent += n;
    return true;
}

bool KyImgInput::Budget::take(u64 n)
{
    if (m_refused)
        return false;
    if (!Limit::spendBytes(n)) {
        refuse(kAllowanceSpent);
        return false;
    }
    return true;
}

bool KyImgInput::Budget::readPacked(KyStream& stream, void* out, u64 n)
{
    if (!take(n))
        return false;
    if (readAll(stream, out, n))
        return true;
    Limit::giveBackBytes(n);
    return false;
}

bool KyImgInput::Budget::read(KyStream& stream, void* out, u64 n)
{
    if (m_refused || refuseOver(n) || !take(n))
        return false;
    m_spent += n;
    if (readAll(stream, out, n))
        return true;
    // What the stream did not give was not taken.
    giveBack(n);
    return false;
}

bool KyImgInput::Budget::readSome(KyStream& stream, u8* out, u32 n, u32& got)
{
    got = 0;
    if (m_refused)
        return false;
    const u64 most = std::min<u64>(n, room());
    if (most == 0) {
        // The decoder asks for more than the budget allows.
        if (!refuseOver(1))
            take(1);
        return false;
    }
    const u32 count = stream.read(out, static_cast<u32>(most));
    if (count == 0 || count > most)
        return true;
    // Within the room: neither can refuse.
    take(count);
    spend(count);
    got = count;
    return true;
}

void KyImgInput::Budget::giveBack(u64 n)
{
    n = std::min(n, m_spent);
    m_spent -= n;
    Limit::giveBackBytes(n);
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
    if (!Limit::spendBytes(n)) {
        logPrint("KyImgInput::readExact: picture refused, %s\n", kAllowanceSpent);
        return false;
    }
    if (readAll(stream, out, n))
        return true;
    Limit::giveBackBytes(n);
    return false;
}

bool KyImgInput::readAll(KyStream& stream, void* out, u64 n)
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

KyImgInput::ZlibBlock::ZlibBlock(KyStream& stream, Budget& budget)
    : m_stream(stream), m_budget(budget), m_start(0), m_packedSize(0), m_size(0), m_packedRead(0), m_produced(0),
      m_ended(false), m_started(false), m_z(new z_stream_s)
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
    if (!m_budget.readPacked(m_stream, prefix, sizeof prefix))
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
    if (!m_budget.readPacked(m_stream, m_input.data(), step))
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

#include "core/KyStream.h"

#include "core/KyString.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool isBlank(u8 c)
{
    return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(u8 c)
{
    return c >= '0' && c <= '9';
}

// Writes the printf output of one value; the text is sized from snprintf so
// no value can overflow it.
template <typename T>
void writeFormatted(KyStream& out, const char* format, T value)
{
    char small[48];
    int needed = std::snprintf(small, sizeof(small), format, value);
    if (needed <= 0)
        return;
    if (static_cast<size_t>(needed) < sizeof(small)) {
        out.write(small, static_cast<u32>(needed));
        return;
    }
    std::vector<char> text(static_cast<size_t>(needed) + 1);
    std::snprintf(text.data(), text.size(), format, value);
    out.write(text.data(), static_cast<u32>(needed));
}

// A number written as decimal text in text mode, as its bytes otherwise.
template <typename T>
KyStream& writeNumber(KyStream& out, T value, const char* format)
{
    if (out.textMode())
        writeFormatted(out, format, value);
    else
        out.write(&value, sizeof(value));
    return out;
}

// Reads sizeof(T) raw bytes; the target changes only when all were there.
template <typename T>
void readRaw(KyStream& in, T& value)
{
    T read;
    if (in.read(&read, sizeof(T)) == sizeof(T))
        value = read;
}

// A number parsed from decimal text in text mode, read as its bytes otherwise.
template <typename T>
KyStream& readNumber(KyStream& in, T& value, u32 (KyStream::*parse)(T&))
{
    if (in.textMode())
        (in.*parse)(value);
    else
        readRaw(in, value);
    return in;
}

} // namespace

KyStream::KyStream()
    : m_position(0), m_textMode(0), m_flag(0), m_word0(0), m_word1(0), m_size(0), m_buffer(nullptr)
{
}

KyStream::~KyStream()
{
    m_position = 0;
    m_word0 = 0;
    m_word1 = 0;
    m_size = 0;
    delete[] m_buffer;
    m_buffer = nullptr;
}

u32 KyStream::printf(const char* format, u32 bufferSize, ...)
{
    if (!format || bufferSize == 0)
        return 0;
    va_list args;
    va_start(args, bufferSize);
    va_list sizing;
    va_copy(sizing, args);
    int needed = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (needed <= 0) {
        va_end(args);
        return 0;
    }
    // The block never needs to be larger than the whole output, whatever
    // size the caller allows.
    size_t kept = static_cast<size_t>(needed) < bufferSize ? static_cast<size_t>(needed) : bufferSize;
    std::vector<char> block(kept + 1, '\0');
    std::vsnprintf(block.data(), block.size(), format, args);
    va_end(args);
    u32 n = static_cast<u32>(strnlen(block.data(), kept));
    return n ? write(block.data(), n) : 0;
}

bool KyStream::readByte(u8& byte)
{
    return read(&byte, 1) == 1;
}

void KyStream::stepBack()
{
    u32 at = tell();
    if (at > 0)
        seek(at - 1);
}

KyString KyStream::readWord()
{
    KyString word;
    u8 c = 0;
    bool more = readByte(c);
    while (more && isBlank(c))
        more = readByte(c);
    if (!more)
        return word;
    while (more && !isBlank(c)) {
        word += static_cast<char>(c);
        more = readByte(c);
    }
    // Stand on the first byte of the next word.
    while (more && isBlank(c))
        more = readByte(c);
    if (more)
        stepBack();
    return word;
}

KyString KyStream::readLine()
{
    KyString line;
    u8 c = 0;
    while (readByte(c) && c != '\n') {
        if (c != '\r')
            line += static_cast<char>(c);
    }
    return line;
}

u32 KyStream::parseSign(bool& negative)
{
    negative = false;
    u8 c = 0;
    if (!readByte(c))
        return 0;
    if (c == '-') {
        negative = true;
        return 1;
    }
    stepBack();
    return 0;
}

// The digits shared by both widths: Unsigned holds the value as it grows and
// wraps as that type does.
template <typename Unsigned>
u32 KyStream::parseUnsigned(Unsigned& value)
{
    Unsigned result = 0;
    u32 consumed = 0;
    u8 c = 0;
    while (readByte(c)) {
        if (!isDigit(c)) {
            stepBack();
            break;
        }
        result = static_cast<Unsigned>(result * 10u + static_cast<u32>(c - '0'));
        ++consumed;
    }
    if (consumed)
        value = result;
    return consumed;
}

u32 KyStream::parseU32(u32& value)
{
    return parseUnsigned(value);
}

u32 KyStream::parseU16(u16& value)
{
    return parseUnsigned(value);
}

u32 KyStream::parseS32(s32& value)
{
    bool negative = false;
    u32 consumed = parseSign(negative);
    u32 magnitude = 0;
    consumed += parseU32(magnitude);
    if (consumed)
        value = static_cast<s32>(negative ? 0u - magnitude : magnitude);
    return consumed;
}

// The real parse shared by both precisions: Real holds the value and its
// integer part; the fraction and its divisor are single precision in both.
template <typename Real>
u32 KyStream::parseReal(Real& value)
{
    bool negative = false;
    u32 consumed = parseSign(negative);
    Real result = 0;
    u8 c = 0;
    bool more = readByte(c);
    while (more && isDigit(c)) {
        result = result * static_cast<Real>(10.0) + static_cast<Real>(c - '0');
        ++consumed;
        more = readByte(c);
    }
    if (more && c == '.') {
        ++consumed;
        f32 fraction = 0.0f;
        f32 divisor = 10.0f;
        more = readByte(c);
        while (more && isDigit(c)) {
            fraction = fraction + static_cast<f32>(c - '0') / divisor;
            divisor = divisor * 10.0f;
            ++consumed;
            more = readByte(c);
        }
        result = result + static_cast<Real>(fraction);
    }
    if (more)
        stepBack();
    if (consumed)
        value = negative ? -result : result;
    return consumed;
}

u32 KyStream::parseF64(f64& value)
{
    return parseReal(value);
}

u32 KyStream::parseF32(f32& value)
{
    return parseReal(value);
}

KyStream& operator<<(KyStream& out, s32 value)
{
    return writeNumber(out, value, "%d");
}

KyStream& operator<<(KyStream& out, u32 value)
{
    return writeNumber(out, value, "%u");
}

KyStream& operator<<(KyStream& out, f64 value)
{
    return writeNumber(out, value, "%f");
}

KyStream& operator<<(KyStream& out, u8 value)
{
    out.write(&value, 1);
    return out;
}

KyStream& operator<<(KyStream& out, char value)
{
    return out << static_cast<u8>(value);
}

KyStream& operator<<(KyStream& out, const char* text)
{
    if (text) {
        u32 n = static_cast<u32>(std::strlen(text));
        if (n)
            out.write(text, n);
    }
    return out;
}

KyStream& operator<<(KyStream& out, KyStream& src)
{
    // A stream copied into itself would read back what it just wrote.
    if (&out == &src)
        return out;
    // Block by block: the same bytes as one at a time, for one pair of
    // calls per block instead of per byte.
    u8 block[4096];
    while (u32 n = src.read(block, sizeof block))
        out.write(block, n);
    return out;
}

KyStream& operator>>(KyStream& in, u32& value)
{
    return readNumber(in, value, &KyStream::parseU32);
}

KyStream& operator>>(KyStream& in, s32& value)
{
    return readNumber(in, value, &KyStream::parseS32);
}

KyStream& operator>>(KyStream& in, u16& value)
{
    return readNumber(in, value, &KyStream::parseU16);
}

KyStream& operator>>(KyStream& in, f64& value)
{
    return readNumber(in, value, &KyStream::parseF64);
}

KyStream& operator>>(KyStream& in, f32& value)
{
    return readNumber(in, value, &KyStream::parseF32);
}

KyStream& operator>>(KyStream& in, u8& value)
{
    readRaw(in, value);
    return in;
}

#include "core/KyString.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char kEmpty[] = "";

// Reads shorter than this are copied byte by byte.
const u32 kShortCopy = 16;

// Whether bytes points into [base, base + size]: a source inside our own
// buffer must be found again after the buffer moves.
bool pointsInto(const char* bytes, const char* base, u32 size)
{
    if (!bytes || !base)
        return false;
    std::uintptr_t p = reinterpret_cast<std::uintptr_t>(bytes);
    std::uintptr_t b = reinterpret_cast<std::uintptr_t>(base);
    return p >= b && p <= b + size;
}

bool isSeparator(char c)
{
    return c == ':' || c == '/' || c == '\\';
}

const char* orEmpty(const char* text)
{
    return text ? text : kEmpty;
}

} // namespace

KyString::KyString()
    : m_length(0)
{
    m_textMode = 1;
}

KyString::KyString(const char* text)
    : m_length(0)
{
    if (!text)
        return;
    m_textMode = 1;
    assign(text, static_cast<u32>(std::strlen(text)));
}

KyString::KyString(const char* bytes, u32 n)
    : m_length(0)
{
    if (!bytes)
        return;
    m_textMode = 1;
    assign(bytes, n);
}

KyString::KyString(const KyString& other)
    : KyObject(), KyStream(), m_length(0)
{
    m_textMode = 1;
    assign(other.text(), other.m_length);
}

KyString::KyString(s32 value)
    : m_length(0)
{
    m_textMode = 1;
    format("%d", value);
    m_position = 0;
}

KyString::~KyString()
{
    m_length = 0;
}

void KyString::reserve(u32 n)
{
    if (!m_buffer) {
        if (n > 0) {
            m_buffer = new u8[static_cast<size_t>(n) + 1];
            m_buffer[0] = 0;
        }
        m_size = n;
        m_length = 0;
        return;
    }
    if (n <= m_size)
        return;
    u8* grown = new u8[static_cast<size_t>(n) + 1];
    std::memcpy(grown, m_buffer, static_cast<size_t>(m_length) + 1);
    delete[] m_buffer;
    m_buffer = grown;
    m_size = n;
}

void KyString::assign(const char* bytes, u32 n)
{
    bool inside = pointsInto(bytes, text(), m_size);
    size_t offset = inside ? static_cast<size_t>(bytes - text()) : 0;
    reserve(n);
    if (m_buffer) {
        const char* source = inside ? text() + offset : bytes;
        if (n && source)
            std::memmove(text(), source, n);
        text()[n] = 0;
    }
    m_length = m_buffer ? n : 0;
    m_position = 0;
}

void KyString::appendBytes(const char* bytes, u32 n)
{
    bool inside = pointsInto(bytes, text(), m_size);
    size_t offset = inside ? static_cast<size_t>(bytes - text()) : 0;
    reserve(m_length + n);
    if (n == 0)
        return;
    const char* source = inside ? text() + offset : bytes;
    std::memmove(text() + m_length, source, n);
    m_length += n;
    text()[m_length] = 0;
}

void KyString::truncate(u32 n)
{
    if (!m_buffer || n > m_length)
        return;
    m_length = n;
    text()[n] = 0;
}

u32 KyString::fileNameStart(bool* found) const
{
    u32 start = 0;
    bool any = false;
    for (u32 i = 0; i < m_length && text()[i]; ++i) {
        if (isSeparator(text()[i])) {
            start = i + 1;
            any = true;
        }
    }
    if (found)
        *found = any;
    return start;
}

s32 KyString::lastDot() const
{
    for (u32 i = m_length; i > 0; --i) {
        if (text()[i - 1] == '.')
            return static_cast<s32>(i - 1);
    }
    return -1;
}

const char* KyString::getFileName() const
{
    if (!m_buffer)
        return kEmpty;
    return text() + fileNameStart();
}

const char* KyString::getExtension() const
{
    if (!m_buffer || m_length < 3)
        return kEmpty;
    s32 dot = lastDot();
    if (dot < 1)
        return kEmpty;
    return text() + dot + 1;
}

void KyString::removeFileName()
{
    truncate(fileNameStart());
}

void KyString::removeDirectory()
{
    bool found = false;
    u32 start = fileNameStart(&found);
    if (!found)
        return;
    u32 n = m_length - start;
    std::memmove(text(), text() + start, n);
    m_length = n;
    text()[n] = 0;
}

void KyString::removeExtension()
{
    s32 dot = lastDot();
    if (dot >= 0)
        truncate(static_cast<u32>(dot));
}

void KyString::setExtension(const KyString& extension)
{
    // Copy first: the extension may be this very string.
    KyString ext(extension);
    removeExtension();
    *this += ".";
    *this += ext;
}

void KyString::makeLower()
{
    for (u32 i = 0; i < m_length; ++i) {
        char& c = text()[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

KyString KyString::toLower() const
{
    KyString copy;
    copy = *this;
    copy.makeLower();
    return copy;
}

void KyString::makeUpper()
{
    for (u32 i = 0; i < m_length; ++i) {
        char& c = text()[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
}

KyString KyString::toUpper() const
{
    KyString copy;
    copy = *this;
    copy.makeUpper();
    return copy;
}

const char* KyString::c_str() const
{
    // Every writer keeps a NUL after the text, so the buffer is ready as is.
    return m_buffer ? text() : kEmpty;
}

u32 KyString::length() const
{
    return m_length;
}

KyString& KyString::operator=(const char* text)
{
    if (text)
        assign(text, static_cast<u32>(std::strlen(text)));
    return *this;
}

KyString& KyString::operator=(const KyString& other)
{
    if (m_buffer == other.m_buffer)
        return *this;
    assign(other.text(), other.m_length);
    return *this;
}

KyString& KyString::operator+=(char c)
{
    reserve(m_length + 2);
    text()[m_length] = c;
    ++m_length;
    text()[m_length] = 0;
    return *this;
}

KyString& KyString::operator+=(const char* text)
{
    if (text)
        appendBytes(text, static_cast<u32>(std::strlen(text)));
    return *this;
}

KyString& KyString::operator+=(const KyString& other)
{
    appendBytes(other.text(), other.m_length);
    return *this;
}

KyString KyString::extract(u32 first, u32 last) const
{
    KyString part;
    if (!m_buffer || first >= m_length || last < first)
        return part;
    const u32 end = last < m_length - 1 ? last + 1 : m_length;
    // One character at a time, as the appends leave it (one spare character
    // after the text), but reserved once: appends of one character each
    // would reallocate for every one.
    part.reserve(end - first + 1);
    part.appendBytes(text() + first, end - first);
    return part;
}

KyString KyString::substr(u32 pos, u32 count) const
{
    KyString part;
    if (!m_buffer || pos > m_length)
        return part;
    if (count > m_length - pos)
        count = m_length - pos;
    part.write(text() + pos, count);
    // A new string starts at position 0, whatever the write left.
    part.m_position = 0;
    return part;
}

char KyString::at(u32 i) const
{
    return i < m_length ? text()[i] : 0;
}

bool KyString::find(const KyString& needle, u32* offset) const
{
    const char* haystack = c_str();
    const char* match = std::strstr(haystack, needle.c_str());
    if (!match)
        return false;
    if (offset)
        *offset = static_cast<u32>(match - haystack);
    return true;
}

int KyString::compareN(const KyString& other, u32 n) const
{
    return std::strncmp(c_str(), other.c_str(), n);
}

void KyString::format(const char* fmt, ...)
{
    // Formatted before the old text goes: the arguments may point into it.
    std::vector<char> block;
    int needed = -1;
    if (fmt) {
        va_list args;
        va_start(args, fmt);
        va_list sizing;
        va_copy(sizing, args);
        needed = std::vsnprintf(nullptr, 0, fmt, sizing);
        va_end(sizing);
        if (needed > 0) {
            block.resize(static_cast<size_t>(needed) + 1);
            std::vsnprintf(block.data(), block.size(), fmt, args);
        }
        va_end(args);
    }
    m_position = 0;
    m_word0 = 0;
    m_word1 = 0;
    delete[] m_buffer;
    m_buffer = nullptr;
    m_size = 0;
    m_length = 0;
    if (needed > 0)
        write(block.data(), static_cast<u32>(needed));
}

u32 KyString::write(const void* data, u32 n)
{
    const char* bytes = static_cast<const char*>(data);
    bool inside = pointsInto(bytes, text(), m_size);
    size_t offset = inside ? static_cast<size_t>(bytes - text()) : 0;
    if (!m_buffer) {
        reserve(n);
        m_position = 0;
        m_length = m_buffer ? n : 0;
    } else if (static_cast<u64>(m_position) + n > m_size) {
        reserve(m_position + n);
    }
    if (n == 0 || !m_buffer)
        return n;
    std::memmove(text() + m_position, inside ? text() + offset : bytes, n);
    if (m_position + n > m_length)
        m_length = m_position + n;
    text()[m_length] = 0;
    m_position += n;
    return n;
}

u32 KyString::read(void* out, u32 n)
{
    // A text cut in place may leave the position past its end.
    const u32 position = m_position;
    const u32 available = position < m_length ? m_length - position : 0;
    const u32 count = n < available ? n : available;
    const char* from = text() + position;
    char* to = static_cast<char*>(out);
    // Parsers read one byte at a time: a short copy is cheaper inline than
    // through the library call.
    if (count < kShortCopy) {
        for (u32 i = 0; i < count; ++i)
            to[i] = from[i];
    } else {
        std::memmove(to, from, count);
    }
    m_position = position + count;
    return count;
}

bool KyString::seek(u32 pos)
{
    if (pos > m_length)
        return false;
    m_position = pos;
    return true;
}

u32 KyString::tell() const
{
    return m_position;
}

bool KyString::eof() const
{
    return m_position >= m_length;
}

KyString operator+(const KyString& a, const KyString& b)
{
    KyString sum;
    sum += a;
    sum += b;
    return sum;
}

bool operator==(const KyString& a, const KyString& b)
{
    return std::strcmp(a.c_str(), b.c_str()) == 0;
}

bool operator==(const char* a, const KyString& b)
{
    return std::strcmp(orEmpty(a), b.c_str()) == 0;
}

bool operator==(const KyString& a, const char* b)
{
    return std::strcmp(a.c_str(), orEmpty(b)) == 0;
}

bool operator!=(const KyString& a, const KyString& b)
{
    if (a.length() != b.length())
        return true;
    return std::strcmp(a.c_str(), b.c_str()) != 0;
}

bool operator!=(const char* a, const KyString& b)
{
    return std::strcmp(orEmpty(a), b.c_str()) != 0;
}

bool operator!=(const KyString& a, const char* b)
{
    return std::strcmp(a.c_str(), orEmpty(b)) != 0;
}

bool operator<(const KyString& a, const KyString& b)
{
    return std::strcmp(a.c_str(), b.c_str()) < 0;
}

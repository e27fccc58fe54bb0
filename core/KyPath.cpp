#include "core/KyPath.h"

namespace {

bool isSlash(char c)
{
    return c == '/' || c == '\\';
}

} // namespace

KyPath::KyPath(const char* text)
    : KyString(text)
{
    normalize();
}

KyPath::KyPath(const KyString& other)
    : KyString(other)
{
    normalize();
}

void KyPath::assign(const KyString& other)
{
    KyString::assign(other.c_str(), other.length());
    normalize();
}

KyPath& KyPath::append(char c)
{
    KyString::operator+=(c);
    normalize();
    return *this;
}

KyPath& KyPath::append(const char* text)
{
    KyString::operator+=(text);
    normalize();
    return *this;
}

KyPath& KyPath::append(const KyString& other)
{
    KyString::operator+=(other);
    normalize();
    return *this;
}

u32 KyPath::write(const void* data, u32 n)
{
    u32 written = KyString::write(data, n);
    normalize();
    // Normalising may shorten the text: keep the position inside it so the
    // next write does not leave a gap.
    if (m_position > m_length)
        m_position = m_length;
    return written;
}

void KyPath::removeExtension()
{
    KyString::removeExtension();
}

KyString KyPath::extension() const
{
    s32 dot = lastDot();
    if (dot < 0)
        return KyString("");
    return KyString(c_str() + dot + 1, m_length - static_cast<u32>(dot) - 1);
}

void KyPath::setExtension(const KyString& extension)
{
    KyString dotted = KyString(".") + extension;
    removeExtension();
    append(dotted);
}

KyPath KyPath::fileName() const
{
    if (!m_buffer)
        return KyPath("");
    return KyPath(getFileName());
}

KyPath KyPath::directory() const
{
    u32 nameLength = fileName().length();
    return KyPath(KyString(c_str(), m_length - nameLength));
}

void KyPath::normalize()
{
    if (!m_buffer)
        return;
    char* t = text();
    u32 r = 0;
    u32 w = 0;
    while (r < m_length && t[r]) {
        if (r > 0 && isSlash(t[r])) {
            t[w++] = '/';
            while (r < m_length && isSlash(t[r]))
                ++r;
            continue;
        }
        t[w++] = t[r++];
    }
    m_length = w;
    t[w] = 0;
}

bool KyPath::isSafeRelative(const KyString& path, u32 maxLength, bool emptyParts)
{
    const u32 n = path.length();
    if (n == 0 || n > maxLength)
        return false;
    const char* text = path.c_str();
    if (isSlash(text[0]))
        return false;
    u32 partStart = 0;
    for (u32 i = 0; i <= n; ++i) {
        const char c = i < n ? text[i] : '/';
        if (c == ':' || (c >= 0 && c < 0x20) || c == 0x7F)
            return false;
        if (!isSlash(c))
            continue;
        const u32 partLength = i - partStart;
        if ((partLength == 0 && !emptyParts) ||
            (partLength == 2 && text[partStart] == '.' && text[partStart + 1] == '.'))
            return false;
        partStart = i + 1;
    }
    return true;
}

#include "tools/datagen/CharacterSet.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 where the table leaves a byte unused.
const std::uint32_t windows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

unsigned parseByte(const std::string& text)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || value < 0 || value > 255)
        throw std::runtime_error("'" + text + "' is not a byte value (0 to 255)");
    return unsigned(value);
}

} // namespace

CharacterSet CharacterSet::named(const std::string& name)
{
    CharacterSet set;
    set.m_name = name;
    if (name == "ascii") {
        for (unsigned c = 0x20; c < 0x7F; ++c)
            set.m_codePoints[c] = c;
    } else if (name == "latin1" || name == "cp1252") {
        for (unsigned c = 0x20; c < 0x7F; ++c)
            set.m_codePoints[c] = c;
        for (unsigned c = 0xA0; c < 0x100; ++c)
            set.m_codePoints[c] = c;
        if (name == "cp1252")
            for (unsigned c = 0x80; c < 0xA0; ++c)
                set.m_codePoints[c] = windows1252[c - 0x80];
    } else {
        throw std::runtime_error("unknown character set '" + name + "' (cp1252, latin1, ascii)");
    }
    return set;
}

void CharacterSet::restrict(const std::string& ranges)
{
    bool keep[256] = {};
    size_t start = 0;
    while (start <= ranges.size()) {
        size_t comma = ranges.find(',', start);
        if (comma == std::string::npos)
            comma = ranges.size();
        const std::string part = ranges.substr(start, comma - start);
        const size_t dash = part.find('-');
        const unsigned first = parseByte(part.substr(0, dash));
        const unsigned last = dash == std::string::npos ? first : parseByte(part.substr(dash + 1));
        if (last < first)
            throw std::runtime_error("the range '" + part + "' runs backwards");
        for (unsigned c = first; c <= last; ++c)
            keep[c] = true;
        start = comma + 1;
    }
    for (unsigned c = 0; c < 256; ++c)
        if (!keep[c])
            m_codePoints[c] = 0;
}

std::string CharacterSet::encode(const std::string& utf8) const
{
    std::string bytes;
    for (std::uint32_t cp : decodeUtf8(utf8)) {
        bool found = false;
        for (unsigned c = 0; c < 256 && !found; ++c) {
            if (m_codePoints[c] == cp || (cp < 0x20 && c == cp)) {
                bytes += char(c);
                found = true;
            }
        }
        if (!found) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", cp);
            throw std::runtime_error(std::string("the character ") + code + " has no byte in " + m_name);
        }
    }
    return bytes;
}

std::vector<std::uint32_t> CharacterSet::decodeUtf8(const std::string& text)
{
    std::vector<std::uint32_t> out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int extra;
        std::uint32_t cp;
        if (c < 0x80) {
            extra = 0;
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            throw std::runtime_error("the text is not UTF-8 (byte " + std::to_string(c) + " at " + std::to_string(i) + ")");
        }
        if (extra > 0 && i + extra >= text.size())
            throw std::runtime_error("the text is not UTF-8 (it ends inside a character)");
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                throw std::runtime_error("the text is not UTF-8 (byte " + std::to_string(next) + " at "
                                         + std::to_string(i + k) + ")");
            cp = (cp << 6) | (next & 0x3F);
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

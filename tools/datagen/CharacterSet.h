#ifndef KY_DATAGEN_CHARACTER_SET_H
#define KY_DATAGEN_CHARACTER_SET_H

#include <cstdint>
#include <string>
#include <vector>

// Which character each byte of a text stands for. The engine's fonts hold
// one glyph per byte value, so a font is made for one such table:
//
//   cp1252  Windows Western: Latin-1 plus € ‚ „ … ‘ ’ “ ” • – — œ Œ ™ and
//           the others of 0x80-0x9F (the default: French needs œ and ’)
//   latin1  ISO 8859-1: byte = code point, 0x80-0x9F left out
//   ascii   0x20-0x7E only
//
// Control bytes (below 0x20, and 0x7F) never carry a glyph.
class CharacterSet {
public:
    // Throws std::runtime_error for an unknown name.
    static CharacterSet named(const std::string& name);

    // Keeps only the bytes within the ranges, written "32-126,160-255"
    // (decimal, or hexadecimal with 0x); throws on a malformed list.
    void restrict(const std::string& ranges);

    // The code point of a byte, 0 when the byte carries no glyph.
    std::uint32_t codePoint(unsigned byte) const { return byte < 256 ? m_codePoints[byte] : 0; }
    const std::string& name() const { return m_name; }

    // The bytes of a UTF-8 text in this table; throws std::runtime_error
    // naming the first character it cannot hold.
    std::string encode(const std::string& utf8) const;

    // Code points of a UTF-8 text; throws std::runtime_error when the text
    // is not UTF-8.
    static std::vector<std::uint32_t> decodeUtf8(const std::string& text);

private:
    std::string m_name;
    std::uint32_t m_codePoints[256] = {};
};

#endif

#ifndef KY_DATAGEN_FONT_FACE_H
#define KY_DATAGEN_FONT_FACE_H

#include <cstdint>
#include <string>
#include <vector>

// One TrueType (or other FreeType-readable) font file at one pixel size:
// glyph pictures as coverage masks, advances, kerning and line metrics, all
// in whole or fractional pixels. Hinted rendering keeps small sizes sharp;
// the results depend only on the file, the size and the FreeType version.
class FontFace {
public:
    struct Glyph {
        int width = 0;       // mask columns
        int rows = 0;        // mask rows
        int left = 0;        // mask's left edge from the pen
        int top = 0;         // mask's top edge above the base line
        double advance = 0;  // pen step to the next character
        std::vector<std::uint8_t> coverage;   // rows x width, top row first
    };

    // Throws DataError naming the file when it cannot be opened or sized.
    FontFace(const std::string& path, int pixelSize, bool hinting = true);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    const std::string& path() const { return m_path; }
    int pixelSize() const { return m_pixelSize; }

    bool has(std::uint32_t codePoint) const;
    // The glyph of a character (the font's missing-glyph box when it has
    // none). mono renders one-bit pixels (coverage 0 or 255).
    Glyph render(std::uint32_t codePoint, bool mono = false) const;
    // Horizontal adjustment between two characters, in pixels.
    double kerning(std::uint32_t left, std::uint32_t right) const;
    bool hasKerning() const;

    double ascender() const;     // above the base line, positive
    double descender() const;    // below the base line, positive
    double lineHeight() const;   // base line to base line

private:
    struct Library;

    std::string m_path;
    int m_pixelSize;
    bool m_hinting;
    Library* m_library;
};

#endif

#ifndef KY_DATAGEN_TEXT_SETTER_H
#define KY_DATAGEN_TEXT_SETTER_H

#include "tools/datagen/FontFace.h"

#include <cstdint>
#include <map>
#include <vector>

// Sets a text in one font into a coverage mask for a picture: lines broken
// at line feeds and, with a wrap width, between words; each line aligned on
// the anchor point (x is the left edge, the centre or the right edge), the
// block placed vertically by its top, middle, first base line or bottom.
// Kerning pairs of the face apply; glyphs land on whole pixels.
class TextSetter {
public:
    enum Align { Left, Center, Right };
    enum VerticalAlign { Top, Middle, Baseline, Bottom };

    struct Layout {
        Align align = Left;
        VerticalAlign verticalAlign = Top;
        double wrap = 0.0;          // 0: no wrapping
        double lineSpacing = 0.0;   // added to the face's line height
        double letterSpacing = 0.0; // added to every advance
    };

    // Coverage of the whole text; (left, top) is its corner in the
    // coordinates the anchor was given in.
    struct Mask {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> coverage;
    };

    explicit TextSetter(const FontFace& face);

    Mask set(const std::vector<std::uint32_t>& text, double x, double y, const Layout& layout);
    // The lines the text breaks into, and the pen width of one line.
    std::vector<std::vector<std::uint32_t>> lines(const std::vector<std::uint32_t>& text, const Layout& layout);
    double width(const std::vector<std::uint32_t>& line, const Layout& layout);

    // The mask grown by radius pixels in every direction (for outlines).
    static Mask dilate(const Mask& mask, int radius);

private:
    const FontFace::Glyph& glyph(std::uint32_t codePoint);

    const FontFace& m_face;
    std::map<std::uint32_t, FontFace::Glyph> m_glyphs;
};

#endif

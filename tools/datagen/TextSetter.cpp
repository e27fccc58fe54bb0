#include "tools/datagen/TextSetter.h"

#include <algorithm>
#include <climits>
#include <cmath>

TextSetter::TextSetter(const FontFace& face) : m_face(face)
{
}

const FontFace::Glyph& TextSetter::glyph(std::uint32_t codePoint)
{
    std::map<std::uint32_t, FontFace::Glyph>::iterator found = m_glyphs.find(codePoint);
    if (found == m_glyphs.end())
        found = m_glyphs.insert(std::make_pair(codePoint, m_face.render(codePoint))).first;
    return found->second;
}

double TextSetter::width(const std::vector<std::uint32_t>& line, const Layout& layout)
{
    double pen = 0.0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (i > 0)
            pen += m_face.kerning(line[i - 1], line[i]) + layout.letterSpacing;
        pen += glyph(line[i]).advance;
    }
    return pen;
}

std::vector<std::vector<std::uint32_t>> TextSetter::lines(const std::vector<std::uint32_t>& text, const Layout& layout)
{
    std::vector<std::vector<std::uint32_t>> result;
    std::vector<std::uint32_t> paragraph;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n') {
            paragraph.push_back(text[i]);
            continue;
        }
        if (layout.wrap <= 0.0) {
            result.push_back(paragraph);
            paragraph.clear();
            continue;
        }
        // Greedy wrapping between words; a word wider than the wrap width
        // stands alone on its line.
        std::vector<std::uint32_t> line;
        size_t at = 0;
        while (at <= paragraph.size()) {
            size_t end = at;
            while (end < paragraph.size() && paragraph[end] != ' ')
                ++end;
            std::vector<std::uint32_t> candidate = line;
            if (!candidate.empty())
                candidate.push_back(' ');
            candidate.insert(candidate.end(), paragraph.begin() + std::ptrdiff_t(at), paragraph.begin() + std::ptrdiff_t(end));
            if (!line.empty() && width(candidate, layout) > layout.wrap) {
                result.push_back(line);
                line.assign(paragraph.begin() + std::ptrdiff_t(at), paragraph.begin() + std::ptrdiff_t(end));
            } else {
                line = candidate;
            }
            at = end + 1;
        }
        result.push_back(line);
        paragraph.clear();
    }
    return result;
}

TextSetter::Mask TextSetter::set(const std::vector<std::uint32_t>& text, double x, double y, const Layout& layout)
{
    struct Placed {
        const FontFace::Glyph* glyph;
        int left;
        int top;
    };
    const std::vector<std::vector<std::uint32_t>> broken = lines(text, layout);
    const double step = m_face.lineHeight() + layout.lineSpacing;
    const double blockHeight = (broken.size() - 1) * step + m_face.ascender() + m_face.descender();
    double baseline;
    switch (layout.verticalAlign) {
    case Middle: baseline = y - blockHeight / 2.0 + m_face.ascender(); break;
    case Baseline: baseline = y; break;
    case Bottom: baseline = y - blockHeight + m_face.ascender(); break;
    default: baseline = y + m_face.ascender(); break;
    }

    std::vector<Placed> placed;
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (size_t l = 0; l < broken.size(); ++l) {
        const std::vector<std::uint32_t>& line = broken[l];
        const double lineWidth = width(line, layout);
        double pen = layout.align == Center ? x - lineWidth / 2.0 : layout.align == Right ? x - lineWidth : x;
        pen = std::floor(pen + 0.5);
        const int base = int(std::floor(baseline + l * step + 0.5));
        for (size_t i = 0; i < line.size(); ++i) {
            if (i > 0)
                pen += m_face.kerning(line[i - 1], line[i]) + layout.letterSpacing;
            const FontFace::Glyph& g = glyph(line[i]);
            if (g.width > 0 && g.rows > 0) {
                Placed p{&g, int(std::floor(pen + 0.5)) + g.left, base - g.top};
                placed.push_back(p);
                left = std::min(left, p.left);
                top = std::min(top, p.top);
                right = std::max(right, p.left + g.width);
                bottom = std::max(bottom, p.top + g.rows);
            }
            pen += g.advance;
        }
    }

    Mask mask;
    if (placed.empty())
        return mask;
    mask.left = left;
    mask.top = top;
    mask.width = right - left;
    mask.height = bottom - top;
    mask.coverage.assign(size_t(mask.width) * mask.height, 0);
    for (const Placed& p : placed) {
        for (int gy = 0; gy < p.glyph->rows; ++gy) {
            for (int gx = 0; gx < p.glyph->width; ++gx) {
                std::uint8_t& out = mask.coverage[size_t(p.top - top + gy) * mask.width + (p.left - left + gx)];
                // Overlapping glyphs add up, as ink does.
                out = std::uint8_t(std::min(255, out + p.glyph->coverage[size_t(gy) * p.glyph->width + gx]));
            }
        }
    }
    return mask;
}

TextSetter::Mask TextSetter::dilate(const Mask& mask, int radius)
{
    if (radius <= 0 || mask.width == 0)
        return mask;
    Mask grown;
    grown.left = mask.left - radius;
    grown.top = mask.top - radius;
    grown.width = mask.width + 2 * radius;
    grown.height = mask.height + 2 * radius;
    grown.coverage.assign(size_t(grown.width) * grown.height, 0);
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            if (dx * dx + dy * dy > radius * radius + radius)
                continue;
            for (int y = 0; y < mask.height; ++y) {
                for (int x = 0; x < mask.width; ++x) {
                    std::uint8_t& out = grown.coverage[size_t(y + radius + dy) * grown.width + (x + radius + dx)];
                    out = std::max(out, mask.coverage[size_t(y) * mask.width + x]);
                }
            }
        }
    }
    return grown;
}

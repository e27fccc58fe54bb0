#ifndef KY_TESTS_SUPPORT_FLAT_GLYPH_LAYOUT_H
#define KY_TESTS_SUPPORT_FLAT_GLYPH_LAYOUT_H

#include "core/KyColor.h"
#include "core/KyTypes.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyFont2.h"
#include "ui/KyGlyphText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

// The glyph-text rebuild written as one flat loop over plain tables: the
// font's 256 glyph records and every kerning pair of two bytes copied into
// arrays, line breaks and colours walked with cursors, the mesh arrays
// written in place. It applies the same rules as KyGlyphText::rebuild (line
// pass, justification, quads), so on the same input it gives the same mesh
// byte for byte: the tests compare the two, and the benchmark measures the
// rebuild against it.
class FlatGlyphLayout {
public:
    // The mesh arrays, laid out as KyMesh and KyGlyphMesh hold them.
    struct Mesh {
        std::vector<f32> vertices;       // 3 per vertex
        std::vector<f32> textureCoords;  // 2 per vertex
        std::vector<f32> normals;        // 3 per vertex
        std::vector<u8> colors;          // 4 per vertex
        std::vector<u32> indices;        // 6 per character
        s32 textWidth = 0;
        s32 textHeight = 0;
        s32 lineCount = 0;
    };

    // Copies the glyph records and the kerning of every pair of bytes.
    explicit FlatGlyphLayout(const KyFont2& font) : m_glyphs(256), m_kerning(size_t(256) * 256)
    {
        m_lineHeight = font.lineHeight();
        for (u32 c = 0; c < 256; ++c)
            m_glyphs[c] = font.glyph(c);
        for (u32 p = 0; p < 256; ++p) {
            for (u32 c = 0; c < 256; ++c) {
                const KyVector3f32 k = font.kerning(p, c);
                m_kerning[p * 256 + c] = {k.x, k.y};
            }
        }
        const Ky3DTexture* atlas = font.texture().get();
        m_atlasWidth = atlas ? f32(atlas->textureWidth()) : 0.0f;
        m_atlasHeight = atlas ? f32(atlas->textureHeight()) : 0.0f;
    }

    // Copies what the layout reads of a text (laid out in the font given
    // above): its characters, box, interline, alignment, breaks and colours.
    void setText(const KyGlyphText& source)
    {
        m_text.assign(source.text.c_str(), source.text.c_str() + source.text.length());
        m_boxWidth = source.boxWidth;
        m_interline = source.interline;
        m_alignment = source.alignment;
        m_breaks.assign(source.lineBreaks.begin(), source.lineBreaks.end());
        std::sort(m_breaks.begin(), m_breaks.end());
        m_colors.assign(source.colors.begin(), source.colors.end());
        // The colour of positions before the first stored one (position 0
        // has no other).
        m_defaultColor = source.colorAt(0);
    }

    // A fresh mesh of the text's size, as KyGlyphMesh::resizeForCharacters
    // leaves it before its first build.
    Mesh freshMesh() const
    {
        const size_t n = m_text.size();
        Mesh mesh;
        mesh.vertices.assign(12 * n, 0.0f);
        mesh.textureCoords.assign(8 * n, 0.0f);
        mesh.normals.assign(12 * n, 0.0f);
        mesh.colors.assign(16 * n, 0);
        for (size_t v = 0; v < 4 * n; ++v)
            mesh.colors[4 * v + 3] = 255;
        mesh.indices.assign(6 * n, 0);
        return mesh;
    }

    // The whole rebuild into mesh (sized by freshMesh).
    void rebuild(Mesh& out) const
    {
        const u8* t = m_text.data();
        const u32 n = u32(m_text.size());
        const u32* breaks = m_breaks.data();
        const u32* breaksEnd = breaks + m_breaks.size();
        const f32 box = f32(m_boxWidth);
        const Glyph* glyphs = m_glyphs.data();
        const Kern* kerning = m_kerning.data();
        const f32 step = m_lineHeight + m_interline;
        const bool justify = m_alignment == KyGlyphText::Justify;

        f32* vertices = out.vertices.data();
        f32* coords = out.textureCoords.data();
        f32* normals = out.normals.data();
        u8* colors = out.colors.data();
        u32* indices = out.indices.data();
        auto writeQuad = [&](u32 i, const f32 corners[4][4], const KyColor& color) {
            for (u32 k = 0; k < 4; ++k) {
                const size_t v = 4 * size_t(i) + k;
                vertices[3 * v] = corners[k][0];
                vertices[3 * v + 1] = corners[k][1];
                vertices[3 * v + 2] = 0.0f;
                coords[2 * v] = corners[k][2];
                coords[2 * v + 1] = corners[k][3];
                normals[3 * v] = 0.0f;
                normals[3 * v + 1] = 0.0f;
                normals[3 * v + 2] = 1.0f;
                colors[4 * v] = color.r;
                colors[4 * v + 1] = color.g;
                colors[4 * v + 2] = color.b;
                colors[4 * v + 3] = color.a;
            }
            u32* index = indices + 6 * size_t(i);
            index[0] = 4 * i;
            index[1] = 4 * i + 1;
            index[2] = 4 * i + 2;
            index[3] = 4 * i + 2;
            index[4] = 4 * i + 3;
            index[5] = 4 * i;
        };
        const f32 zero[4][4] = {};
        const KyColor black(0, 0, 0, 255);
        auto blank = [](u8 c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
        // Breaks at position i; the cursor only moves forward.
        auto breaksAt = [&](const u32*& cursor, u32 i) {
            while (cursor != breaksEnd && *cursor < i)
                ++cursor;
            const u32* last = cursor;
            while (last != breaksEnd && *last == i)
                ++last;
            return u32(last - cursor);
        };

        out.textWidth = 0;
        out.lineCount = 0;
        f32 penY = 0.0f;
        f32 lineStep = 0.0f;
        u32 previous = 0;
        const u32* lineBreaks = breaks;
        size_t colorAt = 0;
        KyColor color = m_defaultColor;
        for (u32 start = 0; start < n;) {
            // Line pass.
            u32 end = start;
            u32 next = start;
            f32 height = 0.0f;
            f32 width = 0.0f;
            u32 count = 1;
            f32 penX = 0.0f;
            u32 i = start;
            bool ended = false;
            for (; i < n; ++i) {
                const u8 c = t[i];
                const u8 p = i > 0 ? t[i - 1] : 0;
                const f32 previousXOffset = i > 0 ? glyphs[p].xOffset : 0.0f;
                const u32 at = breaksAt(lineBreaks, i);
                if (i != start && at > 0) {
                    out.lineCount += s32(at);
                    end = next = i;
                    width = penX - previousXOffset;
                    count = at;
                    ended = true;
                    break;
                }
                const Glyph& g = glyphs[c];
                const f32 kern = kerning[p * 256 + c].x;
                if (i != 0 && at == 0 && box < g.xOffset + penX + g.width + kern)
                    break;
                if (blank(c)) {
                    end = i;
                    width = penX - previousXOffset;
                }
                penX += kern;
                height = std::max(height, g.height);
                lineStep = std::max(lineStep, step);
                penX += g.advance;
            }
            if (!ended) {
                if (i >= n) {
                    end = next = n;
                    width = n > 0 ? penX - glyphs[t[n - 1]].xOffset : 0.0f;
                } else {
                    u32 reached = i;
                    if (end == start) {
                        const u32* cursor = lineBreaks;
                        u32 e = i;
                        while (e < n && breaksAt(cursor, e) == 0 && !blank(t[e])) {
                            const Glyph& g = glyphs[t[e]];
                            penX += g.advance;
                            width = penX - g.xOffset;
                            ++e;
                        }
                        end = reached = e;
                    }
                    next = end;
                    while (next < n && blank(t[next]))
                        ++next;
                    if (reached != n) {
                        ++out.lineCount;
                    } else {
                        next = n;
                        count = 0;
                    }
                }
            }

            if (start == 0)
                penY += height;
            penY += f32(previous) * lineStep;

            // Justification: the gaps between words and what the words
            // leave of the box.
            u32 wordsEnd = end;
            while (wordsEnd > start && blank(t[wordsEnd - 1]))
                --wordsEnd;
            u32 gaps = 0;
            if (justify) {
                bool afterWord = false;
                bool inRun = false;
                for (u32 k = start; k < end; ++k) {
                    if (blank(t[k])) {
                        inRun = afterWord;
                        continue;
                    }
                    if (inRun)
                        ++gaps;
                    afterWord = true;
                    inRun = false;
                }
            }
            const u32* endCursor = lineBreaks;
            const bool stretch = justify && end != n && breaksAt(endCursor, end) == 0;
            f32 gapWidth = 0.0f;
            if (stretch && gaps > 0) {
                u32 k = start;
                while (k < wordsEnd && blank(t[k]))
                    ++k;
                f32 x = 0.0f;
                f32 right = 0.0f;
                u8 p = 0;
                for (; k < wordsEnd; ++k) {
                    const u8 c = t[k];
                    if (!blank(c)) {
                        x += kerning[p * 256 + c].x;
                        const Glyph& g = glyphs[c];
                        right = x + g.xOffset + g.width;
                        x += g.advance;
                    }
                    p = c;
                }
                gapWidth = (box - right) / f32(gaps);
            }

            // Quads.
            penX = 0.0f;
            if (m_alignment == KyGlyphText::Center)
                penX += (box - width) / 2.0f;
            else if (m_alignment == KyGlyphText::Right)
                penX += box - width;
            f32 y = penY;
            u32 k = start;
            while (k < end && blank(t[k]))
                writeQuad(k++, zero, black);
            const u32 stretchEnd = stretch ? wordsEnd : end;
            u8 p = 0;
            bool inGap = false;
            for (; k < end; ++k) {
                const u8 c = t[k];
                while (colorAt < m_colors.size() && m_colors[colorAt].first <= k)
                    color = m_colors[colorAt++].second;
                if (stretch && blank(c)) {
                    if (!inGap && k < stretchEnd)
                        penX += gapWidth;
                    inGap = true;
                    writeQuad(k, zero, black);
                    width = box;
                    p = c;
                    continue;
                }
                inGap = false;
                const Kern& kern = kerning[p * 256 + c];
                penX += kern.x;
                y += kern.y;
                const Glyph& g = glyphs[c];
                if (g.width <= 0.0f || g.height <= 0.0f) {
                    writeQuad(k, zero, black);
                } else {
                    const f32 left = penX + g.xOffset;
                    const f32 top = y - g.yOffset;
                    const f32 s0 = m_atlasWidth > 0.0f ? g.textureX / m_atlasWidth : 0.0f;
                    const f32 t0 = m_atlasHeight > 0.0f ? g.textureY / m_atlasHeight : 0.0f;
                    const f32 ds = m_atlasWidth > 0.0f ? g.width / m_atlasWidth : 0.0f;
                    const f32 dt = m_atlasHeight > 0.0f ? g.height / m_atlasHeight : 0.0f;
                    const f32 x0 = std::floor(left + 0.5f);
                    const f32 x1 = std::floor(left + g.width + 0.5f);
                    const f32 yTop = std::floor(top + 0.5f);
                    const f32 yBottom = std::floor(top + g.height + 0.5f);
                    const f32 corners[4][4] = {
                        {x0, yBottom, s0, t0},
                        {x1, yBottom, s0 + ds, t0},
                        {x1, yTop, s0 + ds, t0 + dt},
                        {x0, yTop, s0, t0 + dt},
                    };
                    writeQuad(k, corners, color);
                }
                penX += g.advance;
                p = c;
            }
            for (k = end; k < next; ++k)
                writeQuad(k, zero, black);
            if (f32(out.textWidth) < width)
                out.textWidth = ceiling(width);
            previous = count;
            start = next;
        }
        out.textHeight = ceiling(m_interline + penY);
    }

private:
    typedef KyFont2::Glyph Glyph;
    struct Kern {
        f32 x, y;
    };

    // The ceiling of a pixel size as an s32, saturated; NaN gives 0.
    static s32 ceiling(f32 v)
    {
        const f64 up = std::ceil(f64(v));
        if (!(up > -2147483648.0))
            return up != up ? 0 : -0x7FFFFFFF - 1;
        if (up > 2147483647.0)
            return 0x7FFFFFFF;
        return s32(up);
    }

    std::vector<u8> m_text;
    s32 m_boxWidth = 0;
    f32 m_interline = 0.0f;
    s32 m_alignment = 0;
    std::vector<u32> m_breaks;
    std::vector<std::pair<u32, KyColor>> m_colors;
    KyColor m_defaultColor;
    f32 m_lineHeight = 0.0f;
    f32 m_atlasWidth = 0.0f;
    f32 m_atlasHeight = 0.0f;
    std::vector<Glyph> m_glyphs;
    std::vector<Kern> m_kerning;
};

#endif

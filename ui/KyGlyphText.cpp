#include "ui/KyGlyphText.h"

#include <GL/gl.h>

#include "platform/Ky3DTexture.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// The ceiling of a pixel size as an s32, saturated (font files may hold any
// float; NaN gives 0).
s32 ceilToS32(f32 v)
{
    const f64 up = std::ceil(f64(v));
    if (!(up > -2147483648.0))
        return up != up ? 0 : -0x7FFFFFFF - 1;
    if (up > 2147483647.0)
        return 0x7FFFFFFF;
    return s32(up);
}

} // namespace

KyGlyphText::KyGlyphText(const KyColor& defaultColor)
    : dirty(true),
      boxWidth(0),
      boxHeight(0),
      textWidth(0),
      textHeight(0),
      lineCount(0),
      interline(0.0f),
      interLine(interline),
      alignment(Left),
      defaultColor(defaultColor),
      m_breaksSorted(false)
{
    mesh.setTextureEnvMode(GL_BLEND);
}

KyGlyphText::KyGlyphText(const KyGlyphText& other)
    : KyObject(),
      dirty(other.dirty),
      boxWidth(other.boxWidth),
      boxHeight(other.boxHeight),
      textWidth(other.textWidth),
      textHeight(other.textHeight),
      lineCount(other.lineCount),
      text(other.text),
      interline(other.interline),
      interLine(interline),
      mesh(other.mesh),
      alignment(other.alignment),
      lineBreaks(other.lineBreaks),
      fonts(other.fonts),
      colors(other.colors),
      defaultColor(other.defaultColor),
      m_breaksSorted(false)
{
}

KyGlyphText& KyGlyphText::operator=(const KyGlyphText& other)
{
    if (&other == this)
        return *this;
    dirty = other.dirty;
    boxWidth = other.boxWidth;
    boxHeight = other.boxHeight;
    textWidth = other.textWidth;
    textHeight = other.textHeight;
    lineCount = other.lineCount;
    text = other.text;
    interline = other.interline;
    mesh = other.mesh;
    alignment = other.alignment;
    lineBreaks = other.lineBreaks;
    fonts = other.fonts;
    colors = other.colors;
    defaultColor = other.defaultColor;
    m_breaksSorted = false;
    return *this;
}

KyGlyphText::~KyGlyphText()
{
}

void KyGlyphText::setSize(s32 width, s32 height)
{
    boxWidth = width;
    boxHeight = height;
    dirty = true;
}

void KyGlyphText::setInterline(f32 value)
{
    interline = value;
    dirty = true;
}

void KyGlyphText::setAlignment(s32 value)
{
    alignment = value;
    dirty = true;
}

void KyGlyphText::setFont(u32 position, const KyIntrusivePtr<KyFont2>& font)
{
    dirty = true;
    if (font)
        fonts[position] = font;
}

void KyGlyphText::setColor(u32 position, const KyColor& color)
{
    colors[position] = color;
    dirty = true;
}

void KyGlyphText::addLineBreak(u32 position)
{
    lineBreaks.pushBack(position);
    m_breaksSorted = false;
}

void KyGlyphText::clearStyles()
{
    lineBreaks.clear();
    fonts.clear();
    colors.clear();
    m_breaksSorted = false;
    dirty = true;
}

void KyGlyphText::clearText()
{
    text = KyString();
    dirty = true;
}

KyFont2* KyGlyphText::font() const
{
    std::map<u32, KyIntrusivePtr<KyFont2>>::const_iterator it = fonts.find(0);
    return it == fonts.end() ? nullptr : it->second.get();
}

KyColor KyGlyphText::colorAt(u32 position) const
{
    std::map<u32, KyColor>::const_iterator it = colors.upper_bound(position);
    if (it == colors.begin())
        return defaultColor;
    --it;
    return it->second;
}

void KyGlyphText::sortBreaks()
{
    m_sortedBreaks.assign(lineBreaks.begin(), lineBreaks.end());
    std::sort(m_sortedBreaks.begin(), m_sortedBreaks.end());
    m_breaksSorted = true;
}

u32 KyGlyphText::breaksAt(u32 position)
{
    return breaksFrom(position).countAt(position);
}

KyGlyphText::BreakCursor KyGlyphText::breaksFrom(u32 position)
{
    if (!m_breaksSorted || m_sortedBreaks.size() != lineBreaks.count())
        sortBreaks();
    const u32* begin = m_sortedBreaks.data();
    const u32* end = begin + m_sortedBreaks.size();
    return BreakCursor{std::lower_bound(begin, end, position), end};
}

u32 KyGlyphText::extendUncutWord(u32 i, f32& penX, KyTextLine& line, KyFont2& font)
{
    const u32 length = text.length();
    const u8* chars = characters();
    BreakCursor breaks = breaksFrom(i);
    u32 end = i;
    while (end < length && breaks.countAt(end) == 0 && !isBlank(char(chars[end]))) {
        const KyFont2::Glyph& g = font.glyph(chars[end]);
        penX += g.advance;
        line.width = penX - g.xOffset;
        ++end;
    }
    return end;
}

u32 KyGlyphText::nextLine(u32 start, KyTextLine& line)
{
    line.end = line.next = start;
    line.height = line.spaceTotal = line.width = 0.0f;
    line.gaps = 0;
    KyFont2* f = font();
    const u32 length = text.length();
    if (!f)
        return 0;
    const u8* chars = characters();
    BreakCursor breakCursor = breaksFrom(start);
    const f32 step = f->lineHeight() + interline;
    f32 penX = 0.0f;
    u32 i = start;
    for (; i < length; ++i) {
        const u8 c = chars[i];
        const u8 p = i > 0 ? chars[i - 1] : 0;
        const f32 previousXOffset = i > 0 ? f->glyph(p).xOffset : 0.0f;
        const u32 breaks = breakCursor.countAt(i);
        if (i != start && breaks > 0) {
            lineCount += s32(breaks);
            line.end = line.next = i;
            line.width = penX - previousXOffset;
            return breaks;
        }
        const KyFont2::Glyph& g = f->glyph(c);
        const f32 kern = f->kerning(p, c).x;
        if (i != 0 && breaks == 0 && f32(boxWidth) < g.xOffset + penX + g.width + kern)
            break;
        if (isBlank(char(c))) {
            line.end = i;
            line.width = penX - previousXOffset;
        }
        penX += kern;
        line.height = std::max(line.height, g.height);
        line.lineStep = std::max(line.lineStep, step);
        penX += g.advance;
    }
    if (i >= length) {
        line.end = line.next = length;
        line.width = length > 0 ? penX - f->glyph(chars[length - 1]).xOffset : 0.0f;
        return 1;
    }

    // The line is full at i. A word is never cut: without a blank since the
    // start the whole word stays on this line, however wide.
    u32 reached = i;
    if (line.end == start) {
        line.end = extendUncutWord(i, penX, line, *f);
        reached = line.end;
    }
    line.next = line.end;
    while (line.next < length && isBlank(char(chars[line.next])))
        ++line.next;
    if (reached != length) {
        ++lineCount;
        return 1;
    }
    line.next = length;
    return 0;
}

void KyGlyphText::countGaps(u32 start, KyTextLine& line)
{
    line.gaps = 0;
    line.spaceTotal = 0.0f;
    KyFont2* f = font();
    if (!f)
        return;
    // A gap is a run of blanks between two words of the line: blanks that
    // start the line are drawn without width, and the run that reaches
    // line.end is where the line wraps. However long, a run is one gap
    // worth one space.
    const u8* chars = characters();
    bool afterWord = false;
    bool inRun = false;
    for (u32 i = start; i < line.end; ++i) {
        if (isBlank(char(chars[i]))) {
            inRun = afterWord;
            continue;
        }
        if (inRun)
            ++line.gaps;
        afterWord = true;
        inRun = false;
    }
    line.spaceTotal = f32(line.gaps) * f->glyph(' ').advance;
}

u32 KyGlyphText::wordsEnd(u32 start, const KyTextLine& line) const
{
    const u8* chars = characters();
    u32 end = line.end;
    while (end > start && isBlank(char(chars[end - 1])))
        --end;
    return end;
}

f32 KyGlyphText::wordsExtent(u32 start, const KyTextLine& line)
{
    KyFont2* f = font();
    const u32 end = wordsEnd(start, line);
    const u8* chars = characters();
    u32 i = start;
    while (i < end && isBlank(char(chars[i])))
        ++i;
    // Laid out as buildLine draws a justified line, every gap closed up:
    // kerning from the previous character of the line (a blank included).
    f32 penX = 0.0f;
    f32 right = 0.0f;
    u8 p = 0;
    for (; i < end; ++i) {
        const u8 c = chars[i];
        if (!isBlank(char(c))) {
            penX += f->kerning(p, c).x;
            const KyFont2::Glyph& g = f->glyph(c);
            right = penX + g.xOffset + g.width;
            penX += g.advance;
        }
        p = c;
    }
    return right;
}

KyVector2s32 KyGlyphText::getSize()
{
    if (dirty)
        rebuild();
    return KyVector2s32(textWidth, textHeight);
}

void KyGlyphText::draw()
{
    if (text.isEmpty() || boxWidth <= 0)
        return;
    if (dirty)
        rebuild();
    // A text that could not be built (no font) has no mesh to show.
    if (dirty || !mesh.holdsCharacters(text.length()))
        return;
    mesh.Render();
}

void KyGlyphText::rebuild()
{
    KyFont2* f = font();
    const u32 length = text.length();
    if (length == 0 || !f || boxWidth <= 0)
        return;
    if (!mesh.holdsCharacters(length) && !mesh.resizeForCharacters(length))
        return;
    dirty = false;
    mesh.setTexture(f->texture());
    textWidth = 0;
    textHeight = 0;
    lineCount = 0;
    sortBreaks();

    KyVector3f32 pen(0.0f, 0.0f, 0.0f);
    KyTextLine line;
    line.lineStep = 0.0f;
    u32 previous = 0;
    bool first = true;
    for (u32 start = 0; start < length; start = line.next) {
        const u32 count = nextLine(start, line);
        if (first)
            pen.y += line.height;
        first = false;
        if (alignment == Justify)
            countGaps(start, line);
        pen.y += f32(previous) * line.lineStep;
        buildLine(start, line, pen);
        // The blanks where the line wrapped belong to no line: no area.
        for (u32 i = line.end; i < line.next; ++i)
            blankQuad(i);
        if (f32(textWidth) < line.width)
            textWidth = ceilToS32(line.width);
        previous = count;
    }
    textHeight = ceilToS32(interline + pen.y);
}

void KyGlyphText::blankQuad(u32 i)
{
    mesh.blankQuad(i);
}

void KyGlyphText::buildLine(u32 start, KyTextLine& line, const KyVector3f32& pen)
{
    KyFont2* f = font();
    if (!f)
        return;
    const u32 length = text.length();
    f32 penX = pen.x;
    // Vertical kerning moves the rest of this line only.
    f32 penY = pen.y;
    f32 gapWidth = 0.0f;
    if (alignment == Center)
        penX += (f32(boxWidth) - line.width) / 2.0f;
    else if (alignment == Right)
        penX += f32(boxWidth) - line.width;
    const bool stretch = alignment == Justify && line.end != length && breaksAt(line.end) == 0;
    // The gaps share out what the words leave of the box, so that the last
    // glyph ends at its right edge. (The measured width cannot serve: it
    // counts every blank of a run and the blanks before the wrap.)
    if (stretch && line.gaps > 0)
        gapWidth = (f32(boxWidth) - wordsExtent(start, line)) / f32(line.gaps);

    const u8* chars = characters();
    u32 i = start;
    while (i < line.end && isBlank(char(chars[i])))
        blankQuad(i++);
    if (i >= line.end)
        return;

    const u32 stretchEnd = stretch ? wordsEnd(start, line) : line.end;
    const Ky3DTexture* atlas = f->texture().get();
    const f32 atlasWidth = atlas ? f32(atlas->textureWidth()) : 0.0f;
    const f32 atlasHeight = atlas ? f32(atlas->textureHeight()) : 0.0f;
    // The colours, walked forward: the one of the greatest position not
    // above i.
    std::map<u32, KyColor>::const_iterator nextColor = colors.upper_bound(i);
    KyColor color = nextColor == colors.begin() ? defaultColor : std::prev(nextColor)->second;
    u8 p = 0;
    bool inGap = false;
    for (; i < line.end; ++i) {
        const u8 c = chars[i];
        if (stretch && isBlank(char(c))) {
            // One gap's width for each run of blanks between two words;
            // the blanks before the wrap take no room.
            if (!inGap && i < stretchEnd)
                penX += gapWidth;
            inGap = true;
            blankQuad(i);
            line.width = f32(boxWidth);
            p = c;
            continue;
        }
        inGap = false;
        const KyVector3f32 kern = f->kerning(p, c);
        penX += kern.x;
        penY += kern.y;
        const KyFont2::Glyph& g = f->glyph(c);
        if (g.width <= 0.0f || g.height <= 0.0f) {
            // A character the font lacks (or an empty glyph) draws nothing.
            blankQuad(i);
        } else {
            const f32 left = penX + g.xOffset;
            const f32 top = penY - g.yOffset;
            const f32 s0 = atlasWidth > 0.0f ? g.textureX / atlasWidth : 0.0f;
            const f32 t0 = atlasHeight > 0.0f ? g.textureY / atlasHeight : 0.0f;
            const f32 ds = atlasWidth > 0.0f ? g.width / atlasWidth : 0.0f;
            const f32 dt = atlasHeight > 0.0f ? g.height / atlasHeight : 0.0f;
            const f32 x0 = std::floor(left + 0.5f);
            const f32 x1 = std::floor(left + g.width + 0.5f);
            const f32 yTop = std::floor(top + 0.5f);
            const f32 yBottom = std::floor(top + g.height + 0.5f);
            const KyGlyphMesh::Corner corners[4] = {
                {x0, yBottom, s0, t0},
                {x1, yBottom, s0 + ds, t0},
                {x1, yTop, s0 + ds, t0 + dt},
                {x0, yTop, s0, t0 + dt},
            };
            while (nextColor != colors.end() && nextColor->first <= i) {
                color = nextColor->second;
                ++nextColor;
            }
            mesh.setQuad(i, corners, color);
        }
        penX += g.advance;
        p = c;
    }
}

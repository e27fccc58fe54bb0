#ifndef KY_GLYPH_TEXT_H
#define KY_GLYPH_TEXT_H

#include "core/KyArray.h"
#include "core/KyColor.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyObject.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "core/KyVector3f32.h"
#include "platform/KyFont2.h"
#include "ui/KyGlyphMesh.h"

#include <map>
#include <vector>

// One line found by the line pass.
struct KyTextLine {
    u32 end = 0;          // end of the characters drawn on the line
    u32 next = 0;         // where the next line starts
    f32 height = 0.0f;    // tallest glyph
    u32 gaps = 0;         // gaps between words (justification)
    f32 lineStep = 0.0f;  // largest font line height + interline met so far in the build
    f32 spaceTotal = 0.0f;  // width of the line's inner blanks (justification)
    f32 width = 0.0f;
};

// A run of plain text with styles attached by character position, wrapped
// into a box and built into a glyph mesh of one quad per character. This is
// the code shared by KyTextBase and KyTextBase2, which differ only in their
// default colour (and KyTextBase's mesh position).
//
// Setters only raise `dirty`; the mesh is rebuilt when the size is read or
// the text drawn. Only the font stored at position 0 measures and draws the
// text; fonts at other positions are kept and not read. The colour of a
// character is the one stored at the greatest position not above it, else
// the default colour. Blanks are space, tab, carriage return and line feed;
// a line feed does not break a line by itself: explicit breaks are the
// positions in lineBreaks (a position given k times moves down k lines).
//
// Alignment: 0 left, 1 right, 2 justify, 3 center.
class KyGlyphText : public KyObject {
public:
    enum Alignment { Left = 0, Right = 1, Justify = 2, Center = 3 };

    KyGlyphText(const KyGlyphText& other);
    KyGlyphText& operator=(const KyGlyphText& other);
    ~KyGlyphText() override;

    void setSize(s32 width, s32 height);
    // interline and interLine are one property.
    void setInterline(f32 value);
    void setInterLine(f32 value) { setInterline(value); }
    void setAlignment(s32 value);
    // Stores a counted reference under the position (replacing one there).
    // A null font is not stored: it would leave the text without its font.
    void setFont(u32 position, const KyIntrusivePtr<KyFont2>& font);
    void setColor(u32 position, const KyColor& color);
    // Appends the position; does not raise dirty.
    void addLineBreak(u32 position);
    // Empties lineBreaks, fonts and colors.
    void clearStyles();
    // Frees the characters.
    void clearText();

    // The font at position 0 (null when none) and a character's colour.
    KyFont2* font() const;
    KyColor colorAt(u32 position) const;

    // The line pass: fills line for the line that starts at start and
    // returns how many lines down the next one starts (0 when the text ended
    // inside a word wider than the box). Needs the font at position 0.
    u32 nextLine(u32 start, KyTextLine& line);
    // For justified text: counts the gaps of the line (each run of blanks
    // between two of its words) and their space total, gaps times the
    // advance of the space glyph.
    void countGaps(u32 start, KyTextLine& line);

    // Builds the mesh when dirty, then (textWidth, textHeight).
    KyVector2s32 getSize();
    // Draws the mesh, rebuilding it first when dirty; nothing without text,
    // box width, font, or when the text could not be built.
    void draw();
    // Lays the text out into the mesh. Nothing happens (dirty stays set)
    // without text, without a font at position 0 or with a box width of 0
    // or less.
    void rebuild();
    // Writes the quads of one line; pen is the line's top-left, its y the
    // line's base line.
    void buildLine(u32 start, KyTextLine& line, const KyVector3f32& pen);
    void blankQuad(u32 i);

    bool dirty;
    s32 boxWidth;
    s32 boxHeight;
    s32 textWidth;
    s32 textHeight;
    s32 lineCount;
    KyString text;
    f32 interline;
    // The same property as interline, under the name the Lua keys use.
    f32& interLine;
    KyGlyphMesh mesh;
    s32 alignment;
    KyArray<unsigned int> lineBreaks;
    std::map<u32, KyIntrusivePtr<KyFont2>> fonts;
    std::map<u32, KyColor> colors;

protected:
    explicit KyGlyphText(const KyColor& defaultColor);

    KyColor defaultColor;

private:
    // Walks the sorted breaks forward: how many stand at each position,
    // positions asked in increasing order.
    struct BreakCursor {
        const u32* at;
        const u32* end;
        u32 countAt(u32 position)
        {
            while (at != end && *at < position)
                ++at;
            const u32* last = at;
            while (last != end && *last == position)
                ++last;
            return u32(last - at);
        }
    };

    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    // The characters, read once per pass rather than once per character.
    const u8* characters() const { return reinterpret_cast<const u8*>(text.c_str()); }
    // How many times lineBreaks holds the position.
    u32 breaksAt(u32 position);
    // A cursor over the breaks from the position on.
    BreakCursor breaksFrom(u32 position);
    void sortBreaks();
    // The end of the line's last word: line.end less the blanks before it.
    u32 wordsEnd(u32 start, const KyTextLine& line) const;
    // Where the right side of the line's last glyph lies, from the line's
    // start, when the gaps between its words take no room.
    f32 wordsExtent(u32 start, const KyTextLine& line);
    // Adds the characters from i of a word that is not cut to the line.
    u32 extendUncutWord(u32 i, f32& penX, KyTextLine& line, KyFont2& font);

    // lineBreaks sorted, refreshed when lineBreaks changes.
    std::vector<u32> m_sortedBreaks;
    bool m_breaksSorted;
};

#endif

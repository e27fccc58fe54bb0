#include "core/KyString.h"
#include "tests/ui/TextBaseFixture.h"
#include "ui/KyTextBase.h"
#include "ui/KyTextBase2.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

// A text base over the font with the text, box and alignment given.
void setUp(KyGlyphText& text, const KyIntrusivePtr<KyFont2>& font, const char* characters, s32 width,
           s32 alignment = KyGlyphText::Left)
{
    text.setFont(0, font);
    text.text = characters;
    text.setSize(width, 100);
    text.setAlignment(alignment);
}

} // namespace

class TextBase : public TextTest {};

TEST_F(TextBase, CentredLineOf101PixelsStartsHalfwayIntoTheSpareWidth)
{
    KyfWriter::Font written = blendGridFont();
    written.glyphs['M'].width = 101.0f;
    written.glyphs['M'].advance = 101.0f;
    written.glyphs['i'].width = 1.0f;
    written.glyphs['i'].advance = 1.0f;
    KyTextBase text;
    setUp(text, font("wide.kyf", written), "M", 200, KyGlyphText::Center);

    EXPECT_EQ(text.getSize().x, 101);
    // The pen starts at (200 - 101) / 2 = 49.5; corners land on floor(x + 0.5).
    EXPECT_EQ(quad(text.mesh, 0), "50,12 151,12 151,0 50,0");

    // A 1-pixel glyph right after it starts at 150.5.
    text.text = "Mi";
    text.dirty = true;
    EXPECT_EQ(text.getSize().x, 102);
    EXPECT_EQ(quad(text.mesh, 1), "150,12 151,12 151,0 150,0");

    text.setAlignment(KyGlyphText::Right);
    text.getSize();
    EXPECT_EQ(quad(text.mesh, 0), "98,12 199,12 199,0 98,0");
}

TEST_F(TextBase, JustifiedLinesReachTheBoxWidth)
{
    KyTextBase text;
    // Cells of 8: "aa bb" (40 wide) is the most that fits in 60.
    setUp(text, gridFont(), "aa bb cc  dd ee\tff gg", 60, KyGlyphText::Justify);
    text.getSize();
    EXPECT_EQ(text.textWidth, 60);
    EXPECT_EQ(text.lineCount, 3);

    // Lines "aa bb", "cc  dd", "ee\tff" and "gg": the first glyph of each at
    // 0, the last ending at 60; the last line keeps its natural width.
    const u32 firsts[] = {0, 6, 13};
    const u32 lasts[] = {4, 11, 17};
    for (u32 l = 0; l < 3; ++l) {
        EXPECT_EQ(quadLeft(text.mesh, firsts[l]), 0.0f) << l;
        EXPECT_EQ(quadRight(text.mesh, lasts[l]), 60.0f) << l;
    }
    EXPECT_EQ(quadLeft(text.mesh, 19), 0.0f);
    EXPECT_EQ(quadRight(text.mesh, 20), 16.0f);
    // A run of two blanks is one gap: "cc  dd" spreads like "cc dd".
    EXPECT_EQ(quadLeft(text.mesh, 10), 44.0f);
    EXPECT_EQ(quad(text.mesh, 8), "0,0 0,0 0,0 0,0");
    EXPECT_EQ(quad(text.mesh, 9), "0,0 0,0 0,0 0,0");

    // A line that ends at an explicit break is not stretched.
    KyTextBase broken;
    setUp(broken, gridFont(), "aa bbbb", 200, KyGlyphText::Justify);
    broken.addLineBreak(5);
    broken.getSize();
    EXPECT_EQ(quadLeft(broken.mesh, 3), 24.0f);
    EXPECT_EQ(broken.textWidth, 40);
}

TEST_F(TextBase, EveryJustifiedLineButTheLastEndsAtTheBoxEdge)
{
    // A font with bearings (x offset 1, advance 10 around 8-pixel glyphs),
    // a kerned pair and a narrow space, beside the plain grid font.
    KyfWriter::GridOptions options;
    options.spacing = 2.0f;
    options.kerning = {kerningPair('a', 'b', -3.0f, 0.0f), kerningPair(' ', 'b', 1.5f, 0.0f)};
    KyfWriter::Font bearings = blendGridFont(options);
    for (KyfWriter::Glyph& g : bearings.glyphs)
        g.xOffset = 1.0f;
    bearings.glyphs[' '].advance = 4.0f;
    const KyIntrusivePtr<KyFont2> fonts[] = {gridFont(), font("bearings.kyf", bearings)};

    struct Case {
        const char* text;
        s32 box;
    };
    const Case cases[] = {
        {"aa bb  cc", 60},                  // two blanks before the wrap
        {"aa bb cc  dd ee\tff gg", 60},     // a run of two blanks inside a line
        {"a b c d e f g h i j k l", 50},    // many one-letter words
        {"ab ab   ab ab ab  ab ab", 75},     // kerned pairs, runs of three blanks
        {"xx yyyyyyyyyyyy zz zz zz", 57},   // a word wider than the box
        {"aa\tbb \n cc dd ee ff", 61},
    };
    for (u32 f = 0; f < 2; ++f) {
        for (const Case& c : cases) {
            KyTextBase text;
            setUp(text, fonts[f], c.text, c.box, KyGlyphText::Justify);
            text.getSize();
            const std::string characters(c.text);
            const u32 length = u32(characters.size());
            KyTextLine line;
            u32 stretched = 0;
            for (u32 start = 0; start < length; start = line.next) {
                text.nextLine(start, line);
                u32 last = line.end;
                while (last > start && std::isspace(u8(characters[last - 1])))
                    --last;
                if (line.end == length || last == start)
                    continue;
                text.countGaps(start, line);
                if (line.gaps == 0)
                    continue;   // one word, wider than the box
                ++stretched;
                EXPECT_EQ(line.spaceTotal, f32(line.gaps) * text.font()->glyph(' ').advance);
                EXPECT_EQ(quadRight(text.mesh, last - 1), f32(c.box))
                    << "font " << f << " \"" << c.text << "\" line from " << start;
            }
            EXPECT_GT(stretched, 0u) << c.text;
            // Only a word wider than the box makes the text wider.
            if (characters.find("yyy") == std::string::npos)
                EXPECT_EQ(text.textWidth, c.box) << c.text;
            else
                EXPECT_GT(text.textWidth, c.box) << c.text;
        }
    }

    // The example that ended short: one gap on "aa bb", the blanks before
    // the wrap none; "bb" runs 44..60.
    KyTextBase text;
    setUp(text, gridFont(), "aa bb  cc", 60, KyGlyphText::Justify);
    text.getSize();
    KyTextLine line;
    text.nextLine(0, line);
    text.countGaps(0, line);
    EXPECT_EQ(line.end, 6u);
    EXPECT_EQ(line.gaps, 1u);
    EXPECT_EQ(line.spaceTotal, 8.0f);
    EXPECT_EQ(quadLeft(text.mesh, 3), 44.0f);
    EXPECT_EQ(quadRight(text.mesh, 4), 60.0f);
    EXPECT_EQ(quad(text.mesh, 5), "0,0 0,0 0,0 0,0");
    EXPECT_EQ(quadLeft(text.mesh, 7), 0.0f);
}

TEST_F(TextBase, BreaksMoveDownOneLineStepEach)
{
    KyTextBase text;
    setUp(text, gridFont(), "abc", 200);
    text.addLineBreak(1);
    text.addLineBreak(1);
    text.addLineBreak(2);
    const KyVector2s32 size = text.getSize();
    EXPECT_EQ(text.lineCount, 3);
    // First line one glyph height (12) down, then 2 steps of 12, then 1.
    EXPECT_EQ(quad(text.mesh, 0), "0,12 8,12 8,0 0,0");
    EXPECT_EQ(quad(text.mesh, 1), "0,36 8,36 8,24 0,24");
    EXPECT_EQ(quad(text.mesh, 2), "0,48 8,48 8,36 0,36");
    EXPECT_EQ(size.x, 8);
    EXPECT_EQ(size.y, 48);

    // The step is the font's line height plus the interline.
    text.setInterline(2.5f);
    EXPECT_EQ(text.getSize().y, 58);          // ceil(2.5 + 12 + 3 * 14.5)
    EXPECT_EQ(quadTop(text.mesh, 1), 29.0f);  // floor(12 + 2 * 14.5 - 12 + 0.5)
}

TEST_F(TextBase, HeightOfOneLineIsTheTallestGlyphPlusTheInterline)
{
    KyfWriter::Font written = blendGridFont();
    written.glyphs['T'].height = 20.0f;
    written.glyphs['T'].yOffset = 20.0f;
    KyTextBase text;
    setUp(text, font("tall.kyf", written), "aTa", 200);
    text.setInterline(3.25f);
    EXPECT_EQ(text.getSize().y, 24);   // ceil(20 + 3.25)
    EXPECT_EQ(text.lineCount, 0);
    // Every glyph stands on the same base line, 20 below the top.
    EXPECT_EQ(quadBottom(text.mesh, 0), 20.0f);
    EXPECT_EQ(quadTop(text.mesh, 1), 0.0f);
    EXPECT_EQ(quadTop(text.mesh, 0), 8.0f);
}

TEST_F(TextBase, WrappingKeepsWordsWholeAndBlanksWithoutArea)
{
    KyTextBase text;
    // "abcdefghij" (80) is wider than the box and stays whole on its line.
    setUp(text, gridFont(), "  ab abcdefghij cd  ", 40);
    const KyVector2s32 size = text.getSize();
    EXPECT_EQ(size.x, 80);
    EXPECT_EQ(text.lineCount, 2);
    // Leading blanks have no area; the first word starts at 0.
    EXPECT_EQ(quad(text.mesh, 0), "0,0 0,0 0,0 0,0");
    EXPECT_EQ(quadLeft(text.mesh, 2), 0.0f);
    // Blanks where a line wraps have no area either.
    EXPECT_EQ(quad(text.mesh, 4), "0,0 0,0 0,0 0,0");
    EXPECT_EQ(quadLeft(text.mesh, 5), 0.0f);
    EXPECT_EQ(quadRight(text.mesh, 14), 80.0f);
    EXPECT_EQ(quadTop(text.mesh, 14), 12.0f);
    // The last line keeps its trailing blanks, drawn with their glyphs.
    EXPECT_EQ(quad(text.mesh, 16), "0,36 8,36 8,24 0,24");
    EXPECT_EQ(quad(text.mesh, 19), "24,36 32,36 32,24 24,24");
}

TEST_F(TextBase, LineFeedIsABlankNotABreak)
{
    KyTextBase text;
    setUp(text, gridFont(), "ab\ncd", 200);
    text.getSize();
    EXPECT_EQ(text.lineCount, 0);
    EXPECT_EQ(quadLeft(text.mesh, 3), 24.0f);
}

TEST_F(TextBase, ColoursApplyFromTheirPositionOn)
{
    KyTextBase text;
    setUp(text, gridFont(), "abcdefgh", 200);
    text.setColor(5, KyColor(255, 0, 0, 255));
    text.setColor(7, KyColor(0, 0, 255, 128));
    text.getSize();
    EXPECT_EQ(quadColor(text.mesh, 4), KyColor(0, 0, 0, 255));
    EXPECT_EQ(quadColor(text.mesh, 5), KyColor(255, 0, 0, 255));
    EXPECT_EQ(quadColor(text.mesh, 6), KyColor(255, 0, 0, 255));
    EXPECT_EQ(quadColor(text.mesh, 7), KyColor(0, 0, 255, 128));

    KyTextBase2 white;
    setUp(white, gridFont(), "ab", 200);
    white.getSize();
    EXPECT_EQ(quadColor(white.mesh, 1), KyColor(255, 255, 255, 255));
    white.setDefaultColor(KyColor(1, 2, 3, 4));
    EXPECT_TRUE(white.dirty);
    white.getSize();
    EXPECT_EQ(quadColor(white.mesh, 1), KyColor(1, 2, 3, 4));
}

TEST_F(TextBase, KerningMovesTheRestOfTheLineOnly)
{
    KyfWriter::GridOptions options;
    options.kerning = {kerningPair('A', 'V', -2.0f, 3.0f), kerningPair('V', 'A', -1.0f, 0.0f)};
    KyTextBase text;
    setUp(text, font("kern.kyf", blendGridFont(options)), "AVAVA", 200);
    text.addLineBreak(3);
    const KyVector2s32 size = text.getSize();
    // Horizontally each pair pulls the rest of the line closer; vertically
    // the offset of a pair stays for the rest of its line, and the next line
    // starts again from its own base line.
    const char* want[] = {
        "0,12 8,12 8,0 0,0",      // A
        "6,15 14,15 14,3 6,3",    // V: (-2, +3)
        "13,15 21,15 21,3 13,3",  // A: (-1, 0)
        "0,24 8,24 8,12 0,12",    // V, first of the next line: no pair
        "7,24 15,24 15,12 7,12",  // A: (-1, 0)
    };
    for (u32 i = 0; i < 5; ++i)
        EXPECT_EQ(quad(text.mesh, i), want[i]) << i;
    // The measure kerns too: "AVA" is 8 - 2 + 8 - 1 + 8 wide.
    EXPECT_EQ(size.x, 21);
}

TEST_F(TextBase, CharactersTheFontLacksDrawNothingAndTakeNoWidth)
{
    KyfWriter::GridOptions options;
    options.glyphCount = 128;
    KyTextBase text;
    setUp(text, font("ascii.kyf", blendGridFont(options)), "a\xC9" "b", 200);
    EXPECT_EQ(text.getSize().x, 16);
    EXPECT_EQ(quad(text.mesh, 1), "0,0 0,0 0,0 0,0");
    EXPECT_EQ(quadLeft(text.mesh, 2), 8.0f);
}

TEST_F(TextBase, NothingIsBuiltWithoutTextFontOrBox)
{
    KyTextBase text;
    text.text = "abc";
    text.setSize(100, 10);
    EXPECT_EQ(text.getSize(), KyVector2s32(0, 0));
    EXPECT_TRUE(text.dirty);
    text.draw();   // no font: nothing to draw, no crash

    // A null font is not stored over a real one.
    text.setFont(0, gridFont());
    text.setFont(0, KyIntrusivePtr<KyFont2>());
    ASSERT_NE(text.font(), nullptr);

    text.setSize(0, 10);
    text.getSize();
    EXPECT_TRUE(text.dirty);
    text.setSize(100, 10);
    text.clearText();
    text.getSize();
    EXPECT_TRUE(text.dirty);
    text.text = "abc";
    EXPECT_EQ(text.getSize(), KyVector2s32(24, 12));
    EXPECT_FALSE(text.dirty);
}

TEST_F(TextBase, MeshIsSizedForTheTextAndCopiesCarryEverything)
{
    KyTextBase text;
    setUp(text, gridFont(), "abcdefghij", 200);
    text.mesh.init(4, 6, 5);   // sized for one character only
    text.getSize();
    EXPECT_EQ(text.mesh.vertexCount(), 40u);
    EXPECT_EQ(text.mesh.indexCount(), 60u);
    EXPECT_EQ(quadLeft(text.mesh, 9), 72.0f);
    EXPECT_EQ(text.mesh.textureEnvMode(), GL_BLEND);
    EXPECT_EQ(text.mesh.texture(), text.font()->texture());

    text.addLineBreak(4);
    text.setColor(2, KyColor(9, 9, 9, 9));
    text.setPosition(KyVector3f32(2.5f, -1.5f, 0.49f));
    EXPECT_EQ(text.mesh.position(), KyVector3f32(3.0f, -1.0f, 0.0f));
    KyTextBase copy(text);
    EXPECT_TRUE(copy.mesh == text.mesh);
    EXPECT_EQ(copy.lineBreaks.count(), 1u);
    EXPECT_EQ(copy.colorAt(3), KyColor(9, 9, 9, 9));
    copy.setInterLine(4.0f);
    EXPECT_EQ(copy.interline, 4.0f);
    EXPECT_EQ(text.interline, 0.0f);
    copy.dirty = true;
    copy.getSize();
    EXPECT_EQ(copy.lineCount, 1);
    EXPECT_EQ(text.lineCount, 0);
}

TEST_F(TextBase, IndicesReachPastSixteenBitsAndTheLastGlyphDraws)
{
    // 20,000 characters: blanks and one final 'X' that wraps to line two.
    std::string characters(19999, ' ');
    characters += 'X';
    KyTextBase text;
    setUp(text, gridFont(), characters.c_str(), 48);
    text.setColor(19999, KyColor(0, 255, 0, 255));
    text.getSize();
    const u32* indices = text.mesh.indices();
    ASSERT_EQ(text.mesh.indexCount(), 120000u);
    EXPECT_EQ(indices[6 * 19999], 79996u);
    EXPECT_EQ(indices[6 * 19999 + 4], 79999u);
    EXPECT_EQ(quad(text.mesh, 19999), "0,24 8,24 8,12 0,12");

    pixelProjection();
    text.setPosition(KyVector3f32(4.0f, 4.0f, 0.0f));
    text.draw();
    EXPECT_EQ(pixelFromTop(8, 22), KyColor(0, 255, 0, 255));
    EXPECT_EQ(pixelFromTop(8, 10), KyColor(0, 0, 0, 255));
}

TEST_F(TextBase, DrawnGlyphsShowTheirColourWhereTheyAreLaidOut)
{
    KyTextBase text;
    setUp(text, gridFont(), "ab c", 64, KyGlyphText::Center);
    text.setColor(0, KyColor(255, 255, 255, 255));
    text.setColor(1, KyColor(255, 0, 0, 255));
    text.setColor(3, KyColor(0, 0, 255, 255));
    pixelProjection();
    text.draw();
    // Width 32 centred in 64: "a" over 16..24, "b" 24..32, "c" 40..48, rows 0..12.
    EXPECT_EQ(pixelFromTop(20, 6), KyColor(255, 255, 255, 255));
    EXPECT_EQ(pixelFromTop(28, 6), KyColor(255, 0, 0, 255));
    EXPECT_EQ(pixelFromTop(36, 6), KyColor(0, 0, 0, 255));   // the space is transparent
    EXPECT_EQ(pixelFromTop(44, 6), KyColor(0, 0, 255, 255));
    EXPECT_EQ(pixelFromTop(44, 14), KyColor(0, 0, 0, 255));
    EXPECT_EQ(pixelFromTop(12, 6), KyColor(0, 0, 0, 255));
}

#include "core/KyString.h"
#include "tests/support/StdoutCapture.h"
#include "tests/ui/TextParserFixture.h"
#include "ui/KyColorNode.h"
#include "ui/KyFontNode.h"
#include "ui/KyRefNode.h"
#include "ui/KyTextDumper.h"
#include "ui/KyTextParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The tokens of markup as "kind:text" strings.
std::vector<std::string> tokensOf(const std::string& markup)
{
    KyString stream(markup.data(), static_cast<u32>(markup.size()));
    KyTextParser parser;
    parser.tokenize(stream);
    std::vector<std::string> out;
    while (parser.next())
        out.push_back(std::to_string(parser.current->key) + ":" + parser.current->value.c_str());
    EXPECT_EQ(parser.current, nullptr);
    return out;
}

typedef std::vector<std::string> Tokens;

} // namespace

TEST(TextParserTokens, WordsAndSeparators)
{
    EXPECT_EQ(tokensOf("  un   deux\n\r\ntrois\tquatre \r"), (Tokens{"0:un", "0:deux", "0:trois\tquatre"}));
    EXPECT_EQ(tokensOf(""), Tokens{});
    EXPECT_EQ(tokensOf(" \n\r "), Tokens{});
    // A NUL ends the markup.
    EXPECT_EQ(tokensOf(std::string("ab\0cd", 5)), Tokens{"0:ab"});
}

TEST(TextParserTokens, TagsAttributesAndTagEnds)
{
    EXPECT_EQ(tokensOf("a<c color=4  bColor=2 >b</c>"),
              (Tokens{"0:a", "1:c", "4:color=4", "4:bColor=2", "3:", "0:b", "2:c", "3:"}));
    // Attributes are kept on close tags and "br" too; values are not unquoted.
    EXPECT_EQ(tokensOf("</a x=\"1\"><br\nclear=all>"), (Tokens{"2:a", "4:x=\"1\"", "3:", "1:br", "4:clear=all", "3:"}));
    EXPECT_EQ(tokensOf("<t><p><f><a></a></f></p></t>"),
              (Tokens{"1:t", "3:", "1:p", "3:", "1:f", "3:", "1:a", "3:", "2:a", "3:", "2:f", "3:", "2:p", "3:", "2:t",
                      "3:"}));
}

TEST(TextParserTokens, WhatIsNotATagStaysText)
{
    EXPECT_EQ(tokensOf("<b>mot</b>"), (Tokens{"0:<b>", "0:mot", "0:</b>"}));
    EXPECT_EQ(tokensOf("x<br/>y"), (Tokens{"0:x", "0:<br/>", "0:y"}));
    // The name ends only at a separator: a tab or a glued attribute makes
    // another name.
    EXPECT_EQ(tokensOf("<c\tcolor=4>"), (Tokens{"0:<c\tcolor=4>"}));
    EXPECT_EQ(tokensOf("<ccolor=4>"), (Tokens{"0:<ccolor=4>"}));
    EXPECT_EQ(tokensOf("<C>"), (Tokens{"0:<C>"}));
    EXPECT_EQ(tokensOf("<> </> < c>"), (Tokens{"0:<>", "0:</>", "0:<", "0:c>"}));
    // An unfinished tag is text, cut into words; a '<' opens the next tag.
    EXPECT_EQ(tokensOf("a<b c"), (Tokens{"0:a", "0:<b", "0:c"}));
    EXPECT_EQ(tokensOf("x<y z<c>w"), (Tokens{"0:x", "0:<y", "0:z", "1:c", "3:", "0:w"}));
    EXPECT_EQ(tokensOf("<"), (Tokens{"0:<"}));
    EXPECT_EQ(tokensOf("a>b"), (Tokens{"0:a>b"}));
}

TEST_F(TextFonts, ParseRejectsWhatIsNotAWholeText)
{
    const char* rejected[] = {
        "", " \r\n ", "</c>x", "</t>", "x</t>", "<t>x", "<t>x</t>y", "<t>x</t><br>", "x</p>", "<p>x</p></p>",
        "x</br>", "<t><t>x</t></t>", "x<t>y</t>", "<p>x<t>y", "<t>x</t></t>",
        // A paragraph is never closed: a close "p" is a token left over.
        "<p>x</p>", "<t><p></p></t>",
    };
    for (const char* markup : rejected)
        EXPECT_EQ(parse(markup, 100), nullptr) << markup;
    const char* accepted[] = {"x", "<t>x</t>", "<t x=1>x</t y=2>", "<p>x<p>y", "<c>x", "<br>", "<t></t>", "<t><p></t>",
                              "a</c x>"};
    for (const char* markup : accepted) {
        std::unique_ptr<KyTextNode> text = parse(markup, 100);
        EXPECT_NE(text, nullptr) << markup;
    }
}

TEST_F(TextFonts, MeasuringAndBreakingLines)
{
    // Typo1: "ab" = 5 + 1 + 5 = 11, space 3.
    std::unique_ptr<KyTextNode> text = parse("ab ab ab", 30);
    ASSERT_NE(text, nullptr);
    std::vector<KyLineNode*> all = lines(*text);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(words(*all[0]), "ab ab");
    EXPECT_EQ(all[0]->width, 25);
    EXPECT_EQ(all[0]->height, 8);
    EXPECT_EQ(words(*all[1]), "ab");
    EXPECT_EQ(all[1]->width, 11);
    EXPECT_EQ(text->height, 16);

    // A line exactly as wide as the box keeps its word.
    text = parse("ab ab", 25);
    EXPECT_EQ(lines(*text).size(), 1u);
    // Narrow glyphs: "mi" = 8 + 1 + 2.
    text = parse("mi i", 100);
    EXPECT_EQ(lines(*text)[0]->width, 11 + 3 + 2);

    // Tags split words: "a" and "b" are two words with a space between.
    text = parse("a<c>b</c>", 100);
    EXPECT_EQ(words(*lines(*text)[0]), "a [c] b [/c]");
    EXPECT_EQ(lines(*text)[0]->width, 5 + 3 + 5);
}

TEST_F(TextFonts, LineBreaksAndBrokenBreaks)
{
    std::unique_ptr<KyTextNode> text = parse("un<br>deux", 100);
    ASSERT_EQ(lines(*text).size(), 2u);
    text = parse("un<br/>deux", 100);
    ASSERT_EQ(lines(*text).size(), 1u);
    EXPECT_EQ(words(*lines(*text)[0]), "un <br/> deux");
    // Consecutive breaks close empty lines; a break at the end leaves none.
    text = parse("a<br><br>b<br>", 100);
    std::vector<KyLineNode*> all = lines(*text);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(words(*all[1]), "");
    EXPECT_EQ(all[1]->width, 0);
    EXPECT_EQ(text->height, 24);
    // The "b" tag is text.
    text = parse("<b>mot</b>", 100);
    EXPECT_EQ(words(*lines(*text)[0]), "<b> mot </b>");
}

TEST_F(TextFonts, StrayAttributesAndTagEndsAreSkipped)
{
    std::unique_ptr<KyTextNode> text = parse("a</c foo=1>b<br clear=all>c</f x y><a q>d</a z>", 100);
    ASSERT_NE(text, nullptr);
    std::vector<KyLineNode*> all = lines(*text);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(words(*all[0]), "a [/c] b");
    EXPECT_EQ(words(*all[1]), "c [/f] [a] d [/a]");
}

TEST_F(TextFonts, WideWordsAndAlignments)
{
    // "abcabc" is 35 wide in a box of 10: it stays alone on its line, with
    // no empty line before it.
    std::unique_ptr<KyTextNode> text = parse("<p hAlign=center>ab abcabc ab", 10);
    std::vector<KyLineNode*> all = lines(*text);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[1]->width, 35);
    EXPECT_EQ(all[1]->offset, -12); // -25 / 2 truncated toward zero
    EXPECT_EQ(all[0]->offset, 0);   // (10 - 11) / 2
    text = parse("<p hAlign=right>abcabc", 10);
    all = lines(*text);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0]->offset, -25);

    // The text's alignment holds for every paragraph; a paragraph's own
    // overrides it.
    text = parse("<t hAlign=center><p>ab<p hAlign=right>ab<p hAlign=other>ab</t>", 31);
    all = lines(*text);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]->offset, 10);
    EXPECT_EQ(all[1]->offset, 20);
    EXPECT_EQ(all[2]->offset, 0);
    EXPECT_EQ(paragraphs(*text)[2]->hAlign, 1);
}

TEST_F(TextFonts, JustifiedGaps)
{
    // Five "i" (2 wide) with four spaces of 3 take 22 pixels; in 36 the 14
    // free pixels give 3 to each gap and one more to the first two.
    std::unique_ptr<KyTextNode> text = parse("<p hAlign=justify>i i i i i abcabc", 36);
    std::vector<KyLineNode*> all = lines(*text);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->width, 22);
    EXPECT_EQ(all[0]->gapExtra, 3);
    EXPECT_EQ(all[0]->gapRemainder, 2);
    EXPECT_EQ(all[0]->offset, 0);
    // A line of one word has no gap to stretch.
    EXPECT_EQ(all[1]->gapExtra, 0);
    EXPECT_EQ(all[1]->gapRemainder, 0);
}

TEST_F(TextFonts, ColourNumbers)
{
    std::unique_ptr<KyTextNode> text =
        parse("<t color=300 bColor=-1><p>a<p color=5 bColor=7>b<c>c</c><c color=9 bColor=x>d</c></t>", 100);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->color, 44);
    EXPECT_EQ(text->bColor, 255);
    std::vector<KyParagraphNode*> all = paragraphs(*text);
    EXPECT_EQ(all[0]->color, 44);
    EXPECT_EQ(all[0]->bColor, 255);
    EXPECT_EQ(all[1]->color, 5);
    EXPECT_EQ(all[1]->bColor, 7);
    KyLineNode* line = all[1]->children.headNode()->next->value;
    auto* plain = dynamic_cast<KyColorNode*>(line->children.headNode()->next->next->value);
    ASSERT_NE(plain, nullptr);
    // A "c" tag starts at 1 on 0 whatever the paragraph says.
    EXPECT_EQ(plain->color, 1);
    EXPECT_EQ(plain->bColor, 0);
    auto* nine = dynamic_cast<KyColorNode*>(line->children.headNode()->next->next->next->next->next->value);
    ASSERT_NE(nine, nullptr);
    EXPECT_EQ(nine->color, 9);
    EXPECT_EQ(nine->bColor, 0); // no number: the default stays

    // The first matching prefix wins; "color=" is not "bColor=".
    text = parse("<c bColor=3 color=4 color=6 colour=8>x</c>", 100);
    auto* node = dynamic_cast<KyColorNode*>(lines(*text)[0]->children.headNode()->next->value);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->color, 6);
    EXPECT_EQ(node->bColor, 3);
}

TEST_F(TextFonts, VerticalOffsets)
{
    // Lines of 8 + 8 + 15 (a big font raises the third line) = 31.
    const std::string body = "a<br>b<br><f font=Common/Fonts/Big.font>c</f></t>";
    std::unique_ptr<KyTextNode> text = parse("<t vAlign=center>" + body, 100, 100);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->height, 31);
    EXPECT_EQ(text->vOffset, 34);
    text = parse("<t vAlign=down>" + body, 100, 100);
    EXPECT_EQ(text->vOffset, 69);
    text = parse("<t vAlign=top>" + body, 100, 100);
    EXPECT_EQ(text->vOffset, 0);
    text = parse("<t vAlign=center>" + body, 100, 20);
    EXPECT_EQ(text->vOffset, 0); // never negative
    text = parse("<t vAlign=center>" + body, 100, 32);
    EXPECT_EQ(text->vOffset, 0); // 1 / 2
}

TEST_F(TextFonts, FontsFollowTheMarkerStack)
{
    // "XX" measures 7 in Small, 13 in Big, 15 in Wide and 11 in Typo1.
    std::string markup = std::string("<f font=") + kSmall + ">XX<br><f font=" + kBig + ">XX<br><f font=" + kWide +
                         ">XX</f><br>XX</f><br>XX</f><br>XX";
    std::unique_ptr<KyTextNode> text = parse(markup, 100);
    std::vector<KyLineNode*> all = lines(*text);
    ASSERT_EQ(all.size(), 6u);
    const s32 widths[] = {7, 13, 15, 13, 7, 11};
    const s32 heights[] = {8, 15, 15, 15, 5, 8};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(all[i]->width, widths[i]) << i;
        EXPECT_EQ(all[i]->height, heights[i]) << i;
    }

    // A close "c" after an open "f" removes the font marker: the font stays
    // until a close "f", which then finds no font marker left.
    text = parse(std::string("<f font=") + kBig + "></c>XX<br>XX</f><br>XX", 100);
    all = lines(*text);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]->width, 13);
    EXPECT_EQ(all[1]->width, 13);
    EXPECT_EQ(all[2]->width, 11);

    // Unbalanced closes never reach the paragraph's own font.
    text = parse(std::string("<p font=") + kWide + "></f></f>XX</c></a>XX", 100);
    all = lines(*text);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0]->width, 15 + 4 + 15);
}

TEST_F(TextFonts, MissingFonts)
{
    // A font marker whose font is missing keeps the current font.
    std::unique_ptr<KyTextNode> text = parse("<f font=Common/Fonts/Nope.font>XX</f> XX", 100);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(lines(*text)[0]->width, 11 + 3 + 11);
    auto* marker = dynamic_cast<KyFontNode*>(lines(*text)[0]->children.headNode()->next->value);
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->fontName, "Common/Fonts/Nope.font");

    // A paragraph whose font is missing rejects the whole text, with a log
    // line naming the normalised path.
    {
        StdoutCapture capture;
        EXPECT_EQ(parse("<p>a<p font=Common//Fonts\\Nope.font>b", 100), nullptr);
        EXPECT_EQ(capture.text(), "[KyTextParser::parse] Police introuvable : Common/Fonts/Nope.font\n");
    }
    // The text's own default font is the paragraphs' font.
    {
        StdoutCapture capture;
        EXPECT_EQ(parse("<t font=Missing.font>b</t>", 100), nullptr);
        EXPECT_EQ(capture.text(), "[KyTextParser::parse] Police introuvable : Missing.font\n");
    }
    text = parse(std::string("<t font=") + kSmall + ">XX</t>", 100);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(lines(*text)[0]->width, 7);
    EXPECT_EQ(lines(*text)[0]->height, 5);
}

TEST_F(TextFonts, LinksAndFontNamesAreKeptAsWritten)
{
    std::unique_ptr<KyTextNode> text = parse("<a href=http://x.y/z?a=b>lien</a><f font=Common//Fonts/Big.font>x</f>", 100);
    ASSERT_NE(text, nullptr);
    KyLineNode* line = lines(*text)[0];
    auto* ref = dynamic_cast<KyRefNode*>(line->children.headNode()->next->value);
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(ref->href, "http://x.y/z?a=b");
    auto* font = dynamic_cast<KyFontNode*>(line->children.headNode()->next->next->next->next->value);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->fontName, "Common//Fonts/Big.font");
    // The normalised name still found the font.
    EXPECT_EQ(line->height, 15);
}

TEST_F(TextFonts, TreeDumpOfAParsedText)
{
    std::unique_ptr<KyTextNode> text =
        parse("<p>Un <c color=3>mot</c><br><a href=aide>ici</a><p><f font=Common/Fonts/Big.font>x</f>", 100);
    ASSERT_NE(text, nullptr);
    StdoutCapture capture;
    KyTextDumper dumper;
    text->accept(dumper);
    EXPECT_EQ(capture.text(), "Text\n"
                              "* Paragraphe\n"
                              "** Ligne\n"
                              "*** Word : Un\n"
                              "*** Color\n"
                              "*** Word : mot\n"
                              "*** Fin de Color\n"
                              "** Fin de Ligne\n"
                              "** Ligne\n"
                              "*** Ref : aide\n"
                              "*** Word : ici\n"
                              "*** Fin de Ref\n"
                              "** Fin de Ligne\n"
                              "* Fin de Paragraphe\n"
                              "* Paragraphe\n"
                              "** Ligne\n"
                              "*** Font : Common/Fonts/Big.font\n"
                              "*** Word : x\n"
                              "*** Fin de Font\n"
                              "** Fin de Ligne\n"
                              "* Fin de Paragraphe\n"
                              "Fin de Text\n");
}

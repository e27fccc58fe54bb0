#include "core/KyString.h"
#include "tests/ui/TextParserFixture.h"
#include "ui/KyTextBlock.h"
#include "ui/KyTextNode.h"
#include "ui/KyTextPrinter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<KyLinkRegion> regionsOf(const KyList<KyLinkRegion>& links)
{
    std::vector<KyLinkRegion> out;
    for (auto* n = links.headNode()->next; n != links.tailNode(); n = n->next)
        out.push_back(n->value);
    return out;
}

void expectRegion(const KyLinkRegion& region, const char* href, s32 left, s32 right, s32 bottom, s32 top)
{
    EXPECT_EQ(region.href, href);
    EXPECT_EQ(region.left, left);
    EXPECT_EQ(region.right, right);
    EXPECT_EQ(region.bottom, bottom);
    EXPECT_EQ(region.top, top);
}

} // namespace

class TextPrinter : public TextFonts {
protected:
    // Parses markup for the whole image and prints it; the links of the
    // print go to m_links.
    KyIntrusivePtr<KyImg> print(const std::string& markup, u32 width, u32 height, bool transparent = false)
    {
        KyIntrusivePtr<KyImg> target = image(width, height);
        target->setTransparent(transparent ? 1 : 0);
        m_text = parse(markup, static_cast<s32>(width), static_cast<s32>(height));
        EXPECT_NE(m_text, nullptr) << markup;
        m_links.clear();
        KyTextPrinter printer(target.get());
        printer.links = &m_links;
        if (m_text)
            m_text->accept(printer);
        EXPECT_TRUE(printer.colorStack.isEmpty());
        EXPECT_TRUE(printer.bColorStack.isEmpty());
        EXPECT_TRUE(printer.fontStack.isEmpty());
        return target;
    }

    std::unique_ptr<KyTextNode> m_text;
    KyList<KyLinkRegion> m_links;
};

TEST_F(TextPrinter, ColoursOfParagraphsAndColourMarkers)
{
    // One 8-row line at the top of a 10-row image: glyph rows 2 to 9.
    KyIntrusivePtr<KyImg> target = print("<p color=5>ab <c color=9>ab</c> ab", 40, 10);
    EXPECT_EQ(row(*target, 2), "55555.55555...99999.99999...55555.55555.");
    EXPECT_EQ(row(*target, 9), "55555.55555...99999.99999...55555.55555.");
    EXPECT_EQ(row(*target, 1), std::string(40, '.'));

    // Glyph pixel v becomes v + colour - 1; a colour marker without
    // attributes is 1 on 0 inside any paragraph.
    target = print("<p color=5 bColor=7>o<c>o", 14, 8);
    EXPECT_EQ(row(*target, 2), "55755...11.11.");
    EXPECT_EQ(row(*target, 4), "55555...11111.");
    // A transparent target keeps its pixels where the glyph has none.
    target = print("<p color=5 bColor=7>o", 6, 8, true);
    EXPECT_EQ(row(*target, 3), "55.55.");
}

TEST_F(TextPrinter, JustifiedGapsShareTheRemainder)
{
    KyIntrusivePtr<KyImg> target = print("<p hAlign=justify>i i i i i abcabc", 36, 16);
    // Gaps of space + 4, 4, 3, 3: the last word ends on the box edge.
    EXPECT_EQ(row(*target, 8), "11.......11.......11......11......11");
    EXPECT_EQ(row(*target, 0), "11111.11111.11111.11111.11111.11111.");
}

TEST_F(TextPrinter, LinkRegions)
{
    print("ab <a href=x>ab ab</a> ab", 60, 10);
    std::vector<KyLinkRegion> regions = regionsOf(m_links);
    ASSERT_EQ(regions.size(), 1u);
    // From the first word's pen to the pen after the last word and its gap.
    expectRegion(regions[0], "x", 14, 42, 2, 10);

    // A link over two lines gives a region per line, each with its line's
    // edges.
    print("ab <a href=y>ab ab</a> ab", 30, 20);
    ASSERT_EQ(lines(*m_text).size(), 2u);
    regions = regionsOf(m_links);
    ASSERT_EQ(regions.size(), 2u);
    expectRegion(regions[0], "y", 14, 28, 12, 20);
    expectRegion(regions[1], "y", 0, 14, 4, 12);

    // Closed before any of its words was drawn; a font marker raises the
    // open region; an end without a link and a link never closed give none.
    print(std::string("ab<a href=z></a></a>") + "<a href=w>ab <f font=" + kBig + ">ab</f></a><a href=v>ab", 100, 20);
    regions = regionsOf(m_links);
    ASSERT_EQ(regions.size(), 2u);
    expectRegion(regions[0], "z", -2, 0, 5, 13);
    expectRegion(regions[1], "w", 14, 45, 5, 20);
}

TEST_F(TextPrinter, LinesThatDoNotFitAreSkipped)
{
    // Lines of 8 in 21 rows: the third would start below the image, and
    // nothing after it is drawn, not even the smaller font that would fit.
    KyIntrusivePtr<KyImg> target = print(std::string("a<br>b<br>c<p font=") + kSmall + ">A", 6, 21);
    EXPECT_EQ(row(*target, 13), "11111.");
    EXPECT_EQ(row(*target, 5), "11111.");
    for (u32 y = 0; y < 5; ++y)
        EXPECT_EQ(row(*target, y), "......") << y;
}

TEST_F(TextPrinter, GlyphsAreClippedToTheImageAndTheFont)
{
    // A centred word wider than the box starts left of the image.
    KyIntrusivePtr<KyImg> target = print("<p hAlign=center>abcabcabc", 10, 8);
    EXPECT_EQ(lines(*m_text)[0]->offset, -21);
    EXPECT_EQ(row(*target, 0), "11.11111.1");

    // Glyphs of 4 rows in a font of 12: only the glyph's own rows are drawn.
    target = print(std::string("<p font=") + kShort + ">ab", 10, 12);
    EXPECT_EQ(row(*target, 3), "1111.1111.");
    EXPECT_EQ(row(*target, 4), "..........");

    // 'z' is past the 100 glyphs of Small: no width, nothing drawn.
    target = print(std::string("<p font=") + kSmall + ">AzA", 10, 5);
    EXPECT_EQ(lines(*m_text)[0]->width, 8);
    EXPECT_EQ(row(*target, 0), "111..111..");

    // Right-aligned, so only the word's end shows; the second line does not
    // fit.
    target = print("<p hAlign=right>abcabcabc<br>ab", 4, 8);
    EXPECT_EQ(lines(*m_text)[0]->offset, -49);
    EXPECT_EQ(row(*target, 0), "1111");
}

TEST_F(TextPrinter, UnbalancedEndMarkersKeepTheParagraphsOwnEntries)
{
    KyIntrusivePtr<KyImg> target = print(std::string("<p color=5 font=") + kSmall + "></c></c></f>AA<c color=9>A", 12, 5);
    EXPECT_EQ(row(*target, 0), "555.555..999");
    // Colours left open end with their paragraph.
    target = print("<c color=9>a<p>a", 6, 16);
    EXPECT_EQ(row(*target, 8), "99999.");
    EXPECT_EQ(row(*target, 0), "11111.");
}

TEST_F(TextPrinter, ATreeReadBackPrintsTheSame)
{
    const std::string markup = std::string("<t vAlign=center hAlign=justify><p color=3>mi ab <c color=6>io</c> <a href=l>") +
                               "ab ab</a> <f font=" + kWide + ">ab</f> i i<p hAlign=right bColor=2>o</t>";
    KyIntrusivePtr<KyImg> first = print(markup, 40, 40);
    std::vector<KyLinkRegion> regions = regionsOf(m_links);

    KyString stream;
    stream.setTextMode(0);
    m_text->serialize(stream);
    stream.seek(0);
    KyTextNode back;
    back.deserialize(stream);
    ASSERT_FALSE(back.readFailed());

    KyIntrusivePtr<KyImg> second = image(40, 40);
    KyList<KyLinkRegion> links;
    KyTextPrinter printer(second.get());
    printer.links = &links;
    back.accept(printer);
    for (u32 y = 0; y < 40; ++y)
        EXPECT_EQ(row(*second, y), row(*first, y)) << y;
    std::vector<KyLinkRegion> again = regionsOf(links);
    ASSERT_EQ(again.size(), regions.size());
    ASSERT_FALSE(regions.empty());
    for (size_t i = 0; i < regions.size(); ++i)
        expectRegion(again[i], regions[i].href.c_str(), regions[i].left, regions[i].right, regions[i].bottom,
                     regions[i].top);
}

TEST_F(TextPrinter, TextBlockLaysOutInsideItsMargins)
{
    KyIntrusivePtr<KyImg> target = image(30, 22);
    KyTextBlock block;
    block.setMargins(4, 4, 2, 2);
    KyString markup("<a href=h>ab ab ab</a>");
    block.setText(target.get(), markup);
    ASSERT_NE(block.tree, nullptr);
    // The box is 22 wide: "ab ab" (25) does not fit.
    EXPECT_EQ(lines(*block.tree).size(), 3u);
    block.print();
    // Lines start 4 from the left and 2 from the top; two lines of 8 fit in
    // the 22 rows, the third does not, and its link part stays unrecorded.
    EXPECT_EQ(row(*target, 19), "....11111.11111...............");
    EXPECT_EQ(row(*target, 4), "....11111.11111...............");
    EXPECT_EQ(row(*target, 20), std::string(30, '.'));
    EXPECT_EQ(row(*target, 3), std::string(30, '.'));
    std::vector<KyLinkRegion> regions = regionsOf(block.links);
    ASSERT_EQ(regions.size(), 1u);
    expectRegion(regions[0], "h", 4, 18, 12, 20);

    // Printing again starts a new list; rejected markup leaves no tree.
    block.print();
    EXPECT_EQ(block.links.count(), 1u);
    KyString rejected("</t>");
    block.setText(target.get(), rejected);
    EXPECT_EQ(block.tree, nullptr);
    block.print();
    EXPECT_TRUE(block.links.isEmpty());
}

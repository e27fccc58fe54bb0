// Replays damaged and hostile glyph-text markup through both of its users,
// the rich text widget and the text layout: under the sanitizers each one
// must build its text or be refused cleanly, with a log line, fast.

#include "core/KySingleton.h"
#include "tests/support/CpuTime.h"
#include "tests/support/DamagedText.h"
#include "tests/support/StdoutCapture.h"
#include "tests/ui/TextBaseFixture.h"
#include "ui/KyMainWindow.h"
#include "ui/KyText2.h"
#include "ui/KyTextLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using DamagedText::around;

class TextMarkupReplay : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        m_font = writeFont("Fonts/grid.kyf", blendGridFont());
        KySingleton<KyMainWindow>::instance();
    }
    void TearDown() override { KySingleton<KyMainWindow>::destroy(); }

    std::string font() const { return std::string("<font file=\"") + m_font.c_str() + "\"/>"; }

    // Gives markup to both users; returns what they logged.
    std::string replay(const std::string& markup, double* seconds = nullptr)
    {
        StdoutCapture capture;
        const double start = threadCpuSeconds();
        text.setText(KyString(markup.c_str()));
        text.setTextBox(64, 64);
        text.textSize();
        layout.setText(KyString(markup.c_str()));
        if (seconds)
            *seconds = threadCpuSeconds() - start;
        return capture.text();
    }

    KyString m_font;
    KyText2 text;
    KyTextLayout layout;
};

TEST_F(TextMarkupReplay, DeepMarkupIsRefusedAndLeavesTheTextAsItWas)
{
    replay(font() + "kept");
    ASSERT_EQ(text.blocks().begin()->text, "kept");

    // The wrapper "<document>" is the first level: the 1,000th "<a>" is the
    // 1,001st element, at byte 3,007 of the wrapped text.
    struct Case {
        std::string markup;
        const char* row;
    };
    const std::vector<Case> cases = {
        {around("<a>", "</a>", 40000, "x"), "(row 1, column 3008)"},
        {around("<font>", "", 40000, ""), "(row 1, column 6005)"},
        {"\n" + around("<b/><c>", "</c>", 5000, ""), "(row 2, column 6994)"},
    };
    for (const Case& c : cases) {
        double seconds = 0.0;
        const std::string log = replay(c.markup, &seconds);
        for (const char* user : {"[KyText2::setText]", "[KyTextLayout::setText]"}) {
            const std::string line =
                std::string(user) + " the text does not parse: Elements nested too deeply. " + c.row + "\n";
            EXPECT_NE(log.find(line), std::string::npos) << log;
        }
        EXPECT_LT(seconds, 1.0);
        EXPECT_EQ(text.blocks().begin()->text, "kept");
        EXPECT_EQ(layout.textBase.text, "kept");
    }
}

TEST_F(TextMarkupReplay, NestsAtTheLimitAreWalkedInDocumentOrder)
{
    // 999 nested elements inside the wrapper (1,000 levels with it, the
    // limit), each level holding a character
    // before and after its child: the widget takes every character in
    // document order, the layout only those of its first level.
    std::string markup = font();
    std::string expected;
    const u32 levels = 999;
    std::string inner = "!";
    for (u32 i = 0; i < levels; ++i) {
        const char c = char('a' + i % 26);
        inner = std::string("<b>") + c + inner + char(c - 32) + "</b>";
    }
    for (u32 i = 0; i < levels; ++i)
        expected += char('a' + (levels - 1 - i) % 26);
    expected += "!";
    for (u32 i = 0; i < levels; ++i)
        expected += char('A' + i % 26);

    double seconds = 0.0;
    const std::string log = replay(markup + inner + "<color r=\"7\"/>z", &seconds);
    EXPECT_EQ(log.find("does not parse"), std::string::npos) << log;
    EXPECT_EQ(std::string(text.blocks().begin()->text.c_str()), expected + "z");
    EXPECT_EQ(text.blocks().begin()->colorAt(u32(expected.size())), KyColor(7, 0, 0, 255));
    EXPECT_EQ(layout.textBase.text, "z");
    EXPECT_LT(seconds, 1.0);

    // One level more is refused.
    const std::string deeper = replay(markup + "<b>" + inner + "</b>");
    EXPECT_NE(deeper.find("Elements nested too deeply."), std::string::npos);
}

TEST_F(TextMarkupReplay, EveryTruncationAndFlippedByteOfAMarkup)
{
    const std::string full = font() + "ab<br/>c<color r=\"255\" g='9'>d<section style=\"justify\"/>e f g h</color>" +
                             "<![CDATA[<i>]]><!-- <j> -->k&amp;&#x41;<b><c>l</c></b>";
    replay(full);
    ASSERT_EQ(text.blocks().begin()->text, "abcde f g h<i>k&Al");
    for (size_t length = 0; length < full.size(); ++length)
        replay(full.substr(0, length));

    const char replacements[] = {'<', '>', '"', '/', '\0', '\xf0', '=', '&', ' ', '!'};
    u32 seed = 777;
    for (u32 round = 0; round < 300; ++round)
        replay(DamagedText::scrambled(full, replacements, sizeof(replacements), seed));
}

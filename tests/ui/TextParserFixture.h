#ifndef KY_TESTS_TEXT_PARSER_FIXTURE_H
#define KY_TESTS_TEXT_PARSER_FIXTURE_H

#include "core/KyIntrusivePtr.h"
#include "core/KyString.h"
#include "platform/KyImg.h"
#include "tools/content/FontWriters.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/TempDir.h"
#include "ui/KyLineNode.h"
#include "ui/KyParagraphNode.h"
#include "ui/KyTextNode.h"
#include "ui/KyTextParser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// The rich-text tests run in a folder of their own holding these fonts
// (glyph pixels are 1 unless said otherwise, spacing 1, line spacing 0):
//   Common/Fonts/Typo1.font  256 glyphs, 8 high: space 3, 'i' 2, 'm' 8,
//                            others 5 wide; 'o' has a 0 pixel at column 2
//                            of rows 2 and 3
//   Common/Fonts/Small.font  100 glyphs (codes 0-99), 5 high: space 2,
//                            others 3 wide
//   Common/Fonts/Big.font    15 high, space 4, others 6 wide
//   Common/Fonts/Wide.font   10 high, space 4, others 7 wide
//   Common/Fonts/Short.font  12 high but glyphs only 4 rows high, 4 wide
class TextFonts : public ::testing::Test {
protected:
    static const char* const kSmall;
    static const char* const kBig;
    static const char* const kWide;
    static const char* const kShort;

    void SetUp() override;
    void TearDown() override;

    // Parses markup for a box of width x height; null when rejected.
    std::unique_ptr<KyTextNode> parse(const std::string& markup, s32 width, s32 height = 100);

    // A paletted target of width x height, every pixel 0, not transparent.
    static KyIntrusivePtr<KyImg> image(u32 width, u32 height);
    // Row y of the image (counted from the bottom): '.' for 0, otherwise
    // the index in hexadecimal.
    static std::string row(const KyImg& image, u32 y);

    static std::vector<KyParagraphNode*> paragraphs(KyTextNode& text);
    static std::vector<KyLineNode*> lines(KyTextNode& text);
    // The words of a line as text; markers as "[c]", "[/c]", "[f]", "[/f]",
    // "[a]", "[/a]".
    static std::string words(KyLineNode& line);

    TempDir m_dir;
    std::unique_ptr<ScopedWorkingDir> m_workingDir;
};

#endif

#include "tests/ui/TextParserFixture.h"

#include "ui/KyColorNode.h"
#include "ui/KyEndColorNode.h"
#include "ui/KyEndFontNode.h"
#include "ui/KyEndRefNode.h"
#include "ui/KyFontNode.h"
#include "ui/KyRefNode.h"
#include "ui/KyStringNode.h"

const char* const TextFonts::kSmall = "Common/Fonts/Small.font";
const char* const TextFonts::kBig = "Common/Fonts/Big.font";
const char* const TextFonts::kWide = "Common/Fonts/Wide.font";
const char* const TextFonts::kShort = "Common/Fonts/Short.font";

namespace {

u32 typoWidth(u32 c)
{
    if (c == ' ')
        return 3;
    if (c == 'i')
        return 2;
    if (c == 'm')
        return 8;
    return 5;
}

void writeFont(const TempDir& dir, const char* name, const FontWriters::Font& font)
{
    ASSERT_TRUE(dir.makeDir("Common/Fonts"));
    ASSERT_TRUE(FontWriters::writeFile(dir.file(name), FontWriters::font(font)));
}

} // namespace

void TextFonts::SetUp()
{
    FontWriters::Font typo = FontWriters::uniformFont(256, 8, typoWidth);
    typo.glyphs['o'].pixels[2 * 5 + 2] = 0;
    typo.glyphs['o'].pixels[3 * 5 + 2] = 0;
    writeFont(m_dir, "Common/Fonts/Typo1.font", typo);
    writeFont(m_dir, kSmall, FontWriters::uniformFont(100, 5, [](u32 c) -> u32 { return c == ' ' ? 2 : 3; }));
    writeFont(m_dir, kBig, FontWriters::uniformFont(256, 15, [](u32 c) -> u32 { return c == ' ' ? 4 : 6; }));
    writeFont(m_dir, kWide, FontWriters::uniformFont(256, 10, [](u32 c) -> u32 { return c == ' ' ? 4 : 7; }));
    FontWriters::Font shortGlyphs = FontWriters::uniformFont(256, 4, [](u32) -> u32 { return 4; });
    shortGlyphs.characterHeight = 12;
    writeFont(m_dir, kShort, shortGlyphs);
    m_workingDir.reset(new ScopedWorkingDir(m_dir.path()));
    ASSERT_TRUE(m_workingDir->changedTo());
}

void TextFonts::TearDown()
{
    m_workingDir.reset();
}

std::unique_ptr<KyTextNode> TextFonts::parse(const std::string& markup, s32 width, s32 height)
{
    KyString stream(markup.data(), static_cast<u32>(markup.size()));
    KyTextParser parser;
    parser.boxWidth = width;
    parser.boxHeight = height;
    return std::unique_ptr<KyTextNode>(parser.parse(stream));
}

KyIntrusivePtr<KyImg> TextFonts::image(u32 width, u32 height)
{
    KyIntrusivePtr<KyImg> target(new KyImg);
    target->create(0, width, height, KyIntrusivePtr<KyPalette>());
    target->setTransparent(0);
    target->clear(0);
    return target;
}

std::string TextFonts::row(const KyImg& image, u32 y)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (u32 x = 0; x < image.width(); ++x) {
        u8 v = image.pixels()[y * image.width() + x];
        out += v == 0 ? '.' : (v < 16 ? digits[v] : '#');
    }
    return out;
}

std::vector<KyParagraphNode*> TextFonts::paragraphs(KyTextNode& text)
{
    std::vector<KyParagraphNode*> out;
    for (auto* n = text.children.headNode()->next; n != text.children.tailNode(); n = n->next)
        out.push_back(n->value);
    return out;
}

std::vector<KyLineNode*> TextFonts::lines(KyTextNode& text)
{
    std::vector<KyLineNode*> out;
    for (KyParagraphNode* paragraph : paragraphs(text)) {
        for (auto* n = paragraph->children.headNode()->next; n != paragraph->children.tailNode(); n = n->next)
            out.push_back(n->value);
    }
    return out;
}

std::string TextFonts::words(KyLineNode& line)
{
    std::string out;
    for (auto* n = line.children.headNode()->next; n != line.children.tailNode(); n = n->next) {
        if (!out.empty())
            out += ' ';
        KyWordNode* node = n->value;
        if (auto* word = dynamic_cast<KyStringNode*>(node))
            out += word->text.c_str();
        else if (dynamic_cast<KyColorNode*>(node))
            out += "[c]";
        else if (dynamic_cast<KyEndColorNode*>(node))
            out += "[/c]";
        else if (dynamic_cast<KyFontNode*>(node))
            out += "[f]";
        else if (dynamic_cast<KyEndFontNode*>(node))
            out += "[/f]";
        else if (dynamic_cast<KyRefNode*>(node))
            out += "[a]";
        else if (dynamic_cast<KyEndRefNode*>(node))
            out += "[/a]";
    }
    return out;
}

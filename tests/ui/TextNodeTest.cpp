#include "core/KyMap.h"
#include "core/KyString.h"
#include "tests/support/StdoutCapture.h"
#include "ui/KyColorNode.h"
#include "ui/KyEndColorNode.h"
#include "ui/KyEndFontNode.h"
#include "ui/KyEndRefNode.h"
#include "ui/KyFontNode.h"
#include "ui/KyLineNode.h"
#include "ui/KyParagraphNode.h"
#include "ui/KyRefNode.h"
#include "ui/KyStringNode.h"
#include "ui/KyTextDumper.h"
#include "ui/KyTextNode.h"
#include "ui/KyTextToken.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string bytesOf(const KyString& s)
{
    return std::string(s.c_str(), s.length());
}

std::string le32(s32 v)
{
    u32 u = static_cast<u32>(v);
    std::string out;
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((u >> (8 * i)) & 0xFF);
    return out;
}

KyLineNode* sampleLine()
{
    KyLineNode* line = new KyLineNode;
    line->width = 57;
    line->height = 12;
    line->offset = -3;
    line->gapExtra = 2;
    line->gapRemainder = 1;
    KyColorNode* color = new KyColorNode;
    color->color = 9;
    color->bColor = 200;
    line->children.pushBack(color);
    line->children.pushBack(new KyStringNode("Bonjour"));
    line->children.pushBack(new KyEndColorNode);
    KyFontNode* font = new KyFontNode;
    font->fontName = "Fonts/Big.font";
    line->children.pushBack(font);
    KyRefNode* ref = new KyRefNode;
    ref->href = "lien";
    line->children.pushBack(ref);
    line->children.pushBack(new KyStringNode(""));
    line->children.pushBack(new KyEndRefNode);
    line->children.pushBack(new KyEndFontNode);
    return line;
}

// A text of two paragraphs, the second without lines.
KyTextNode* sampleTree()
{
    KyTextNode* text = new KyTextNode;
    text->color = 5;
    text->bColor = 7;
    text->fontName = "Common/Fonts/Other.font";
    text->vAlign = 2;
    text->hAlign = 3;
    text->height = 40;
    text->vOffset = 60;
    KyParagraphNode* first = new KyParagraphNode;
    first->color = 4;
    first->hAlign = 0;
    first->children.pushBack(sampleLine());
    first->children.pushBack(new KyLineNode);
    text->children.pushBack(first);
    KyParagraphNode* empty = new KyParagraphNode;
    empty->fontName = "";
    text->children.pushBack(empty);
    return text;
}

// The dump of a tree, which also shows its whole structure and content.
std::string dump(KyTextTree& tree)
{
    StdoutCapture capture;
    KyTextDumper dumper;
    tree.accept(dumper);
    return capture.text();
}

const char kSampleDump[] = "Text\n"
                           "* Paragraphe\n"
                           "** Ligne\n"
                           "*** Color\n"
                           "*** Word : Bonjour\n"
                           "*** Fin de Color\n"
                           "*** Font : Fonts/Big.font\n"
                           "*** Ref : lien\n"
                           "*** Word : \n"
                           "*** Fin de Ref\n"
                           "*** Fin de Font\n"
                           "** Fin de Ligne\n"
                           "** Ligne\n"
                           "** Fin de Ligne\n"
                           "* Fin de Paragraphe\n"
                           "* Paragraphe\n"
                           "* Fin de Paragraphe\n"
                           "Fin de Text\n";

} // namespace

TEST(TextNode, DefaultsOfEveryNode)
{
    KyTextNode text;
    EXPECT_EQ(text.color, 1);
    EXPECT_EQ(text.bColor, 0);
    EXPECT_EQ(text.fontName, "Common/Fonts/Typo1.font");
    EXPECT_EQ(text.vAlign, 0);
    EXPECT_EQ(text.hAlign, 1);
    KyColorNode color;
    EXPECT_EQ(color.color, 1);
    EXPECT_EQ(color.bColor, 0);
    EXPECT_EQ(KyFontNode().fontName, "Common/Fonts/Typo1.font");
    EXPECT_TRUE(KyRefNode().href.isEmpty());
    for (s32 id = 0; id <= 6; ++id) {
        KyWordNode* node = KyWordNode::create(id);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->typeId(), id);
        delete node;
    }
    EXPECT_EQ(KyWordNode::create(7), nullptr);
    EXPECT_EQ(KyWordNode::create(-1), nullptr);
}

TEST(TextNode, BinaryFormOfWordNodesIsExact)
{
    KyString out;
    out.setTextMode(0);
    KyColorNode color;
    color.color = 9;
    color.bColor = 200;
    color.serialize(out);
    KyStringNode empty;
    empty.serialize(out);
    KyRefNode ref;
    ref.href = "ab";
    ref.serialize(out);
    KyEndRefNode end;
    end.serialize(out);
    std::string expected = le32(0) + "\x09\xC8" + le32(6) + le32(0) + le32(4) + le32(2) + "ab" + le32(5);
    EXPECT_EQ(bytesOf(out), expected);
}

TEST(TextNode, BinaryFormOfAParagraphWithoutLines)
{
    KyString out;
    out.setTextMode(0);
    KyParagraphNode paragraph;
    paragraph.color = 3;
    paragraph.fontName = "f";
    paragraph.hAlign = 2;
    EXPECT_EQ(paragraph.serialize(out), 0u);
    EXPECT_EQ(bytesOf(out), std::string("\x03\x00", 2) + le32(1) + "f" + le32(2) + le32(0));
}

TEST(TextNode, BinaryRoundTripKeepsTheWholeTree)
{
    KyTextNode* tree = sampleTree();
    KyString stream;
    stream.setTextMode(0);
    tree->serialize(stream);
    std::string written = bytesOf(stream);

    stream.seek(0);
    KyTextNode back;
    back.deserialize(stream);
    EXPECT_FALSE(back.readFailed());
    EXPECT_TRUE(stream.eof());
    EXPECT_EQ(back.color, 5);
    EXPECT_EQ(back.bColor, 7);
    EXPECT_EQ(back.fontName, "Common/Fonts/Other.font");
    EXPECT_EQ(back.vAlign, 2);
    EXPECT_EQ(back.hAlign, 3);
    EXPECT_EQ(back.height, 40);
    EXPECT_EQ(back.vOffset, 60);
    KyLineNode* line = back.children.headNode()->next->value->children.headNode()->next->value;
    EXPECT_EQ(line->width, 57);
    EXPECT_EQ(line->height, 12);
    EXPECT_EQ(line->offset, -3);
    EXPECT_EQ(line->gapExtra, 2);
    EXPECT_EQ(line->gapRemainder, 1);
    KyColorNode* color = dynamic_cast<KyColorNode*>(line->children.headNode()->next->value);
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->bColor, 200);
    EXPECT_EQ(dump(back), kSampleDump);

    KyString again;
    again.setTextMode(0);
    back.serialize(again);
    EXPECT_EQ(bytesOf(again), written);
    delete tree;
}

// Written in text mode, numbers are decimal text followed by a space and the
// colour bytes stay raw; the form reads back.
TEST(TextNode, TextFormReadsBack)
{
    KyString out;
    KyColorNode color;
    color.color = '7';
    color.bColor = ' ';
    color.serialize(out);
    KyStringNode word("12 ab");
    word.serialize(out);
    EXPECT_EQ(bytesOf(out), "0 7 6 5 12 ab");

    KyTextNode* tree = sampleTree();
    KyString stream;
    tree->serialize(stream);
    stream.seek(0);
    KyTextNode back;
    back.deserialize(stream);
    EXPECT_FALSE(back.readFailed());
    EXPECT_EQ(dump(back), kSampleDump);
    EXPECT_EQ(back.vOffset, 60);
    delete tree;
}

TEST(TextNode, StringWithANulWritesTheBytesItCounts)
{
    KyStringNode word(KyString("ab\0cd", 5));
    KyString out;
    out.setTextMode(0);
    word.serialize(out);
    EXPECT_EQ(bytesOf(out), le32(6) + le32(2) + "ab");
}

TEST(TextNode, HostileStreamsAreRejected)
{
    KyTextNode* tree = sampleTree();
    KyString good;
    good.setTextMode(0);
    tree->serialize(good);
    std::string bytes = bytesOf(good);
    delete tree;

    // Every truncation fails and leaves no children behind.
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        KyString stream(bytes.data(), static_cast<u32>(cut));
        stream.setTextMode(0);
        KyTextNode back;
        back.deserialize(stream);
        EXPECT_TRUE(back.readFailed()) << cut;
        EXPECT_TRUE(back.children.isEmpty()) << cut;
    }

    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string head = std::string("\x01\x00", 2) + le32(0) + le32(0) + le32(1) + le32(0) + le32(0);
    std::string paragraph = std::string("\x01\x00", 2) + le32(0) + le32(1);
    std::string line = le32(0) + le32(0) + le32(0) + le32(0) + le32(0);
    Case cases[] = {
        {"huge name length", std::string("\x01\x00", 2) + le32(0x7FFFFFFF) + "abc"},
        {"negative name length", std::string("\x01\x00", 2) + le32(-5)},
        {"negative paragraph count", head + le32(-1)},
        {"huge paragraph count", head + le32(0x7FFFFFFF) + paragraph + le32(0)},
        {"huge line count", head + le32(1) + paragraph + le32(0x40000000) + line + le32(0)},
        {"huge word count", head + le32(1) + paragraph + le32(1) + line + le32(2000000000) + le32(1)},
        {"unknown id", head + le32(1) + paragraph + le32(1) + line + le32(1) + le32(7)},
        {"negative id", head + le32(1) + paragraph + le32(1) + line + le32(1) + le32(-1)},
        {"huge word length", head + le32(1) + paragraph + le32(1) + line + le32(1) + le32(6) + le32(0x7FFFFFF0) + "x"},
    };
    for (const Case& c : cases) {
        KyString stream(c.bytes.data(), static_cast<u32>(c.bytes.size()));
        stream.setTextMode(0);
        KyTextNode back;
        back.deserialize(stream);
        EXPECT_TRUE(back.readFailed()) << c.what;
        EXPECT_TRUE(back.children.isEmpty()) << c.what;
    }

    // Text mode: a word id without digits, a sign alone, a number glued to
    // what follows.
    const char* texts[] = {"0 x", "- ", "6 3abc", "6 -3 abc", "6 99 ab"};
    for (const char* t : texts) {
        KyString stream(t);
        s32 id = 0;
        bool ok = KyTextTree::readNumber(stream, id);
        if (ok) {
            KyWordNode* node = KyWordNode::create(id);
            ASSERT_NE(node, nullptr) << t;
            node->deserialize(stream);
            EXPECT_TRUE(node->readFailed()) << t;
            delete node;
        }
    }
    KyString line7("1 2 3 4 5 1 x");
    KyLineNode textLine;
    textLine.deserialize(line7);
    EXPECT_TRUE(textLine.readFailed());
}

TEST(TextNode, ReadingAgainReplacesTheChildren)
{
    KyLineNode* line = sampleLine();
    KyString stream;
    stream.setTextMode(0);
    line->serialize(stream);
    stream.seek(0);
    line->deserialize(stream);
    EXPECT_FALSE(line->readFailed());
    EXPECT_EQ(line->children.count(), 8u);
    delete line;
}

TEST(TextToken, HelpersOfTheTokenizer)
{
    const char* text = " \r\n\tword";
    u32 cursor = 0;
    skipWhitespace(text, cursor);
    EXPECT_EQ(cursor, 3u); // stops on the tab
    cursor = 4;
    skipWhitespace(text, cursor);
    EXPECT_EQ(cursor, 4u);
    const char* blanks = "  ";
    cursor = 0;
    skipWhitespace(blanks, cursor);
    EXPECT_EQ(cursor, 2u); // on the NUL

    KyTextToken token;
    makeString(token, KyTokenAttribute, KyString("color=4"));
    EXPECT_EQ(token.key, 4u);
    EXPECT_EQ(token.value, "color=4");
    EXPECT_NE(token.value.textMode(), 0u);
    makeString(token, KyTokenWord, &"abcdef"[1], 3);
    EXPECT_EQ(token.value, "bcd");

    KyTextTokenList tokens;
    KyTextTokenList::Node* first = tokens.push(token);
    KyTextTokenList::Node* second = tokens.push(makeString(token, KyTokenTagEnd, KyString()));
    EXPECT_EQ(tokens.count(), 2u);
    EXPECT_EQ(first->value.value, "bcd");
    EXPECT_EQ(first->next, second);
    EXPECT_EQ(second->value.key, 3u);
    EXPECT_EQ(second->next, tokens.entries().tailNode());
}

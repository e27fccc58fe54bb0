#include "core/KyXmlDocument.h"

#include "tests/support/CpuTime.h"
#include "tests/support/DamagedText.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using DamagedText::nested;

// Deepest element level of the tree under node (a lone root is 1).
u32 treeDepth(const TiXmlNode* node)
{
    u32 deepest = 0;
    for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        const u32 depth = treeDepth(child) + (child->ToElement() ? 1 : 0);
        if (depth > deepest)
            deepest = depth;
    }
    return deepest;
}

std::string withAttributes(u32 count)
{
    std::string text = "<a";
    for (u32 i = 0; i < count; ++i)
        text += " n" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    return text + "/>";
}

} // namespace

// The measure must read the text exactly as TinyXML does: whatever TinyXML
// takes for text, a comment, a declaration, an attribute value or another
// node hides the markup inside it, and only there.
TEST(XmlDocument, MeasuredDepthIsTheDepthTinyXmlBuilds)
{
    struct Case {
        const char* what;
        std::string text;
        TiXmlEncoding encoding;
        u32 depth;
    };
    const TiXmlEncoding any = TIXML_ENCODING_UNKNOWN;
    const TiXmlEncoding legacy = TIXML_ENCODING_LEGACY;
    const std::vector<Case> cases = {
        {"plain nest", "<a><b><c/></b><b/></a>", any, 3},
        {"declaration ends at its first >", "<?xml><a><b></b></a>?>", any, 2},
        {"quoted > inside the declaration's version", "<?xml version='><q><q>'?><a/>", any, 1},
        {"unknown <? node ends at its first >, quoted or not", "<?php echo '?>'; ?><a><b/></a>", any, 0},
        {"comment hides tags", "<a><!-- <b><c> --><d/></a>", any, 2},
        {"CDATA hides tags", "<a><![CDATA[<b><c>]]><d><e/></d></a>", any, 3},
        {"DOCTYPE ends at the first >", "<!DOCTYPE a [<!ELEMENT b>]><a/>", any, 0},
        {"quoted attribute values", "<a x='<b>' y=\"></a><c>\"><d/></a>", any, 2},
        {"unquoted value ends at / and >", "<a x=1/><b y=2><c/></b>", any, 2},
        {"end tag with white space", "<a><b></b  ><c><d/></c></a >", any, 3},
        {"mismatched end tag stops", "<a><b></c><d><e><f/></e></d></b></a>", any, 2},
        {"end tag is a prefix only", "<a><b></bb><c><d/></c></b></a>", any, 2},
        {"duplicate attribute stops", "<a><b x='1' x='2'><c><d/></c></b></a>", any, 2},
        {"top-level close tag is an unknown node", "</x><a><b/></a>", any, 2},
        {"text outside the elements ends the document", "<a/>text<b><c/></b>", any, 1},
        {"top-level CDATA is a node and the document goes on", "<![CDATA[x]]><a><b/></a>", any, 2},
        {"bad first name character: an unknown node", "<a><1b><c/></1b></a>", any, 2},
        {"UTF-8 character swallows markup", "<?xml?><r>\xF0<a \"<b><b></b></b></r>", any, 3},
        {"same bytes in legacy text", "<r>\xF0<a \"<b><b></b></b></r>", any, 2},
        {"encoding named through an entity", "<?xml encoding=\"&#85;TF-8\"?><r>\xF0<a \"<b/></r>", any, 2},
        {"other encoding stays bytewise", "<?xml encoding='latin1'?><r>\xF0<a \"<b/></r>", any, 2},
        {"byte order mark selects UTF-8", "\xEF\xBB\xBF<r>\xE2<a<b/></r>", any, 2},
        {"UTF-8 in a quoted value", "<?xml?><a b=\"\xF0\"><c d=\"><e><e/></e></a>", any, 3},
        {"entity swallows markup", "<r>&#x<b>x;<c/></r>", any, 2},
        {"entity in a value", "<r a=\"&#x\">x;\"><b/></r>", any, 2},
        {"legacy given", "<r>\xF0<a \"<b/></r>", legacy, 2},
        {"name with UTF-8 bytes", "<\xC3\xA9t\xC3\xA9><b/></\xC3\xA9t\xC3\xA9>", any, 2},
        {"underscore and colon names", "<_a><x:b><c.d-e/></x:b></_a>", any, 3},
        {"comment never closed", "<a><!-- <b>", any, 1},
        {"unterminated CDATA", "<a><![CDATA[<b><c>", any, 1},
        {"declaration inside an element", "<a><?xml x><b/></a>", any, 2},
        {"element cut inside its attributes", "<a><b c='1' d", any, 2},
        {"empty", "", any, 0},
        {"white space only", " \n\t ", any, 0},
    };
    for (const Case& c : cases) {
        const KyXmlDocument::Extent extent = KyXmlDocument::measure(c.text.c_str(), c.encoding);
        TiXmlDocument parsed;
        parsed.Parse(c.text.c_str(), nullptr, c.encoding);
        EXPECT_EQ(extent.depth, treeDepth(&parsed)) << c.what;
        EXPECT_EQ(extent.depth, c.depth) << c.what;
        EXPECT_FALSE(extent.refused) << c.what;
    }
}

TEST(XmlDocument, DeepOrCrowdedTextIsRefusedBeforeParsing)
{
    struct Case {
        std::string text;
        bool refused;
        const char* error;
        int row;
        int column;
    };
    const std::string deep = "<?xml>" + nested("<a>", "</a>", 40000);
    const std::vector<Case> cases = {
        {deep, true, "Elements nested too deeply.", 1, 7 + 3 * 1000},
        {"<![CDATA[]]>" + nested("<a>", "</a>", 40000), true, "Elements nested too deeply.", 1, 13 + 3 * 1000},
        {nested("<a>\n", "</a>", 1001), true, "Elements nested too deeply.", 1001, 1},
        {nested("<a>", "</a>", 1000), false, "", 0, 0},
        {nested("<a x='1'/>", "", 5000) + "<b/>", false, "Error document empty.", 0, 0},
        {"<r>\n  " + withAttributes(257) + "</r>", true, "Too many attributes on one element.", 2, 3},
        {"<r>" + withAttributes(256) + "</r>", false, "", 0, 0},
    };
    for (const Case& c : cases) {
        KyXmlDocument document;
        const bool parsed = document.parse(c.text.c_str());
        EXPECT_EQ(document.refused(), c.refused) << c.text.substr(0, 40);
        if (c.refused) {
            EXPECT_FALSE(parsed);
            EXPECT_TRUE(document.Error());
            EXPECT_EQ(document.FirstChild(), nullptr);
            EXPECT_STREQ(document.errorText(), c.error);
            EXPECT_EQ(document.errorRow(), c.row);
            EXPECT_EQ(document.errorColumn(), c.column);
        }
    }

    // Sibling elements do not add up, however many.
    KyXmlDocument siblings;
    EXPECT_TRUE(siblings.parse(("<r>" + nested("<a x='1'/>", "", 5000) + "</r>").c_str()));
    EXPECT_EQ(KyXmlDocument::measure(deep.c_str()).depth, KyXmlDocument::kMaxDepth + 1);
}

TEST(XmlDocument, NestsAtTheLimitParseWellUnderASecond)
{
    // TinyXML walks the parent chain of every node it reads: time grows with
    // the depth times the size.
    std::string text;
    for (u32 i = 0; i < 20; ++i)
        text += nested("<abc>", "</abc>", KyXmlDocument::kMaxDepth - 1);
    text = "<r>" + text + "</r>";
    const double start = threadCpuSeconds();
    KyXmlDocument document;
    EXPECT_TRUE(document.parse(text.c_str()));
    const double seconds = threadCpuSeconds() - start;
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(treeDepth(&document), KyXmlDocument::kMaxDepth);
}

TEST(XmlDocument, FilesReadAsTinyXmlReadsThem)
{
    TempDir dir;
    struct Case {
        const char* what;
        std::string bytes;
        bool loads;
        int errorId;
        int row;
    };
    const std::vector<Case> cases = {
        // CR LF and lone CR count as one line each; the error is on row 4.
        {"line ends", "<a>\r\n<b>\r<c>\n</b>", false, TiXmlBase::TIXML_ERROR_READING_END_TAG, 4},
        {"text ends at a NUL byte", std::string("<a/>\0<b", 7), true, 0, 0},
        {"empty file", "", false, TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY, 0},
        {"cut UTF-8 character at the end", "<?xml?><a>\xF0", false, TiXmlBase::TIXML_ERROR_READING_ELEMENT_VALUE, 0},
        {"refused", "<?xml>" + nested("<a>", "</a>", 2000), false, TiXmlBase::TIXML_ERROR_PARSING_ELEMENT, 1},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(dir.writeFile("a.xml", c.bytes));
        KyXmlDocument document;
        EXPECT_EQ(document.loadFile(KyString(dir.file("a.xml").c_str())), c.loads) << c.what;
        EXPECT_EQ(document.ErrorId(), c.errorId) << c.what << ": " << document.errorText();
        if (c.row) {
            EXPECT_EQ(document.errorRow(), c.row) << c.what;
        }
    }

    // A folder or a missing file is no file; nothing stays of a former load.
    ASSERT_TRUE(dir.makeDir("folder.xml"));
    KyXmlDocument document;
    ASSERT_TRUE(dir.writeFile("b.xml", "<b/>"));
    ASSERT_TRUE(document.loadFile(KyString(dir.file("b.xml").c_str())));
    EXPECT_STREQ(document.Value(), dir.file("b.xml").c_str());
    for (const char* name : {"folder.xml", "none.xml"}) {
        EXPECT_FALSE(document.loadFile(KyString(dir.file(name).c_str())));
        EXPECT_EQ(document.ErrorId(), TiXmlBase::TIXML_ERROR_OPENING_FILE);
        EXPECT_EQ(document.FirstChild(), nullptr);
    }
    // A parse after a refusal starts clean.
    EXPECT_FALSE(document.parse(nested("<a>", "</a>", 1001).c_str()));
    EXPECT_TRUE(document.parse("<a><b/></a>"));
    EXPECT_FALSE(document.refused());
    EXPECT_FALSE(document.Error());
    EXPECT_EQ(treeDepth(&document), 2u);
}

TEST(XmlDocument, TextEndsAtItsNulEvenInsideAMultiByteCharacter)
{
    // In UTF-8 TinyXML steps over a whole character from its lead byte
    // (0xEF: three bytes), past the NUL that ends the text here, and reads
    // on into whatever follows in memory.
    const char buffer[] = "<?xml?><a b=\"\xEF^\0\"><c/></a>";
    TiXmlDocument alone;
    alone.Parse(buffer);
    ASSERT_FALSE(alone.Error());
    ASSERT_EQ(treeDepth(&alone), 2u);

    // Through KyXmlDocument the text ends at its NUL, spare NUL bytes
    // follow it, and the parse stops there.
    KyXmlDocument document;
    EXPECT_FALSE(document.parse(buffer));
    EXPECT_FALSE(document.refused());
    EXPECT_EQ(treeDepth(&document), 1u);

    // The same from a file (the bytes after the NUL are never read), and
    // the fuzzer's case: a value cut after a lead byte in a whole screen.
    TempDir dir;
    const char screen[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<menu><sfx name=\"s\" "
                          "file=\"a.wav\xb3\xef^\0Pa\0\0\"/><value name=\"v\" value=\"1\"/></menu>";
    const std::pair<std::string, u32> files[] = {{std::string(buffer, sizeof(buffer) - 1), 1},
                                                 {std::string(screen, sizeof(screen) - 1), 2}};
    for (const auto& file : files) {
        ASSERT_TRUE(dir.writeFile("cut.xml", file.first));
        EXPECT_FALSE(document.loadFile(KyString(dir.file("cut.xml").c_str())));
        // Nothing after the cut: the element cut inside its attributes is
        // the deepest.
        EXPECT_EQ(treeDepth(&document), file.second);
    }
}

// TinyXML reads these as documents (the cut ones as smaller documents than
// they were); they are not XML and are refused, with where they stop being
// it. Their neighbours that are XML still read.
TEST(XmlDocument, TextThatIsNotXmlIsRefusedWhereItStopsBeingXml)
{
    struct Case {
        std::string text;
        const char* error;  // null: the text reads
        int row;
        int column;
    };
    const std::string declaration = "<?xml version=\"1.0\"?>\n";
    const std::vector<Case> cases = {
        {"<?xml v", "Not well-formed: declaration without its end.", 1, 1},
        {"<?xml version=\"1.0\"", "Not well-formed: declaration without its end.", 1, 1},
        // Written back between double quotes, the value would end early.
        {"<?xmlencoding='\">'?><a/>", "Not well-formed: declaration value that is not a name.", 1, 1},
        {"<a/><?xml version='1\"'?>", "Not well-formed: declaration value that is not a name.", 1, 5},
        {declaration, "Not well-formed: no element.", 1, 1},
        {declaration + "<!-- the adverts of the", "Not well-formed: comment without its end.", 2, 1},
        {declaration + "<!-->", "Not well-formed: comment without its end.", 2, 1},
        {declaration + "<![CDATA[x]]><a/>", "Not well-formed: text outside the elements.", 2, 1},
        {"<a/>\n<!DOCTYPE a", "Not well-formed: markup without its end.", 2, 1},
        {"<a/> tail <b/>", "Not well-formed: text outside the elements.", 1, 6},
        {"<WarpName name=\"a.wp\"/><Inventory><=/></Inventory>", "Not well-formed: '<' that starts no markup.",
         1, 35},
        {"<a>< b/></a>", "Not well-formed: '<' that starts no markup.", 1, 4},
        // Read a byte at a time; written back quoted, the lone lead byte
        // swallowed the closing quote and the file no longer read.
        {declaration + "<a b=\xe9 />", "Not well-formed: attribute value without quotes.", 2, 4},
        {"<a b='1'><c d=/></a>", "Not well-formed: attribute value without quotes.", 1, 13},
        {"<a><![CDATA[x]]><!-- c --><?pi x?><b/></a>", nullptr, 0, 0},
        {declaration + "<!DOCTYPE advert>\n<!-- c -->\n<a/><b/>\n", nullptr, 0, 0},
        {"\xef\xbb\xbf<a/>", nullptr, 0, 0},
    };
    for (const Case& c : cases) {
        KyXmlDocument document;
        const bool parsed = document.parse(c.text.c_str());
        if (!c.error) {
            EXPECT_TRUE(parsed) << c.text << ": " << document.errorText();
            continue;
        }
        EXPECT_FALSE(parsed) << c.text;
        EXPECT_TRUE(document.refused()) << c.text;
        EXPECT_EQ(document.FirstChild(), nullptr) << c.text;
        EXPECT_STREQ(document.errorText(), c.error) << c.text;
        EXPECT_EQ(document.errorRow(), c.row) << c.text;
        EXPECT_EQ(document.errorColumn(), c.column) << c.text;
    }
}

TEST(XmlDocument, AFileLargerThanAskedIsNotRead)
{
    TempDir dir;
    ASSERT_TRUE(dir.writeFile("a.xml", "<a>" + std::string(1000, ' ') + "</a>"));
    KyXmlDocument document;
    EXPECT_FALSE(document.loadFile(KyString(dir.file("a.xml").c_str()), TIXML_DEFAULT_ENCODING, 1006));
    EXPECT_TRUE(document.refused());
    EXPECT_STREQ(document.errorText(), "File too large.");
    EXPECT_TRUE(document.loadFile(KyString(dir.file("a.xml").c_str()), TIXML_DEFAULT_ENCODING, 1007));
}

#include "core/KyString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

TEST(String, DefaultIsEmptyWithoutBufferAndCStrNeverNull)
{
    KyString s;
    ASSERT_NE(s.c_str(), nullptr);
    EXPECT_STREQ(s.c_str(), "");
    EXPECT_EQ(s.length(), 0u);
    EXPECT_EQ(s.capacity(), 0u);
    EXPECT_EQ(s.textMode(), 1u);
    EXPECT_EQ(s.tell(), 0u);
    EXPECT_TRUE(s.eof());
}

TEST(String, Constructors)
{
    KyString a("abc");
    EXPECT_STREQ(a.c_str(), "abc");
    EXPECT_EQ(a.capacity(), 3u);
    EXPECT_EQ(a.textMode(), 1u);

    KyString null(static_cast<const char*>(nullptr));
    EXPECT_STREQ(null.c_str(), "");
    EXPECT_EQ(null.textMode(), 0u);

    KyString nullBytes(nullptr, 4);
    EXPECT_EQ(nullBytes.length(), 0u);
    EXPECT_EQ(nullBytes.textMode(), 0u);

    KyString bytes("a\0b", 3);
    EXPECT_EQ(bytes.length(), 3u);
    EXPECT_EQ(bytes.at(2), 'b');
    EXPECT_EQ(bytes.at(3), 0);

    KyString empty("");
    EXPECT_EQ(empty.capacity(), 0u);
    EXPECT_STREQ(empty.c_str(), "");

    EXPECT_STREQ(KyString(-42).c_str(), "-42");
    KyString five(5);
    EXPECT_STREQ(five.c_str(), "5");
    EXPECT_EQ(five.tell(), 0u);

    KyString copy(a);
    EXPECT_STREQ(copy.c_str(), "abc");
    EXPECT_NE(copy.c_str(), a.c_str());

    // A copy is always in text mode, whatever the source.
    KyString nullCopy(null);
    EXPECT_EQ(nullCopy.textMode(), 1u);
}

TEST(String, CapacityGrowsExactly)
{
    KyString s;
    s += 'a';
    EXPECT_EQ(s.capacity(), 2u);
    s += 'b';
    EXPECT_EQ(s.capacity(), 3u);
    s += 'c';
    EXPECT_EQ(s.capacity(), 4u);
    EXPECT_STREQ(s.c_str(), "abc");

    s += "de";
    EXPECT_EQ(s.capacity(), 5u);
    s += "";
    EXPECT_EQ(s.capacity(), 5u);
    s += KyString("fgh");
    EXPECT_EQ(s.capacity(), 8u);
    EXPECT_STREQ(s.c_str(), "abcdefgh");

    // The buffer never shrinks.
    s = "x";
    EXPECT_EQ(s.capacity(), 8u);
    EXPECT_EQ(s.length(), 1u);
    s.reserve(4);
    EXPECT_EQ(s.capacity(), 8u);
    s.reserve(20);
    EXPECT_EQ(s.capacity(), 20u);
    EXPECT_STREQ(s.c_str(), "x");
}

TEST(String, AssignmentResetsPositionAndIgnoresNull)
{
    KyString s("hello");
    s.seek(3);
    s = "ab";
    EXPECT_STREQ(s.c_str(), "ab");
    EXPECT_EQ(s.tell(), 0u);

    s.seek(1);
    s = static_cast<const char*>(nullptr);
    EXPECT_STREQ(s.c_str(), "ab");
    EXPECT_EQ(s.tell(), 1u);

    KyString other("xyz");
    s = other;
    EXPECT_STREQ(s.c_str(), "xyz");
    EXPECT_EQ(s.tell(), 0u);

    s = KyString();
    EXPECT_STREQ(s.c_str(), "");
    EXPECT_EQ(s.length(), 0u);

    KyString t("keep");
    t.seek(2);
    KyString& self = t;
    t = self;
    EXPECT_STREQ(t.c_str(), "keep");
    EXPECT_EQ(t.tell(), 2u);

    t = t.c_str() + 1;
    EXPECT_STREQ(t.c_str(), "eep");
}

TEST(String, AppendingItselfCopiesBeforeGrowing)
{
    KyString s("abc");
    s += s;
    EXPECT_STREQ(s.c_str(), "abcabc");
    EXPECT_EQ(s.length(), 6u);

    KyString t("xyz");
    t += t.c_str();
    EXPECT_STREQ(t.c_str(), "xyzxyz");

    KyString u("hello");
    u += u.c_str() + 3;
    EXPECT_STREQ(u.c_str(), "hellolo");

    KyString v("ab");
    v.assign(v.c_str() + 1, 1);
    EXPECT_STREQ(v.c_str(), "b");

    KyString w("ext");
    w.setExtension(w);
    EXPECT_STREQ(w.c_str(), "ext.ext");

    // The stream write from the string's own text, growing the buffer.
    KyString x("abcd");
    x.seek(4);
    x.write(x.c_str() + 1, 3);
    EXPECT_STREQ(x.c_str(), "abcdbcd");
    x << x.c_str();
    EXPECT_STREQ(x.c_str(), "abcdbcdabcdbcd");
}

TEST(String, FileNameAndExtension)
{
    EXPECT_STREQ(KyString("a\\b:c").getFileName(), "c");
    EXPECT_STREQ(KyString("dir/x.png").getFileName(), "x.png");
    EXPECT_STREQ(KyString("name").getFileName(), "name");
    EXPECT_STREQ(KyString().getFileName(), "");

    EXPECT_STREQ(KyString("a.b").getExtension(), "b");
    EXPECT_STREQ(KyString(".ab").getExtension(), "");
    EXPECT_STREQ(KyString("ab").getExtension(), "");
    EXPECT_STREQ(KyString("ab.").getExtension(), "");
    EXPECT_STREQ(KyString("x.tar.gz").getExtension(), "gz");
    EXPECT_STREQ(KyString().getExtension(), "");
}

TEST(String, RemoveParts)
{
    KyString s("dir.d/file");
    s.removeExtension();
    EXPECT_STREQ(s.c_str(), "dir");

    KyString noExt("noext");
    noExt.removeExtension();
    EXPECT_STREQ(noExt.c_str(), "noext");

    KyString d("c:/a/b.png");
    d.removeDirectory();
    EXPECT_STREQ(d.c_str(), "b.png");
    KyString name("name");
    name.removeDirectory();
    EXPECT_STREQ(name.c_str(), "name");

    KyString f("GUI/sub\\MainMenu.lua");
    f.removeFileName();
    EXPECT_STREQ(f.c_str(), "GUI/sub\\");

    // Without any separator nothing of the text is a folder.
    KyString bare("file.txt");
    bare.removeFileName();
    EXPECT_STREQ(bare.c_str(), "");
    EXPECT_EQ(bare.length(), 0u);

    KyString none;
    none.removeFileName();
    none.removeDirectory();
    none.removeExtension();
    EXPECT_STREQ(none.c_str(), "");

    KyString e("pic.jpg");
    e.setExtension("png");
    EXPECT_STREQ(e.c_str(), "pic.png");
    KyString n("pic");
    n.setExtension("png");
    EXPECT_STREQ(n.c_str(), "pic.png");
}

TEST(String, CaseIsAsciiOnly)
{
    KyString s("AbC-z\xC9");
    KyString lower = s.toLower();
    EXPECT_STREQ(lower.c_str(), "abc-z\xC9");
    EXPECT_EQ(lower.capacity(), lower.length());
    EXPECT_STREQ(s.toUpper().c_str(), "ABC-Z\xC9");
    EXPECT_STREQ(s.c_str(), "AbC-z\xC9");
    s.makeUpper();
    EXPECT_STREQ(s.c_str(), "ABC-Z\xC9");
    s.makeLower();
    EXPECT_STREQ(s.c_str(), "abc-z\xC9");
}

TEST(String, ExtractAndSubstr)
{
    KyString s("abcdef");
    EXPECT_STREQ(s.extract(1, 3).c_str(), "bcd");
    EXPECT_STREQ(s.extract(4, 99).c_str(), "ef");
    EXPECT_STREQ(KyString("abc").extract(9, 12).c_str(), "");
    EXPECT_STREQ(s.extract(3, 2).c_str(), "");
    EXPECT_STREQ(s.extract(0, 0xFFFFFFFFu).c_str(), "abcdef");
    EXPECT_STREQ(KyString().extract(0, 3).c_str(), "");

    KyString tail = s.substr(2, 100);
    EXPECT_STREQ(tail.c_str(), "cdef");
    EXPECT_EQ(tail.capacity(), 4u);
    EXPECT_EQ(tail.tell(), 0u);
    EXPECT_STREQ(s.substr(0, 2).c_str(), "ab");
    EXPECT_STREQ(s.substr(6, 3).c_str(), "");
    EXPECT_STREQ(s.substr(2, 0xFFFFFFFFu).c_str(), "cdef");
    // Past the end gives "" instead of reading outside the text.
    EXPECT_STREQ(s.substr(50, 2).c_str(), "");
    EXPECT_STREQ(KyString().substr(0, 2).c_str(), "");
}

TEST(String, FindAtCompare)
{
    KyString s("hello world");
    u32 offset = 99;
    EXPECT_TRUE(s.find("world", &offset));
    EXPECT_EQ(offset, 6u);
    offset = 99;
    EXPECT_FALSE(s.find("xyz", &offset));
    EXPECT_EQ(offset, 99u);
    EXPECT_TRUE(s.find("o"));
    EXPECT_FALSE(KyString().find("a"));

    EXPECT_EQ(s.at(0), 'h');
    EXPECT_EQ(s.at(11), 0);
    EXPECT_EQ(s.compareN("help", 3), 0);
    EXPECT_LT(s.compareN("help", 4), 0);
}

TEST(String, Comparisons)
{
    EXPECT_TRUE(KyString("abc") < KyString("abd"));
    EXPECT_TRUE(KyString("ab") < KyString("abc"));
    EXPECT_FALSE(KyString("abc") < KyString("ab"));
    EXPECT_FALSE(KyString("\xE9") < KyString("z")); // bytes compare unsigned

    EXPECT_TRUE(KyString("a") == KyString("a"));
    EXPECT_TRUE("a" == KyString("a"));
    EXPECT_TRUE(KyString("a") == "a");
    EXPECT_TRUE(KyString() == "");
    EXPECT_TRUE(KyString("A") != KyString("a"));
    EXPECT_TRUE("b" != KyString("a"));
    EXPECT_FALSE(KyString("a") != "a");

    // Equal texts up to the first NUL, different lengths.
    KyString embedded("a\0b", 3);
    EXPECT_TRUE(embedded == KyString("a"));
    EXPECT_TRUE(embedded != KyString("a"));

    KyString sum = KyString("ab") + KyString("cd");
    EXPECT_STREQ(sum.c_str(), "abcd");
    EXPECT_EQ(sum.capacity(), 4u);
}

TEST(String, FormatReplacesTextAtAnyLength)
{
    KyString s("old text");
    s.format("%d", 5);
    EXPECT_STREQ(s.c_str(), "5");
    EXPECT_EQ(s.capacity(), 1u);

    std::string big(5000, 'x');
    s.format("<%s>", big.c_str());
    EXPECT_EQ(s.length(), 5002u);
    EXPECT_EQ(std::string(s.c_str()), "<" + big + ">");

    s.format("%s", "");
    EXPECT_STREQ(s.c_str(), "");
    EXPECT_EQ(s.capacity(), 0u);

    // Formatting from the string's own text.
    KyString self("abc");
    self.format("%s-%s", self.c_str(), self.c_str());
    EXPECT_STREQ(self.c_str(), "abc-abc");

    s.format("%u %d", 4000000000u, -2147483647 - 1);
    EXPECT_STREQ(s.c_str(), "4000000000 -2147483648");

    // The position ends after the output: stream writes append.
    s.format("x=%d", 5);
    s << 7;
    EXPECT_STREQ(s.c_str(), "x=57");
}

TEST(String, StreamWriteReadSeek)
{
    KyString s("abcdef");
    EXPECT_EQ(s.write("XY", 2), 2u);
    EXPECT_STREQ(s.c_str(), "XYcdef");
    EXPECT_EQ(s.length(), 6u);
    EXPECT_EQ(s.tell(), 2u);

    EXPECT_TRUE(s.seek(5));
    s.write("123", 3);
    EXPECT_STREQ(s.c_str(), "XYcde123");
    EXPECT_EQ(s.length(), 8u);
    EXPECT_EQ(s.capacity(), 8u);

    EXPECT_TRUE(s.seek(8));
    EXPECT_TRUE(s.eof());
    EXPECT_FALSE(s.seek(9));
    EXPECT_EQ(s.tell(), 8u);

    s.seek(6);
    char out[8] = {};
    EXPECT_EQ(s.read(out, 8), 2u);
    EXPECT_STREQ(out, "23");
    EXPECT_EQ(s.read(out, 8), 0u);

    // Writing into an empty string replaces its text.
    KyString e;
    e.write("a\0b", 3);
    EXPECT_EQ(e.length(), 3u);
    EXPECT_EQ(e.tell(), 3u);
    EXPECT_EQ(std::memcmp(e.c_str(), "a\0b", 4), 0);
}

// Every read length from 0 to past the short-copy size, from every position
// of a text holding NULs and high bytes, against the same bytes taken
// directly: count, bytes, position, and nothing written past the count.
TEST(String, ReadsOfEveryLengthFromEveryPosition)
{
    std::string bytes;
    for (int i = 0; i < 70; ++i)
        bytes += static_cast<char>(i * 37 % 256);
    KyString s(bytes.data(), static_cast<u32>(bytes.size()));
    for (u32 from = 0; from <= bytes.size(); ++from) {
        for (u32 n = 0; n <= 40; ++n) {
            ASSERT_TRUE(s.seek(from));
            char out[48];
            std::memset(out, 0x5A, sizeof out);
            const u32 expected = std::min<u32>(n, static_cast<u32>(bytes.size()) - from);
            ASSERT_EQ(s.read(out, n), expected) << from << " " << n;
            EXPECT_EQ(std::string(out, expected), bytes.substr(from, expected)) << from << " " << n;
            EXPECT_EQ(out[expected], 0x5A) << from << " " << n;
            EXPECT_EQ(s.tell(), from + expected);
        }
    }

    // A text cut in place behind the position reads nothing and keeps it.
    KyString cut("name.extension");
    cut.seek(10);
    cut.removeExtension();
    char out[4];
    EXPECT_EQ(cut.read(out, 4), 0u);
    EXPECT_EQ(cut.tell(), 10u);
    EXPECT_TRUE(cut.eof());
}

TEST(String, ExtractLeavesOneSpareCharacterLikeItsAppends)
{
    const KyString s("abcdef");
    struct Case {
        u32 first, last;
        const char* text;
        u32 capacity;
    } cases[] = {
        {1, 3, "bcd", 4}, {4, 99, "ef", 3}, {0, 0xFFFFFFFFu, "abcdef", 7}, {5, 5, "f", 2},
        {6, 9, "", 0}, {3, 2, "", 0},
    };
    for (const Case& c : cases) {
        const KyString part = s.extract(c.first, c.last);
        EXPECT_STREQ(part.c_str(), c.text) << c.first << "," << c.last;
        EXPECT_EQ(part.capacity(), c.capacity) << c.first << "," << c.last;
        EXPECT_EQ(part.tell(), 0u);
    }
}

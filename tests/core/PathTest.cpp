#include "core/KyPath.h"

#include <gtest/gtest.h>

TEST(Path, ConstructorsNormalise)
{
    EXPECT_STREQ(KyPath("a\\b//c").c_str(), "a/b/c");
    EXPECT_STREQ(KyPath("a\\\\b").c_str(), "a/b");
    EXPECT_STREQ(KyPath("a/").c_str(), "a/");
    KyPath trailing("a///");
    EXPECT_STREQ(trailing.c_str(), "a/");
    EXPECT_EQ(trailing.length(), 2u);
    EXPECT_STREQ(KyPath("//x").c_str(), "//x");
    EXPECT_STREQ(KyPath("\\\\x").c_str(), "\\/x");
    EXPECT_STREQ(KyPath(KyString("a\\b")).c_str(), "a/b");
    EXPECT_STREQ(KyPath(KyString("a\\/\\b\\")).c_str(), "a/b/");
    EXPECT_STREQ(KyPath(static_cast<const char*>(nullptr)).c_str(), "");
    EXPECT_STREQ(KyPath("").c_str(), "");
    EXPECT_STREQ(KyPath("/").c_str(), "/");

    // The text ends at its first NUL.
    KyPath cut(KyString("ab\0cd", 5));
    EXPECT_EQ(cut.length(), 2u);
}

TEST(Path, AppendsNormaliseAssignmentsDoNot)
{
    KyPath p("a/");
    p += "\\b";
    EXPECT_STREQ(p.c_str(), "a/b");
    p += '\\';
    EXPECT_STREQ(p.c_str(), "a/b/");
    p += '/';
    EXPECT_STREQ(p.c_str(), "a/b/");
    p += KyString("\\\\c");
    EXPECT_STREQ(p.c_str(), "a/b/c");

    // Through a string reference the path's appends still apply.
    KyString& asString = p;
    asString += "//d";
    EXPECT_STREQ(p.c_str(), "a/b/c/d");

    KyPath q;
    q = "a\\b";
    EXPECT_STREQ(q.c_str(), "a\\b");
    q = KyString("c\\d");
    EXPECT_STREQ(q.c_str(), "c\\d");
    KyPath copy(q);
    EXPECT_STREQ(copy.c_str(), "c\\d");

    q.assign(KyString("e\\\\f"));
    EXPECT_STREQ(q.c_str(), "e/f");
    EXPECT_EQ(q.tell(), 0u);
}

TEST(Path, StreamWriteNormalisesAndKeepsPositionInside)
{
    KyPath p("a");
    p.seek(1);
    p.write("\\\\b", 3);
    EXPECT_STREQ(p.c_str(), "a/b");
    EXPECT_LE(p.tell(), p.length());
    p.write("c", 1);
    EXPECT_STREQ(p.c_str(), "a/bc");

    KyPath s;
    s << "x\\" << "\\y";
    EXPECT_STREQ(s.c_str(), "x/y");
}

TEST(Path, FileNameDirectoryExtension)
{
    KyPath p("x/y/z.png");
    EXPECT_STREQ(p.directory().c_str(), "x/y/");
    EXPECT_STREQ(p.fileName().c_str(), "z.png");
    EXPECT_STREQ(p.extension().c_str(), "png");

    KyPath bare("z.png");
    EXPECT_STREQ(bare.directory().c_str(), "");
    EXPECT_STREQ(bare.fileName().c_str(), "z.png");

    EXPECT_STREQ(KyPath("GUI/MainMenu.lua").fileName().c_str(), "MainMenu.lua");
    EXPECT_STREQ(KyPath("GUI/MainMenu.lua").directory().c_str(), "GUI/");
    EXPECT_STREQ(KyPath("c:x").fileName().c_str(), "x");
    EXPECT_STREQ(KyPath().fileName().c_str(), "");
    EXPECT_STREQ(KyPath().directory().c_str(), "");
    EXPECT_STREQ(KyPath("dir/").fileName().c_str(), "");
    EXPECT_STREQ(KyPath("dir/").directory().c_str(), "dir/");

    EXPECT_STREQ(KyPath("a.b/c").extension().c_str(), "b/c");
    EXPECT_STREQ(KyPath("noext").extension().c_str(), "");
    EXPECT_STREQ(KyPath(".rc").extension().c_str(), "rc");
    EXPECT_STREQ(KyPath("a.").extension().c_str(), "");
}

TEST(Path, ChangeExtension)
{
    KyPath p("img/a.b.jpg");
    p.removeExtension();
    EXPECT_STREQ(p.c_str(), "img/a.b");
    p.setExtension("png");
    EXPECT_STREQ(p.c_str(), "img/a.png");

    KyPath q("img/pic");
    q.setExtension("Pltt");
    EXPECT_STREQ(q.c_str(), "img/pic.Pltt");

    // The appended extension is normalised with the rest.
    KyPath r("a.x");
    r.setExtension("b\\\\c");
    EXPECT_STREQ(r.c_str(), "a.b/c");

    KyString& asString = r;
    asString.setExtension("d");
    EXPECT_STREQ(r.c_str(), "a.d");
}

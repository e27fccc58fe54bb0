#include "core/KyIntrusivePtr.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "platform/KyFont.h"
#include "platform/KyImg.h"
#include "tools/content/FontWriters.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

u32 steppedWidth(u32 c)
{
    return c % 4 + 1;
}

// A font of count glyphs 6 high, glyph c being c % 4 + 1 wide.
FontWriters::Font stepped(u32 count)
{
    FontWriters::Font font = FontWriters::uniformFont(count, 6, steppedWidth);
    font.secondHeaderByte = 0x5A;
    return font;
}

KyIntrusivePtr<KyFont> loadFont(const TempDir& dir, const std::string& name, const FontWriters::Bytes& bytes)
{
    EXPECT_TRUE(FontWriters::writeFile(dir.file(name), bytes));
    KyIntrusivePtr<KyFont> font(new KyFont);
    font->load(dir.file(name).c_str());
    return font;
}

size_t occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(Font, LoadsHeaderPaletteAndGlyphs)
{
    TempDir dir;
    KyIntrusivePtr<KyFont> font = loadFont(dir, "a.font", FontWriters::font(stepped(256)));
    EXPECT_EQ(font->glyphCount(), 256);
    EXPECT_EQ(font->loadedGlyphs(), 256u);
    EXPECT_EQ(font->characterHeight(), 6);
    EXPECT_EQ(font->secondHeaderByte(), 0x5A);
    EXPECT_EQ(font->spacing(), 1);
    EXPECT_EQ(font->lineSpacing(), 0);
    EXPECT_EQ(font->path(), dir.file("a.font").c_str());
    ASSERT_NE(font->palette(), nullptr);
    for (u32 c = 0; c < 256; ++c) {
        EXPECT_EQ(font->glyphWidth(static_cast<u8>(c)), c % 4 + 1);
        ASSERT_NE(font->glyph(static_cast<u8>(c)), nullptr);
        EXPECT_EQ(font->glyph(static_cast<u8>(c))->palette(), font->palette());
    }
}

TEST(Font, EmptyMissingAndReloadedFonts)
{
    TempDir dir;
    KyIntrusivePtr<KyFont> font = loadFont(dir, "none.font", FontWriters::font(stepped(0)));
    EXPECT_EQ(font->loadedGlyphs(), 0u);
    EXPECT_NE(font->palette(), nullptr);
    EXPECT_EQ(font->glyphWidth('a'), 0u);

    // Every load resets the spacing; the line spacing stays.
    font->setSpacing(4);
    font->setLineSpacing(3);
    {
        StdoutCapture capture;
        font->load(dir.file("missing.font").c_str());
        EXPECT_EQ(occurrences(capture.text(), "Echec de l'ouverture du fichier : " + dir.file("missing.font") + "\n"), 1u);
    }
    EXPECT_EQ(font->loadedGlyphs(), 0u);
    EXPECT_EQ(font->palette(), nullptr);
    EXPECT_EQ(font->spacing(), 1);
    EXPECT_EQ(font->lineSpacing(), 3);
}

TEST(Font, FewerGlyphsThanCharacterCodes)
{
    TempDir dir;
    KyIntrusivePtr<KyFont> font = loadFont(dir, "small.font", FontWriters::font(stepped(70)));
    EXPECT_EQ(font->loadedGlyphs(), 70u);
    EXPECT_EQ(font->glyphWidth(69), 2u);
    EXPECT_EQ(font->glyphWidth(70), 0u);
    EXPECT_EQ(font->glyphWidth(255), 0u);
    EXPECT_EQ(font->glyph(200), nullptr);

    KyIntrusivePtr<KyImg> target(new KyImg);
    target->create(0, 8, 8, KyIntrusivePtr<KyPalette>());
    target->setTransparent(0);
    target->clear(9);
    font->drawChar(200, 0, 0, target.get(), 0, 1);
    for (u32 i = 0; i < 64; ++i)
        ASSERT_EQ(target->pixels()[i], 9);
}

TEST(Font, ShortAndDamagedFiles)
{
    TempDir dir;
    // 60000 glyphs announced, 3 written: no more images than the file holds.
    FontWriters::Font announced = stepped(3);
    announced.glyphCount = 60000;
    KyIntrusivePtr<KyFont> font = loadFont(dir, "short.font", FontWriters::font(announced));
    EXPECT_EQ(font->glyphCount(), 60000);
    EXPECT_LE(font->loadedGlyphs(), 4u);
    EXPECT_EQ(font->glyphWidth(2), 3u);
    EXPECT_EQ(font->glyphWidth(3), 0u);

    // A glyph whose pixels are cut short, and a header cut short.
    FontWriters::Font cut = stepped(2);
    cut.glyphs[1].pixels.resize(3);
    font = loadFont(dir, "cut.font", FontWriters::font(cut));
    EXPECT_EQ(font->glyphWidth(0), 1u);
    EXPECT_EQ(font->glyphWidth(1), 0u);
    font = loadFont(dir, "header.font", FontWriters::Bytes{2, 0, 6});
    EXPECT_EQ(font->loadedGlyphs(), 0u);
    EXPECT_EQ(font->glyphCount(), 0);

    // Glyphs 2 rows high in a font 6 high, one of format 5, one of width 0.
    FontWriters::Font low = stepped(3);
    for (FontWriters::Glyph& glyph : low.glyphs) {
        glyph.height = 2;
        glyph.pixels.assign(glyph.width * 2, 1);
    }
    low.glyphs[1].format = 5;
    low.glyphs[1].pixels.assign(low.glyphs[1].width * 2 * 3, 2);
    low.glyphs[2].width = 0;
    low.glyphs[2].pixels.clear();
    font = loadFont(dir, "low.font", FontWriters::font(low));
    KyIntrusivePtr<KyImg> target(new KyImg);
    target->create(0, 4, 8, KyIntrusivePtr<KyPalette>());
    target->setTransparent(0);
    target->clear(0);
    font->drawChar(0, 0, 0, target.get(), 0, 4);
    font->drawChar(1, 1, 0, target.get(), 0, 1);
    font->drawChar(2, 3, 0, target.get(), 0, 1);
    // Glyph 0 (1 wide) and glyph 1 (2 wide, pixels 2) on rows 0 and 1 only.
    const u8 expected[4] = {4, 2, 2, 0};
    for (u32 y = 0; y < 8; ++y) {
        for (u32 x = 0; x < 4; ++x)
            EXPECT_EQ(target->pixels()[y * 4 + x], y < 2 ? expected[x] : 0) << x << "," << y;
    }
    // Off the image on every side.
    font->drawChar(1, -1, -1, target.get(), 0, 1);
    font->drawChar(1, 3, 7, target.get(), 0, 1);
    font->drawChar(1, 100, 100, target.get(), 0, 1);
    font->drawChar(1, -100, -100, target.get(), 0, 1);
    EXPECT_EQ(target->pixels()[0], 2);
    EXPECT_EQ(target->pixels()[7 * 4 + 3], 2);
    font->drawChar(1, 0, 0, nullptr, 0, 1);
}

TEST(Font, FontsByNameAreShared)
{
    TempDir dir;
    ASSERT_TRUE(dir.makeDir("Fonts"));
    ASSERT_TRUE(FontWriters::writeFile(dir.file("Fonts/a.font"), FontWriters::font(stepped(10))));
    ScopedWorkingDir here(dir.path());
    KyIntrusivePtr<KyFont> first = KyFont::fromName("Fonts//a.font");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->path(), "Fonts/a.font");
    KyIntrusivePtr<KyFont> second = KyFont::fromName("Fonts\\a.font");
    EXPECT_EQ(first, second);
    EXPECT_EQ(KyFont::fromName("Fonts/b.font"), nullptr);
}

#include "tests/tools/ToolsTestSupport.h"
#include "core/KyString.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyFont.h"
#include "platform/KyFont2.h"
#include "tests/support/GLTestContext.h"
#include "tools/content/ImageWriters.h"
#include "tools/datagen/CharacterSet.h"
#include "tools/datagen/DataGenerator.h"
#include "tools/datagen/FontFace.h"
#include "tools/datagen/FontMaker.h"
#include "ui/KyTextBase2.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace {

const std::string sans = std::string(KY_FONT_DIR) + "/DejaVuSans.ttf";

bool powerOfTwo(u32 v)
{
    return v && !(v & (v - 1));
}

// Writes the font's file and loads it as the text widgets do.
KyIntrusivePtr<KyFont2> loadGlyphFont(const TempDir& dir, const std::string& name, const KyfWriter::Font& font)
{
    EXPECT_TRUE(dir.writeFile(name, KyfWriter::toString(KyfWriter::kyf(font))));
    KyIntrusivePtr<KyFont2> loaded(new KyFont2);
    loaded->Load(KyString(dir.file(name).c_str()));
    return loaded;
}

void pixelProjection(s32 width, s32 height)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, height, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

} // namespace

class FontTool : public GLTest {
protected:
    TempDir m_dir{"kyfont"};
};

TEST_F(FontTool, GlyphFontCarriesTheFaceMetricsKerningAndAtlas)
{
    const FontFace face(sans, 16);
    const CharacterSet set = CharacterSet::named("cp1252");
    const KyfWriter::Font written = FontMaker::glyphFont(face, set);
    KyIntrusivePtr<KyFont2> font = loadGlyphFont(m_dir, "Sans16.kyf", written);

    ASSERT_EQ(font->glyphCount(), 256u);
    EXPECT_EQ(font->lineHeight(), f32(face.lineHeight()));
    EXPECT_EQ(font->intMetric1(), 16);
    EXPECT_EQ(font->floatMetric1(), f32(face.ascender()));
    EXPECT_EQ(font->floatMetric2(), f32(face.descender()));
    for (unsigned byte : {unsigned('A'), unsigned('g'), unsigned('W'), 0xE9u, 0x9Cu, 0x80u}) {
        SCOPED_TRACE(byte);
        const FontFace::Glyph g = face.render(set.codePoint(byte));
        const KyFont2::Glyph loaded = font->glyph(byte);
        EXPECT_EQ(loaded.advance, f32(g.advance));
        EXPECT_EQ(loaded.width, f32(g.width));
        EXPECT_EQ(loaded.height, f32(g.rows));
        EXPECT_EQ(loaded.xOffset, f32(g.left));
        EXPECT_EQ(loaded.yOffset, f32(g.top));
        EXPECT_GT(loaded.width, 0.0f);
        EXPECT_EQ(font->glyphWord(byte), set.codePoint(byte));
    }
    EXPECT_EQ(font->glyphWord(0x9C), 0x153u);   // œ
    // Bytes without a character have empty records; the space only advances.
    EXPECT_EQ(font->glyph(0x81).advance, 0.0f);
    EXPECT_EQ(font->glyph('\n').advance, 0.0f);
    EXPECT_EQ(font->glyph(' ').width, 0.0f);
    EXPECT_GT(font->glyph(' ').advance, 0.0f);

    ASSERT_TRUE(font->hasKerning());
    const f32 av = font->kerning('A', 'V').x;
    EXPECT_LT(av, 0.0f);
    EXPECT_EQ(av, f32(std::round(face.kerning('A', 'V'))));
    EXPECT_EQ(font->kerning('T', 'o').x, f32(std::round(face.kerning('T', 'o'))));
    EXPECT_EQ(font->kerning('o', 'o').x, 0.0f);

    ASSERT_TRUE(font->texture());
    const u32 atlasWidth = font->texture()->imageWidth();
    const u32 atlasHeight = font->texture()->imageHeight();
    EXPECT_TRUE(powerOfTwo(atlasWidth) && powerOfTwo(atlasHeight)) << atlasWidth << " x " << atlasHeight;
    for (unsigned c = 0; c < 256; ++c) {
        const KyFont2::Glyph g = font->glyph(c);
        EXPECT_LE(g.textureX + g.width, f32(atlasWidth)) << c;
        EXPECT_LE(g.textureY + g.height, f32(atlasHeight)) << c;
    }

    // The atlas is black with the coverage in alpha, so the GL_BLEND text
    // environment shows the vertex colour.
    KyImg atlas;
    KyString stream;
    ImageWriters::fillStream(stream, written.atlas);
    atlas.loadFromStream(stream, "png");
    ASSERT_EQ(atlas.format(), 6);
    const KyFont2::Glyph l = font->glyph('T');
    // The bar of "T" (hinted onto whole rows) is fully inked somewhere.
    int colour = 0, strongest = 0;
    for (u32 y = u32(l.textureY); y < u32(l.textureY + l.height); ++y)
        for (u32 x = u32(l.textureX); x < u32(l.textureX + l.width); ++x) {
            const u8* p = atlas.pixels() + (size_t(y) * atlas.width() + x) * 4;
            colour += p[0] + p[1] + p[2];
            strongest = std::max<int>(strongest, p[3]);
        }
    EXPECT_EQ(colour, 0);
    EXPECT_EQ(strongest, 255);

    EXPECT_EQ(KyfWriter::kyf(written), KyfWriter::kyf(FontMaker::glyphFont(face, set)));
}

TEST_F(FontTool, TextLaysOutWithTheAdvancesAndKerningAndDrawsUpright)
{
    const FontFace face(sans, 48);
    KyIntrusivePtr<KyFont2> font = loadGlyphFont(m_dir, "Sans48.kyf", FontMaker::glyphFont(face, CharacterSet::named("cp1252")));

    // Laid-out width: the advances and the kerning of each pair, less the
    // last glyph's x offset.
    KyTextBase2 text;
    text.setFont(0, font);
    text.setSize(1000, 100);
    text.text = "AVAT";
    const std::string s = "AVAT";
    double pen = 0.0;
    for (size_t i = 0; i < s.size(); ++i)
        pen += (i ? font->kerning(u8(s[i - 1]), u8(s[i])).x : 0.0) + font->glyph(u8(s[i])).advance;
    const double width = pen - font->glyph('T').xOffset;
    EXPECT_EQ(text.getSize().x, s32(std::ceil(width)));
    double unkerned = 0.0;
    for (char c : s)
        unkerned += font->glyph(u8(c)).advance;
    EXPECT_LT(width, unkerned - font->glyph('T').xOffset - 2.0);

    // "T" drawn white: the bar is at the top and the stem in the middle.
    KyTextBase2 tee;
    tee.setFont(0, font);
    tee.setSize(64, 64);
    tee.text = "T";
    pixelProjection(context().width(), context().height());
    tee.draw();
    const KyFont2::Glyph t = font->glyph('T');
    const s32 left = s32(t.xOffset);
    const s32 right = s32(t.xOffset + t.width);
    const s32 bottom = s32(t.height);   // the first line's base line is the tallest glyph's height
    auto fromTop = [this](s32 x, s32 y) { return pixel(x, context().height() - 1 - y); };
    EXPECT_EQ(fromTop(left + 1, 2).r, 255);                          // bar, left end
    EXPECT_EQ(fromTop(right - 2, 2).r, 255);                         // bar, right end
    EXPECT_EQ(fromTop(left + 1, bottom - 3).r, 0);                   // below the bar's left end
    EXPECT_EQ(fromTop((left + right) / 2, bottom - 3).r, 255);       // stem
}

TEST_F(FontTool, BitmapFontHasOneBitGlyphsOnACommonBaseLine)
{
    const FontFace face(sans, 12);
    const CharacterSet set = CharacterSet::named("cp1252");
    const FontWriters::Font written = FontMaker::bitmapFont(face, set);
    ASSERT_TRUE(m_dir.writeFile("Typo.font", ImageWriters::toString(FontWriters::font(written))));
    KyFont font;
    font.load(KyString(m_dir.file("Typo.font").c_str()));

    ASSERT_EQ(font.glyphCount(), 256u);
    ASSERT_EQ(font.loadedGlyphs(), 256u);
    EXPECT_EQ(font.characterHeight(), u8(std::ceil(face.ascender() + face.descender())));
    EXPECT_GT(font.glyphWidth('W'), font.glyphWidth('i'));
    // The printer adds one pixel between glyphs: widths are the advance less one.
    EXPECT_EQ(font.glyphWidth(' '), u32(std::lround(face.render(' ').advance) - 1));
    EXPECT_EQ(font.glyphWidth(0x81), 0u);

    const KyImg* tee = font.glyph('T');
    ASSERT_NE(tee, nullptr);
    const u32 w = tee->width();
    const u32 h = tee->height();
    ASSERT_EQ(h, font.characterHeight());
    // Rows are stored bottom first: the bar of the T lies on the row of the
    // glyph's top, the descender rows below the base line stay blank.
    const FontFace::Glyph g = face.render('T', true);
    const u32 barRow = h - 1 - u32(written.secondHeaderByte - g.top);
    int bar = 0, below = 0, other = 0;
    for (u32 x = 0; x < w; ++x) {
        bar += tee->pixels()[barRow * w + x] == 1;
        below += tee->pixels()[0 * w + x] != 0;
    }
    for (u32 i = 0; i < w * h; ++i)
        other += tee->pixels()[i] > 1;
    EXPECT_GE(bar, int(w) - 3);
    EXPECT_EQ(below, 0);
    EXPECT_EQ(other, 0);

    EXPECT_EQ(FontWriters::font(written), FontWriters::font(FontMaker::bitmapFont(face, set)));
}

TEST(FontCharacters, TablesRangesAndEncoding)
{
    const CharacterSet cp1252 = CharacterSet::named("cp1252");
    EXPECT_EQ(cp1252.codePoint(0x80), 0x20ACu);
    EXPECT_EQ(cp1252.codePoint(0x92), 0x2019u);
    EXPECT_EQ(cp1252.codePoint(0x81), 0u);
    EXPECT_EQ(cp1252.codePoint(0xE9), 0xE9u);
    EXPECT_EQ(cp1252.codePoint('\t'), 0u);
    EXPECT_EQ(cp1252.codePoint(0x7F), 0u);
    EXPECT_EQ(CharacterSet::named("latin1").codePoint(0x80), 0u);
    EXPECT_EQ(CharacterSet::named("latin1").codePoint(0xFF), 0xFFu);
    EXPECT_EQ(CharacterSet::named("ascii").codePoint(0xE9), 0u);
    EXPECT_THROW(CharacterSet::named("ebcdic"), std::runtime_error);

    CharacterSet digits = CharacterSet::named("cp1252");
    digits.restrict("48-57,0x41");
    EXPECT_EQ(digits.codePoint('5'), u32('5'));
    EXPECT_EQ(digits.codePoint('A'), u32('A'));
    EXPECT_EQ(digits.codePoint('B'), 0u);
    EXPECT_THROW(digits.restrict("9-1"), std::runtime_error);
    EXPECT_THROW(digits.restrict("300"), std::runtime_error);

    EXPECT_EQ(cp1252.encode(u8"Œuvre – été’"), std::string("\x8Cuvre \x96 \xE9t\xE9\x92"));
    EXPECT_THROW(cp1252.encode(u8"日本"), std::runtime_error);
    EXPECT_EQ(CharacterSet::decodeUtf8(u8"aé€").size(), 3u);
    EXPECT_THROW(CharacterSet::decodeUtf8("\xC3"), std::runtime_error);
    EXPECT_THROW(CharacterSet::decodeUtf8("\xFF"), std::runtime_error);
    EXPECT_THROW(CharacterSet::decodeUtf8("a\xE2\x82"), std::runtime_error);

    EXPECT_THROW(FontFace(sans, 0), std::runtime_error);
}

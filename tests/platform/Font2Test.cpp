#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "core/KyString.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyFont2.h"
#include "tests/support/GLTestContext.h"
#include "tools/content/ImageWriters.h"
#include "tools/content/KyfWriter.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

using KyfWriter::Bytes;

namespace {

KyfWriter::Kerning pair(u32 first, u32 second, f32 x, f32 y)
{
    KyfWriter::Kerning k;
    k.first = first;
    k.second = second;
    k.x = x;
    k.y = y;
    return k;
}

// A small font whose every glyph field differs from the others.
KyfWriter::Font sampleFont(u32 glyphs, bool kerning)
{
    KyfWriter::GridOptions grid;
    grid.cellWidth = 4;
    grid.cellHeight = 4;
    grid.glyphCount = glyphs;
    KyfWriter::Font font = KyfWriter::gridFont(grid);
    font.intMetric1 = -7;
    font.intMetric2 = 1234;
    font.floatMetric1 = 1.5f;
    font.floatMetric2 = -2.25f;
    font.lineHeight = 17.5f;
    for (u32 i = 0; i < glyphs; ++i) {
        KyfWriter::Glyph& g = font.glyphs[i];
        g.width = 1.0f + i;
        g.height = 2.0f + i;
        g.xOffset = 0.25f * i;
        g.yOffset = -0.5f * i;
        g.advance = 3.0f + i;
        g.carried[0] = 100.0f + i;
        g.carried[1] = 200.0f + i;
        g.carried[2] = 300.0f + i;
        g.word = 0xA5000000u + i;
    }
    if (kerning) {
        font.hasKerning = 1;
        font.kerning = {pair('A', 'V', -2.5f, 0.75f), pair(1, 5, 3.0f, 0.0f), pair(2, 3, -1.0f, -4.0f)};
    }
    return font;
}

void expectGlyph(const KyFont2::Glyph& got, const KyfWriter::Glyph& want)
{
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
    EXPECT_EQ(got.xOffset, want.xOffset);
    EXPECT_EQ(got.yOffset, want.yOffset);
    EXPECT_EQ(got.advance, want.advance);
    EXPECT_EQ(got.carried[0], want.carried[0]);
    EXPECT_EQ(got.carried[1], want.carried[1]);
    EXPECT_EQ(got.carried[2], want.carried[2]);
    EXPECT_EQ(got.textureX, want.textureX);
    EXPECT_EQ(got.textureY, want.textureY);
    EXPECT_EQ(got.extra, 0.0f);
}

bool isZero(const KyFont2::Glyph& glyph)
{
    static const KyFont2::Glyph zero = {};
    return std::memcmp(&glyph, &zero, sizeof zero) == 0;
}

void expectEmpty(const KyFont2& font)
{
    EXPECT_EQ(font.glyphCount(), 0u);
    EXPECT_FALSE(font.texture());
    for (u32 c = 0; c < 256; ++c)
        EXPECT_TRUE(isZero(font.glyph(c))) << c;
}

} // namespace

class Font2 : public GLTest {
protected:
    KyString write(const std::string& name, const Bytes& bytes)
    {
        EXPECT_TRUE(m_dir.writeFile(name, KyfWriter::toString(bytes)));
        return KyString(m_dir.file(name).c_str());
    }

    TempDir m_dir;
};

TEST_F(Font2, ReadsMetricsGlyphsAndKerningPairs)
{
    KyfWriter::Font written = sampleFont(300, true);
    const KyString path = write("Common/Fonts/a.kyf", KyfWriter::kyf(written));

    KyFont2 font;
    font.Load(path);
    EXPECT_EQ(KyString(font.path()), path);
    EXPECT_EQ(font.intMetric1(), -7);
    EXPECT_EQ(font.intMetric2(), 1234);
    EXPECT_EQ(font.floatMetric1(), 1.5f);
    EXPECT_EQ(font.floatMetric2(), -2.25f);
    EXPECT_EQ(font.lineHeight(), 17.5f);
    ASSERT_EQ(font.glyphCount(), 300u);
    for (u32 c = 0; c < 256; ++c)
        expectGlyph(font.glyph(c), written.glyphs[c]);
    EXPECT_EQ(font.glyphWord(0), 0xA5000000u);
    EXPECT_EQ(font.glyphWord(299), 0xA5000000u + 299);
    EXPECT_EQ(font.glyphWord(300), 0u);
    // Lookups go by the character byte.
    expectGlyph(font.glyph(300), written.glyphs[44]);
    expectGlyph(font.glyph(0xFFFFFFFFu), written.glyphs[255]);

    EXPECT_TRUE(font.hasKerning());
    EXPECT_EQ(font.kerningCount(), 3u);
    EXPECT_EQ(font.kerning('A', 'V'), KyVector3f32(-2.5f, 0.75f, 0.0f));
    EXPECT_EQ(font.kerning('V', 'A'), KyVector3f32(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(font.kerning(1, 5), KyVector3f32(3.0f, 0.0f, 0.0f));
    EXPECT_EQ(font.kerning(2, 3), KyVector3f32(-1.0f, -4.0f, 0.0f));
    EXPECT_EQ(font.kerning(1, 3), KyVector3f32(0.0f, 0.0f, 0.0f));
}

TEST_F(Font2, WithoutKerningTheGlyphsFollowTheHeader)
{
    KyfWriter::Font written = sampleFont(40, false);
    KyFont2 font;
    font.Load(write("b.kyf", KyfWriter::kyf(written)));
    EXPECT_FALSE(font.hasKerning());
    EXPECT_EQ(font.kerningCount(), 0u);
    ASSERT_EQ(font.glyphCount(), 40u);
    expectGlyph(font.glyph(39), written.glyphs[39]);
    EXPECT_TRUE(font.texture());

    // Characters beyond the font's glyphs have empty records.
    for (u32 c = 40; c < 256; ++c)
        EXPECT_TRUE(isZero(font.glyph(c))) << c;
    expectGlyph(font.glyph(256 + 39), written.glyphs[39]);
}

TEST_F(Font2, TheAtlasBecomesAListedTexture)
{
    KyfWriter::GridOptions grid;
    grid.cellWidth = 8;
    grid.cellHeight = 12;
    KyfWriter::Font written = KyfWriter::gridFont(grid);
    const KyString path = write("grid.kyf", KyfWriter::kyf(written));
    KyResourceManager* manager = KySingleton<KyResourceManager>::instance();

    KyFont2 font;
    font.Load(path);
    ASSERT_TRUE(font.texture());
    Ky3DTexture* texture = font.texture().get();
    EXPECT_EQ(texture->imageWidth(), 128u);
    EXPECT_EQ(texture->imageHeight(), 256u);
    EXPECT_EQ(texture->format(), 6);
    // The atlas image is named after the font, the texture after the image.
    EXPECT_EQ(KyString(texture->path()), path + KyString(".3dtex.3dtex"));
    ASSERT_GT(manager->count(), 0u);
    EXPECT_EQ(manager->resources()[0], texture);
    EXPECT_EQ(texture->useCount(), 1u);

    // Glyph 'A' covers an opaque cell of the atlas at its texture place;
    // the space glyph's cell is clear.
    Bytes texels(128 * 256 * 4);
    glBindTexture(GL_TEXTURE_2D, texture->textureName());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    auto alphaAt = [&](f32 x, f32 y) { return texels[(size_t(y) * 128 + size_t(x)) * 4 + 3]; };
    const KyFont2::Glyph a = font.glyph('A');
    EXPECT_EQ(alphaAt(a.textureX, a.textureY), 255);
    EXPECT_EQ(alphaAt(a.textureX + a.width - 1, a.textureY + a.height - 1), 255);
    const KyFont2::Glyph space = font.glyph(' ');
    EXPECT_EQ(alphaAt(space.textureX + 1, space.textureY + 1), 0);

    // clear releases the texture, which leaves the manager.
    font.clear();
    EXPECT_EQ(manager->find<Ky3DTexture>(path + KyString(".3dtex.3dtex")), nullptr);
    expectEmpty(font);
    EXPECT_EQ(font.lineHeight(), 0.0f);
}

TEST_F(Font2, ReloadingForgetsTheFormerFont)
{
    KyFont2 font;
    font.Load(write("k.kyf", KyfWriter::kyf(sampleFont(20, true))));
    EXPECT_EQ(font.kerningCount(), 3u);
    font.Load(write("n.kyf", KyfWriter::kyf(sampleFont(10, false))));
    EXPECT_FALSE(font.hasKerning());
    EXPECT_EQ(font.kerning('A', 'V'), KyVector3f32(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(font.glyphCount(), 10u);
}

// Many pairs, repeated ones (the later entry counts), pairs of the first
// and last bytes and pairs beyond the bytes: every pair of bytes gives
// exactly its own offset, and a wide pair is never taken for the byte pair
// it ends like.
TEST_F(Font2, KerningFindsExactlyTheStoredPairOfAnyCharacters)
{
    KyfWriter::Font written = sampleFont(8, true);
    written.kerning.clear();
    u32 seed = 99;
    auto next = [&seed](u32 range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    const u32 wide[] = {256, 256 + 'A', 0x10000, 0xFFFFFFFFu};
    for (u32 k = 0; k < 700; ++k) {
        u32 first = next(4) == 0 ? u32(next(2) ? 0 : 255) : 'A' + next(12);
        u32 second = next(4) == 0 ? u32(next(2) ? 0 : 255) : 'A' + next(12);
        if (next(10) == 0)
            (next(2) ? first : second) = wide[next(4)];
        written.kerning.push_back(pair(first, second, f32(k) + 0.5f, -f32(k)));
    }
    std::map<std::pair<u32, u32>, KyVector3f32> expected;
    for (const KyfWriter::Kerning& k : written.kerning)
        expected[std::make_pair(k.first, k.second)] = KyVector3f32(k.x, k.y, 0.0f);

    KyFont2 font;
    font.Load(write("pairs.kyf", KyfWriter::kyf(written)));
    ASSERT_EQ(font.kerningCount(), expected.size());
    u32 found = 0;
    for (u32 first = 0; first < 256; ++first) {
        for (u32 second = 0; second < 256; ++second) {
            const auto it = expected.find(std::make_pair(first, second));
            const KyVector3f32 want = it == expected.end() ? KyVector3f32(0.0f, 0.0f, 0.0f) : it->second;
            found += it != expected.end();
            ASSERT_EQ(font.kerning(first, second), want) << first << "," << second;
        }
    }
    EXPECT_GT(found, 100u);
    for (u32 w : wide) {
        for (u32 other : {0u, 'A' + 0u, 'B' + 0u, 255u, 256 + 'A' + 0u}) {
            for (const std::pair<u32, u32>& asked : {std::make_pair(w, other), std::make_pair(other, w)}) {
                const auto it = expected.find(asked);
                EXPECT_EQ(font.kerning(asked.first, asked.second),
                          it == expected.end() ? KyVector3f32(0.0f, 0.0f, 0.0f) : it->second)
                    << asked.first << "," << asked.second;
            }
        }
    }

    // Cleared, and loaded again without kerning, no pair is left.
    font.clear();
    EXPECT_EQ(font.kerning('A', 'A'), KyVector3f32(0.0f, 0.0f, 0.0f));
    font.Load(write("pairs.kyf", KyfWriter::kyf(written)));
    font.Load(write("plain.kyf", KyfWriter::kyf(sampleFont(8, false))));
    for (u32 first = 0; first < 256; ++first)
        for (u32 second = 0; second < 256; ++second)
            ASSERT_EQ(font.kerning(first, second), KyVector3f32(0.0f, 0.0f, 0.0f));
}

TEST_F(Font2, MissingFilesAndTheLanguageFolders)
{
    // A font that was never loaded answers every character.
    KyFont2 fresh;
    expectEmpty(fresh);
    EXPECT_EQ(fresh.kerning('A', 'V'), KyVector3f32(0.0f, 0.0f, 0.0f));

    const KyString missing(m_dir.file("Fonts/none.kyf").c_str());
    KyFont2 font;
    {
        StdoutCapture log;
        font.Load(missing);
        EXPECT_NE(log.text().find("none.kyf"), std::string::npos) << log.text();
    }
    expectEmpty(font);
    EXPECT_EQ(KyString(font.path()), missing);

    // A file found only in the "en" folder is read under the asked path.
    write("Fonts/en/only.kyf", KyfWriter::kyf(sampleFont(5, false)));
    const KyString asked(m_dir.file("Fonts/only.kyf").c_str());
    font.Load(asked);
    EXPECT_EQ(font.glyphCount(), 5u);
    EXPECT_EQ(KyString(font.path()), asked);

    // The resource manager shares one font per path.
    KyResourceManager* manager = KySingleton<KyResourceManager>::instance();
    KyIntrusivePtr<KyFont2> first = manager->getOrLoad<KyFont2>(asked);
    KyIntrusivePtr<KyFont2> second = manager->getOrLoad<KyFont2>(asked);
    ASSERT_TRUE(first);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->glyphCount(), 5u);
    EXPECT_FALSE(manager->getOrLoad<KyFont2>(missing));
}

// Damaged files: truncations at every length, counts beyond the bytes
// there (also where 32-bit products wrap around), a broken atlas and random
// bytes. None may crash or read past the file; a font either holds every
// glyph of the file or none.
TEST_F(Font2, MalformedFilesReplay)
{
    const KyfWriter::Font good = sampleFont(6, true);
    const Bytes bytes = KyfWriter::kyf(good);
    const size_t tablesEnd = bytes.size() - good.atlas.size();

    std::vector<Bytes> corpus;
    for (size_t n = 0; n < bytes.size(); n += (n < tablesEnd + 64 ? 1 : 97))
        corpus.push_back(Bytes(bytes.begin(), bytes.begin() + n));

    const size_t overGlyphs = corpus.size();
    for (s64 count : {0x1000LL, 0x10000LL, 0x10001LL, 97612894LL, 0xFFFFFFFFLL}) {
        KyfWriter::Font f = good;
        f.glyphCountField = count;
        corpus.push_back(KyfWriter::kyf(f));
    }
    const size_t overKerning = corpus.size() + 1;   // 16 x the count wraps to 0 in 32 bits
    for (s64 count : {4LL, 0x10000000LL, 0x10000001LL, 0x100000LL + 1, 0xFFFFFFFFLL}) {
        KyfWriter::Font f = good;
        f.kerningCountField = count;
        corpus.push_back(KyfWriter::kyf(f));
    }
    const size_t wrongFlagIndex = corpus.size();
    Bytes wrongFlag = bytes;
    wrongFlag[28] = 0;   // the kerning table is read as glyphs
    corpus.push_back(wrongFlag);
    KyfWriter::Font badAtlas = good;
    badAtlas.atlas[1] ^= 0xFF;
    corpus.push_back(KyfWriter::kyf(badAtlas));
    badAtlas.atlas.resize(badAtlas.atlas.size() / 2);
    corpus.push_back(KyfWriter::kyf(badAtlas));
    for (u32 seed = 1; seed <= 16; ++seed)
        corpus.push_back(ImageWriters::pattern(seed * 13, seed));

    for (size_t i = 0; i < corpus.size(); ++i) {
        SCOPED_TRACE(i);
        KyFont2 font;
        font.Load(write("damaged.kyf", corpus[i]));
        const u32 count = font.glyphCount();
        EXPECT_TRUE(count == 0 || count == 6 || i == wrongFlagIndex) << count;
        for (u32 c = count; c < 256; ++c) {
            ASSERT_TRUE(isZero(font.glyph(c)));
        }
        if (count == 0) {
            EXPECT_FALSE(font.texture());
        }
    }

    // Counts beyond the bytes there give no glyphs, no kerning, no texture.
    for (size_t i : {overGlyphs, overKerning}) {
        KyFont2 font;
        font.Load(write("damaged.kyf", corpus[i]));
        EXPECT_EQ(font.glyphCount(), 0u);
        EXPECT_EQ(font.kerningCount(), 0u);
        EXPECT_FALSE(font.texture());
        EXPECT_EQ(font.lineHeight(), 17.5f);
    }

    // Whole tables load; a cut inside the tables gives no glyphs.
    KyFont2 font;
    font.Load(write("cut.kyf", Bytes(bytes.begin(), bytes.begin() + tablesEnd)));
    EXPECT_EQ(font.glyphCount(), 6u);
    EXPECT_TRUE(font.texture());
    font.Load(write("cut.kyf", Bytes(bytes.begin(), bytes.begin() + tablesEnd - 1)));
    EXPECT_EQ(font.glyphCount(), 0u);
    // The header fields before the cut are kept.
    font.Load(write("cut.kyf", Bytes(bytes.begin(), bytes.begin() + 16)));
    EXPECT_EQ(font.intMetric1(), -7);
    EXPECT_EQ(font.intMetric2(), 1234);
    EXPECT_EQ(font.floatMetric1(), 0.0f);
}

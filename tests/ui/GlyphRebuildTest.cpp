#include "tests/support/FlatGlyphLayout.h"
#include "tests/ui/TextBaseFixture.h"
#include "ui/KyTextBase.h"
#include "ui/KyTextBase2.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class Random {
public:
    explicit Random(u32 seed) : m_state(seed) {}
    u32 below(u32 range)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) % range;
    }
    // A multiple of a quarter from lo to hi.
    f32 quarters(s32 lo, s32 hi) { return f32(s32(below(u32(4 * (hi - lo) + 1))) + 4 * lo) / 4.0f; }

private:
    u32 m_state;
};

// A grid font made uneven: fractional sizes, offsets and advances, empty
// glyphs, characters past the glyph count, kerning pairs (vertical ones
// too) among the letters used, with blanks and with the 0 that starts a line.
KyfWriter::Font unevenFont(Random& random)
{
    KyfWriter::GridOptions options;
    options.glyphCount = 200;
    options.lineHeight = random.quarters(10, 16);
    const char kerned[] = {'a', 'b', 'c', 'v', 'w', ' ', '\t', 0};
    for (int k = 0; k < 24; ++k) {
        const u32 first = u8(kerned[random.below(sizeof kerned)]);
        const u32 second = u8(kerned[random.below(sizeof kerned - 1)]);
        options.kerning.push_back(
            kerningPair(first, second, random.quarters(-3, 2), random.below(3) == 0 ? random.quarters(-2, 2) : 0.0f));
    }
    KyfWriter::Font font = blendGridFont(options);
    for (KyfWriter::Glyph& g : font.glyphs) {
        g.width = random.below(8) == 0 ? 0.0f : random.quarters(1, 10);
        g.height = random.below(10) == 0 ? 0.0f : random.quarters(4, 14);
        g.xOffset = random.quarters(-2, 2);
        g.yOffset = random.quarters(6, 14);
        g.advance = random.quarters(2, 11);
    }
    return font;
}

// Words of letters (some past the glyph count), runs of every blank, now
// and then a word longer than any box.
std::string randomText(Random& random)
{
    const char blanks[] = {' ', ' ', ' ', '\t', '\r', '\n'};
    std::string text;
    const u32 words = 1 + random.below(60);
    for (u32 w = 0; w < words; ++w) {
        const u32 letters = random.below(12) == 0 ? 30 + random.below(20) : 1 + random.below(8);
        for (u32 i = 0; i < letters; ++i)
            text += random.below(25) == 0 ? char(200 + random.below(56)) : char('a' + random.below(26));
        const u32 run = random.below(5) == 0 ? 2 + random.below(3) : 1;
        for (u32 i = 0; i < run; ++i)
            text += blanks[random.below(sizeof blanks)];
    }
    if (random.below(2))
        text.erase(text.size() - 1);
    if (random.below(4) == 0)
        text.insert(0, std::string(1 + random.below(3), ' '));
    return text;
}

void expectSameMesh(const KyGlyphText& text, const FlatGlyphLayout::Mesh& flat, const std::string& what)
{
    const KyGlyphMesh& mesh = text.mesh;
    const u32 n = text.text.length();
    ASSERT_TRUE(mesh.holdsCharacters(n)) << what;
    ASSERT_NE(mesh.colors(), nullptr) << what;
    EXPECT_EQ(std::memcmp(mesh.vertices(), flat.vertices.data(), flat.vertices.size() * sizeof(f32)), 0) << what;
    EXPECT_EQ(std::memcmp(mesh.textureCoords(), flat.textureCoords.data(), flat.textureCoords.size() * sizeof(f32)),
              0)
        << what;
    EXPECT_EQ(std::memcmp(mesh.normals(), flat.normals.data(), flat.normals.size() * sizeof(f32)), 0) << what;
    EXPECT_EQ(std::memcmp(mesh.colors(), flat.colors.data(), flat.colors.size()), 0) << what;
    EXPECT_EQ(std::memcmp(mesh.indices(), flat.indices.data(), flat.indices.size() * sizeof(u32)), 0) << what;
    EXPECT_EQ(text.textWidth, flat.textWidth) << what;
    EXPECT_EQ(text.textHeight, flat.textHeight) << what;
    EXPECT_EQ(text.lineCount, flat.lineCount) << what;
}

} // namespace

class GlyphRebuild : public TextTest {};

// Random texts, fonts, boxes, breaks and colours in every alignment: the
// rebuild gives the flat layout's mesh byte for byte, also when it rebuilds
// a mesh it built before under another alignment.
TEST_F(GlyphRebuild, GivesTheFlatLayoutsMeshByteForByte)
{
    Random random(16);
    for (u32 f = 0; f < 5; ++f) {
        const KyIntrusivePtr<KyFont2> fontOf = font("uneven" + std::to_string(f) + ".kyf", unevenFont(random));
        FlatGlyphLayout flat(*fontOf);
        for (u32 t = 0; t < 12; ++t) {
            KyTextBase2 text;
            const std::string characters = randomText(random);
            text.setFont(0, fontOf);
            text.text = KyString(characters.data(), u32(characters.size()));
            text.setSize(s32(5 + random.below(300)), 100);
            text.setInterline(random.quarters(-2, 6));
            const u32 length = u32(characters.size());
            for (u32 b = random.below(6); b > 0; --b) {
                const u32 at = random.below(length + 1);
                text.addLineBreak(at);
                if (random.below(4) == 0)
                    text.addLineBreak(at);
            }
            for (u32 c = random.below(5); c > 0; --c)
                text.setColor(random.below(length), KyColor(u8(random.below(256)), u8(random.below(256)), 7, 200));
            if (t % 3 == 0)
                text.setDefaultColor(KyColor(10, 20, 30, 40));
            for (s32 alignment : {KyGlyphText::Justify, KyGlyphText::Left, KyGlyphText::Center, KyGlyphText::Right}) {
                text.setAlignment(alignment);
                text.getSize();
                flat.setText(text);
                FlatGlyphLayout::Mesh mesh = flat.freshMesh();
                flat.rebuild(mesh);
                expectSameMesh(text, mesh,
                               "font " + std::to_string(f) + " text " + std::to_string(t) + " alignment " +
                                   std::to_string(alignment) + ": \"" + characters + "\"");
                if (HasFailure())
                    return;
            }
        }
    }
}

#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "platform/Ky3DTexture.h"
#include "tools/content/FontWriters.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/TempDir.h"
#include "tests/ui/SpriteFixture.h"
#include "ui/KyTextSprite.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

const KyColor kTransparent(0, 0, 0, 0);
const KyColor kDarkRed(170, 0, 0, 255);
const KyColor kDarkGreen(0, 170, 0, 255);

} // namespace

// Text sprites in a folder holding the default rich-text font: 8 rows high,
// glyph pixels 1, space 3 wide, 'i' 2, every other glyph 5, spacing 1.
class TextSpriteTest : public SpriteDrawTest {
protected:
    void SetUp() override
    {
        SpriteDrawTest::SetUp();
        ASSERT_TRUE(m_dir.makeDir("Common/Fonts"));
        FontWriters::Font font = FontWriters::uniformFont(256, 8, [](u32 c) -> u32 {
            return c == ' ' ? 3 : (c == 'i' ? 2 : 5);
        });
        ASSERT_TRUE(FontWriters::writeFile(m_dir.file("Common/Fonts/Typo1.font"), FontWriters::font(font)));
        m_cwd.reset(new ScopedWorkingDir(m_dir.path()));
    }
    void TearDown() override
    {
        m_cwd.reset();
        SpriteDrawTest::TearDown();
    }

    // The texture's texels, read back from OpenGL, as RGBA rows of the
    // padded texture (first stored row first).
    struct Texels {
        u32 width = 0;
        std::vector<u8> bytes;
        KyColor at(u32 x, u32 y) const
        {
            const u8* p = &bytes[(y * width + x) * 4];
            return KyColor(p[0], p[1], p[2], p[3]);
        }
    };
    static Texels texels(Ky3DTexture& texture)
    {
        Texels out;
        out.width = texture.textureWidth();
        out.bytes.assign(size_t(texture.textureWidth()) * texture.textureHeight() * 4, 0);
        texture.bind();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.bytes.data());
        return out;
    }

    TempDir m_dir;
    std::unique_ptr<ScopedWorkingDir> m_cwd;
};

TEST_F(TextSpriteTest, CaptionIsPrintedWithTheSevenColoursInsideTheMargins)
{
    KyTextSprite caption;
    caption.setSize(KyVector3f32(40, 20, 0));
    caption.setMargins(4, 4, 2, 2);
    caption.setText("<p color=3>ab");
    ASSERT_TRUE(caption.hasTexture());
    EXPECT_EQ(KyVector3f32(40, 20, 0), caption.size());
    EXPECT_EQ(KyVector3f32(0, 8, 0), caption.textHeight());

    KyIntrusivePtr<KyPalette> palette = caption.palette();
    ASSERT_TRUE(palette);
    EXPECT_EQ(3, palette->format());
    const KyColor expected[7] = {kTransparent,
                                 KyColor(0, 0, 0, 255),
                                 KyColor(255, 255, 255, 255),
                                 kDarkRed,
                                 KyColor(255, 255, 255, 255),
                                 kDarkGreen,
                                 KyColor(255, 255, 255, 255)};
    for (u32 i = 0; i < 7; ++i)
        EXPECT_EQ(expected[i], palette->color(i)) << i;

    // The line's 8 rows lie under the 2 free rows at the top (rows 18 and
    // 19 of 20); the text starts 4 columns from the left edge.
    Texels t = texels(*caption.texture());
    EXPECT_EQ(kDarkRed, t.at(4, 10));
    EXPECT_EQ(kDarkRed, t.at(8, 17));
    EXPECT_EQ(kTransparent, t.at(9, 12));
    EXPECT_EQ(kDarkRed, t.at(10, 12));
    EXPECT_EQ(kTransparent, t.at(3, 12));
    EXPECT_EQ(kTransparent, t.at(4, 18));
    EXPECT_EQ(kTransparent, t.at(4, 9));

    // Drawn over black, the caption shows its dark red.
    caption.setPosition(KyVector3f32(0, 0, 0));
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    drawFrame();
    EXPECT_TRUE(sameRgb(kDarkRed, pixel(5, 12)));
    EXPECT_TRUE(sameRgb(KyColor(0, 0, 0, 255), pixel(2, 12)));
}

TEST_F(TextSpriteTest, EachTextGetsATextureOfItsOwn)
{
    KyResourceManager* resources = KySingleton<KyResourceManager>::instance();
    const u32 listed = resources->count();

    KyTextSprite a;
    a.setSize(KyVector3f32(16, 8, 0));
    a.setText("<p color=5>a");
    Ky3DTexture* first = a.texture().get();
    a.setText("<p color=5>b");
    EXPECT_NE(first, a.texture().get());
    // The first texture went with its last holder; the printed images are
    // gone too.
    EXPECT_EQ(listed + 1, resources->count());
    EXPECT_EQ(kDarkGreen, texels(*a.texture()).at(0, 0));

    // Two captions print with equal palettes, each its own object.
    KyTextSprite b;
    b.setText("x");
    EXPECT_NE(a.palette().get(), b.palette().get());
    b.setPaletteEntry(5, KyColor(1, 2, 3, 4));
    EXPECT_EQ(KyColor(1, 2, 3, 4), b.palette()->color(5));
    EXPECT_EQ(kDarkGreen, a.palette()->color(5));
}

TEST_F(TextSpriteTest, WithoutASizeNothingIsPrintedOrShown)
{
    KyTextSprite empty;
    empty.setText("<p color=3>abc");
    ASSERT_TRUE(empty.hasTexture());
    EXPECT_EQ(0u, empty.texture()->imageWidth());
    EXPECT_EQ(KyVector3f32(0, 0, 0), empty.size());
    empty.setPosition(KyVector3f32(0, 0, 0));
    drawFrame();
    EXPECT_TRUE(sameRgb(KyColor(0, 0, 0, 255), pixel(1, 1)));

    // Markup that is rejected prints nothing and has no height.
    KyTextSprite rejected;
    rejected.setSize(KyVector3f32(8, 8, 0));
    rejected.setText("<p color=3>a");
    EXPECT_EQ(8.0f, rejected.textHeight().y);
    rejected.setText("<t>a");
    EXPECT_EQ(KyVector3f32(0, 0, 0), rejected.textHeight());
    EXPECT_EQ(kTransparent, texels(*rejected.texture()).at(1, 1));
    // Margins beyond any integer are clamped, not converted blindly.
    rejected.setMargins(-1.0e20f, 3.0e20f, 0, 0);
    rejected.setText("<p color=3>a");
    EXPECT_EQ(kTransparent, texels(*rejected.texture()).at(1, 1));
}

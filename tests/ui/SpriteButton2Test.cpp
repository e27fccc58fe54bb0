#include "core/KySingleton.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/ui/SpriteFixture.h"
#include "tests/ui/TextBaseFixture.h"
#include "ui/KyMainWindow.h"
#include "ui/KySpriteButton2.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>
#include <string>

// Labelled sprite buttons over a 100 x 40 up picture and the grid glyph font
// (lines 12 high).
class SpriteButton2Test : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        m_font = writeFont("Fonts/grid.kyf", blendGridFont());
        ASSERT_TRUE(m_dir.makeDir("Gui"));
        ASSERT_TRUE(writeSolidPng(m_dir.file("Gui/up.png"), 100, 40, KyColor(255, 0, 0, 255)));
        m_cwd.reset(new ScopedWorkingDir(m_dir.path()));
    }
    void TearDown() override
    {
        m_cwd.reset();
        KySingleton<KyMainWindow>::destroy();
    }

    // A text description in the test font.
    KyString text(const std::string& body) const
    {
        return KyString((std::string("<font file=\"") + m_font.c_str() + "\"/>" + body).c_str());
    }

    KyString m_font;
    std::unique_ptr<ScopedWorkingDir> m_cwd;
};

TEST_F(SpriteButton2Test, LabelStaysCentredWhateverTheHeightOfItsText)
{
    KySpriteButton2 b;
    b.load("Gui/up.png", "", "");
    EXPECT_EQ(KyVector3f32(100, 40, 0), b.size());
    EXPECT_EQ(100, b.label.boxWidth());
    EXPECT_EQ(40, b.label.boxHeight());
    b.setPosition(KyVector3f32(10, 20, 1));

    b.setText(text("one"));
    const f32 one = b.label.textSize().y;
    ASSERT_GT(one, 0.0f);
    EXPECT_EQ(KyVector3f32(10, 20 + 40 - (40 - one) * 0.5f, 1.0001f), b.label.position());
    const f32 oneTop = b.label.position().y;

    // A second line: the top moves up by half the added height.
    b.setText(text("one<br/>two"));
    const f32 two = b.label.textSize().y;
    ASSERT_GT(two, one);
    EXPECT_FLOAT_EQ(oneTop + (two - one) * 0.5f, b.label.position().y);

    // Taller than the button: centred on the button's centre, overflowing
    // both edges alike.
    b.setText(text("1<br/>2<br/>3<br/>4<br/>5"));
    const f32 tall = b.label.textSize().y;
    ASSERT_GT(tall, 40.0f);
    EXPECT_FLOAT_EQ(20 + 20 + tall * 0.5f, b.label.position().y);

    // Moving the button moves the label with it.
    b.setPosition(KyVector3f32(0, 0, 3));
    EXPECT_FLOAT_EQ(20 + tall * 0.5f, b.label.position().y);
    EXPECT_FLOAT_EQ(3.0001f, b.label.position().z);
}

TEST_F(SpriteButton2Test, NewSizesFitTheButtonAndTheLabelBoxOnce)
{
    KySpriteButton2 b;
    b.load("Gui/up.png", "", "");
    b.setMargins(10, 5);
    EXPECT_EQ(KyVector3f32(80, 30, 0), b.button.size());
    EXPECT_EQ(100, b.label.boxWidth());

    // The same size again re-fits nothing.
    b.button.setSize(KyVector3f32(1, 1, 0));
    b.setSize(KyVector3f32(100, 40, 0));
    EXPECT_EQ(KyVector3f32(1, 1, 0), b.button.size());

    b.setSize(KyVector3f32(120.7f, 60, 0));
    EXPECT_EQ(KyVector3f32(100.7f, 50, 0), b.button.size());
    EXPECT_EQ(120, b.label.boxWidth());
    EXPECT_EQ(60, b.label.boxHeight());
}

TEST_F(SpriteButton2Test, XmlTextAndVisibilityReachTheLabel)
{
    TiXmlDocument doc;
    const std::string xml = std::string("<spriteButton2 Up_File=\"Gui/up.png\" text='<font file=\"") +
                            m_font.c_str() + "\"/>go' visible=\"0\"/>";
    doc.Parse(xml.c_str());
    KySpriteButton2 b;
    b.loadFromXml(doc.RootElement());
    EXPECT_TRUE(b.upSprite.hasTexture());
    EXPECT_GT(b.label.textSize().x, 0.0f);
    EXPECT_FALSE(b.label.visible());
    EXPECT_FALSE(b.upSprite.visible);
    EXPECT_FALSE(b.button.isEnabled());
}

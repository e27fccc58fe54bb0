#include "core/KySingleton.h"
#include "tests/support/StdoutCapture.h"
#include "tests/ui/TextBaseFixture.h"
#include "ui/KyMainWindow.h"
#include "ui/KyTextLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

class TextLayout : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        m_font = writeFont("Fonts/grid.kyf", blendGridFont());
        window = KySingleton<KyMainWindow>::instance();
        window->setSize(KyVector3f32(f32(context().width()), f32(context().height()), 0.0f));
    }
    void TearDown() override { KySingleton<KyMainWindow>::destroy(); }

    std::string font() const { return std::string("<font file=\"") + m_font.c_str() + "\"/>"; }

    // A pixel text layout of the given width in the window, its top-left
    // corner at the window's centre.
    void place(KyTextLayout& layout, f32 width)
    {
        layout.setSizeType(KyLayout::Pixel);
        layout.setSize(KyVector3f32(width, 1.0f, 1.0f));
        layout.setAnchor(KyVector3f32(0.0f, 0.0f, 0.0f));
        layout.setPosition(KyVector3f32(0.5f, 0.5f, 0.5f));
        window->addChild(&layout);
    }

    KyString m_font;
    KyMainWindow* window = nullptr;
};

TEST_F(TextLayout, WalkStartsAtTheFirstElementAndTakesTopLevelNodes)
{
    KyTextLayout layout;
    place(layout, 300.0f);
    layout.setText("only characters");
    EXPECT_TRUE(layout.textBase.text.isEmpty());

    // The run before the first element is lost; the break stands at 0.
    layout.setText(("lost<br/>" + font() + "kept<color r=\"9\"><br/>inner</color>").c_str());
    EXPECT_EQ(layout.textBase.text, "kept");
    ASSERT_EQ(layout.textBase.lineBreaks.count(), 1u);
    EXPECT_EQ(layout.textBase.lineBreaks[0], 0u);
    EXPECT_EQ(layout.textBase.colorAt(4), KyColor(9, 0, 0, 255));
    EXPECT_EQ(layout.textBase.mesh.vertexCount(), 16u);
}

TEST_F(TextLayout, ColoursFollowTheElementsAndTheWorldColour)
{
    KyTextLayout layout;
    place(layout, 300.0f);
    layout.setColor(KyColor(10, 20, 30, 255));
    layout.setText((font() + "A<color r=\"255\"/>B<COLOR r=\"511\" g=\"-1\" a=\"0\"/>C").c_str());
    layout.textBase.getSize();
    EXPECT_EQ(quadColor(layout.textBase.mesh, 0), KyColor(10, 20, 30, 255));
    EXPECT_EQ(quadColor(layout.textBase.mesh, 1), KyColor(255, 0, 0, 255));
    // Tag names in capitals count; each channel keeps its low 8 bits.
    EXPECT_EQ(quadColor(layout.textBase.mesh, 2), KyColor(255, 255, 0, 0));

    // The default colour is the world colour, the parent's included.
    KyLayout parent;
    window->addChild(&parent);
    window->removeChild(&layout);
    parent.addChild(&layout);
    parent.setColor(KyColor(255, 255, 255, 51));
    EXPECT_TRUE(layout.textBase.dirty);
    EXPECT_EQ(layout.textBase.defaultColor, layout.worldColor());
    EXPECT_EQ(layout.textBase.defaultColor.a, 51);
    parent.removeChild(&layout);
}

TEST_F(TextLayout, SectionsAlignTheWholeText)
{
    KyTextLayout layout;
    place(layout, 100.0f);
    layout.setText(("<section style=\"CENTER\"/>" + font() + "abcd").c_str());
    EXPECT_EQ(layout.textBase.alignment, 3);
    EXPECT_EQ(layout.textBase.boxWidth, 100);
    EXPECT_EQ(quadLeft(layout.textBase.mesh, 0), 34.0f);
    layout.setText(("<Section style=\"justify\"/><section style=\"wide\"/>" + font() + "ab").c_str());
    EXPECT_EQ(layout.textBase.alignment, 2);
}

TEST_F(TextLayout, HeightFollowsTheLaidOutText)
{
    KyTextLayout pixel;
    place(pixel, 300.0f);
    pixel.setInterline(3.0f);
    pixel.setText((font() + "one<br/>two").c_str());
    // Two lines: 12 + 15, plus the interline.
    EXPECT_EQ(pixel.textBase.textHeight, 30);
    EXPECT_FLOAT_EQ(pixel.size().y, 30.0f);
    EXPECT_FLOAT_EQ(pixel.size().x, 300.0f);

    KyTextLayout percent;
    percent.setSizeType(KyLayout::Percent);
    percent.setSize(KyVector3f32(0.5f, 1.0f, 1.0f));
    window->addChild(&percent);
    percent.setText((font() + "abc").c_str());
    EXPECT_EQ(percent.textBase.boxWidth, context().width() / 2);
    EXPECT_FLOAT_EQ(percent.size().y, 12.0f);

    // An empty text clears the text; the size stays until the next update.
    pixel.setText(KyString());
    EXPECT_TRUE(pixel.textBase.text.isEmpty());
    EXPECT_EQ(pixel.textBase.lineBreaks.count(), 0u);
    EXPECT_FLOAT_EQ(pixel.size().y, 30.0f);
    window->removeChild(&percent);
}

TEST_F(TextLayout, TextSnapsToWholePixelsAndHalfPixelsInOddWindows)
{
    KyTextLayout layout;
    place(layout, 100.0f);
    layout.setPosition(KyVector3f32(0.503f, 0.5f, 0.5f));
    layout.setText((font() + "a").c_str());
    KyMatrix4x4 m = layout.textMatrix();
    EXPECT_EQ(m.m[12], std::floor(m.m[12]));
    EXPECT_EQ(m.m[13], std::floor(m.m[13]));

    window->setSize(KyVector3f32(63.0f, 48.0f, 0.0f));
    layout.setPosition(KyVector3f32(0.5f, 0.5f, 0.5f));
    m = layout.textMatrix();
    EXPECT_EQ(m.m[12] - std::floor(m.m[12]), 0.5f);
    EXPECT_EQ(m.m[13], std::floor(m.m[13]));
}

TEST_F(TextLayout, BrokenDescriptionsAndMissingFontsNeverDrawWithoutAFont)
{
    KyTextLayout layout;
    place(layout, 300.0f);
    layout.setText((font() + "abc").c_str());
    ASSERT_NE(layout.textBase.font(), nullptr);

    StdoutCapture log;
    layout.setText("<font file=\"x\">abc");
    EXPECT_NE(log.text().find("[KyTextLayout::setText] the text does not parse"), std::string::npos);
    EXPECT_EQ(layout.textBase.text, "abc");
    EXPECT_NE(layout.textBase.font(), nullptr);

    layout.setText("<font file=\"Fonts/missing.kyf\"/>abc");
    EXPECT_NE(log.text().find("[KyTextLayout::setText] font file Fonts/missing.kyf not found"), std::string::npos);
    EXPECT_NE(log.text().find("[KyTextLayout::setText] the text has no font: it is not drawn\n"), std::string::npos);
    EXPECT_EQ(layout.textBase.font(), nullptr);
    EXPECT_EQ(layout.textBase.fonts.count(0), 0u);
    EXPECT_FALSE(layout.draw());
}

TEST_F(TextLayout, TefFontNamesFallBackToTheKyfFileOfTheSameName)
{
    KyTextLayout layout;
    place(layout, 300.0f);
    layout.setText((font() + "abc").c_str());
    KyIntrusivePtr<KyFont2> stored(layout.textBase.font());
    ASSERT_NE(stored.get(), nullptr);

    // The interface texts name fonts ".tef"; only the ".kyf" file exists.
    std::string tef = m_font.c_str();
    tef.replace(tef.size() - 3, 3, "tef");
    layout.setText(("<font file=\"" + tef + "\"/>abc").c_str());
    ASSERT_NE(layout.textBase.font(), nullptr);
    EXPECT_EQ(layout.textBase.font()->path(), stored->path());
    EXPECT_EQ(layout.textBase.font()->glyphCount(), stored->glyphCount());

    StdoutCapture log;
    layout.setText("<font file=\"Fonts/none.tef\"/>abc");
    EXPECT_NE(log.text().find("font file Fonts/none.tef not found"), std::string::npos);
    EXPECT_EQ(layout.textBase.font(), nullptr);
}

TEST_F(TextLayout, DrawnGlyphsStandWhereTheLayoutPutsThemInTheirColours)
{
    pixelProjection();
    KyTextLayout layout;
    place(layout, 24.0f);
    layout.setColor(KyColor(0, 255, 0, 255));
    layout.setText((font() + "a<color r=\"255\"/>b c").c_str());
    window->draw();
    // Top-left corner at the window's centre (32, 32); "b c" is too wide
    // for 24 pixels and wraps after "b".
    EXPECT_EQ(pixelFromTop(36, 38), KyColor(0, 255, 0, 255));
    EXPECT_EQ(pixelFromTop(44, 38), KyColor(255, 0, 0, 255));
    EXPECT_EQ(pixelFromTop(36, 50), KyColor(255, 0, 0, 255));
    EXPECT_EQ(pixelFromTop(52, 38), KyColor(0, 0, 0, 255));
    EXPECT_EQ(pixelFromTop(28, 38), KyColor(0, 0, 0, 255));
    EXPECT_EQ(pixelFromTop(36, 29), KyColor(0, 0, 0, 255));
    window->removeChild(&layout);
}

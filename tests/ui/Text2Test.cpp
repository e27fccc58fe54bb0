#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "platform/KyCamera.h"
#include "platform/KyRenderer.h"
#include "tests/support/StdoutCapture.h"
#include "tests/ui/TextBaseFixture.h"
#include "ui/KyMainWindow.h"
#include "ui/KyText2.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

class Text2 : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        m_font = writeFont("Fonts/grid.kyf", blendGridFont());
    }
    void TearDown() override { KySingleton<KyMainWindow>::destroy(); }

    // A font element naming the test font.
    std::string font() const { return std::string("<font file=\"") + m_font.c_str() + "\"/>"; }

    static const KyTextBase& block(KyText2& text)
    {
        EXPECT_EQ(text.blocks().count(), 1u);
        return *text.blocks().begin();
    }

    // The widget camera over the context: origin at the centre, y down.
    void widgetCamera()
    {
        KyCamera& camera = KyCamera::global();
        const f32 w = f32(context().width());
        const f32 h = f32(context().height());
        camera.setProjectionMode(KyCamera::ProjectionOrthographic);
        camera.setViewport(u32(w), u32(h));
        camera.setOrthogonal(-w / 2, w / 2, h / 2, -h / 2, -2048.0f, 2048.0f);
    }

    KyString m_font;
};

TEST_F(Text2, MarkupBuildsTextBreaksFontsAndColours)
{
    KyText2 text;
    text.setTextBox(200, 50);
    text.setText((font() + "ab<br/>c<color r=\"255\">d<section style=\"center\"/>e</color>f").c_str());
    const KyTextBase& b = block(text);
    EXPECT_EQ(b.text, "abcdef");
    ASSERT_EQ(b.lineBreaks.count(), 1u);
    EXPECT_EQ(b.lineBreaks[0], 2u);
    EXPECT_EQ(b.alignment, 3);
    ASSERT_NE(b.font(), nullptr);
    EXPECT_EQ(text.font(), b.font());
    // The colour applies from its element's content on and stays after it.
    EXPECT_EQ(b.colorAt(2), KyColor(0, 0, 0, 255));
    EXPECT_EQ(b.colorAt(3), KyColor(255, 0, 0, 255));
    EXPECT_EQ(b.colorAt(5), KyColor(255, 0, 0, 255));
    // Two lines: "ab" and the centred "cdef".
    EXPECT_EQ(text.textSize(), KyVector3f32(32.0f, 24.0f, 0.0f));
    EXPECT_EQ(quadLeft(b.mesh, 0), 92.0f);
    EXPECT_EQ(quadLeft(b.mesh, 2), 84.0f);
    EXPECT_EQ(quadColor(b.mesh, 3), KyColor(255, 0, 0, 255));
    EXPECT_EQ(b.mesh.vertexCount(), 24u);
}

TEST_F(Text2, UnknownStylesKeepTheAlignmentAndTheBoxWrapsTheText)
{
    KyText2 text;
    text.setText((font() + "<section style=\"right\"/><section style=\"middle\"/>ab cd").c_str());
    EXPECT_EQ(block(text).alignment, 1);

    text.setTextBox(24, 0);
    EXPECT_TRUE(text.isDirty());
    EXPECT_EQ(text.textSize(), KyVector3f32(16.0f, 24.0f, 0.0f));
    text.setInterline(4.0f);
    text.applyLayout();
    EXPECT_FALSE(text.isDirty());
    EXPECT_EQ(text.textSize().y, 32.0f);   // 12 + (12 + 4) + 4
    EXPECT_EQ(quadLeft(block(text).mesh, 3), 8.0f);

    text.setText(KyString());
    EXPECT_EQ(text.blocks().count(), 0u);
    EXPECT_EQ(text.textSize(), KyVector3f32(0.0f, 0.0f, 0.0f));
}

TEST_F(Text2, FontTroublesKeepThePreviousFontAndNeverUseANullOne)
{
    KyText2 text;
    text.setTextBox(200, 20);
    StdoutCapture log;
    text.setText("no font here");
    EXPECT_NE(log.text().find("[KyText2::setText] the text has no font: it is not drawn\n"), std::string::npos);
    EXPECT_EQ(text.textSize(), KyVector3f32(0.0f, 0.0f, 0.0f));
    EXPECT_FALSE(text.draw());

    text.setText((font() + "ab").c_str());
    KyFont2* grid = text.font();
    ASSERT_NE(grid, nullptr);
    text.setText("<font file=\"Fonts/none.kyf\"/>abc");
    EXPECT_NE(log.text().find("font file Fonts/none.kyf not found"), std::string::npos);
    EXPECT_EQ(text.font(), grid);
    EXPECT_EQ(block(text).font(), grid);
    EXPECT_EQ(text.textSize().x, 24.0f);

    // Markup that does not parse changes nothing.
    text.setText("<color r=\"1\">abcdef");
    EXPECT_NE(log.text().find("[KyText2::setText] the text does not parse"), std::string::npos);
    EXPECT_EQ(block(text).text, "abc");
}

TEST_F(Text2, LoadsVisibilityInterlineAndTextFromItsElement)
{
    const std::string xml = "<text2 visible=\"0\" interline=\"2.5\">skipped" + font() + "Hi<br/>you</text2>";
    TiXmlDocument document;
    document.Parse(xml.c_str());
    ASSERT_FALSE(document.Error());
    KyText2 text;
    text.setTextBox(100, 100);
    text.loadFromXml(document.RootElement());
    EXPECT_FALSE(text.visible());
    EXPECT_EQ(text.interline(), 2.5f);
    EXPECT_EQ(block(text).text, "Hiyou");
    EXPECT_EQ(text.textSize(), KyVector3f32(24.0f, 29.0f, 0.0f));   // ceil(12 + 14.5 + 2.5)
}

TEST_F(Text2, DrawListenerFollowsTheDepthAndLeavesWithTheWidget)
{
    KyArray<KyICallback0Param*>& onDraw = KySingleton<KyMainWindow>::instance()->onDraw();
    const u32 before = onDraw.count();
    {
        KyText2 text;
        EXPECT_EQ(onDraw.count(), before + 1);
        text.setPosition(KyVector3f32(1.0f, 2.0f, 7.0f));
        EXPECT_EQ(onDraw.count(), before + 1);
        bool found = false;
        for (KyICallback0Param* listener : onDraw) {
            KyCallback0Param<KyText2>* own = dynamic_cast<KyCallback0Param<KyText2>*>(listener);
            if (own && own->object() == &text) {
                found = true;
                EXPECT_EQ(own->priority(), -7.0f);
            }
        }
        EXPECT_TRUE(found);
    }
    EXPECT_EQ(onDraw.count(), before);
}

TEST_F(Text2, DrawsThroughTheWidgetCameraInTheMarkupColours)
{
    widgetCamera();
    pixelProjection();
    KyText2 text;
    text.setTextBox(64, 64);
    text.setText((font() + "<color r=\"255\" g=\"255\">a</color><color b=\"255\">b</color>").c_str());
    // The origin (-28, -28) is 4 pixels in from the top-left corner.
    text.setPosition(KyVector3f32(-28.0f, -28.0f, 0.0f));
    KySingleton<KyRenderer>::instance()->drawOverlay(KyCamera::global(),
                                                     KySingleton<KyMainWindow>::instance()->onDraw());
    EXPECT_EQ(pixelFromTop(8, 10), KyColor(255, 255, 0, 255));
    EXPECT_EQ(pixelFromTop(16, 10), KyColor(0, 0, 255, 255));
    EXPECT_EQ(pixelFromTop(24, 10), KyColor(0, 0, 0, 255));
    EXPECT_EQ(pixelFromTop(8, 18), KyColor(0, 0, 0, 255));
    EXPECT_EQ(pixelFromTop(2, 10), KyColor(0, 0, 0, 255));

    // Hidden, it draws nothing.
    text.setVisible(false);
    pixelProjection();
    widgetCamera();
    KySingleton<KyRenderer>::instance()->drawOverlay(KyCamera::global(),
                                                     KySingleton<KyMainWindow>::instance()->onDraw());
    EXPECT_EQ(pixelFromTop(8, 10), KyColor(0, 0, 0, 255));
}

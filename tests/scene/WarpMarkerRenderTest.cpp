// Markers drawn offscreen over a panorama: a marker in front of the camera
// is drawn centred on the pixel its point projects to (straight ahead: the
// centre of the window), one behind the camera is not drawn at all, and
// turning round swaps them.

#include "scene/KyWarp.h"
#include "tests/scene/WarpFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

bool isMarker(const KyColor& c)
{
    const KyColor& m = WarpSceneViewTest::markerColour;
    return std::abs(c.r - m.r) <= 2 && std::abs(c.g - m.g) <= 2 && std::abs(c.b - m.b) <= 2;
}

class WarpMarkerRenderTest : public WarpSceneViewTest {
protected:
    void SetUp() override
    {
        WarpSceneViewTest::SetUp();
        // Straight ahead at yaw 0, in front up and to the right, straight
        // behind, and behind off to one side.
        describe("<animation name=\"BIRD\" fps=\"15\"><marker x=\"0\" y=\"0\" z=\"-500\"/>"
                 "<marker x=\"200\" y=\"120\" z=\"-500\"/><marker x=\"0\" y=\"0\" z=\"500\"/>"
                 "<marker x=\"-300\" y=\"100\" z=\"400\"/></animation>");
        warp.setMarkersVisible(true);
        for (u32 slot = 0; slot < 4; ++slot)
            warp.setMarker(KyString("BIRD"), 3, slot);
    }

    // Marker pixels of the window outside the 20 x 20 boxes centred on the
    // given pixels, and whether each box holds marker pixels at its centre.
    u32 strayMarkerPixels(const std::vector<KyVector3f32>& centres)
    {
        u32 stray = 0;
        for (s32 y = 0; y < m_context.height(); ++y) {
            for (s32 x = 0; x < m_context.width(); ++x) {
                if (!isMarker(pixel(x, y)))
                    continue;
                bool inside = false;
                for (const KyVector3f32& c : centres)
                    inside = inside || (std::fabs(x + 0.5f - c.x) <= 10.0f && std::fabs(y + 0.5f - c.y) <= 10.0f);
                stray += inside ? 0 : 1;
            }
        }
        return stray;
    }

    KyVector3f32 position(u32 slot) { return warp.marker(slot)->sprite()->position; }
};

} // namespace

TEST_F(WarpMarkerRenderTest, MarkersInFrontAreDrawnAtTheirPointAndThoseBehindAreNot)
{
    draw(WarpFixture::view(0.0f, 0.0f));
    // Straight ahead: the centre of the window.
    const KyVector3f32 ahead = pixelOf(position(0));
    EXPECT_NEAR(80.0f, ahead.x, 0.01f);
    EXPECT_NEAR(60.0f, ahead.y, 0.01f);
    const KyVector3f32 aside = pixelOf(position(1));
    EXPECT_GT(aside.x, 100.0f);
    EXPECT_GT(aside.y, 75.0f);
    for (const KyVector3f32& p : {ahead, aside}) {
        SCOPED_TRACE(testing::Message() << "pixel " << p.x << ", " << p.y);
        // The 16-pixel marker covers its point and ends 8 pixels away.
        for (s32 dx : {-6, 0, 6})
            for (s32 dy : {-6, 0, 6})
                EXPECT_TRUE(isMarker(pixel(s32(p.x) + dx, s32(p.y) + dy))) << dx << ", " << dy;
        EXPECT_FALSE(isMarker(pixel(s32(p.x) + 10, s32(p.y))));
        EXPECT_FALSE(isMarker(pixel(s32(p.x), s32(p.y) - 10)));
    }
    EXPECT_EQ(0u, strayMarkerPixels({ahead, aside}));

    // The buttons of the markers behind stand wholly outside the screen;
    // the one ahead is centred on the middle of the 480 x 320 interface.
    KySpriteButton& centre = warp.marker(0)->sprite()->button;
    const KyVector3f32 size = warp.marker(0)->sprite()->button.upSprite.size();
    EXPECT_NEAR(240.0f, centre.position().x + size.x / 2, 0.01f);
    EXPECT_NEAR(160.0f, centre.position().y + size.y / 2, 0.01f);
    EXPECT_EQ(-999.0f, centre.position().z);
    for (u32 slot : {2u, 3u}) {
        KySpriteButton& behind = warp.marker(slot)->sprite()->button;
        const KyVector3f32 s = behind.scale();
        EXPECT_LT(behind.position().x + size.x / 2 + size.x * s.x / 2, 0.0f);
        EXPECT_LT(behind.position().y + size.y / 2 + size.y * s.y / 2, 0.0f);
    }

    // Turned round, the marker behind is ahead and the others behind.
    draw(WarpFixture::view(180.0f, 0.0f));
    const KyVector3f32 back = pixelOf(position(2));
    EXPECT_NEAR(80.0f, back.x, 0.01f);
    EXPECT_NEAR(60.0f, back.y, 0.01f);
    EXPECT_TRUE(isMarker(pixel(80, 60)));
    const KyVector3f32 side = pixelOf(position(3));
    EXPECT_TRUE(isMarker(pixel(s32(side.x), s32(side.y))));
    EXPECT_EQ(0u, strayMarkerPixels({back, side}));
}

TEST_F(WarpMarkerRenderTest, HiddenMarkersAndAnUndrawnPanoramaShowNoMarker)
{
    warp.setMarker(KyString("BIRD"), -1, 0);
    warp.setMarker(KyString("BIRD"), -1, 1);
    draw(WarpFixture::view(0.0f, 0.0f));
    EXPECT_EQ(0u, strayMarkerPixels({}));

    warp.setMarker(KyString("BIRD"), 3, 0);
    warp.setMarkersVisible(false);
    draw(WarpFixture::view(0.0f, 0.0f));
    EXPECT_EQ(0u, strayMarkerPixels({}));

    warp.setMarkersVisible(true);
    warp.setMarkersOpacity(0.0f);
    draw(WarpFixture::view(0.0f, 0.0f));
    EXPECT_EQ(0u, strayMarkerPixels({}));
    warp.setMarkersOpacity(255.0f);
    draw(WarpFixture::view(0.0f, 0.0f));
    EXPECT_TRUE(isMarker(pixel(80, 60)));
}

TEST_F(WarpMarkerRenderTest, AMarkerHiddenWhileItIsPressedStaysHidden)
{
    // Each way the panorama hides a marker, under a press held on its
    // button: nothing of it stays drawn, neither then nor after the release.
    const char* const ways[] = {"SetMarker -1", "markers hidden", "animations reset"};
    for (const char* way : ways) {
        SCOPED_TRACE(way);
        warp.setMarkersVisible(true);
        warp.setMarker(KyString("BIRD"), 3, 0);
        draw(WarpFixture::view(0.0f, 0.0f));
        ASSERT_TRUE(isMarker(pixel(80, 60)));
        KySpriteButton& button = warp.marker(0)->sprite()->button;
        button.button.setPressed(true);
        ASSERT_TRUE(button.downSprite.visible);
        if (way == ways[0])
            warp.setMarker(KyString("BIRD"), -1, 0);
        else if (way == ways[1])
            warp.setMarkersVisible(false);
        else
            warp.resetAnimations();
        draw(WarpFixture::view(0.0f, 0.0f));
        EXPECT_FALSE(isMarker(pixel(80, 60)));
        button.button.setPressed(false);
        draw(WarpFixture::view(40.0f, 0.0f));
        EXPECT_EQ(0u, strayMarkerPixels({}));
    }
}

TEST_F(WarpMarkerRenderTest, OnAQuarterTurnedScreenTheWindowIsTakenTurned)
{
    // The screen's turn is the camera's orientation; the view still looks
    // ahead, so the marker ahead stays in the middle of the interface.
    warp.setCameraRotation(KyQuaternion(0.0f, 0.0f, std::sqrt(0.5f), std::sqrt(0.5f)));
    KyWarpMarker::Sprite& ahead = *warp.marker(0)->sprite();
    warp.updateMarker(warp.camera(), ahead);
    const KyVector3f32 size = ahead.button.size();
    EXPECT_NEAR(480.0f / 120.0f, ahead.button.scale().x, 1e-5f);
    EXPECT_NEAR(320.0f / 160.0f, ahead.button.scale().y, 1e-5f);
    EXPECT_NEAR(240.0f, ahead.button.position().x + size.x / 2, 0.01f);
    EXPECT_NEAR(160.0f, ahead.button.position().y + size.y / 2, 0.01f);

    // An inactive marker is not moved.
    warp.setCameraRotation(KyQuaternion());
    warp.setMarker(KyString("BIRD"), -1, 0);
    const KyVector3f32 before = ahead.button.position();
    warp.updateMarker(warp.camera(), ahead);
    EXPECT_EQ(before, ahead.button.position());
}

// A six-colour cube panorama drawn offscreen: the face seen at the centre of
// the view for every quarter turn of the yaw and for pitches of +/-45
// degrees. Only the panorama's rotation is set, as the game sets it, so the
// pictures also show that the view rotation reaches the camera.

#include "scene/KyWarp.h"
#include "tests/scene/WarpFixture.h"

#include <gtest/gtest.h>

namespace {

// Faces: 0 top, 1 bottom, 2 back, 3 front, 4 right, 5 left.
struct View {
    f32 yaw;
    f32 pitch;
    u32 above;   // face 10 pixels above the centre
    u32 centre;  // face at the centre; 6 where two faces meet there
    u32 below;   // face 10 pixels below the centre
};

class WarpRenderTest : public WarpViewTest {
protected:
    // Bigger tiles than the view test's default, in the format under test.
    WarpWriter::Bytes panorama() override { return WarpFixture::bytes(WarpFixture::cube(64, 16, format)); }

    // Checks every view of the table below.
    void expectViews();

    std::string format = "png";
};

const View kViews[] = {
    {0, 0, 3, 3, 3},     {90, 0, 5, 5, 5},     {180, 0, 2, 2, 2},   {270, 0, 4, 4, 4},
    // At +/-45 degrees the centre looks along the cube's edge: the top (or
    // bottom) face lies just above (below) it.
    {0, 45, 0, 6, 3},    {0, -45, 3, 6, 1},    {90, 45, 0, 6, 5},   {180, -45, 2, 6, 1},
    // Past the edge the centre is on the top or bottom face.
    {0, 60, 0, 0, 0},    {270, -60, 1, 1, 1},
};

void WarpRenderTest::expectViews()
{
    for (const View& v : kViews) {
        SCOPED_TRACE(testing::Message() << "yaw " << v.yaw << " pitch " << v.pitch);
        const KyQuaternion q = WarpFixture::view(v.yaw, v.pitch);
        EXPECT_EQ(WarpFixture::faceColour(v.above), frame(q, 80, 70));
        EXPECT_EQ(WarpFixture::faceColour(v.below), frame(q, 80, 50));
        if (v.centre < 6) {
            EXPECT_EQ(WarpFixture::faceColour(v.centre), frame(q, 80, 60));
        }
    }
}

} // namespace

TEST_F(WarpRenderTest, TheCentreOfTheViewShowsTheFaceTheViewTurnsTo)
{
    expectViews();
    // The camera holds the rotation of the last frame.
    EXPECT_EQ(WarpFixture::view(270, -60), warp.camera().rotationQuaternion());
}

TEST_F(WarpRenderTest, TheRightAndLeftOfTheFrontViewAreTheRightAndLeftFaces)
{
    // The horizontal field of view is wider than 90 degrees only near the
    // corners; at yaw 45 the centre column splits front and right.
    const KyQuaternion q = WarpFixture::view(-45, 0);
    EXPECT_EQ(WarpFixture::faceColour(3), frame(q, 70, 60));
    EXPECT_EQ(WarpFixture::faceColour(4), frame(q, 90, 60));
    const KyQuaternion r = WarpFixture::view(45, 0);
    EXPECT_EQ(WarpFixture::faceColour(5), frame(r, 70, 60));
    EXPECT_EQ(WarpFixture::faceColour(3), frame(r, 90, 60));
}

class WarpRenderFormatTest : public WarpRenderTest, public testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        format = GetParam();
        WarpRenderTest::SetUp();
    }
};

TEST_P(WarpRenderFormatTest, EveryLosslessFormatDrawsTheSameCube)
{
    expectViews();
}

INSTANTIATE_TEST_SUITE_P(Formats, WarpRenderFormatTest, testing::Values("tga", "bmp"));

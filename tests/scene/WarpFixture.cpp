#include "tests/scene/WarpFixture.h"

#include "core/KySingleton.h"
#include "platform/KyMainWindow.h"

#include <GL/gl.h>

#include <cmath>

namespace WarpFixture {

namespace {

const KyColor kColours[6] = {KyColor(255, 0, 0, 255),   KyColor(0, 255, 0, 255),   KyColor(0, 0, 255, 255),
                             KyColor(255, 255, 0, 255), KyColor(255, 0, 255, 255), KyColor(0, 255, 255, 255)};

// A transparent face-sized picture with an opaque white square of half the
// side at (x, y).
WarpWriter::Picture quarter(u32 side, u32 x, u32 y)
{
    WarpWriter::Picture p = WarpWriter::Picture::filled(side, side, 0, 0, 0, 0);
    for (u32 r = y; r < y + side / 2; ++r)
        for (u32 c = x; c < x + side / 2; ++c)
            for (u32 k = 0; k < 4; ++k)
                p.rgba[(size_t(r) * side + c) * 4 + k] = 255;
    return p;
}

} // namespace

KyColor faceColour(u32 face)
{
    return kColours[face % 6];
}

WarpWriter::Source cube(u32 side, u32 tile, const std::string& format)
{
    WarpWriter::Source source;
    for (u32 f = 0; f < 6; ++f)
        source.faces[f] = WarpWriter::Picture::filled(side, side, kColours[f].r, kColours[f].g, kColours[f].b, 255);
    source.tileSize = tile;
    source.format = format;
    return source;
}

WarpWriter::Source animatedCube(u32 side, u32 tile, const std::string& format)
{
    WarpWriter::Source source = cube(side, tile, format);
    WarpWriter::AnimationSource door;
    door.name = "DOOR";
    door.frames.resize(2);
    door.frames[0].layers.push_back({3, quarter(side, 0, 0)});
    WarpWriter::PickCells opaque;
    opaque.face = 3;
    opaque.opaque = true;
    door.frames[0].picks.push_back(opaque);
    door.frames[1].layers.push_back({2, quarter(side, 0, 0)});
    source.animations.push_back(door);

    WarpWriter::AnimationSource lamp;
    lamp.name = "LAMP";
    lamp.frames.resize(1);
    lamp.frames[0].layers.push_back({4, quarter(side, side / 2, side / 2)});
    WarpWriter::PickCells cells;
    cells.face = 4;
    cells.cells = {WarpWriter::Cell(1, 1), WarpWriter::Cell(0, 0)};
    lamp.frames[0].picks.push_back(cells);
    source.animations.push_back(lamp);
    return source;
}

WarpWriter::File file(const WarpWriter::Source& source)
{
    WarpWriter::File out;
    std::string error;
    EXPECT_TRUE(WarpWriter::build(source, out, error)) << error;
    return out;
}

WarpWriter::Bytes bytes(const WarpWriter::Source& source)
{
    return WarpWriter::serialize(file(source));
}

std::string write(const TempDir& dir, const std::string& relative, const WarpWriter::Bytes& bytes)
{
    EXPECT_TRUE(dir.writeFile(relative, std::string(bytes.begin(), bytes.end())));
    return dir.file(relative);
}

KyQuaternion view(f32 yawDegrees, f32 pitchDegrees)
{
    const f32 pi = 3.14159265f;
    const f32 a = yawDegrees * pi / 180.0f;
    const f32 b = pitchDegrees * pi / 180.0f;
    const KyQuaternion yaw(0.0f, std::sin(a / 2), 0.0f, std::cos(a / 2));
    const KyQuaternion pitch(std::sin(b / 2), 0.0f, 0.0f, std::cos(b / 2));
    KyQuaternion q = pitch * yaw;
    q.normalize();
    return q;
}

} // namespace WarpFixture

WarpViewTest::WarpViewTest(s32 width, s32 height) : m_context(width, height) {}

WarpWriter::Bytes WarpViewTest::panorama()
{
    return WarpFixture::bytes(WarpFixture::animatedCube(16, 8));
}

void WarpViewTest::SetUp()
{
    ASSERT_TRUE(m_context.ok()) << "no OpenGL context";
    KySingleton<KyMainWindow>::instance()->setSize(
        KyVector3f32(f32(m_context.width()), f32(m_context.height()), 0));
    path = WarpFixture::write(dir, "Hall.wp", panorama());
    ASSERT_TRUE(warp.load(path.c_str()));
    warp.setupCamera();
    warp.setFov(60.0f);
    warp.setActive(true, false);
}

void WarpViewTest::TearDown()
{
    KySingleton<KyMainWindow>::destroy();
}

KyColor WarpViewTest::frame(const KyQuaternion& rotation, s32 x, s32 y)
{
    warp.setRotation(rotation);
    warp.update();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    warp.render();
    return pixel(x, y);
}

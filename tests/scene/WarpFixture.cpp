#include "tests/scene/WarpFixture.h"

#include "core/KyCallback1Param.h"
#include "core/KySingleton.h"
#include "platform/KyCamera.h"
#include "platform/KyScreen.h"
#include "scene/KySceneWarp.h"
#include "tools/content/ImageWriters.h"
#include "ui/KyMainWindow.h"
#include "ui/KySprite.h"

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

WarpWriter::AnimationSource strip(const std::string& name, u32 frames, u32 face, u32 side)
{
    WarpWriter::AnimationSource animation;
    animation.name = name;
    animation.frames.resize(frames);
    WarpWriter::PickCells opaque;
    opaque.face = face;
    opaque.opaque = true;
    for (WarpWriter::FrameSource& frame : animation.frames) {
        frame.layers.push_back({face, quarter(side, 0, 0)});
        frame.picks.push_back(opaque);
    }
    return animation;
}

WarpWriter::Bytes scenePanorama()
{
    WarpWriter::Source source = animatedCube(16, 8);
    source.animations.push_back(strip("ANIM", 10, 2, 16));
    source.animations.push_back(strip("TWIN", 1, 5, 16));
    source.animations.push_back(strip("TWIN", 1, 5, 16));
    source.animations.push_back(strip("BIRD", 3, 0, 16));
    WarpWriter::File made = file(source);
    WarpWriter::Animation none;
    none.name = "NONE";
    made.animations.push_back(none);
    return WarpWriter::serialize(made);
}

void writeMarkerPictures(const TempDir& dir, s32 number, const KyColor& colour, u32 side)
{
    ImageWriters::PngImage png;
    png.width = side;
    png.height = side * 8;
    png.colorType = 6;
    for (u32 i = 0; i < png.width * png.height; ++i) {
        png.rows.push_back(colour.r);
        png.rows.push_back(colour.g);
        png.rows.push_back(colour.b);
        png.rows.push_back(colour.a);
    }
    const ImageWriters::Bytes bytes = ImageWriters::png(png);
    const std::string text(bytes.begin(), bytes.end());
    const std::string base = "2D/Menus/InGame/Marker_" + std::to_string(number);
    EXPECT_TRUE(dir.writeFile(base + ".png", text));
    EXPECT_TRUE(dir.writeFile(base + "_over.png", text));
}

void expectSceneConsistent(KyWarp& warp)
{
    const u32 markers = warp.markers().count();
    EXPECT_EQ(warp.exits().count(), warp.paths().count());
    EXPECT_EQ(warp.exits().count(), warp.exitPickMeshes().count());
    auto mesh = warp.exitPickMeshes().begin();
    auto path = warp.paths().begin();
    for (KyWarp::Exit& exit : warp.exits()) {
        EXPECT_EQ(exit.linkedPath, (*mesh)->name());
        EXPECT_EQ(KyPath(exit.linkedPath), *path);
        EXPECT_EQ(2 * exit.blocks.count(), (*mesh)->triangleCount);
        EXPECT_TRUE((*mesh)->isEnabled());
        for (const KyWarp::ExitBlock& b : exit.blocks) {
            EXPECT_TRUE(b.face >= 0 && b.face <= 5);
            EXPECT_TRUE(b.column >= 0 && b.column < b.columns && b.row >= 0 && b.row < b.rows);
        }
        EXPECT_TRUE(exit.blockGrid >= 1);
        EXPECT_TRUE(exit.marker == KyWarp::NoMarker || exit.marker < markers);
        ++mesh;
        ++path;
    }
    for (u32 a = 0; a < warp.animationCount(); ++a) {
        for (unsigned int index : warp.animations()[a].markerIndices)
            EXPECT_LT(index, markers);
    }
    for (KyWarpMarker* marker : warp.markers()) {
        ASSERT_NE(nullptr, marker->sprite());
        EXPECT_FALSE(marker->sprite()->active);
        EXPECT_EQ(-999.0f, marker->sprite()->depth);
    }
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

const KyColor WarpSceneViewTest::markerColour(200, 100, 50, 255);

WarpSceneViewTest::WarpSceneViewTest() : WarpViewTest(160, 120) {}

void WarpSceneViewTest::SetUp()
{
    WarpViewTest::SetUp();
    folder.reset(new ScopedWorkingDir(dir.path()));
    ASSERT_TRUE(folder->changedTo());
    WarpFixture::writeMarkerPictures(dir, 3, markerColour);
    WarpFixture::writeMarkerPictures(dir, 0, KyColor(255, 255, 255, 255));

    const f32 w = f32(m_context.width());
    const f32 h = f32(m_context.height());
    KySingleton<KyScreen>::instance()->setSize(KyVector3f32(w, h, 0.0f));
    input.manager()->setScale(480.0f / w, 320.0f / h, 1.0f);
    KyCamera& camera = KySprite::widgetCamera;
    camera.setProjectionMode(KyCamera::ProjectionOrthographic);
    camera.setViewport(u32(w), u32(h));
    camera.setOrthogonal(0.0f, 480.0f, 0.0f, 320.0f, -2048.0f, 2048.0f);
    camera.setPosition(KyVector3f32(0, 0, 0));
    // Alpha blending, as the renderer's start-up state has it.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    warp.onObjectHit().pushBack(kyNewCallback(this, &WarpSceneViewTest::heardHit, 0.0f));
    warp.setRotation(WarpFixture::view(0.0f, 0.0f));
    warp.update();
}

void WarpSceneViewTest::TearDown()
{
    // The markers and their pictures go before the folder does.
    warp.unload();
    folder.reset();
    WarpViewTest::TearDown();
}

bool WarpSceneViewTest::heardHit(KyString name)
{
    m_hits.push_back(name.c_str());
    if (onHit)
        onHit(name.c_str());
    return false;
}

void WarpSceneViewTest::describe(const std::string& xml)
{
    ASSERT_TRUE(dir.writeFile("Scene.xml", xml));
    KySceneWarp scene;
    scene.load(KyString(dir.file("Scene.xml").c_str()), &warp);
}

void WarpSceneViewTest::draw(const KyQuaternion& rotation)
{
    warp.setRotation(rotation);
    warp.update();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    warp.render();
    glDisable(GL_DEPTH_TEST);
    KySingleton<KyMainWindow>::instance()->onDraw().call();
    glEnable(GL_DEPTH_TEST);
    m_context.finish();
}

KyVector3f32 WarpSceneViewTest::pixelOf(const KyVector3f32& point)
{
    return warp.camera().projectPoint(point);
}

void WarpSceneViewTest::moveTo(s32 x, s32 y)
{
    input.moveTo(x, m_context.height() - y);
}

void WarpSceneViewTest::press(s32 x, s32 y)
{
    moveTo(x, y);
    input.press();
}

void WarpSceneViewTest::release(s32 x, s32 y)
{
    moveTo(x, y);
    input.release();
    warp.click();
}

std::vector<std::string> WarpSceneViewTest::hits()
{
    std::vector<std::string> taken;
    taken.swap(m_hits);
    return taken;
}

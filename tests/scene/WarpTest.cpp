// The panorama object: activity and its press listener, per-frame decoding
// of cube and animation tiles, drawing (the cube, playing animations, what
// stops it), the camera set-up, colour and markers, and unloading.

#include "core/KySingleton.h"
#include "core/KyWorkerPool.h"
#include "platform/KyInputMgr.h"
#include "platform/KyRenderer.h"
#include "platform/KyScreen.h"
#include "scene/KyWarp.h"
#include "scene/KyWarpMarker.h"
#include "tests/scene/WarpFixture.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"
#include "ui/KyMainWindow.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

u32 pressListeners()
{
    return KyInputMgr::instance()->onLeftButtonDown().count();
}

// Gives a test marker a sprite record, as the marker operations do.
class TestMarker : public KyWarpMarker {
public:
    TestMarker() { m_sprite = new Sprite; }
};

// Counts its deletions.
class Owned : public KyObject {
public:
    explicit Owned(int& deleted) : m_deleted(deleted) {}
    ~Owned() override { ++m_deleted; }

private:
    int& m_deleted;
};

class WarpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = WarpFixture::write(dir, "Hall.wp", WarpFixture::bytes(WarpFixture::animatedCube(16, 8)));
    }

    TempDir dir;
    std::string path;
};

} // namespace

TEST_F(WarpTest, OnlyAnActivePanoramaListensToPressesAndOnlyOnce)
{
    const u32 before = pressListeners();
    {
        KyWarp warp;
        EXPECT_FALSE(warp.isActive());
        EXPECT_TRUE(warp.isCubeVisible());
        EXPECT_FALSE(warp.markersVisible());
        warp.setActive(true, false);
        EXPECT_EQ(before + 1, pressListeners());
        warp.setActive(true, false);
        EXPECT_EQ(before + 1, pressListeners());
        EXPECT_FALSE(warp.onMouseClick());
        warp.setActive(false, false);
        EXPECT_EQ(before, pressListeners());
        warp.setActive(false, true);
        EXPECT_EQ(before, pressListeners());
        // Destroyed while active, it takes its listener with it.
        warp.setActive(true, false);
    }
    EXPECT_EQ(before, pressListeners());
}

TEST_F(WarpTest, AnInactivePanoramaDecodesNothingAndTakesNoViewRotation)
{
    KyWarp warp;
    ASSERT_TRUE(warp.load(path.c_str()));
    warp.setRotation(WarpFixture::view(90.0f, 0.0f));
    warp.update();
    for (u32 i = 0; i < warp.cubeTileCount(); ++i)
        EXPECT_FALSE(warp.cubeTiles()[i].hasTexture());
    EXPECT_EQ(KyQuaternion(), warp.camera().rotationQuaternion());
}

TEST_F(WarpTest, MarkersTakeTheColourAlphaAsOpacityAndGoWithDeactivationWhenAsked)
{
    KyWarp warp;
    for (int i = 0; i < 2; ++i)
        warp.markers().pushBack(new TestMarker);
    warp.setColor(KyColor(10, 20, 30, 128));
    EXPECT_EQ(KyColor(10, 20, 30, 128), warp.color());
    for (KyWarpMarker* marker : warp.markers())
        EXPECT_FLOAT_EQ(128.0f / 255.0f, marker->sprite()->button.opacity());

    warp.setActive(true, false);
    warp.setActive(false, false);
    EXPECT_EQ(2u, warp.markers().count());
    warp.setActive(true, true);
    EXPECT_EQ(2u, warp.markers().count());
    warp.setActive(false, true);
    EXPECT_EQ(0u, warp.markers().count());
}

TEST_F(WarpTest, UnloadLeavesNothingOfTheFileNorOfWhatWasHandedOver)
{
    KyWarp warp;
    ASSERT_TRUE(warp.load(path.c_str()));
    int deleted = 0;
    warp.objects().pushBack(new Owned(deleted));
    warp.objects().pushBack(new Owned(deleted));
    warp.exitPickMeshes().pushBack(new KyPickMesh);
    warp.exits().pushBack(KyWarp::Exit());
    warp.paths().pushBack(KyPath("3D\\Next.wp"));
    warp.markers().pushBack(new TestMarker);
    warp.playing().pushBack(&warp.animations()[0]);

    warp.unload();
    EXPECT_FALSE(warp.isLoaded());
    EXPECT_EQ(nullptr, warp.cubeTiles());
    EXPECT_EQ(0u, warp.cubeTileCount());
    EXPECT_EQ(0u, warp.animationCount());
    EXPECT_EQ(0u, warp.playing().count());
    EXPECT_EQ(2, deleted);
    EXPECT_EQ(0u, warp.objects().count());
    EXPECT_EQ(0u, warp.exitPickMeshes().count());
    EXPECT_EQ(0u, warp.exits().count());
    EXPECT_EQ(0u, warp.paths().count());
    EXPECT_EQ(0u, warp.markers().count());
    // The file stays open until the next load; an update finds nothing.
    EXPECT_TRUE(warp.file().isOpen());
    warp.setActive(true, false);
    warp.update();
    EXPECT_EQ(0u, warp.cubeTileCount());

    // Loading the same path again reads it again.
    ASSERT_TRUE(warp.load(path.c_str()));
    EXPECT_EQ(24u, warp.cubeTileCount());
}

TEST_F(WarpTest, TheCameraFollowsTheWindowTheTurnAndTheFieldOfView)
{
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    window->setSize(KyVector3f32(160, 120, 0));
    KyWarp warp;
    warp.setupCamera();
    warp.setFov(60.0f);
    KyCamera& camera = warp.camera();
    EXPECT_EQ(KyCamera::ProjectionPerspective, camera.projectionMode());
    EXPECT_EQ(160u, camera.viewportWidth());
    EXPECT_EQ(120u, camera.viewportHeight());
    EXPECT_FLOAT_EQ(160.0f / 120.0f, camera.aspect());
    EXPECT_EQ(1.0f, camera.near());
    EXPECT_EQ(4096.0f, camera.far());
    EXPECT_EQ(60.0f, camera.fov());
    EXPECT_EQ(KySingleton<KyScreen>::instance(), camera.screen());

    // A quarter-turned panorama (portrait) gets the inverse aspect and keeps
    // the turn as the camera's orientation.
    KyWarp turned;
    turned.setRotation(KyQuaternion(0.0f, 0.0f, 2.0f, 2.0f));
    turned.setupCamera();
    EXPECT_NEAR(120.0f / 160.0f, turned.camera().aspect(), 1e-5f);
    EXPECT_NEAR(std::sqrt(0.5f), turned.camera().orientation().z, 1e-6f);
    EXPECT_NEAR(std::sqrt(0.5f), turned.camera().orientation().w, 1e-6f);

    warp.resize(300.0f, 100.0f);
    EXPECT_EQ(300u, camera.viewportWidth());
    EXPECT_EQ(100u, camera.viewportHeight());
    EXPECT_FLOAT_EQ(3.0f, camera.aspect());
    EXPECT_EQ(60.0f, camera.fov());
    warp.setFov(45.0f);
    EXPECT_EQ(45.0f, camera.fov());
    EXPECT_FLOAT_EQ(3.0f, camera.aspect());
    // A window without height keeps the aspect it had.
    warp.resize(300.0f, 0.0f);
    EXPECT_FLOAT_EQ(3.0f, camera.aspect());

    warp.setCameraRotation(KyQuaternion(0.0f, 0.0f, 0.0f, 5.0f));
    EXPECT_EQ(KyQuaternion(0.0f, 0.0f, 0.0f, 1.0f), camera.orientation());
    KySingleton<KyMainWindow>::destroy();
}

TEST_F(WarpViewTest, TheFirstActiveFrameDecodesTheCubeAndTheAnimationTilesInView)
{
    frame(WarpFixture::view(0.0f, 0.0f), 0, 0);
    for (u32 i = 0; i < warp.cubeTileCount(); ++i)
        EXPECT_TRUE(warp.cubeTiles()[i].hasTexture()) << i;
    EXPECT_EQ(WarpFixture::view(0.0f, 0.0f), warp.camera().rotationQuaternion());

    // Looking at the front: DOOR's first frame (front face) is in view,
    // LAMP's (right face, upper right quarter) is not, whether playing or
    // not. Only current frames are decoded.
    KyWarp::AnimData& door = warp.animations()[0];
    KyWarp::AnimData& lamp = warp.animations()[1];
    EXPECT_TRUE(door.frames[0].tiles[0].hasTexture());
    EXPECT_EQ(1u, door.frames[0].loadedTiles);
    EXPECT_FALSE(door.frames[1].tiles[0].hasTexture());
    EXPECT_FALSE(lamp.frames[0].tiles[0].hasTexture());
    EXPECT_EQ(0u, lamp.frames[0].loadedTiles);

    frame(WarpFixture::view(270.0f, 0.0f), 0, 0);
    EXPECT_TRUE(lamp.frames[0].tiles[0].hasTexture());
    EXPECT_EQ(1u, lamp.frames[0].loadedTiles);
    // Counted once per decode, not per frame in view.
    frame(WarpFixture::view(270.0f, 0.0f), 0, 0);
    EXPECT_EQ(1u, lamp.frames[0].loadedTiles);

    warp.releaseFrameTextures(lamp.frames[0]);
    EXPECT_FALSE(lamp.frames[0].tiles[0].hasTexture());
    EXPECT_EQ(0u, lamp.frames[0].loadedTiles);
    warp.unloadTextures();
    for (u32 i = 0; i < warp.cubeTileCount(); ++i)
        EXPECT_FALSE(warp.cubeTiles()[i].hasTexture()) << i;
    EXPECT_FALSE(door.frames[0].tiles[0].hasTexture());
}

TEST_F(WarpViewTest, TilesReadAheadAreTexturedAndReportedAtTheFirstUpdate)
{
    // A copy of the panorama whose cube tiles 3 and 17 hold no picture.
    WarpWriter::Bytes bytes = panorama();
    bytes[warp.cubeTiles()[3].imagePosition()] = 0;
    bytes[warp.cubeTiles()[17].imagePosition()] = 0;
    KyWarp damaged;
    damaged.setupCamera();
    damaged.setFov(60.0f);
    ASSERT_TRUE(damaged.load(WarpFixture::write(dir, "Damaged.wp", bytes).c_str()));

    // Read ahead on becoming active (dropped on leaving), reported only when
    // the update makes the textures.
    StdoutCapture log;
    damaged.setActive(true, false);
    damaged.setActive(false, false);
    // Read ahead behind the scenes on show until it is shown itself.
    damaged.prefetchTextures(KyWorkerPool::Ahead);
    ASSERT_TRUE(damaged.readAhead());
    EXPECT_EQ(KyWorkerPool::Ahead, damaged.readAhead()->priority());
    damaged.setActive(true, false);
    ASSERT_TRUE(damaged.readAhead());
    EXPECT_EQ(KyWorkerPool::Now, damaged.readAhead()->priority());
    EXPECT_EQ("", log.text());
    damaged.update();
    // Each tile's lines together, the library's own before the engine's.
    const std::string damagedTile = "libpng error: Not a PNG file\nKyWarpBloc::LoadTexture: decode error\n";
    EXPECT_EQ(damagedTile + damagedTile, log.text());
    for (u32 i = 0; i < damaged.cubeTileCount(); ++i) {
        const bool bad = i == 3 || i == 17;
        EXPECT_EQ(bad, damaged.cubeTiles()[i].hasFailed()) << i;
        EXPECT_EQ(!bad, damaged.cubeTiles()[i].hasTexture()) << i;
    }
}

TEST_F(WarpViewTest, PlayingAnimationsAreDrawnOverTheCubeWhichCanBeHidden)
{
    // The lower left quarter of the front face, seen at yaw 0.
    const s32 x = 40;
    const s32 y = 30;
    const KyColor front = WarpFixture::faceColour(3);
    EXPECT_EQ(front, frame(WarpFixture::view(0, 0), x, y));

    // Only an animation of the playing list is drawn.
    KyWarp::AnimData& door = warp.animations()[0];
    warp.playing().pushBack(&door);
    EXPECT_EQ(KyColor(255, 255, 255, 255), frame(WarpFixture::view(0, 0), x, y));
    door.currentFrame = 1;
    EXPECT_EQ(front, frame(WarpFixture::view(0, 0), x, y));
    door.currentFrame = 0;

    warp.setCubeVisible(false);
    EXPECT_EQ(KyColor(0, 0, 0, 255), frame(WarpFixture::view(0, 0), 80, 60));
    EXPECT_EQ(KyColor(255, 255, 255, 255), frame(WarpFixture::view(0, 0), x, y));
}

TEST_F(WarpViewTest, NothingIsDrawnWithoutAlphaScaleOrActivityAndTheStateIsPutBack)
{
    KyRenderer* renderer = KySingleton<KyRenderer>::instance();
    const u32 projections = renderer->savedMatrixCount(KyRenderer::Projection);
    const u32 modelViews = renderer->savedMatrixCount(KyRenderer::ModelView);
    EXPECT_EQ(WarpFixture::faceColour(3), frame(WarpFixture::view(0, 0), 80, 60));
    EXPECT_EQ(projections, renderer->savedMatrixCount(KyRenderer::Projection));
    EXPECT_EQ(modelViews, renderer->savedMatrixCount(KyRenderer::ModelView));
    EXPECT_EQ(KyRenderer::ModelView, renderer->matrixMode());
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);

    const KyColor black(0, 0, 0, 255);
    warp.setColor(KyColor(255, 255, 255, 0));
    EXPECT_EQ(black, frame(WarpFixture::view(0, 0), 80, 60));
    warp.setColor(KyColor(255, 255, 255, 1));
    EXPECT_EQ(WarpFixture::faceColour(3), frame(WarpFixture::view(0, 0), 80, 60));
    for (const KyVector3f32& scale :
         {KyVector3f32(0, 1, 1), KyVector3f32(1, 0, 1), KyVector3f32(1, 1, 0)}) {
        warp.setScale(scale);
        EXPECT_EQ(black, frame(WarpFixture::view(0, 0), 80, 60));
    }
    warp.setScale(KyVector3f32(1, 1, 1));
    warp.setActive(false, false);
    EXPECT_EQ(black, frame(WarpFixture::view(0, 0), 80, 60));
}

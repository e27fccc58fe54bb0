#ifndef KY_TEST_WARP_FIXTURE_H
#define KY_TEST_WARP_FIXTURE_H

#include "core/KyColor.h"
#include "core/KyQuaternion.h"
#include "scene/KyWarp.h"
#include "tests/support/FakeInputDevice.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/TempDir.h"
#include "tools/content/WarpWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Panoramas for the scene tests, made with the panorama writer.
namespace WarpFixture {

// One colour per face, far apart so that a drawn pixel names its face:
// top red, bottom green, back blue, front yellow, right magenta, left cyan.
KyColor faceColour(u32 face);

// Six one-colour faces of side pixels, cut into tiles of the given side.
WarpWriter::Source cube(u32 side, u32 tile, const std::string& format = "png");

// The cube with two animations: "DOOR", two frames (frame 0: the front
// face's lower left quarter white, pickable where drawn; frame 1: the back
// face's lower left quarter white) and "LAMP", one frame over the right
// face's upper right quarter with two explicit pick cells.
WarpWriter::Source animatedCube(u32 side, u32 tile, const std::string& format = "png");

// An animation of frames frames, each drawing the lower left quarter of a
// face white, pickable where drawn.
WarpWriter::AnimationSource strip(const std::string& name, u32 frames, u32 face, u32 side);

// The panorama of the scene tests, side 16 in tiles of 8: animatedCube's
// "DOOR" (2 frames, front face) and "LAMP" (1 frame, right face), "ANIM"
// (ten frames over the back face), two one-frame animations both named
// "TWIN" (left face), "BIRD" (3 frames, top face) and "NONE", which has no
// frame.
WarpWriter::Bytes scenePanorama();

// Writes a strip of eight frames of side x side pixels of one colour, as
// "2D/Menus/InGame/Marker_<number>.png" and ".._over.png" under dir.
void writeMarkerPictures(const TempDir& dir, s32 number, const KyColor& colour, u32 side = 16);

// What a scene description leaves in a panorama holds together: one path
// and one pick mesh (two triangles a sound block) per exit, every marker
// index an exit or animation keeps names a marker, and no marker is placed.
void expectSceneConsistent(KyWarp& warp);

WarpWriter::Bytes bytes(const WarpWriter::Source& source);
WarpWriter::File file(const WarpWriter::Source& source);

// Writes the bytes to the relative file of dir and returns its full path.
std::string write(const TempDir& dir, const std::string& relative, const WarpWriter::Bytes& bytes);

// The view rotation the game gives a panorama: yaw about y, then pitch
// about x (pitch x yaw, normalised).
KyQuaternion view(f32 yawDegrees, f32 pitchDegrees);

} // namespace WarpFixture

// A panorama drawn into an offscreen window of its own: the main window is
// given the window's size, the panorama is loaded (WarpFixture::animatedCube
// by default), its camera set up with a 60 degree view, and made active.
class WarpViewTest : public ::testing::Test {
protected:
    explicit WarpViewTest(s32 width = 160, s32 height = 120);
    void SetUp() override;
    void TearDown() override;

    // The panorama's bytes; animatedCube(16, 8) unless overridden.
    virtual WarpWriter::Bytes panorama();

    // One frame: the view rotation given to the panorama, its update, a
    // clear to black and its drawing; the pixel (x, y) from the bottom left.
    KyColor frame(const KyQuaternion& rotation, s32 x, s32 y);
    KyColor pixel(s32 x, s32 y) const { return m_context.pixel(x, y); }

    GLTestContext m_context;
    TempDir dir;
    std::string path;
    KyWarp warp;
};

// A scene panorama (WarpFixture::scenePanorama) in a 160 x 120 window, as
// the game shows it: the input manager driven by an input script, its
// points in the 2D interface's 480 x 320 units, the widget camera over those
// units, and the working folder a temporary one holding the marker pictures
// "Marker_3" (markerColour) and "Marker_0". Object hits are recorded.
class WarpSceneViewTest : public WarpViewTest {
public:
    static const KyColor markerColour;

protected:
    WarpSceneViewTest();
    WarpWriter::Bytes panorama() override { return WarpFixture::scenePanorama(); }
    void SetUp() override;
    void TearDown() override;

    // Applies a scene description to the panorama.
    void describe(const std::string& xml);
    // One frame: the view rotation, an update, a clear to black, the
    // panorama and then the 2D overlay (the marker buttons) drawn.
    void draw(const KyQuaternion& rotation);
    // The window pixel (from the bottom left) of a point of the panorama.
    KyVector3f32 pixelOf(const KyVector3f32& point);
    // Pointer moves, presses and releases at window pixels counted from the
    // bottom left, each one frame of the input script; release also ends
    // the click as the game does (KyWarp::click).
    void moveTo(s32 x, s32 y);
    void press(s32 x, s32 y);
    void release(s32 x, s32 y);
    // The object hits heard since the last call, taken out.
    std::vector<std::string> hits();

    bool heardHit(KyString name);
    // Run by every object hit, after it is recorded.
    std::function<void(const std::string&)> onHit;

    InputScript input;
    std::unique_ptr<ScopedWorkingDir> folder;
    std::vector<std::string> m_hits;
};

#endif

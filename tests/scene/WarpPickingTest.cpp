// Picking in a panorama driven through the input manager: which animation
// or exit a click reports (animations in array order before exits, the
// later of two exits), presses and releases that do not match, and the
// markers: placing and hiding them, their pictures, clicks on them, and the
// cancelling of their presses.

#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "scene/KySceneWarp.h"
#include "scene/KyWarp.h"
#include "tests/scene/WarpFixture.h"
#include "tests/support/StdoutCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::string> Names;

// Window pixels (from the bottom left) on the front face, seen at yaw 0:
// its lower left quarter (where DOOR's first frame lies), lower right and
// upper left quarters.
const s32 kLowerLeft[2] = {50, 40};
const s32 kLowerRight[2] = {110, 40};
const s32 kUpperLeft[2] = {50, 80};

// A description without exits or markers.
const char* const kNoExits = "<object name=\"LAMP\"/>";

const char* const kTwoExits = "<exit linkedWarp=\"Left.wp\" nbWarpBlock=\"2\">"
                              "<block face=\"3\" offsetX=\"0\" offsetY=\"0\"/></exit>"
                              "<exit linkedWarp=\"Right.wp\" nbWarpBlock=\"2\">"
                              "<block face=\"3\" offsetX=\"1\" offsetY=\"0\"/></exit>";

// A square pick mesh named name in front of the front face, 100 units from
// the eye, over the lower left of the view.
KyPickMesh nearSquare(const KyString& name)
{
    KyPickMesh mesh;
    mesh.setName(name);
    mesh.allocate(2);
    const KyVector3f32 a(-100, -100, -100), b(0, -100, -100), c(0, 0, -100), d(-100, 0, -100);
    mesh.setTriangle(0, a, b, d);
    mesh.setTriangle(1, b, c, d);
    return mesh;
}

class WarpPickingTest : public WarpSceneViewTest {
protected:
    void click(const s32 at[2], const s32 to[2], const std::function<void()>& between = nullptr)
    {
        press(at[0], at[1]);
        if (between)
            between();
        release(to[0], to[1]);
    }

    void clickAt(const KyVector3f32& pixel)
    {
        press(s32(pixel.x), s32(pixel.y));
        release(s32(pixel.x), s32(pixel.y));
    }

    KyWarpMarker::Sprite& sprite(u32 index) { return *warp.marker(index)->sprite(); }
};

} // namespace

TEST_F(WarpPickingTest, AClickReportsTheObjectPressedAndReleasedOn)
{
    const KyString door("DOOR");
    const KyString anim("ANIM");
    const struct {
        const char* what;
        const char* scene;
        std::function<void(KyWarp&)> setup;
        const s32* at;
        const s32* to;
        std::function<void(KyWarp&)> between;
        Names expected;
    } cases[] = {
        {"an animation", kNoExits, [&](KyWarp& w) { w.setAnimationFrame(door, 0, true); }, kLowerLeft, kLowerLeft,
         nullptr, {"DOOR"}},
        {"an animation that is not pickable", kNoExits, [&](KyWarp& w) { w.setAnimationFrame(door, 0, false); },
         kLowerLeft, kLowerLeft, nullptr, {}},
        {"an animation whose current frame lies elsewhere", kNoExits,
         [&](KyWarp& w) { w.setAnimationFrame(door, 1, true); }, kLowerLeft, kLowerLeft, nullptr, {}},
        {"the first animation in the array before a nearer one", kNoExits,
         [&](KyWarp& w) {
             w.setAnimationFrame(door, 0, true);
             w.setAnimationFrame(anim, 0, true);
             w.findAnimation(anim)->frames[0].pickMesh = nearSquare(anim);
             w.findAnimation(anim)->frames[0].pickMesh.setEnabled(true);
         },
         kLowerLeft, kLowerLeft, nullptr, {"DOOR"}},
        {"the nearer one alone", kNoExits,
         [&](KyWarp& w) {
             w.setAnimationFrame(anim, 0, true);
             w.findAnimation(anim)->frames[0].pickMesh = nearSquare(anim);
             w.findAnimation(anim)->frames[0].pickMesh.setEnabled(true);
         },
         kLowerLeft, kLowerLeft, nullptr, {"ANIM"}},
        {"an animation before an exit", kTwoExits, [&](KyWarp& w) { w.setAnimationFrame(door, 0, true); },
         kLowerLeft, kLowerLeft, nullptr, {"DOOR"}},
        {"an exit", kTwoExits, nullptr, kLowerRight, kLowerRight, nullptr, {"3D\\Right.wp"}},
        {"an exit beside an animation", kTwoExits, [&](KyWarp& w) { w.setAnimationFrame(door, 0, true); },
         kLowerRight, kLowerRight, nullptr, {"3D\\Right.wp"}},
        {"the later of two exits",
         "<exit linkedWarp=\"Left.wp\" nbWarpBlock=\"2\"><block face=\"3\" offsetX=\"0\" offsetY=\"0\"/></exit>"
         "<exit linkedWarp=\"Front.wp\" nbWarpBlock=\"1\"><block face=\"3\" offsetX=\"0\" offsetY=\"0\"/></exit>",
         nullptr, kLowerLeft, kLowerLeft, nullptr, {"3D\\Front.wp"}},
        {"pressed on an animation, released on an exit", kTwoExits,
         [&](KyWarp& w) { w.setAnimationFrame(door, 0, true); }, kLowerLeft, kLowerRight, nullptr, {}},
        {"pressed on an exit, released on an animation", kTwoExits,
         [&](KyWarp& w) { w.setAnimationFrame(door, 0, true); }, kLowerRight, kLowerLeft, nullptr, {}},
        {"pressed on one exit, released on another", kTwoExits, nullptr, kLowerLeft, kLowerRight, nullptr, {}},
        {"pressed off everything, released on an exit", kTwoExits, nullptr, kUpperLeft, kLowerRight, nullptr, {}},
        {"the animation removed between press and release", kNoExits,
         [&](KyWarp& w) { w.setAnimationFrame(door, 0, true); }, kLowerLeft, kLowerLeft,
         [&](KyWarp& w) { w.removeObject(door); }, {}},
        {"the exits described again between press and release", kTwoExits, nullptr, kLowerRight, kLowerRight,
         [&](KyWarp&) { describe(kTwoExits); }, {}},
        {"the panorama reset between press and release", kNoExits,
         [&](KyWarp& w) { w.setAnimationFrame(door, 0, true); }, kLowerLeft, kLowerLeft,
         [&](KyWarp& w) { w.resetAnimations(); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        warp.resetAnimations();
        describe(c.scene);
        if (c.setup)
            c.setup(warp);
        click(c.at, c.to, c.between ? std::function<void()>([&] { c.between(warp); }) : nullptr);
        EXPECT_EQ(c.expected, hits());
        EXPECT_EQ(nullptr, warp.hitAnimation());
        EXPECT_EQ(nullptr, warp.hitExitMesh());
        // The same again reports it again.
        if (!c.between && !c.expected.empty()) {
            click(c.at, c.to);
            EXPECT_EQ(c.expected, hits());
        }
    }
}

TEST_F(WarpPickingTest, OnlyAnActivePanoramaHearsPresses)
{
    warp.setAnimationFrame(KyString("DOOR"), 0, true);
    warp.setActive(false, false);
    click(kLowerLeft, kLowerLeft);
    EXPECT_EQ(Names(), hits());
    warp.setActive(true, false);
    click(kLowerLeft, kLowerLeft);
    EXPECT_EQ(Names{"DOOR"}, hits());
}

TEST_F(WarpPickingTest, MarkersArePlacedHiddenAndClickedByName)
{
    describe("<animation name=\"DOOR\" fps=\"15\"><marker x=\"-250\" y=\"-250\" z=\"-500\"/>"
             "<marker x=\"-250\" y=\"250\" z=\"-500\"/></animation>"
             "<exit linkedWarp=\"Right.wp\" nbWarpBlock=\"2\"><marker x=\"250\" y=\"-250\" z=\"-500\"/>"
             "<block face=\"3\" offsetX=\"1\" offsetY=\"0\"/></exit>"
             "<exit linkedWarp=\"Bare.wp\" nbWarpBlock=\"1\"/>");
    ASSERT_EQ(3u, warp.markers().count());
    warp.setMarkersVisible(true);

    // Unknown names do nothing, quietly; missing slots and markers say so.
    {
        StdoutCapture out;
        warp.setMarker(KyString("GONE"), 3, 0);
        warp.setMarker(KyString("DOOR"), 3, 2);
        warp.setMarker(KyString("Bare.wp"), 3, 0);
        EXPECT_EQ("[KyWarp::setMarker] l'animation DOOR n'a pas de marqueur 2.\n"
                  "[KyWarp::setMarker] Bare.wp n'a pas de marqueur.\n",
                  out.text());
        for (u32 i = 0; i < 3; ++i)
            EXPECT_FALSE(sprite(i).active);
    }

    warp.setMarker(KyString("DOOR"), 3, 0);
    warp.setMarker(KyString("Right.wp"), 3, 0);
    KyWarpMarker::Sprite& door = sprite(0);
    KyWarpMarker::Sprite& exit = sprite(2);
    EXPECT_EQ(KyString("DOOR"), warp.marker(0)->name());
    EXPECT_EQ(KyString("3D\\Right.wp"), warp.marker(2)->name());
    KyResourceManager* resources = KySingleton<KyResourceManager>::instance();
    for (KyWarpMarker::Sprite* s : {&door, &exit}) {
        EXPECT_TRUE(s->active);
        EXPECT_TRUE(s->button.upSprite.visible);
        EXPECT_TRUE(s->button.button.isEnabled());
        EXPECT_FALSE(s->button.label.visible);
        EXPECT_EQ(resources->find<Ky3DTexture>(KyString("2D/Menus/InGame/Marker_3.png.3dtex")),
                  s->button.upSprite.texture().get());
        EXPECT_EQ(resources->find<Ky3DTexture>(KyString("2D/Menus/InGame/Marker_3_over.png.3dtex")),
                  s->button.downSprite.texture().get());
        EXPECT_NE(nullptr, s->button.downSprite.texture().get());
        // A strip of eight frames at eight a second, running.
        EXPECT_EQ(8u, s->button.upSprite.frameCount);
        EXPECT_EQ(8.0f, s->button.upSprite.frameRate);
        EXPECT_TRUE(s->button.upSprite.running);
        EXPECT_EQ(KyVector3f32(16, 16, 0), s->button.button.size());
    }
    EXPECT_FALSE(sprite(1).active);

    // Clicking a marker reports what clicking its animation or exit does.
    draw(WarpFixture::view(0.0f, 0.0f));
    const KyVector3f32 onDoor = pixelOf(door.position);
    const KyVector3f32 onExit = pixelOf(exit.position);
    clickAt(onDoor);
    EXPECT_EQ(Names{"DOOR"}, hits());
    clickAt(onExit);
    EXPECT_EQ(Names{"3D\\Right.wp"}, hits());

    // -1 hides a marker even while markers are visible, and showing the
    // markers again leaves it hidden until it is placed again.
    warp.setMarker(KyString("DOOR"), -1, 0);
    warp.setMarkersVisible(true);
    EXPECT_FALSE(door.active);
    EXPECT_FALSE(door.button.upSprite.visible);
    EXPECT_FALSE(door.button.button.isEnabled());
    draw(WarpFixture::view(0.0f, 0.0f));
    clickAt(onDoor);
    EXPECT_EQ(Names(), hits());
    warp.setMarker(KyString("DOOR"), 3, 0);
    EXPECT_TRUE(door.button.upSprite.visible);

    // Hidden markers show nothing; placed ones show again with the flag.
    warp.setMarkersVisible(false);
    for (KyWarpMarker::Sprite* s : {&door, &exit}) {
        EXPECT_FALSE(s->shown);
        EXPECT_FALSE(s->button.upSprite.visible);
        EXPECT_FALSE(s->button.button.isEnabled());
    }
    warp.setMarkersVisible(true);
    EXPECT_TRUE(door.button.upSprite.visible);
    EXPECT_FALSE(sprite(1).button.upSprite.visible);

    // Resetting the animations hides every marker.
    warp.resetAnimations();
    for (u32 i = 0; i < 3; ++i) {
        EXPECT_FALSE(sprite(i).active);
        EXPECT_FALSE(sprite(i).button.upSprite.visible);
        EXPECT_FALSE(sprite(i).button.button.isEnabled());
    }
}

TEST_F(WarpPickingTest, ADragCancelsAMarkerPressAndOpacityComesIn255ths)
{
    describe("<object name=\"LAMP\"><marker x=\"-250\" y=\"-250\" z=\"-500\"/></object>");
    warp.setMarkersVisible(true);
    warp.setMarker(KyString("LAMP"), 3, 0);
    draw(WarpFixture::view(0.0f, 0.0f));
    KyWarpMarker::Sprite& lamp = sprite(0);
    const KyVector3f32 at = pixelOf(lamp.position);

    press(s32(at.x), s32(at.y));
    EXPECT_TRUE(lamp.button.button.isPressed());
    EXPECT_TRUE(lamp.button.downSprite.visible);
    warp.resetMarkersState();
    EXPECT_FALSE(lamp.button.button.isPressed());
    EXPECT_TRUE(lamp.button.upSprite.visible);
    EXPECT_FALSE(lamp.button.downSprite.visible);
    release(s32(at.x), s32(at.y));
    EXPECT_EQ(Names(), hits());
    clickAt(at);
    EXPECT_EQ(Names{"LAMP"}, hits());

    for (f32 opacity : {0.0f, 128.0f, 255.0f}) {
        warp.setMarkersOpacity(opacity);
        EXPECT_FLOAT_EQ(opacity / 255.0f, lamp.button.opacity());
        EXPECT_FLOAT_EQ(opacity / 255.0f, lamp.button.upSprite.opacity());
    }
}

TEST_F(WarpPickingTest, APressOnAnAnimationResetsItsMarkers)
{
    describe("<animation name=\"DOOR\" fps=\"15\"><marker x=\"250\" y=\"250\" z=\"-500\"/></animation>");
    warp.setMarkersVisible(true);
    warp.setMarker(KyString("DOOR"), 3, 0);
    KyWarpMarker::Sprite& door = sprite(0);
    // A marker that has a disabled picture shows it once its object is
    // pressed.
    door.button.disabledSprite.Load(KyString("2D/Menus/InGame/Marker_0.png"));
    door.button.disabledSprite.visible = false;
    warp.setAnimationFrame(KyString("DOOR"), 0, true);
    press(kLowerLeft[0], kLowerLeft[1]);
    EXPECT_EQ(warp.findAnimation(KyString("DOOR")), warp.hitAnimation());
    EXPECT_TRUE(door.button.disabledSprite.visible);
    EXPECT_FALSE(door.button.upSprite.visible);
    release(kLowerLeft[0], kLowerLeft[1]);
    EXPECT_EQ(Names{"DOOR"}, hits());
}

TEST_F(WarpPickingTest, ListenersMayDescribeThePanoramaAgainInsideAClick)
{
    const std::string scene = "<animation name=\"DOOR\" fps=\"15\"><marker x=\"-250\" y=\"-250\" z=\"-500\"/>"
                              "</animation>" + std::string(kTwoExits);
    describe(scene);
    warp.setMarkersVisible(true);
    warp.setMarker(KyString("DOOR"), 3, 0);
    draw(WarpFixture::view(0.0f, 0.0f));
    const KyVector3f32 onDoor = pixelOf(warp.marker(0)->sprite()->position);

    // The scene described again while its marker's click runs: the old
    // marker goes at the next update, the new one is hidden.
    onHit = [&](const std::string&) { describe(scene); };
    clickAt(onDoor);
    EXPECT_EQ(Names{"DOOR"}, hits());
    ASSERT_EQ(1u, warp.markers().count());
    EXPECT_FALSE(warp.marker(0)->sprite()->active);
    draw(WarpFixture::view(0.0f, 0.0f));

    // And while an exit's click runs.
    clickAt(KyVector3f32(f32(kLowerRight[0]), f32(kLowerRight[1]), 0.0f));
    EXPECT_EQ(Names{"3D\\Right.wp"}, hits());
    WarpFixture::expectSceneConsistent(warp);

    // A marker hidden from inside its own click stays hidden.
    warp.setMarker(KyString("DOOR"), 3, 0);
    draw(WarpFixture::view(0.0f, 0.0f));
    onHit = [&](const std::string&) { warp.setMarker(KyString("DOOR"), -1, 0); };
    clickAt(onDoor);
    EXPECT_EQ(Names{"DOOR"}, hits());
    EXPECT_FALSE(warp.marker(0)->sprite()->button.upSprite.visible);
    onHit = nullptr;
}

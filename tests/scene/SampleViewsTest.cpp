// The scenes of the sample game drawn as the walkthrough sees them
// (data/WALKTHROUGH.md), with their scene descriptions applied: at each view
// the key points show their colours, and a ray through each click point
// hits the thing the walkthrough clicks there. The window has the game's
// 4:3 shape; points are in the interface's 480 x 320 units, y down.

#include "scene/KySceneWarp.h"
#include "tests/scene/WarpFixture.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/StdoutCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const s32 kWidth = 640;
const s32 kHeight = 480;

// A point in interface units as a window pixel, y up.
s32 pixelX(s32 x) { return x * kWidth / 480; }
s32 pixelY(s32 y) { return kHeight - 1 - y * kHeight / 320; }

struct Point {
    f32 view;        // the horizontal angle
    s32 x, y;        // interface units, y down
    const char* colour;
};

struct Click {
    f32 view;
    s32 x, y;
    const char* thing;   // an animation, or the panorama an exit leads to
};

struct Scene {
    const char* name;
    std::vector<Point> points;
    std::vector<Click> clicks;
};

std::ostream& operator<<(std::ostream& out, const Scene& scene)
{
    return out << scene.name;
}

const Scene kScenes[] = {
    {"Warp_0002",
     {{0, 120, 40, "#debd87"}, {0, 240, 100, "#e8c040"}, {90, 240, 100, "#9a7a4a"}, {-90, 240, 220, "#3d8638"}},
     {{0, 240, 208, "Isis/Warp_0003.wp"}, {90, 379, 251, "KEYS"}, {90, 191, 208, "FONT"},
      {-90, 240, 186, "Isis/Warp_0004.wp"}}},
    {"Warp_0004",
     {{0, 240, 220, "#a19999"}, {0, 120, 40, "#efa268"}, {180, 240, 100, "#b9c9d1"}},
     {{0, 240, 208, "WARD"}, {90, 240, 251, "ROSE"}, {180, 240, 186, "Isis/Warp_0002.wp"}}},
    {"Warp_0003",
     {{0, 240, 160, "#701622"}, {0, 120, 100, "#4e396b"}, {-90, 240, 220, "#1a2a69"}, {180, 240, 100, "#8dbce6"}},
     {{0, 240, 214, "LETR"}, {0, 428, 197, "SAVE"}, {90, 240, 164, "CRYP"}, {-90, 240, 186, "Isis/Warp_0005.wp"},
      {180, 240, 186, "Isis/Warp_0002.wp"}}},
    {"Warp_0005",
     {{0, 240, 40, "#070b21"}, {0, 120, 160, "#2a3450"}},
     {{0, 240, 273, "TELE"}, {90, 216, 225, "MAPS"}, {180, 240, 186, "Isis/Warp_0003.wp"}}},
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string made(const std::string& relative)
{
    return std::string(KY_SAMPLE_DATA_DIR) + "/" + relative;
}

KyColor colourOf(const char* hex)
{
    const unsigned long v = std::strtoul(hex + 1, nullptr, 16);
    return KyColor(u8(v >> 16), u8(v >> 8), u8(v), 255);
}

bool near(const KyColor& a, const KyColor& b)
{
    return std::abs(int(a.r) - b.r) <= 16 && std::abs(int(a.g) - b.g) <= 16 && std::abs(int(a.b) - b.b) <= 16;
}

class SampleViews : public WarpViewTest, public testing::WithParamInterface<Scene> {
protected:
    // The game runs in its data folder: the markers' pictures are found
    // from there.
    SampleViews() : WarpViewTest(kWidth, kHeight), m_folder(KY_SAMPLE_DATA_DIR) {}

    WarpWriter::Bytes panorama() override
    {
        const std::string bytes = readFile(made(std::string("3D/Isis/") + GetParam().name + ".wp"));
        return WarpWriter::Bytes(bytes.begin(), bytes.end());
    }

    void SetUp() override
    {
        WarpViewTest::SetUp();
        // The description as the game applies it, without a problem.
        std::string logged;
        {
            StdoutCapture out;
            KySceneWarp scene;
            scene.load(KyString(made(std::string("3D/Isis/") + GetParam().name + ".xml").c_str()), &warp);
            logged = out.text();
        }
        EXPECT_EQ("", logged);
        EXPECT_GT(warp.exits().count(), 0u);
    }

    // Whether a click at the point hits the thing: the ray through the
    // point's pixel meets the thing's clickable cells.
    bool hits(const Click& click)
    {
        warp.setRotation(WarpFixture::view(click.view, 0));
        warp.update();
        KyVector3f32 direction, origin, hit;
        f32 distance = 0;
        warp.camera().getRay(KyVector2s32(pixelX(click.x), pixelY(click.y)), direction, origin);
        const std::string thing = click.thing;
        if (thing.size() > 3 && thing.compare(thing.size() - 3, 3, ".wp") == 0) {
            for (KyPickMesh* mesh : warp.exitPickMeshes())
                if (std::string(mesh->name().c_str()) == "3D\\" + thing)
                    return mesh->intersect(origin, direction, hit, distance);
            ADD_FAILURE() << "no exit to " << thing;
            return false;
        }
        for (u32 i = 0; i < warp.animationCount(); ++i) {
            KyWarp::AnimData& a = warp.animations()[i];
            if (thing != a.name.c_str())
                continue;
            KyPickMesh mesh = a.frames[0].pickMesh;
            mesh.setEnabled(true);
            return mesh.intersect(origin, direction, hit, distance);
        }
        ADD_FAILURE() << "no animation " << thing;
        return false;
    }

    ScopedWorkingDir m_folder;
};

} // namespace

TEST_P(SampleViews, KeyPointsShowTheirColours)
{
    for (const Point& p : GetParam().points) {
        const KyColor drawn = frame(WarpFixture::view(p.view, 0), pixelX(p.x), pixelY(p.y));
        EXPECT_TRUE(near(drawn, colourOf(p.colour)))
            << "view " << p.view << " at (" << p.x << ", " << p.y << "): drawn " << int(drawn.r) << ","
            << int(drawn.g) << "," << int(drawn.b) << " for " << p.colour;
    }
}

TEST_P(SampleViews, ClickPointsHitWhatTheWalkthroughClicks)
{
    for (const Click& c : GetParam().clicks)
        EXPECT_TRUE(hits(c)) << c.thing << " at view " << c.view << " (" << c.x << ", " << c.y << ")";
    // And a click beside each misses it: the points are not hits by luck.
    for (const Click& c : GetParam().clicks) {
        Click beside = c;
        beside.x = c.x < 240 ? c.x + 200 : c.x - 200;
        EXPECT_FALSE(hits(beside)) << c.thing << " also at (" << beside.x << ", " << beside.y << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, SampleViews, testing::ValuesIn(kScenes));

// The scenes of the sample game as the build makes them: every panorama of
// 3D/Isis reads back whole with the animations its scripts drive, its
// description names only what the panorama holds, every exit leads to a
// panorama of the game through cells of its own face, and every marker
// stands over the thing it marks (a ray from the centre through the marker
// hits that thing's clickable cells).

#include "core/KyString.h"
#include "platform/KyPickMesh.h"
#include "scene/KyWarpBloc.h"
#include "scene/KyWarpReader.h"
#include "tests/tools/SampleData.h"
#include "tools/content/ImageWriters.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct Scene {
    const char* name;
    // name:frames of every animation, in file order
    std::vector<std::string> animations;
};

const Scene kScenes[] = {
    {"Warp_0002", {"FONT:4", "GATE:6", "KEYS:1"}},
    {"Warp_0003", {"LETR:1", "SAVE:1", "CRYP:4", "TORC:4"}},
    {"Warp_0004", {"WARD:2", "ROSE:1"}},
    {"Warp_0005", {"TELE:1", "MAPS:1"}},
    {"Anim_0005", {"WAND:8"}},
};

struct Panorama {
    KyWarpReader::Result result;
    bool ok = false;
    std::string error;

    const KyWarp::AnimData* animation(const std::string& name) const
    {
        for (u32 i = 0; i < result.animationCount; ++i)
            if (std::string(result.animations[i].name.c_str()) == name)
                return &result.animations[i];
        return nullptr;
    }
};

void readPanorama(const std::string& relative, Panorama& panorama)
{
    const std::string bytes = SampleData::read(SampleData::made(relative));
    if (bytes.empty()) {
        panorama.error = relative + " was not made";
        return;
    }
    KyString stream;
    ImageWriters::fillStream(stream, std::vector<u8>(bytes.begin(), bytes.end()));
    KyWarpReader reader(stream, u32(bytes.size()));
    panorama.ok = reader.read(panorama.result);
    panorama.error = reader.error().c_str();
}

KyVector3f32 markerOf(const TiXmlElement* element)
{
    const TiXmlElement* marker = element->FirstChildElement("marker");
    double x = 0, y = 0, z = 0;
    if (marker) {
        marker->QueryDoubleAttribute("x", &x);
        marker->QueryDoubleAttribute("y", &y);
        marker->QueryDoubleAttribute("z", &z);
    }
    return KyVector3f32(f32(x), f32(y), f32(z));
}

bool hits(const KyPickMesh& mesh, const KyVector3f32& towards)
{
    KyVector3f32 hit;
    f32 distance = 0;
    return mesh.intersect(KyVector3f32(0, 0, 0), towards, hit, distance);
}

// The clickable cells of an exit, as the scene code builds them.
KyPickMesh exitMesh(const TiXmlElement* exit, int grid, std::string& fault)
{
    std::vector<KyVector3f32> corners;
    for (const TiXmlElement* block = exit->FirstChildElement("block"); block;
         block = block->NextSiblingElement("block")) {
        int face = -1, column = -1, row = -1;
        block->QueryIntAttribute("face", &face);
        block->QueryIntAttribute("offsetX", &column);
        block->QueryIntAttribute("offsetY", &row);
        KyVector3f32 c[4];
        if (face < 0 || face > 5 || column < 0 || row < 0 || column >= grid || row >= grid
            || !KyWarpBloc::cellCorners(u32(face), u32(column), u32(row), u32(grid), u32(grid), c)) {
            fault += "a block outside its face; ";
            continue;
        }
        corners.insert(corners.end(), c, c + 4);
    }
    KyPickMesh mesh;
    mesh.allocate(u32(corners.size() / 2));
    for (size_t q = 0; q < corners.size() / 4; ++q) {
        const KyVector3f32* c = &corners[q * 4];
        mesh.setTriangle(u32(2 * q), c[0], c[1], c[3]);
        mesh.setTriangle(u32(2 * q + 1), c[1], c[2], c[3]);
    }
    mesh.setEnabled(true);
    return mesh;
}

bool insideCube(const KyVector3f32& p)
{
    return std::fabs(p.x) <= 500 && std::fabs(p.y) <= 500 && std::fabs(p.z) <= 500
           && (p.x != 0 || p.y != 0 || p.z != 0);
}

} // namespace

TEST(SampleScenes, EveryPanoramaReadsBackWithTheAnimationsItsScriptsDrive)
{
    for (const Scene& scene : kScenes) {
        SCOPED_TRACE(scene.name);
        Panorama panorama;
        readPanorama(std::string("3D/Isis/") + scene.name + ".wp", panorama);
        ASSERT_TRUE(panorama.ok) << panorama.error;
        EXPECT_EQ(KyString("png"), panorama.result.textureFormat);
        EXPECT_EQ(2u, panorama.result.cubeColumns);
        EXPECT_EQ(16u, panorama.result.pickColumns);
        std::vector<std::string> found;
        for (u32 i = 0; i < panorama.result.animationCount; ++i) {
            const KyWarp::AnimData& a = panorama.result.animations[i];
            found.push_back(std::string(a.name.c_str()) + ":" + std::to_string(a.frameCount));
            // Something to see in every frame, and for a thing to click a
            // clickable area in every frame.
            for (u32 f = 0; f < a.frameCount; ++f)
                EXPECT_GT(a.frames[f].tileCount, 0u) << a.name.c_str() << " frame " << f;
        }
        EXPECT_EQ(scene.animations, found);
    }
}

TEST(SampleScenes, DescriptionsNameWhatThePanoramasHoldAndMarkersStandOverIt)
{
    for (const Scene& scene : kScenes) {
        SCOPED_TRACE(scene.name);
        Panorama panorama;
        readPanorama(std::string("3D/Isis/") + scene.name + ".wp", panorama);
        ASSERT_TRUE(panorama.ok) << panorama.error;

        const std::string xml = std::string("3D/Isis/") + scene.name + ".xml";
        ASSERT_TRUE(SampleData::isOutput(xml));
        TiXmlDocument document;
        document.Parse(SampleData::read(SampleData::made(xml)).c_str());
        ASSERT_FALSE(document.Error()) << document.ErrorDesc();

        std::set<std::string> named;
        std::set<std::string> targets;
        for (const TiXmlElement* e = document.FirstChildElement(); e; e = e->NextSiblingElement()) {
            const std::string kind = e->Value();
            if (kind == "object" || kind == "animation") {
                const std::string name = e->Attribute("name") ? e->Attribute("name") : "";
                SCOPED_TRACE(kind + " " + name);
                EXPECT_TRUE(named.insert(name).second) << "named twice";
                const KyWarp::AnimData* a = panorama.animation(name);
                ASSERT_NE(nullptr, a) << "no such animation in the panorama";
                if (kind == "object") {
                    EXPECT_EQ(1u, a->frameCount) << "an object is put with one frame";
                }
                if (!e->FirstChildElement("marker"))
                    continue;
                const KyVector3f32 marker = markerOf(e);
                EXPECT_TRUE(insideCube(marker));
                bool over = false;
                for (u32 f = 0; f < a->frameCount; ++f) {
                    KyPickMesh mesh = a->frames[f].pickMesh;
                    mesh.setEnabled(true);
                    over = over || hits(mesh, marker);
                }
                EXPECT_TRUE(over) << "the marker stands beside what it marks";
            } else if (kind == "exit") {
                const std::string target = e->Attribute("linkedWarp") ? e->Attribute("linkedWarp") : "";
                SCOPED_TRACE("exit " + target);
                EXPECT_TRUE(targets.insert(target).second) << "two exits to one place";
                EXPECT_TRUE(SampleData::isOutput("3D/" + target)) << "leads nowhere";
                EXPECT_NE(target, std::string("Isis/") + scene.name + ".wp") << "leads to itself";
                int grid = 0;
                e->QueryIntAttribute("nbWarpBlock", &grid);
                ASSERT_GT(grid, 0);
                std::string fault;
                const KyPickMesh mesh = exitMesh(e, grid, fault);
                EXPECT_EQ("", fault);
                EXPECT_GT(mesh.triangleCount, 0u);
                const KyVector3f32 marker = markerOf(e);
                EXPECT_TRUE(insideCube(marker));
                EXPECT_TRUE(hits(mesh, marker)) << "the marker stands beside the way out";
                const TiXmlElement* camera = e->FirstChildElement("camera");
                ASSERT_NE(nullptr, camera);
                EXPECT_NE(nullptr, camera->Attribute("angleX"));
                EXPECT_NE(nullptr, camera->Attribute("angleY"));
            } else {
                ADD_FAILURE() << "an element the scene reader skips: " << kind;
            }
        }
    }
}

TEST(SampleScenes, EveryPlaceCanBeLeftAndReached)
{
    // The exits form one connected map whose every scene leads back to
    // where it was entered from.
    std::map<std::string, std::set<std::string>> ways;
    for (const Scene& scene : kScenes) {
        if (std::string(scene.name).compare(0, 5, "Warp_") != 0)
            continue;
        TiXmlDocument document;
        document.Parse(SampleData::read(SampleData::made(std::string("3D/Isis/") + scene.name + ".xml")).c_str());
        std::set<std::string>& out = ways[std::string("Isis/") + scene.name + ".wp"];
        for (const TiXmlElement* e = document.FirstChildElement("exit"); e; e = e->NextSiblingElement("exit"))
            out.insert(e->Attribute("linkedWarp"));
    }
    ASSERT_EQ(4u, ways.size());
    for (const auto& from : ways) {
        EXPECT_FALSE(from.second.empty()) << from.first << " has no way out";
        for (const std::string& to : from.second)
            EXPECT_EQ(1u, ways[to].count(from.first)) << to << " has no way back to " << from.first;
    }
    std::set<std::string> reached = {"Isis/Warp_0002.wp"};
    for (int pass = 0; pass < 4; ++pass)
        for (const auto& from : ways)
            if (reached.count(from.first))
                reached.insert(from.second.begin(), from.second.end());
    EXPECT_EQ(4u, reached.size());
}

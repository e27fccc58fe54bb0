// Scene descriptions: what a sound file adds to a panorama (markers of
// objects and animations, numbered exits with their pick meshes, paths and
// views), finding exits, visiting a panorama again, refused files, and one
// logged line per problem of a damaged file, which keeps what it can.

#include "core/KySingleton.h"
#include "platform/KyInputMgr.h"
#include "scene/KySceneWarp.h"
#include "scene/KyWarp.h"
#include "tests/scene/WarpFixture.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kHall = R"(<?xml version="1.0" ?>
<!-- the hall -->
<object name="LAMP"><marker x="500" y="250" z="-250"/></object>
<animation name="DOOR" fps="12.5">
  <marker x="-250" y="-250" z="-500"/>
  <marker x="-250" y="-250" z="500"/>
  <marker x="0" y="0" z="-500"/>
</animation>
<exit linkedWarp="Isis/Warp_0002.wp" nbWarpBlock="2">
  <camera angleX="90" angleY="-10.5"/>
  <block face="3" offsetX="1" offsetY="0"/>
  <block face="4" offsetX="0" offsetY="1"/>
</exit>
<exit linkedWarp="Isis/Warp_0003.wp" nbWarpBlock="4">
  <marker x="100" y="0" z="-500"/>
  <block face="2" offsetX="3" offsetY="3"/>
</exit>
<exit linkedWarp="Isis\Warp_0004.wp" nbWarpBlock="1"><marker x="0" y="-500" z="0"/></exit>
)";

// Lines of the log that come from reading a description.
std::vector<std::string> sceneLines(const std::string& log)
{
    std::vector<std::string> lines;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("[KySceneWarp::load] ", 0) == 0)
            lines.push_back(line);
    }
    return lines;
}

// What a description left in a panorama, to compare visits.
std::string summary(KyWarp& warp)
{
    std::ostringstream out;
    for (KyWarp::Exit& exit : warp.exits())
        out << exit.name.c_str() << ' ' << exit.linkedPath.c_str() << " m" << exit.marker << " b"
            << exit.blocks.count() << ';';
    for (KyPath& path : warp.paths())
        out << path.c_str() << ';';
    for (KyPickMesh* mesh : warp.exitPickMeshes())
        out << mesh->name().c_str() << '/' << mesh->triangleCount << ';';
    out << "markers " << warp.markers().count() << ';';
    for (u32 a = 0; a < warp.animationCount(); ++a) {
        out << warp.animations()[a].name.c_str() << ':';
        for (unsigned int i : warp.animations()[a].markerIndices)
            out << i << ',';
    }
    return out.str();
}

class SceneWarpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(warp.load(WarpFixture::write(dir, "Hall.wp", WarpFixture::scenePanorama()).c_str()));
    }

    void TearDown() override { KySingleton<KyInputMgr>::destroy(); }

    std::string write(const std::string& xml, const std::string& name = "Hall.xml")
    {
        EXPECT_TRUE(dir.writeFile(name, xml));
        return dir.file(name);
    }

    // Loads a description and returns its log lines.
    std::vector<std::string> load(const std::string& path)
    {
        StdoutCapture out;
        KySceneWarp scene;
        scene.load(path.c_str(), &warp);
        return sceneLines(out.text());
    }

    KyWarp::AnimData* animation(const char* name) { return warp.findAnimation(KyString(name)); }

    TempDir dir;
    KyWarp warp;
};

} // namespace

TEST_F(SceneWarpTest, ASoundDescriptionAddsMarkersAndNumberedExits)
{
    const std::string path = write(kHall);
    StdoutCapture out;
    KySceneWarp scene;
    scene.load(path.c_str(), &warp);
    EXPECT_TRUE(sceneLines(out.text()).empty()) << out.text();
    WarpFixture::expectSceneConsistent(warp);

    // Markers in document order: the object's, the animation's three, then
    // those of the second and third exits (the first has none).
    ASSERT_EQ(6u, warp.markers().count());
    const KyVector3f32 points[6] = {{500, 250, -250}, {-250, -250, -500}, {-250, -250, 500},
                                    {0, 0, -500},     {100, 0, -500},     {0, -500, 0}};
    for (u32 i = 0; i < 6; ++i) {
        const KyWarpMarker::Sprite& sprite = *warp.marker(i)->sprite();
        EXPECT_EQ(points[i], sprite.position) << i;
        EXPECT_FALSE(sprite.button.upSprite.visible);
        EXPECT_FALSE(sprite.button.button.isEnabled());
    }
    EXPECT_EQ(0u, animation("BIRD")->markerIndices.count());
    ASSERT_EQ(1u, animation("LAMP")->markerIndices.count());
    EXPECT_EQ(0u, animation("LAMP")->markerIndices[0]);
    ASSERT_EQ(3u, animation("DOOR")->markerIndices.count());
    for (u32 slot = 0; slot < 3; ++slot)
        EXPECT_EQ(slot + 1, animation("DOOR")->markerIndices[slot]);

    const struct {
        const char* name;
        const char* linked;
        const char* path;
        u32 marker;
        f32 angleX;
        f32 angleY;
        s32 grid;
        u32 blocks;
    } exits[] = {
        {"Exit_00", "3D\\Isis/Warp_0002.wp", "3D/Isis/Warp_0002.wp", KyWarp::NoMarker, 90.0f, -10.5f, 2, 2},
        {"Exit_01", "3D\\Isis/Warp_0003.wp", "3D/Isis/Warp_0003.wp", 4, 0.0f, 0.0f, 4, 1},
        {"Exit_02", "3D\\Isis\\Warp_0004.wp", "3D/Isis/Warp_0004.wp", 5, 0.0f, 0.0f, 1, 0},
    };
    ASSERT_EQ(3u, warp.exits().count());
    auto exit = warp.exits().begin();
    auto mesh = warp.exitPickMeshes().begin();
    auto stored = warp.paths().begin();
    for (const auto& e : exits) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(KyString(e.name), exit->name);
        EXPECT_EQ(KyString(e.linked), exit->linkedPath);
        EXPECT_EQ(e.marker, exit->marker);
        EXPECT_EQ(e.angleX, exit->angleX);
        EXPECT_EQ(e.angleY, exit->angleY);
        EXPECT_EQ(e.grid, exit->blockGrid);
        EXPECT_EQ(e.blocks, exit->blocks.count());
        EXPECT_EQ(2 * e.blocks, (*mesh)->triangleCount);
        EXPECT_EQ(KyString(e.path), KyString(*stored));
        EXPECT_EQ(&*exit, warp.findExit(KyString(e.linked), true));
        ASSERT_NE(nullptr, scene.findExit(KyString(e.name)));
        EXPECT_EQ(KyString(e.linked), scene.findExit(KyString(e.name))->linkedPath);
        ++exit;
        ++mesh;
        ++stored;
    }

    // The first exit's first block: cell (1, 0) of the front face cut 2 x 2.
    KyVector3f32 a, b, c;
    (*warp.exitPickMeshes().begin())->getTriangle(0, a, b, c);
    EXPECT_EQ(KyVector3f32(0, -500, -500), a);
    EXPECT_EQ(KyVector3f32(500, -500, -500), b);
    EXPECT_EQ(KyVector3f32(0, 0, -500), c);
    (*warp.exitPickMeshes().begin())->getTriangle(3, a, b, c);
    EXPECT_EQ(500.0f, a.x);

    ASSERT_NE(nullptr, scene.findObject(KyString("LAMP")));
    EXPECT_EQ(0u, scene.findObject(KyString("LAMP"))->marker);
    ASSERT_NE(nullptr, scene.findAnimation(KyString("DOOR")));
    EXPECT_EQ(12.5, scene.findAnimation(KyString("DOOR"))->fps);
    EXPECT_EQ(3u, scene.findAnimation(KyString("DOOR"))->markerIndices.count());
    EXPECT_EQ(nullptr, scene.findObject(KyString("DOOR")));
    scene.clear();
    EXPECT_EQ(0u, scene.exits().count() + scene.objects().count() + scene.animations().count());
    // The panorama keeps what was applied.
    EXPECT_EQ(3u, warp.exits().count());
}

TEST_F(SceneWarpTest, ExitsAreFoundWithOrWithoutThePrefix)
{
    load(write(kHall));
    const struct {
        const char* name;
        bool prefixed;
        const char* found;  // the exit's name, or null
    } lookups[] = {
        {"Isis/Warp_0003.wp", false, "Exit_01"},
        {"3D\\Isis/Warp_0003.wp", true, "Exit_01"},
        {"3D\\Isis/Warp_0003.wp", false, nullptr},
        {"Isis/Warp_0003.wp", true, nullptr},
        {"Isis\\Warp_0004.wp", false, "Exit_02"},
        {"Isis/Warp_0004.wp", false, nullptr},
        {"isis/warp_0002.wp", false, nullptr},
        {"", false, nullptr},
    };
    for (const auto& l : lookups) {
        SCOPED_TRACE(l.name);
        KyWarp::Exit* exit = warp.findExit(KyString(l.name), l.prefixed);
        if (l.found) {
            ASSERT_NE(nullptr, exit);
            EXPECT_EQ(KyString(l.found), exit->name);
        } else {
            EXPECT_EQ(nullptr, exit);
        }
    }
}

TEST_F(SceneWarpTest, APanoramaVisitedAgainHasWhatTheFirstVisitGaveIt)
{
    const std::string hall = write(kHall);
    const std::string other = write("<exit linkedWarp=\"Elsewhere.wp\" nbWarpBlock=\"1\"><marker x=\"1\" y=\"2\" "
                                    "z=\"3\"/><block face=\"0\" offsetX=\"0\" offsetY=\"0\"/></exit>",
                                    "Other.xml");
    load(hall);
    const std::string first = summary(warp);
    const struct {
        const char* what;
        std::function<void()> between;
    } visits[] = {
        {"straight again", [] {}},
        {"after leaving with the markers deleted",
         [&] {
             warp.setActive(true, false);
             warp.setActive(false, true);
             warp.resetAnimations();
         }},
        {"after another description", [&] { load(other); }},
        {"after the markers were placed", [&] { warp.setMarker(KyString("Isis/Warp_0003.wp"), 2, 0); }},
    };
    for (const auto& v : visits) {
        SCOPED_TRACE(v.what);
        v.between();
        EXPECT_TRUE(load(hall).empty());
        EXPECT_EQ(first, summary(warp));
        WarpFixture::expectSceneConsistent(warp);
    }
    // Leaving with the markers deleted forgets every marker index.
    warp.setActive(true, false);
    warp.setActive(false, true);
    EXPECT_EQ(0u, warp.markers().count());
    for (KyWarp::Exit& exit : warp.exits())
        EXPECT_EQ(KyWarp::NoMarker, exit.marker);
    EXPECT_EQ(0u, animation("DOOR")->markerIndices.count());
}

TEST_F(SceneWarpTest, TheMarkersVisibleFlagReachesTheNewMarkers)
{
    warp.setMarkersVisible(true);
    load(write(kHall));
    for (KyWarpMarker* marker : warp.markers()) {
        EXPECT_TRUE(marker->sprite()->shown);
        // Not placed yet, so not shown.
        EXPECT_FALSE(marker->sprite()->button.upSprite.visible);
        EXPECT_FALSE(marker->sprite()->button.button.isEnabled());
    }
}

TEST_F(SceneWarpTest, ARefusedFileIsLoggedOnceAndLeavesThePanoramaAsItWas)
{
    load(write(kHall));
    const std::string before = summary(warp);
    const struct {
        const char* what;
        const char* xml;  // null: no file
    } files[] = {
        {"missing", nullptr},
        {"empty", ""},
        {"blank", "  \n\t "},
        {"an element left open", "<exit linkedWarp=\"a\" nbWarpBlock=\"1\">"},
        {"mismatched ends", "<object name=\"LAMP\"></animation>"},
        {"a child left open", "<object name=\"LAMP\"><marker></object>"},
        {"an attribute without its value", "<object name/>"},
        {"text alone", "hello"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.what);
        const std::string path = f.xml ? write(f.xml, "Bad.xml") : dir.file("Missing.xml");
        const std::vector<std::string> lines = load(path);
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ(0u, lines[0].find("[KySceneWarp::load] file :" + path + " error : ")) << lines[0];
        EXPECT_EQ(before, summary(warp));
    }
}

TEST_F(SceneWarpTest, EachProblemIsOneLineAndWhatCanBeUsedIsKept)
{
    const struct {
        const char* what;
        const char* xml;
        u32 lines;
        std::function<void(KyWarp&, KySceneWarp&)> check;
    } cases[] = {
        {"an unknown element", "<door name=\"DOOR\"/><object name=\"LAMP\"/>", 1,
         [](KyWarp& w, KySceneWarp& s) {
             EXPECT_EQ(0u, w.exits().count());
             EXPECT_NE(nullptr, s.findObject(KyString("LAMP")));
         }},
        {"an object without a name", "<object><marker x=\"1\" y=\"1\" z=\"1\"/></object>", 1,
         [](KyWarp& w, KySceneWarp& s) {
             EXPECT_EQ(0u, w.markers().count());
             EXPECT_EQ(0u, s.objects().count());
         }},
        {"an animation without a name", "<animation fps=\"15\"/>", 1,
         [](KyWarp&, KySceneWarp& s) { EXPECT_EQ(0u, s.animations().count()); }},
        {"an exit without a path", "<exit nbWarpBlock=\"1\"><marker x=\"1\" y=\"1\" z=\"1\"/></exit>", 1,
         [](KyWarp& w, KySceneWarp&) {
             EXPECT_EQ(0u, w.exits().count());
             EXPECT_EQ(0u, w.markers().count());
         }},
        {"an exit with an empty path", "<exit linkedWarp=\"\" nbWarpBlock=\"1\"/>", 1,
         [](KyWarp& w, KySceneWarp&) { EXPECT_EQ(0u, w.exits().count()); }},
        {"a grid of 0 counts as 1", "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"0\"><block face=\"1\" offsetX=\"0\" "
                                    "offsetY=\"0\"/></exit>",
         1,
         [](KyWarp& w, KySceneWarp&) {
             EXPECT_EQ(1, w.exits().begin()->blockGrid);
             EXPECT_EQ(2u, (*w.exitPickMeshes().begin())->triangleCount);
         }},
        {"a negative grid counts as 1", "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"-3\"/>", 1,
         [](KyWarp& w, KySceneWarp&) { EXPECT_EQ(1, w.exits().begin()->blockGrid); }},
        {"a missing grid counts as 1", "<exit linkedWarp=\"A.wp\"/>", 1,
         [](KyWarp& w, KySceneWarp&) { EXPECT_EQ(1, w.exits().begin()->blockGrid); }},
        {"a grid that is not a number", "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"four\"/>", 1,
         [](KyWarp& w, KySceneWarp&) { EXPECT_EQ(1, w.exits().begin()->blockGrid); }},
        {"a grid beyond an int", "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"99999999999\"/>", 1,
         [](KyWarp& w, KySceneWarp&) { EXPECT_EQ(1, w.exits().begin()->blockGrid); }},
        {"a grid too large", "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"70000\"/>", 1,
         [](KyWarp& w, KySceneWarp&) { EXPECT_EQ(KySceneWarp::MaxBlockGrid, w.exits().begin()->blockGrid); }},
        {"a number read as scanf reads it", "<exit linkedWarp=\"A.wp\" nbWarpBlock=\" 3 cells\"/>", 0,
         [](KyWarp& w, KySceneWarp&) { EXPECT_EQ(3, w.exits().begin()->blockGrid); }},
        {"blocks off the faces or their grid",
         "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"4\"><block face=\"6\" offsetX=\"0\" offsetY=\"0\"/>"
         "<block face=\"-1\" offsetX=\"0\" offsetY=\"0\"/><block face=\"2\" offsetX=\"4\" offsetY=\"0\"/>"
         "<block face=\"2\" offsetX=\"0\" offsetY=\"-1\"/><block face=\"2\" offsetX=\"3\" offsetY=\"3\"/></exit>",
         4,
         [](KyWarp& w, KySceneWarp&) {
             EXPECT_EQ(1u, w.exits().begin()->blocks.count());
             EXPECT_EQ(2u, (*w.exitPickMeshes().begin())->triangleCount);
         }},
        {"blocks lacking an attribute or a number",
         "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"2\"><block face=\"2\" offsetX=\"0\"/>"
         "<block offsetX=\"0\" offsetY=\"0\"/><block face=\"x\" offsetX=\"0\" offsetY=\"0\"/></exit>",
         3, [](KyWarp& w, KySceneWarp&) { EXPECT_EQ(0u, (*w.exitPickMeshes().begin())->triangleCount); }},
        {"an exit marker lacking z has no marker",
         "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"1\"><marker x=\"1\" y=\"2\"/></exit>", 1,
         [](KyWarp& w, KySceneWarp&) {
             EXPECT_EQ(KyWarp::NoMarker, w.exits().begin()->marker);
             EXPECT_EQ(0u, w.markers().count());
         }},
        {"coordinates that are not finite numbers",
         "<object name=\"LAMP\"><marker x=\"nan\" y=\"1e999\" z=\"z\"/></object>", 3,
         [](KyWarp& w, KySceneWarp& s) {
             EXPECT_EQ(0u, w.markers().count());
             EXPECT_EQ(KyWarp::NoMarker, s.findObject(KyString("LAMP"))->marker);
         }},
        {"a coordinate beyond a float", "<object name=\"LAMP\"><marker x=\"1e39\" y=\"0\" z=\"0\"/></object>", 1,
         [](KyWarp& w, KySceneWarp&) { EXPECT_EQ(0u, w.markers().count()); }},
        {"a bad animation marker leaves the others",
         "<animation name=\"DOOR\" fps=\"15\"><marker x=\"1\" y=\"1\" z=\"1\"/><marker x=\"1\" z=\"1\"/>"
         "<marker x=\"2\" y=\"2\" z=\"2\"/></animation>",
         1,
         [](KyWarp& w, KySceneWarp&) {
             EXPECT_EQ(2u, w.markers().count());
             EXPECT_EQ(2u, w.findAnimation(KyString("DOOR"))->markerIndices.count());
         }},
        {"frame rates out of range", "<animation name=\"DOOR\" fps=\"0\"/><animation name=\"BIRD\" fps=\"-2\"/>"
                                     "<animation name=\"ANIM\"/><animation name=\"LAMP\" fps=\"inf\"/>",
         4,
         [](KyWarp&, KySceneWarp& s) {
             for (const char* name : {"DOOR", "BIRD", "ANIM", "LAMP"})
                 EXPECT_EQ(15.0, s.findAnimation(KyString(name))->fps) << name;
         }},
        {"camera angles that are missing or not numbers",
         "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"1\"><camera angleX=\"east\"/></exit>", 2,
         [](KyWarp& w, KySceneWarp&) {
             EXPECT_EQ(0.0f, w.exits().begin()->angleX);
             EXPECT_EQ(0.0f, w.exits().begin()->angleY);
         }},
        {"unknown children", "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"1\"><door/></exit><object name=\"LAMP\">"
                             "<door/></object><animation name=\"DOOR\" fps=\"1\"><camera/></animation>",
         3, [](KyWarp& w, KySceneWarp&) { EXPECT_EQ(1u, w.exits().count()); }},
        {"a second marker or camera of an exit",
         "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"1\"><marker x=\"1\" y=\"1\" z=\"1\"/><marker x=\"2\" y=\"2\" "
         "z=\"2\"/><camera angleX=\"5\" angleY=\"6\"/><camera angleX=\"7\" angleY=\"8\"/></exit>",
         2,
         [](KyWarp& w, KySceneWarp&) {
             EXPECT_EQ(1u, w.markers().count());
             EXPECT_EQ(KyVector3f32(1, 1, 1), w.marker(0)->sprite()->position);
             EXPECT_EQ(5.0f, w.exits().begin()->angleX);
         }},
        {"an exit described twice",
         "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"1\"/><exit linkedWarp=\"A.wp\" nbWarpBlock=\"2\"/>"
         "<exit linkedWarp=\"B.wp\" nbWarpBlock=\"1\"/>",
         1,
         [](KyWarp& w, KySceneWarp& s) {
             ASSERT_EQ(2u, w.exits().count());
             EXPECT_EQ(1, w.exits().begin()->blockGrid);
             // Numbered after the exits kept.
             EXPECT_EQ(KyString("3D\\B.wp"), s.findExit(KyString("Exit_01"))->linkedPath);
         }},
        {"an animation described twice",
         "<object name=\"LAMP\"><marker x=\"1\" y=\"1\" z=\"1\"/></object>"
         "<animation name=\"LAMP\" fps=\"1\"><marker x=\"2\" y=\"2\" z=\"2\"/></animation>",
         1, [](KyWarp& w, KySceneWarp&) { EXPECT_EQ(1u, w.findAnimation(KyString("LAMP"))->markerIndices.count()); }},
        {"an object the panorama lacks keeps its hidden marker",
         "<object name=\"GONE\"><marker x=\"1\" y=\"1\" z=\"1\"/></object>", 1,
         [](KyWarp& w, KySceneWarp& s) {
             EXPECT_EQ(1u, w.markers().count());
             EXPECT_EQ(nullptr, s.findObject(KyString("GONE")));
         }},
        {"comments, declarations and a lone text are not elements",
         "<?xml version=\"1.0\"?><!-- a --><object name=\"LAMP\"/><!-- b -->", 0,
         [](KyWarp&, KySceneWarp& s) { EXPECT_EQ(1u, s.objects().count()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = write(c.xml, "Case.xml");
        StdoutCapture out;
        KySceneWarp scene;
        scene.load(path.c_str(), &warp);
        const std::vector<std::string> lines = sceneLines(out.text());
        EXPECT_EQ(c.lines, lines.size()) << out.text();
        for (const std::string& line : lines)
            EXPECT_EQ(0u, line.find("[KySceneWarp::load] file :" + path + " ligne : ")) << line;
        WarpFixture::expectSceneConsistent(warp);
        c.check(warp, scene);
    }
}

TEST_F(SceneWarpTest, ADescriptionCanBeCheckedWithoutAPanorama)
{
    KySceneWarp::Description description;
    StdoutCapture out;
    ASSERT_TRUE(KySceneWarp::parse(kHall, KyString("Hall.xml"), description));
    EXPECT_EQ(0u, description.problems);
    ASSERT_EQ(5u, description.elements.size());
    EXPECT_EQ(KySceneWarp::Element::Object, description.elements[0].kind);
    EXPECT_EQ(3, description.elements[0].line);
    EXPECT_EQ(3u, description.elements[1].markers.size());
    EXPECT_EQ(KyString("Exit_02"), description.elements[4].name);
    EXPECT_EQ(KyString("3D\\Isis\\Warp_0004.wp"), description.elements[4].exit.linkedPath);

    EXPECT_FALSE(KySceneWarp::parse("<object", KyString("Bad.xml"), description));
    EXPECT_TRUE(description.elements.empty());
    // Applying to no panorama does nothing.
    KySceneWarp scene;
    scene.apply(description, nullptr);
    scene.load(KyString(dir.file("Missing.xml").c_str()), nullptr);
    EXPECT_EQ(nullptr, scene.warp());
}

TEST(SceneWarpSampleTest, TheSampleGameDescriptionsReadWithoutAProblem)
{
    const std::string folder = std::string(KY_DATA_DIR) + "/3D/Isis";
    std::vector<std::string> files;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0)
                files.push_back(name);
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << folder;
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        KySceneWarp::Description description;
        std::string logged;
        bool read = false;
        {
            StdoutCapture out;
            read = KySceneWarp::read(KyString((folder + "/" + name).c_str()), description);
            logged = out.text();
        }
        EXPECT_TRUE(read);
        EXPECT_EQ(0u, description.problems);
        EXPECT_EQ("", logged);
        EXPECT_FALSE(description.elements.empty());
    }
}

// Damaged and hostile scene descriptions replayed onto a panorama under the
// sanitizers: every cut of a sound file, bytes replaced at every place,
// attributes dropped one by one, and files built to be large or odd. Each
// load must leave the panorama's exits, paths, pick meshes and markers
// whole, and every line it logs must name the file.

#include "core/KySingleton.h"
#include "platform/KyInputMgr.h"
#include "scene/KySceneWarp.h"
#include "scene/KyWarp.h"
#include "tests/scene/WarpFixture.h"
#include "tests/support/LinearReading.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kSound = R"(<?xml version="1.0"?>
<object name="LAMP"><marker x="500" y="250" z="-250"/></object>
<animation name="DOOR" fps="15"><marker x="-250" y="-250" z="-500"/><marker x="1" y="2" z="3"/></animation>
<exit linkedWarp="Isis/Warp_0002.wp" nbWarpBlock="2"><marker x="100" y="0" z="-500"/>
<camera angleX="90" angleY="-10"/><block face="3" offsetX="1" offsetY="0"/><block face="4" offsetX="0" offsetY="1"/></exit>
<exit linkedWarp="Isis/Warp_0003.wp" nbWarpBlock="1"><block face="0" offsetX="0" offsetY="0"/></exit>
)";

std::string repeat(const std::string& text, u32 times)
{
    std::string out;
    for (u32 i = 0; i < times; ++i)
        out += text;
    return out;
}

class SceneWarpReplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(warp.load(WarpFixture::write(dir, "Hall.wp", WarpFixture::scenePanorama()).c_str()));
        path = dir.file("Hall.xml");
    }

    void TearDown() override
    {
        warp.unload();
        KySingleton<KyInputMgr>::destroy();
    }

    // Loads text as the description and checks what it left.
    void replay(const std::string& text)
    {
        ASSERT_TRUE(dir.writeFile("Hall.xml", text));
        KySceneWarp scene;
        const u32 exitsBefore = warp.exits().count();
        std::string logged;
        {
            // Failures are printed to standard output too: none inside.
            StdoutCapture out;
            scene.load(KyString(path.c_str()), &warp);
            logged = out.text();
        }
        ++loads;
        WarpFixture::expectSceneConsistent(warp);
        // A refused file leaves the panorama's exits; one read replaces them.
        const bool refused = logged.find("[KySceneWarp::load] file :" + path + " error : ") != std::string::npos;
        EXPECT_EQ(refused ? exitsBefore : scene.exits().count(), warp.exits().count());
        std::istringstream log(logged);
        std::string line;
        while (std::getline(log, line)) {
            if (line.rfind("[KySceneWarp::load] ", 0) == 0) {
                EXPECT_EQ(0u, line.find("[KySceneWarp::load] file :" + path + " ")) << line;
            }
        }
        if (testing::Test::HasFailure())
            FAIL() << "after the description:\n" << text;
    }

    TempDir dir;
    std::string path;
    KyWarp warp;
    u32 loads = 0;
};

} // namespace

TEST_F(SceneWarpReplayTest, EveryCutOfASoundFile)
{
    const std::string sound(kSound);
    for (size_t n = 0; n <= sound.size() && !HasFailure(); ++n)
        replay(sound.substr(0, n));
    EXPECT_EQ(sound.size() + 1, loads);
}

TEST_F(SceneWarpReplayTest, BytesReplacedEverywhere)
{
    const std::string sound(kSound);
    const char replacements[] = {'<', '"', '/', '9', '\0', '\xff'};
    for (size_t i = 0; i < sound.size() && !HasFailure(); ++i) {
        for (char c : replacements) {
            std::string damaged = sound;
            damaged[i] = c;
            replay(damaged);
        }
    }
}

TEST_F(SceneWarpReplayTest, AttributesDroppedOneByOne)
{
    const std::string sound(kSound);
    for (size_t at = sound.find("=\""); at != std::string::npos && !HasFailure(); at = sound.find("=\"", at + 1)) {
        // The attribute's name starts after the blank before it; its value
        // ends at the next quote.
        const size_t start = sound.rfind(' ', at) + 1;
        const size_t end = sound.find('"', at + 2) + 1;
        replay(sound.substr(0, start) + sound.substr(end));
        // And its value emptied, or made out of range.
        replay(sound.substr(0, at + 2) + sound.substr(end - 1));
        replay(sound.substr(0, at + 2) + "-2147483649" + sound.substr(end - 1));
        replay(sound.substr(0, at + 2) + "1e40" + sound.substr(end - 1));
    }
}

TEST_F(SceneWarpReplayTest, LargeAndOddFiles)
{
    const std::string blocks = repeat("<block face=\"2\" offsetX=\"3\" offsetY=\"7\"/>", 5000);
    const std::string files[] = {
        // Many exits with many blocks and markers.
        repeat("<exit linkedWarp=\"A.wp\" nbWarpBlock=\"8\">" + blocks.substr(0, 4000) + "</exit>", 3) +
            "<exit linkedWarp=\"B.wp\" nbWarpBlock=\"8\">" + blocks + "</exit>",
        "<animation name=\"DOOR\" fps=\"15\">" + repeat("<marker x=\"1\" y=\"2\" z=\"3\"/>", 2000) + "</animation>",
        // The largest grid, and cells at its edge.
        "<exit linkedWarp=\"C.wp\" nbWarpBlock=\"65535\"><block face=\"5\" offsetX=\"65534\" offsetY=\"0\"/>"
        "<block face=\"5\" offsetX=\"65535\" offsetY=\"0\"/></exit>",
        // Elements nested past the reader's limit, and deep but allowed.
        repeat("<object name=\"LAMP\">", 1500) + repeat("</object>", 1500),
        repeat("<exit linkedWarp=\"D.wp\">", 50) + repeat("</exit>", 50),
        // Attributes past the limit on one element.
        [] {
            std::string many = "<object name=\"LAMP\"";
            for (int i = 0; i < 300; ++i)
                many += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
            return many + "/>";
        }(),
        // Names and paths that are long, empty or odd.
        "<object name=\"" + std::string(5000, 'N') + "\"/><exit linkedWarp=\"" + std::string(5000, '\\') +
            "\" nbWarpBlock=\"1\"/>",
        "<object name=\"\"/><animation name=\"\" fps=\"\"/><exit linkedWarp=\"%s%n%d\" nbWarpBlock=\"%d\"/>",
        // Numbers of every odd kind.
        "<exit linkedWarp=\"E.wp\" nbWarpBlock=\"0x10\"><camera angleX=\"0x1p3\" angleY=\"-inf\"/>"
        "<marker x=\"1e-45\" y=\"-0\" z=\"3.4028235e38\"/><block face=\"+3\" offsetX=\" 0\" offsetY=\"0.9\"/></exit>",
        // Entities, CDATA and a byte-order mark.
        "\xEF\xBB\xBF<object name=\"L&amp;MP\"><![CDATA[<marker/>]]></object><exit linkedWarp=\"&lt;.wp\"/>",
    };
    for (const std::string& file : files) {
        if (HasFailure())
            break;
        replay(file);
    }
}

// A description of a hundred thousand objects froze the game for minutes:
// each name was compared with every one before it. Reading is in
// proportion to the file, a panorama takes at most MaxElements elements and
// MaxMarkers markers from it, and the log takes at most MaxProblemLines
// lines and a count.
TEST_F(SceneWarpReplayTest, AHundredThousandElementsReadInProportionToTheFile)
{
    // Duplicates and unknown elements first (they take no place), then more
    // objects than a panorama takes.
    std::string text = "<object name=\"O7\"><marker x=\"1\" y=\"2\" z=\"3\"/></object>\n";
    text += repeat("<object name=\"O7\"/>\n<unknown/>\n", 25000);
    for (int i = 0; i < 50000; ++i)
        text += "<object name=\"O" + std::to_string(i) + "\"><marker x=\"1\" y=\"2\" z=\"3\"/></object>\n";
    ASSERT_TRUE(dir.writeFile("Hall.xml", text));
    std::string logged;
    const double ratio = LinearReading::againstParse(text, [&] {
        KySceneWarp scene;
        StdoutCapture out;
        scene.load(KyString(path.c_str()), &warp);
        logged = out.text();
    });
    EXPECT_LT(ratio, LinearReading::kAllowedRatio);
    KySceneWarp::Description description;
    {
        StdoutCapture quiet;
        ASSERT_TRUE(KySceneWarp::read(KyString(path.c_str()), description));
    }
    EXPECT_EQ(description.elements.size(), KySceneWarp::MaxElements);
    EXPECT_EQ(warp.markers().count(), KySceneWarp::MaxElements);
    WarpFixture::expectSceneConsistent(warp);
    size_t problemLines = 0;
    for (size_t at = logged.find("deja decrit"); at != std::string::npos; at = logged.find("deja decrit", at + 1))
        ++problemLines;
    for (size_t at = logged.find("inconnu"); at != std::string::npos; at = logged.find("inconnu", at + 1))
        ++problemLines;
    EXPECT_EQ(problemLines, KySceneWarp::MaxProblemLines);
    EXPECT_NE(logged.find(" : plus de 1024 elements : la suite ignoree\n"), std::string::npos);
    EXPECT_NE(logged.find(" : 49901 autres problemes\n"), std::string::npos) << logged.substr(logged.size() - 300);

    // Markers beyond the bound, in one animation.
    KySceneWarp::Description markers;
    StdoutCapture out;
    ASSERT_TRUE(KySceneWarp::parse(("<animation name=\"DOOR\" fps=\"15\">" +
                                    repeat("<marker x=\"1\" y=\"2\" z=\"3\"/>", 3000) + "</animation>")
                                       .c_str(),
                                   KyString("Door.xml"), markers));
    ASSERT_EQ(markers.elements.size(), 1u);
    EXPECT_EQ(markers.elements[0].markers.size(), KySceneWarp::MaxMarkers);
    EXPECT_NE(out.text().find("plus de 1024 marqueurs : la suite ignoree"), std::string::npos);
}

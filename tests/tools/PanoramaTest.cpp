#include "tests/tools/ToolsTestSupport.h"
#include "core/KyString.h"
#include "scene/KyWarpReader.h"
#include "tools/content/ImageWriters.h"
#include "tools/content/WarpWriter.h"

#include <gtest/gtest.h>

using WarpWriter::Picture;

namespace {

// Six faces of 16 x 16: the front (face 3) red over blue, the others plain.
void writeFaces(const DataFolder& data)
{
    const char* colours[6] = {"#ffffff", "#000000", "#00ff00", "", "#ffff00", "#00ffff"};
    const char* names[6] = {"Top", "Bottom", "Back", "Front", "Right", "Left"};
    for (int f = 0; f < 6; ++f) {
        const std::string path = std::string("Faces/") + names[f] + ".png.gen";
        if (f == 3)
            data.write(path, "picture 16 16\nrect 0 0 16 8 fill=#ff0000\nrect 0 8 16 8 fill=#0000ff\n");
        else
            data.write(path, std::string("picture 16 16 background=") + colours[f] + "\n");
    }
    data.write("Faces/faces.inc", "face top /Faces/Top.png\nface bottom /Faces/Bottom.png\nface back /Faces/Back.png\n"
                                  "face 3 /Faces/Front.png\nface right /Faces/Right.png\nface left /Faces/Left.png\n");
}

} // namespace

TEST(Panorama, FacesDrawnFromDescriptionsAreCutAsTheWriterCutsPictures)
{
    DataFolder data;
    writeFaces(data);
    const std::vector<std::uint8_t> made = data.make("Hall.wp", "panorama tile=8\ninclude Faces/faces.inc\n");

    // The same panorama from pictures made by hand, rows bottom first: the
    // front's lower half (blue) comes first.
    WarpWriter::Source source;
    source.tileSize = 8;
    source.faces[0] = Picture::filled(16, 16, 255, 255, 255, 255);
    source.faces[1] = Picture::filled(16, 16, 0, 0, 0, 255);
    source.faces[2] = Picture::filled(16, 16, 0, 255, 0, 255);
    source.faces[3] = Picture::filled(16, 16, 255, 0, 0, 255);
    for (size_t i = 0; i < 16 * 8 * 4; i += 4) {
        source.faces[3].rgba[i] = 0;
        source.faces[3].rgba[i + 2] = 255;
    }
    source.faces[4] = Picture::filled(16, 16, 255, 255, 0, 255);
    source.faces[5] = Picture::filled(16, 16, 0, 255, 255, 255);
    WarpWriter::Bytes expected;
    std::string error;
    ASSERT_TRUE(WarpWriter::write(source, expected, error)) << error;
    EXPECT_EQ(made, expected);
}

TEST(Panorama, AnimationsTakeLayersFramesAndPickCells)
{
    DataFolder data;
    writeFaces(data);
    data.write("Door.png.gen", "picture 16 16 frames=2\nframe 0\n  rect 4 4 8 12 fill=#804020\nend\n"
                               "frame 1\n  rect 4 4 8 12 fill=#402010\nend\n");
    const std::string path = data.makeFile("Hall.wp",
                                           "panorama format=jpeg tile=8 quality=80 pick=4\n"
                                           "include Faces/faces.inc\n"
                                           "animation DOOR\n"
                                           "  layer front Door.png frame=0 pick=opaque\n"
                                           "  frame\n"
                                           "  layer front Door.png frame=1\n"
                                           "  pick front 1,0 2,0\n"
                                           "end\n");
    const std::string bytes = readBytes(path);
    KyString stream;
    ImageWriters::fillStream(stream, std::vector<u8>(bytes.begin(), bytes.end()));
    KyWarpReader reader(stream, u32(bytes.size()));
    KyWarpReader::Result result;
    ASSERT_TRUE(reader.read(result)) << reader.error().c_str();
    EXPECT_EQ(result.textureFormat, KyString("jpeg"));
    EXPECT_EQ(result.cubeColumns, 2u);
    EXPECT_EQ(result.pickColumns, 4u);
    ASSERT_EQ(result.animationCount, 1u);
    EXPECT_EQ(result.animations[0].name, KyString("DOOR"));
    EXPECT_EQ(result.animations[0].frameCount, 2u);
}

TEST(Panorama, FaultsNameTheLine)
{
    DataFolder data;
    writeFaces(data);
    data.write("Small.png.gen", "picture 8 8\n");
    struct Case {
        const char* output;
        const char* description;
        const char* message;
    } cases[] = {
        {"a.wp", "panorama\nface top /Faces/Top.png\n", "a.wp.gen: the bottom face is missing"},
        {"a.wp", "panorama\ninclude Faces/faces.inc\nface top /Faces/Top.png\n", "a.wp.gen:3: face: the top face is given twice"},
        {"a.wp", "panorama\nface middle /Faces/Top.png\n", "a.wp.gen:2: face: 'middle' is not a face"},
        {"a.wp", "panorama\nface top /Faces/Nothing.png\n", "a.wp.gen:2: face: '/Faces/Nothing.png' has no description"},
        {"a.wp", "panorama format=gif\n", "a.wp.gen:1: panorama: format is png, jpeg"},
        {"a.wp", "panorama\nlayer front Small.png\n", "a.wp.gen:2: layer belongs inside an 'animation NAME'"},
        {"a.wp", "panorama\nanimation DOORS\nend\n", "a.wp.gen:2: animation: the name 'DOORS' is not exactly 4 characters"},
        {"a.wp", "panorama\nanimation DOOR\n  layer front Small.png pick=all\nend\n", "a.wp.gen:3: layer: pick is 'opaque'"},
        {"a.wp", "panorama\nanimation DOOR\n  pick front 1,-1\nend\n", "a.wp.gen:3: pick: '1,-1' is not a cell"},
        {"a.png", "panorama\ninclude Faces/faces.inc\n", "a.png.gen: a panorama is written as .wp"},
    };
    for (const Case& c : cases) {
        const std::string message = data.failure(c.output, c.description);
        const std::string expected = data.root() + "/" + c.message;
        EXPECT_EQ(message.compare(0, expected.size(), expected), 0) << "got:      " << message << "\nexpected: " << expected;
    }
    // The writer's own checks come back as the description's fault.
    const std::string mixed = data.failure("b.wp", "panorama\ninclude Faces/faces.inc\nanimation DOOR\n  layer front Small.png\nend\n");
    EXPECT_NE(mixed.find(data.root() + "/b.wp.gen: "), std::string::npos) << mixed;
}

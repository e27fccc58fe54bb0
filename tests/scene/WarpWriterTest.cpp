// The panorama writer: tiles of every format read back to the face pictures
// they were cut from, the pictures it reads, how animations become groups,
// and the messages with which it refuses bad input, on its command line too.

#include "core/KyString.h"
#include "platform/KyImg.h"
#include "scene/KyWarp.h"
#include "scene/KyWarpBloc.h"
#include "tests/scene/WarpFixture.h"
#include "tests/support/TempDir.h"
#include "tools/content/ImageWriters.h"
#include "tools/content/WarpWriterCommand.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sstream>

using WarpWriter::Bytes;
using WarpWriter::Picture;

namespace {

// Every pixel different, alpha included, and different per face.
Picture pattern(u32 side, u32 seed)
{
    Picture p = Picture::filled(side, side, 0, 0, 0, 0);
    for (u32 y = 0; y < side; ++y)
        for (u32 x = 0; x < side; ++x) {
            u8* px = p.rgba.data() + (size_t(y) * side + x) * 4;
            px[0] = static_cast<u8>(x * 7 + seed * 40);
            px[1] = static_cast<u8>(y * 5 + seed * 20);
            px[2] = static_cast<u8>((x ^ y) * 3 + seed);
            px[3] = static_cast<u8>(128 + x + y);
        }
    return p;
}

// Decodes a tile's bytes as the panorama tiles do.
Picture decode(const Bytes& bytes, const std::string& format)
{
    KyString stream;
    ImageWriters::fillStream(stream, bytes);
    KyImg image;
    image.loadFromStream(stream, format.c_str());
    KyImg merged;
    const KyImg* result = &image;
    if (format == "jpeg" || format == "jpeg.zlib") {
        KyImg alpha;
        alpha.loadFromStream(stream, format.c_str());
        EXPECT_TRUE(KyWarpBloc::mergeAlpha(image, &alpha, merged));
        result = &merged;
    }
    Picture out;
    std::string error;
    EXPECT_TRUE(WarpWriter::fromImage(*result, out, error)) << error;
    return out;
}

// The mean difference of the bytes; 1000 for pictures of other sizes.
double meanDifference(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size() || a.rgba.empty())
        return 1000;
    double sum = 0;
    for (size_t i = 0; i < a.rgba.size(); ++i)
        sum += std::abs(int(a.rgba[i]) - int(b.rgba[i]));
    return sum / double(a.rgba.size());
}

int runCommand(const std::vector<std::string>& arguments, std::string& out, std::string& err)
{
    std::ostringstream o;
    std::ostringstream e;
    const int code = WarpWriterCommand::run(arguments, o, e);
    out = o.str();
    err = e.str();
    return code;
}

} // namespace

TEST(WarpWriterTest, EveryTileOfEveryFormatReadsBackAsItsCellOfTheFace)
{
    WarpWriter::Source source;
    for (u32 f = 0; f < 6; ++f)
        source.faces[f] = pattern(32, f);
    source.tileSize = 16;
    source.quality = 100;
    struct Case {
        const char* format;
        double tolerance;   // JPEG is lossy; the others keep every byte
    } cases[] = {{"png", 0}, {"tga", 0}, {"bmp", 0}, {"jpeg", 10}, {"jpeg.zlib", 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        source.format = c.format;
        WarpWriter::File file = WarpFixture::file(source);
        EXPECT_EQ(2u, file.cubeColumns);
        ASSERT_EQ(6u, file.faces.size());
        for (u32 f = 0; f < 6; ++f) {
            EXPECT_EQ(f, file.faces[f].face);
            ASSERT_EQ(4u, file.faces[f].tiles.size());
            for (const WarpWriter::TileEntry& tile : file.faces[f].tiles) {
                const Picture cell = source.faces[f].crop(tile.column * 16u, tile.row * 16u, 16, 16);
                EXPECT_LE(meanDifference(cell, decode(tile.image, c.format)), c.tolerance)
                    << "face " << f << " cell " << tile.column << "," << tile.row;
            }
        }
    }

    // PVRTC cannot be turned back into pixels: its header and size are what
    // can be checked.
    source.format = "pvr";
    WarpWriter::File file = WarpFixture::file(source);
    KyString stream;
    ImageWriters::fillStream(stream, file.faces[0].tiles[0].image);
    KyImg image;
    image.loadFromStream(stream, "pvr");
    EXPECT_EQ(11, image.format());
    EXPECT_EQ(16u, image.width());
    EXPECT_EQ(16u * 16u / 2, image.allocatedBytes());
    // Four bits a pixel: 8 bytes a 4 x 4 block.
    EXPECT_EQ(32u, WarpWriter::pvrtc4(Picture::filled(8, 8, 1, 2, 3, 255)).size());
    EXPECT_EQ(512u, WarpWriter::pvrtc4(Picture::filled(32, 32, 1, 2, 3, 255)).size());
}

TEST(WarpWriterTest, OpaqueTilesAreStoredWithoutAlphaAndTheOutputIsDeterministic)
{
    const Picture opaque = Picture::filled(8, 8, 1, 2, 3, 255);
    struct Case {
        const char* format;
        s32 kind;   // pixel format the engine reads the (colour) picture as
    } cases[] = {{"png", 5}, {"tga", 5}, {"bmp", 5}, {"jpeg", 5}};
    for (const Case& c : cases) {
        KyString stream;
        ImageWriters::fillStream(stream, WarpWriter::encodeTile(opaque, c.format));
        KyImg image;
        image.loadFromStream(stream, c.format);
        EXPECT_EQ(c.kind, image.format()) << c.format;
    }
    const WarpWriter::Source source = WarpFixture::animatedCube(16, 8, "jpeg");
    EXPECT_EQ(WarpFixture::bytes(source), WarpFixture::bytes(source));
}

TEST(WarpWriterTest, PicturesOfEveryKindTheEngineReadsBecomeRgba)
{
    TempDir dir;
    const Picture rgb = [] {
        Picture p = pattern(4, 1);
        for (size_t i = 3; i < p.rgba.size(); i += 4)
            p.rgba[i] = 255;
        return p;
    }();
    auto topFirst = [](const Picture& p, int channels) {
        Bytes rows;
        for (u32 r = p.height; r-- > 0;)
            for (u32 x = 0; x < p.width; ++x)
                for (int k = 0; k < channels; ++k)
                    rows.push_back(p.rgba[(size_t(r) * p.width + x) * 4 + k]);
        return rows;
    };
    ImageWriters::PngImage png;
    png.width = png.height = 4;
    png.colorType = 2;
    png.rows = topFirst(rgb, 3);
    ImageWriters::PngImage paletted;
    paletted.width = paletted.height = 2;
    paletted.colorType = 3;
    paletted.palette = {10, 20, 30, 40, 50, 60};
    paletted.rows = {0, 1, 1, 0};
    ImageWriters::TgaImage tga16;
    tga16.width = tga16.height = 1;
    tga16.depth = 16;
    tga16.pixels = {0xFF, 0x7F};   // white in 5-5-5
    const Bytes grey = ImageWriters::jpeg(8, 8, 1, Bytes(64, 200), 100);

    struct Case {
        const char* name;
        Bytes bytes;
        std::function<void(const Picture&)> check;
    } cases[] = {
        {"a.png", ImageWriters::png(png), [&](const Picture& p) { EXPECT_EQ(rgb.rgba, p.rgba); }},
        {"b.PNG", ImageWriters::png(paletted),
         [](const Picture& p) {
             // Rows bottom first: the file's second row comes first.
             EXPECT_EQ(Bytes({40, 50, 60, 255, 10, 20, 30, 255, 10, 20, 30, 255, 40, 50, 60, 255}), p.rgba);
         }},
        {"c.tga", ImageWriters::tga(tga16), [](const Picture& p) { EXPECT_EQ(Bytes({255, 255, 255, 255}), p.rgba); }},
        {"d.jpg", grey, [](const Picture& p) { EXPECT_NEAR(200, p.rgba[0], 1); EXPECT_EQ(p.rgba[0], p.rgba[2]); }},
        {"e.jpeg.zlib", ImageWriters::zlibWrapped(grey), [](const Picture& p) { EXPECT_EQ(8u, p.width); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.writeFile(c.name, ImageWriters::toString(c.bytes));
        Picture p;
        std::string error;
        ASSERT_TRUE(WarpWriter::readPicture(dir.file(c.name), p, error)) << error;
        c.check(p);
    }

    ImageWriters::PvrImage pvr;
    pvr.width = pvr.height = 8;
    pvr.flags = 0x19;
    pvr.bitsPerPixel = 4;
    pvr.surface = Bytes(32, 0);
    dir.writeFile("f.pvr", ImageWriters::toString(ImageWriters::pvr(pvr)));
    dir.writeFile("g.gif", "GIF89a");
    dir.writeFile("h.png", "not a png");
    struct Refusal {
        const char* name;
        const char* message;
    } refusals[] = {
        {"f.pvr", "PVRTC"},
        {"g.gif", "does not end in a picture type"},
        {"h.png", "not a picture the engine can read"},
        {"missing.png", "cannot be opened"},
    };
    for (const Refusal& r : refusals) {
        Picture p;
        std::string error;
        EXPECT_FALSE(WarpWriter::readPicture(dir.file(r.name), p, error));
        EXPECT_NE(std::string::npos, error.find(r.message)) << error;
        EXPECT_EQ(0u, error.find(dir.file(r.name))) << error;
    }
}

TEST(WarpWriterTest, AnimationsBecomeOneGroupPerFaceWithTheirVisibleTilesAndPickCells)
{
    WarpWriter::Source source = WarpFixture::cube(16, 8);
    source.pickGrid = 4;
    Picture lower = Picture::filled(16, 16, 0, 0, 0, 0);
    Picture upper = lower;
    for (u32 x = 0; x < 16; ++x) {
        lower.rgba[x * 4 + 3] = 255;                      // bottom row
        upper.rgba[(15 * 16 + x) * 4 + 3] = 255;           // top row
        upper.rgba[(15 * 16 + x) * 4 + 0] = 9;
    }
    WarpWriter::AnimationSource anim;
    anim.name = "TWO5";
    anim.frames.resize(2);
    // Frame 1: two layers on the front (combined) and one on the left.
    anim.frames[0].layers = {{3, lower}, {3, upper}, {5, lower}};
    WarpWriter::PickCells front;
    front.face = 3;
    front.opaque = true;
    front.cells = {WarpWriter::Cell(1, 2)};
    anim.frames[0].picks = {front};
    // Frame 2: the top only.
    anim.frames[1].layers = {{0, upper}};
    source.animations = {anim};

    const WarpWriter::File file = WarpFixture::file(source);
    ASSERT_EQ(1u, file.animations.size());
    const WarpWriter::Animation& a = file.animations[0];
    EXPECT_EQ(2u, a.groupCount);
    ASSERT_EQ(2u, a.frames[0].groups.size());
    const WarpWriter::Group& g = a.frames[0].groups[0];
    EXPECT_EQ(3u, g.face);
    // The bottom and top rows touch all four tiles of the 2 x 2 grid.
    EXPECT_EQ(4u, g.tiles.size());
    // Opaque cells of the 4 x 4 pick grid: rows 0 and 3, plus (1, 2).
    EXPECT_EQ(9u, g.picks.size());
    EXPECT_EQ(5u, a.frames[0].groups[1].face);
    EXPECT_EQ(2u, a.frames[0].groups[1].tiles.size());
    EXPECT_TRUE(a.frames[0].groups[1].picks.empty());
    ASSERT_EQ(1u, a.frames[1].groups.size());
    EXPECT_EQ(0u, a.frames[1].groups[0].face);

    // The second frame stores its missing group as a zero count.
    TempDir dir;
    KyWarp warp;
    ASSERT_TRUE(warp.load(WarpFixture::write(dir, "two.wp", WarpWriter::serialize(file)).c_str()));
    ASSERT_EQ(1u, warp.animationCount());
    EXPECT_EQ(2u, warp.animations()[0].groupCount);
    EXPECT_EQ(6u, warp.animations()[0].frames[0].tileCount);
    EXPECT_EQ(18u, warp.animations()[0].frames[0].pickMesh.triangleCount);
    EXPECT_EQ(2u, warp.animations()[0].frames[1].tileCount);
    EXPECT_EQ(4u, warp.pickColumns());
}

TEST(WarpWriterTest, BadInputIsRefusedWithAMessageSayingWhatIsWrong)
{
    struct Case {
        const char* message;
        std::function<void(WarpWriter::Source&)> spoil;
    } cases[] = {
        {"face 2 (back) has no picture", [](WarpWriter::Source& s) { s.faces[2] = Picture(); }},
        {"face 1 (bottom) is 16 x 8: faces must be square",
         [](WarpWriter::Source& s) { s.faces[1] = Picture::filled(16, 8, 0, 0, 0, 255); }},
        {"face 0 (top) is 24 pixels wide: the side must be a power of two",
         [](WarpWriter::Source& s) { s.faces[0] = Picture::filled(24, 24, 0, 0, 0, 255); }},
        {"face 4 (right) is 32 x 32 but face 0 is 16 x 16: all faces must have one size",
         [](WarpWriter::Source& s) { s.faces[4] = Picture::filled(32, 32, 0, 0, 0, 255); }},
        {"the tile size of 6 pixels does not divide the 16-pixel faces", [](WarpWriter::Source& s) { s.tileSize = 6; }},
        {"the tile size of 32 pixels does not divide", [](WarpWriter::Source& s) { s.tileSize = 32; }},
        {"the tile size of 4 pixels is below the smallest tile of 8 pixels",
         [](WarpWriter::Source& s) { s.tileSize = 4; }},
        {"unknown tile format \"gif\"", [](WarpWriter::Source& s) { s.format = "gif"; }},
        {"JPEG quality 0 is outside 1 to 100", [](WarpWriter::Source& s) { s.quality = 0; }},
        {"JPEG quality 101 is outside 1 to 100", [](WarpWriter::Source& s) { s.quality = 101; }},
        {"the animation grid of 3 cells", [](WarpWriter::Source& s) { s.animationGrid = 3; }},
        {"the animation tile size of 4 pixels is below", [](WarpWriter::Source& s) { s.animationGrid = 4; }},
        {"the pick grid of 70000 cells", [](WarpWriter::Source& s) { s.pickGrid = 70000; }},
        {"the name \"DOR\" must be exactly 4 characters",
         [](WarpWriter::Source& s) { s.animations[0].name = "DOR"; }},
        {"animation DOOR has no frame", [](WarpWriter::Source& s) { s.animations[0].frames.clear(); }},
        {"animation DOOR, frame 1: face 7 is not a face",
         [](WarpWriter::Source& s) { s.animations[0].frames[0].layers[0].face = 7; }},
        {"animation DOOR, frame 2: the picture for face 2 is 8 x 8",
         [](WarpWriter::Source& s) { s.animations[0].frames[1].layers[0].picture = Picture::filled(8, 8, 0, 0, 0, 255); }},
        {"animation LAMP, frame 1: pick cell 2,0 on face 4 lies outside the 2 x 2 pick grid",
         [](WarpWriter::Source& s) { s.animations[1].frames[0].picks[0].cells.push_back(WarpWriter::Cell(2, 0)); }},
        {"animation LAMP, frame 1: face 1 has pick cells but no visible tile",
         [](WarpWriter::Source& s) {
             WarpWriter::PickCells cells;
             cells.face = 1;
             cells.cells = {WarpWriter::Cell(0, 0)};
             s.animations[1].frames[0].picks.push_back(cells);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        WarpWriter::Source source = WarpFixture::animatedCube(16, 8);
        c.spoil(source);
        WarpWriter::File file;
        file.format = "untouched";
        std::string error;
        EXPECT_FALSE(WarpWriter::build(source, file, error));
        EXPECT_NE(std::string::npos, error.find(c.message)) << error;
        EXPECT_EQ("untouched", file.format);
    }
}

TEST(WarpWriterTest, TheCommandLineWritesAPanoramaOrSaysWhatIsWrong)
{
    TempDir dir;
    std::vector<std::string> faces;
    for (u32 f = 0; f < 6; ++f) {
        const std::string name = "face" + std::to_string(f) + ".png";
        ImageWriters::PngImage png;
        png.width = png.height = 16;
        png.colorType = 2;
        png.rows = Bytes(16 * 16 * 3, static_cast<u8>(40 * f));
        dir.writeFile(name, ImageWriters::toString(ImageWriters::png(png)));
        faces.push_back(dir.file(name));
    }
    ImageWriters::PngImage layer;
    layer.width = layer.height = 16;
    layer.colorType = 6;
    layer.rows = Bytes(16 * 16 * 4, 0);
    layer.rows[3] = 255;
    dir.writeFile("layer.png", ImageWriters::toString(ImageWriters::png(layer)));
    dir.writeFile("wide.png", ImageWriters::toString([] {
                      ImageWriters::PngImage p;
                      p.width = 32;
                      p.height = 16;
                      p.colorType = 2;
                      p.rows = Bytes(32 * 16 * 3, 1);
                      return ImageWriters::png(p);
                  }()));
    const std::string out = dir.file("out.wp");
    auto with = [&](std::vector<std::string> options) {
        std::vector<std::string> all = {"-o", out};
        all.insert(all.end(), faces.begin(), faces.end());
        all.insert(all.end(), options.begin(), options.end());
        return all;
    };

    std::string o;
    std::string e;
    EXPECT_EQ(0, runCommand({"--help"}, o, e));
    EXPECT_EQ(0u, o.find("Usage: warp_writer"));
    EXPECT_NE(std::string::npos, o.find("--animation NAME"));
    EXPECT_EQ("", e);

    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{}, "six face pictures are needed"},
        {{"-o", out, faces[0], faces[1]}, "2 given"},
        {{faces[0], faces[1], faces[2], faces[3], faces[4], faces[5]}, "no output file"},
        {with({"--bogus"}), "unknown option --bogus"},
        {with({"--tile", "abc"}), "--tile takes a whole number up to 65536, not \"abc\""},
        {with({"--quality", "500"}), "--quality takes a whole number up to 100"},
        {with({"--tile"}), "--tile needs a value"},
        {with({"--frame"}), "--frame needs an --animation before it"},
        {with({"--layer", "front", dir.file("layer.png")}), "--layer needs an --animation before it"},
        {with({"--animation", "DOOR", "--layer", "up", dir.file("layer.png")}), "\"up\" is not a face"},
        {with({"--animation", "DOOR", "--layer", "3"}), "--layer needs 2 values"},
        {with({"--animation", "DOOR", "--layer", "3", dir.file("layer.png"), "--pick", "3", "1;2"}),
         "\"1\" is not a cell"},
        {with({"--animation", "DOOR", "--layer", "3", dir.file("nothing.png")}), "nothing.png: cannot be opened"},
        {with({"--tile", "4"}), "below the smallest tile of 8 pixels"},
        {with({"--format", "webp"}), "unknown tile format \"webp\""},
        {{"-o", out, faces[0], faces[1], faces[2], faces[3], dir.file("wide.png"), faces[5]},
         "face 4 (right) is 32 x 16: faces must be square"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(1, runCommand(c.arguments, o, e));
        EXPECT_EQ(0u, e.find("warp_writer: ")) << e;
        EXPECT_NE(std::string::npos, e.find(c.message)) << e;
        EXPECT_FALSE(dir.exists("out.wp"));
        EXPECT_FALSE(dir.exists("out.wp.tmp"));
    }

    ASSERT_EQ(0, runCommand(with({"-f", "jpeg", "-t", "8", "--pick-grid", "4", "--animation", "DOOR", "--layer",
                                  "front", dir.file("layer.png"), "--pick", "front", "opaque;3,3", "--frame",
                                  "--layer", "5", dir.file("layer.png")}),
                            o, e))
        << e;
    EXPECT_EQ("", e);
    EXPECT_FALSE(dir.exists("out.wp.tmp"));
    KyWarp warp;
    ASSERT_TRUE(warp.load(out.c_str()));
    EXPECT_EQ(std::string("jpeg"), warp.textureFormat().c_str());
    EXPECT_EQ(2u, warp.cubeColumns());
    ASSERT_EQ(1u, warp.animationCount());
    EXPECT_EQ(2u, warp.animations()[0].frameCount);
    // The visible pixel's cell (0, 3) of the 4 x 4 grid and the cell given.
    EXPECT_EQ(4u, warp.animations()[0].frames[0].pickMesh.triangleCount);
    EXPECT_EQ(5u, warp.animations()[0].frames[1].tiles[0].face());
}

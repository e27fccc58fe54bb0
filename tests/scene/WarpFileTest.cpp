// Reading ".wp" files made by the panorama writer: what a sound file gives,
// how damaged files are refused (truncated at every length, oversized or
// impossible counts), the language-folder fallback and the path rules.

#include "core/KyCore.h"
#include "core/KySingleton.h"
#include "scene/KyWarp.h"
#include "tests/scene/WarpFixture.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

using WarpWriter::Bytes;

namespace {

size_t lineCount(const std::string& text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

void putU32At(Bytes& bytes, size_t at, u32 v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<u8>(v >> (8 * i));
}

void putU16At(Bytes& bytes, size_t at, u16 v)
{
    bytes[at] = static_cast<u8>(v);
    bytes[at + 1] = static_cast<u8>(v >> 8);
}

// Where the fields of WarpFixture::animatedCube(16, 8) lie: a 2 x 2 face
// grid, animation "DOOR" (two frames of one group) then "LAMP".
struct Layout {
    explicit Layout(const WarpWriter::File& file)
    {
        header = WarpWriter::headerSize(file);
        run = 1 + 2 * 2 * 8;
        door = header + 6 * run;
        doorGroup = door + 9;
        doorTile = doorGroup + 5;
        doorPicks = doorTile + 8;
        lamp = doorPicks + 4 + 4 + (4 + 1 + 8 + 4);
    }
    size_t header;
    size_t run;
    size_t door;
    size_t doorGroup;
    size_t doorTile;
    size_t doorPicks;
    size_t lamp;
};

class WarpFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = WarpFixture::animatedCube(16, 8);
        file = WarpFixture::file(source);
        good = WarpWriter::serialize(file);
    }

    // Loads a known panorama first, so that a refused file can be seen to
    // leave it whole.
    void loadPrevious(KyWarp& warp)
    {
        const std::string path = WarpFixture::write(dir, "previous.wp", WarpFixture::bytes(WarpFixture::cube(8, 8)));
        ASSERT_TRUE(warp.load(path.c_str()));
        previous = path;
    }

    void expectPrevious(KyWarp& warp)
    {
        EXPECT_TRUE(warp.isLoaded());
        EXPECT_EQ(previous, std::string(warp.path().c_str()));
        EXPECT_EQ(6u, warp.cubeTileCount());
        EXPECT_EQ(0u, warp.animationCount());
        EXPECT_TRUE(warp.file().isOpen());
    }

    TempDir dir;
    WarpWriter::Source source;
    WarpWriter::File file;
    Bytes good;
    std::string previous;
};

} // namespace

TEST_F(WarpFileTest, OneTilePerFaceGivesTheTableSizesOfTheFormat)
{
    // Header: 6 signature bytes, data base, format length and name, seven
    // words; then six runs of one face byte and one 8-byte entry.
    for (const char* format : {"png", "jpeg", "jpeg.zlib", "tga", "bmp", "pvr"}) {
        SCOPED_TRACE(format);
        WarpWriter::File one = WarpFixture::file(WarpFixture::cube(8, 8, format));
        const u32 header = 6 + 4 + 1 + static_cast<u32>(std::strlen(format)) + 7 * 4;
        EXPECT_EQ(header, WarpWriter::headerSize(one));
        EXPECT_EQ(header + 54, WarpWriter::tableSize(one));

        const Bytes bytes = WarpWriter::serialize(one);
        const std::string path = WarpFixture::write(dir, std::string("one.") + format + ".wp", bytes);
        KyWarp warp;
        ASSERT_TRUE(warp.load(path.c_str()));
        EXPECT_EQ(std::string(format), warp.textureFormat().c_str());
        ASSERT_EQ(6u, warp.cubeTileCount());
        u32 position = header + 54;
        for (u32 f = 0; f < 6; ++f) {
            const KyWarpBloc& tile = warp.cubeTiles()[f];
            EXPECT_EQ(f, tile.face());
            EXPECT_EQ(position, tile.imagePosition());
            position += static_cast<u32>(one.faces[f].tiles[0].image.size());
            // One cell covers the whole face.
            for (u32 c = 0; c < 4; ++c) {
                const KyVector3f32 p = tile.corner(c);
                EXPECT_EQ(500.0f, std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)}));
            }
        }
        EXPECT_EQ(bytes.size(), position);
    }
}

TEST_F(WarpFileTest, AnimationsKeepTheirFramesTilesAndDisabledPickMeshes)
{
    const std::string path = WarpFixture::write(dir, "anim.wp", good);
    KyWarp warp;
    ASSERT_TRUE(warp.load(path.c_str()));
    EXPECT_EQ(2u, warp.cubeColumns());
    EXPECT_EQ(2u, warp.cubeRows());
    EXPECT_EQ(24u, warp.cubeTileCount());
    EXPECT_EQ(2u, warp.animationColumns());
    EXPECT_EQ(2u, warp.pickRows());
    ASSERT_EQ(2u, warp.animationCount());

    KyWarp::AnimData& door = warp.animations()[0];
    EXPECT_EQ(std::string("DOOR"), door.name.c_str());
    EXPECT_EQ(4u, door.name.length());
    EXPECT_EQ(2u, door.frameCount);
    EXPECT_EQ(1u, door.groupCount);
    EXPECT_EQ(15.0f, door.rate);
    EXPECT_EQ(1u, door.endFrame);
    EXPECT_FALSE(door.active);
    ASSERT_EQ(1u, door.frames[0].tileCount);
    EXPECT_EQ(3u, door.frames[0].tiles[0].face());
    EXPECT_EQ(std::string("DOOR"), door.frames[0].pickMesh.name().c_str());
    EXPECT_EQ(2u, door.frames[0].pickMesh.triangleCount);
    EXPECT_FALSE(door.frames[0].pickMesh.isEnabled());
    // A frame without pick cells still names its mesh after the animation.
    EXPECT_EQ(0u, door.frames[1].pickMesh.triangleCount);
    EXPECT_EQ(std::string("DOOR"), door.frames[1].pickMesh.name().c_str());

    // Pick quad k gives triangles (0, 1, 3) and (1, 2, 3) of its cell; the
    // writer stores LAMP's cells in order (0,0), (1,1).
    KyWarp::AnimData& lamp = warp.animations()[1];
    const KyPickMesh& mesh = lamp.frames[0].pickMesh;
    ASSERT_EQ(4u, mesh.triangleCount);
    KyVector3f32 cell[4];
    ASSERT_TRUE(KyWarpBloc::cellCorners(4, 1, 1, 2, 2, cell));
    KyVector3f32 a, b, c;
    mesh.getTriangle(2, a, b, c);
    EXPECT_EQ(cell[0], a);
    EXPECT_EQ(cell[1], b);
    EXPECT_EQ(cell[3], c);
    mesh.getTriangle(3, a, b, c);
    EXPECT_EQ(cell[1], a);
    EXPECT_EQ(cell[2], b);
    EXPECT_EQ(cell[3], c);
}

TEST_F(WarpFileTest, GroupsWithoutTilesTakeFourBytesAndFramesWithoutGroupsHaveAnUnnamedMesh)
{
    WarpWriter::File hand = WarpFixture::file(WarpFixture::cube(8, 8));
    WarpWriter::Animation empty;
    empty.name = "1234";
    empty.groupCount = 2;
    empty.frames.resize(3);
    hand.animations.push_back(empty);
    const Bytes bytes = WarpWriter::serialize(hand);
    // Name, count, group count, then 3 frames x 2 groups of a zero count.
    EXPECT_EQ(WarpWriter::headerSize(hand) + 54 + 9 + 3 * 2 * 4, WarpWriter::tableSize(hand));

    KyWarp warp;
    ASSERT_TRUE(warp.load(WarpFixture::write(dir, "empty.wp", bytes).c_str()));
    ASSERT_EQ(1u, warp.animationCount());
    EXPECT_EQ(std::string("1234"), warp.animations()[0].name.c_str());
    for (u32 f = 0; f < 3; ++f) {
        EXPECT_EQ(0u, warp.animations()[0].frames[f].tileCount);
        EXPECT_TRUE(warp.animations()[0].frames[f].pickMesh.name().isEmpty());
        EXPECT_FALSE(warp.animations()[0].frames[f].pickMesh.isEnabled());
    }
}

TEST_F(WarpFileTest, EveryTruncationIsRefusedUntilThePicturesBegin)
{
    // Past the start of the last picture the tables are whole: the file
    // loads, and only decoding that picture can fail later.
    const size_t lastPicture = good.size() - file.animations.back().frames[0].groups[0].tiles[0].image.size();
    KyWarp warp;
    loadPrevious(warp);
    StdoutCapture capture;
    size_t logged = 0;
    for (size_t length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        const Bytes cut(good.begin(), good.begin() + static_cast<long>(length));
        const std::string path = WarpFixture::write(dir, "cut.wp", cut);
        const bool loaded = warp.load(path.c_str());
        const std::string all = capture.text();
        const std::string log = all.substr(logged);
        logged = all.size();
        if (length <= lastPicture) {
            EXPECT_FALSE(loaded);
            EXPECT_EQ(1u, lineCount(log));
            EXPECT_EQ(0u, log.find("[KyWarp::load] file : " + path + " error : ")) << log;
            expectPrevious(warp);
        } else {
            EXPECT_TRUE(loaded);
            EXPECT_EQ("", log);
            EXPECT_EQ(24u, warp.cubeTileCount());
            loadPrevious(warp);
        }
    }
}

TEST_F(WarpFileTest, ImpossibleCountsAndIndicesAreRefusedAndLeaveThePreviousPanorama)
{
    const Layout at(file);
    struct Patch {
        const char* what;
        size_t offset;
        u32 value;
        int width;   // bytes written: 1, 2 or 4
    } patches[] = {
        {"data base moves every picture past the end", 6, 0xFFFFFF00u, 4},
        {"format name unknown", 11, 'g', 1},
        {"format longer than the file", 10, 0xFF, 1},
        {"face columns zero", 14, 0, 4},
        {"face rows not a power of two", 18, 3, 4},
        {"face grid beyond the bytes left", 14, 0x8000, 4},
        {"face grid beyond 16-bit cells", 18, 0x10000, 4},
        {"animation count beyond the bytes left", 22, 0xFFFFFFFFu, 4},
        {"animation columns zero", 26, 0, 4},
        {"animation rows not a power of two", 30, 6, 4},
        {"pick columns zero", 34, 0, 4},
        {"pick rows zero", 38, 0, 4},
        {"first face index 6", at.header, 6, 1},
        {"fourth face index 255", at.header + 3 * at.run, 255, 1},
        {"tile column outside the grid", at.header + 1, 2, 2},
        {"tile row outside the grid", at.header + 3, 7, 2},
        {"tile picture past the end", at.header + 5, 0xFFFFFFF0u, 4},
        {"frame count beyond the bytes left", at.door + 4, 0x7FFFFFFFu, 4},
        {"group count beyond the bytes left", at.door + 8, 255, 1},
        {"group tile count beyond the bytes left", at.doorGroup, 0x10000000u, 4},
        {"group face 9", at.doorGroup + 4, 9, 1},
        {"animation tile outside the animation grid", at.doorTile, 5, 2},
        {"pick count beyond the bytes left", at.doorPicks, 0x20000000u, 4},
        {"pick cell outside the pick grid", at.doorPicks + 4, 9, 2},
        {"second animation's frame count beyond the bytes left", at.lamp + 4, 0x40000000u, 4},
    };
    // The layout above is the one the writer made.
    ASSERT_EQ(std::string("DOOR"), std::string(good.begin() + static_cast<long>(at.door),
                                                good.begin() + static_cast<long>(at.door) + 4));
    ASSERT_EQ(std::string("LAMP"), std::string(good.begin() + static_cast<long>(at.lamp),
                                                good.begin() + static_cast<long>(at.lamp) + 4));

    KyWarp warp;
    loadPrevious(warp);
    for (const Patch& patch : patches) {
        SCOPED_TRACE(patch.what);
        Bytes bad = good;
        if (patch.width == 1)
            bad[patch.offset] = static_cast<u8>(patch.value);
        else if (patch.width == 2)
            putU16At(bad, patch.offset, static_cast<u16>(patch.value));
        else
            putU32At(bad, patch.offset, patch.value);
        const std::string path = WarpFixture::write(dir, "bad.wp", bad);
        StdoutCapture log;
        EXPECT_FALSE(warp.load(path.c_str()));
        EXPECT_EQ(1u, lineCount(log.text()));
        EXPECT_EQ(0u, log.text().find("[KyWarp::load] file : " + path + " error : ")) << log.text();
        expectPrevious(warp);
    }
}

TEST_F(WarpFileTest, EmptyFramesHaveABudgetOfTheirOwn)
{
    // Frames of an animation without groups take no bytes: a huge count of
    // them must not become a huge allocation.
    WarpWriter::File hand = WarpFixture::file(WarpFixture::cube(8, 8));
    WarpWriter::Animation empty;
    empty.name = "WAIT";
    empty.frames.resize(30);
    hand.animations.push_back(empty);
    Bytes bytes = WarpWriter::serialize(hand);
    KyWarp warp;
    ASSERT_TRUE(warp.load(WarpFixture::write(dir, "wait.wp", bytes).c_str()));
    EXPECT_EQ(30u, warp.animations()[0].frameCount);

    putU32At(bytes, WarpWriter::headerSize(hand) + 54 + 4, 0xFFFFFFFFu);
    StdoutCapture log;
    EXPECT_FALSE(warp.load(WarpFixture::write(dir, "huge.wp", bytes).c_str()));
    EXPECT_NE(std::string::npos, log.text().find("WAIT"));
    EXPECT_EQ(30u, warp.animations()[0].frameCount);
}

TEST_F(WarpFileTest, AMissingFileIsLookedForInTheLanguageFolderThenInEnglish)
{
    ScopedWorkingDir cwd(dir.path());
    KyCore* core = KySingleton<KyCore>::instance();
    const KyString language = core->language();
    core->setLanguage("fr");

    // Three panoramas told apart by their grids.
    WarpFixture::write(dir, "3D/fr/Hall.wp", WarpFixture::bytes(WarpFixture::cube(16, 8)));
    WarpFixture::write(dir, "3D/en/Hall.wp", WarpFixture::bytes(WarpFixture::cube(32, 8)));
    struct Case {
        const char* present;   // the file written at the given path, or null
        bool removeFrench;
        u32 columns;           // of the panorama loaded, 0 for none
    } cases[] = {
        {nullptr, false, 2},   // dir/fr/name
        {nullptr, true, 4},    // dir/en/name
        {"3D/Hall.wp", true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.columns);
        if (c.present)
            WarpFixture::write(dir, c.present, WarpFixture::bytes(WarpFixture::cube(8, 8)));
        if (c.removeFrench)
            std::remove(dir.file("3D/fr/Hall.wp").c_str());
        KyWarp warp;
        ASSERT_TRUE(warp.load("3D\\Hall.wp"));
        EXPECT_EQ(c.columns, warp.cubeColumns());
        // The path kept is the one asked for, normalised.
        EXPECT_EQ(std::string("3D/Hall.wp"), warp.path().c_str());
    }

    // Nowhere at all: the English path is opened untested, and fails.
    KyWarp warp;
    StdoutCapture log;
    EXPECT_FALSE(warp.load("3D/Nowhere.wp"));
    EXPECT_NE(std::string::npos, log.text().find("3D/en/Nowhere.wp")) << log.text();
    EXPECT_FALSE(warp.isLoaded());
    EXPECT_TRUE(warp.path().isEmpty());
    core->setLanguage(language);
}

TEST_F(WarpFileTest, ThePathIsKeptOnlyForAFileThatLoadedAndTheSamePathIsReadOnce)
{
    KyWarp warp;
    loadPrevious(warp);
    const std::string missing = dir.file("missing.wp");
    {
        StdoutCapture log;
        EXPECT_FALSE(warp.load(missing.c_str()));
        EXPECT_NE(std::string::npos, log.text().find("n'existe pas")) << log.text();
    }
    expectPrevious(warp);

    // The same path again returns at once: the file on disk is not read
    // (it is gone, and the open file still serves the tiles).
    std::remove(previous.c_str());
    EXPECT_TRUE(warp.load(previous.c_str()));
    expectPrevious(warp);

    // Another path replaces everything.
    ASSERT_TRUE(warp.load(WarpFixture::write(dir, "anim.wp", good).c_str()));
    EXPECT_EQ(24u, warp.cubeTileCount());
    EXPECT_EQ(2u, warp.animationCount());
}

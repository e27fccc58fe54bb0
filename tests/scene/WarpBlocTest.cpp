// Panorama tiles: the cell-to-corner geometry of every face, copying and
// comparing, decoding a tile's picture once (colour and alpha pairs
// included), what a tile whose picture cannot be had does, and opaque
// tiles drawn unblended with the pixels blending would give.

#include "core/KySingleton.h"
#include "core/KyString.h"
#include "platform/KyImg.h"
#include "platform/KyRenderer.h"
#include "scene/KyWarpBloc.h"
#include "tests/scene/WarpFixture.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/StdoutCapture.h"
#include "tools/content/ImageWriters.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using WarpWriter::Bytes;
using WarpWriter::Picture;

namespace {

KyVector3f32 v(f32 x, f32 y, f32 z)
{
    return KyVector3f32(x, y, z);
}

// The stream form in which tiles meet their pictures: the bytes at an
// offset inside a larger file.
void streamOf(KyString& stream, const Bytes& picture, u32 offset)
{
    Bytes bytes(offset, 0xEE);
    bytes.insert(bytes.end(), picture.begin(), picture.end());
    ImageWriters::fillStream(stream, bytes);
}

// A picture whose pixels differ: red by column, green by row, alpha by
// both (rows bottom first).
Picture gradient(u32 side)
{
    Picture p = Picture::filled(side, side, 0, 0, 0, 255);
    for (u32 y = 0; y < side; ++y)
        for (u32 x = 0; x < side; ++x) {
            u8* px = p.rgba.data() + (size_t(y) * side + x) * 4;
            px[0] = static_cast<u8>(x * 255 / (side - 1));
            px[1] = static_cast<u8>(y * 255 / (side - 1));
            px[3] = static_cast<u8>((x + y) * 255 / (2 * side - 2));
        }
    return p;
}

// A black frame looking at face 3 (the front, z = -500) through an
// orthographic view of the face, white in the given opacity.
void lookAtTheFront(f32 alpha)
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-500.0, 500.0, -500.0, 500.0, -1000.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
}

// Draws one tile of the front face; returns the pixel at the centre.
KyColor drawFrontTile(KyWarpBloc& tile, GLTestContext& gl)
{
    lookAtTheFront(1.0f);
    tile.Render();
    return gl.pixel(gl.width() / 2, gl.height() / 2);
}

class WarpBlocGLTest : public GLTest {
};

} // namespace

TEST(WarpBlocTest, CellsOfATwoByTwoGridHaveTheCornersOfTheirFace)
{
    // Cell (0, 0) of each face: L = -500, R = 0, B = -500, T = 0.
    const KyVector3f32 expected[6][4] = {
        {v(500, 500, 500), v(0, 500, 500), v(0, 500, 0), v(500, 500, 0)},
        {v(500, -500, -500), v(0, -500, -500), v(0, -500, 0), v(500, -500, 0)},
        {v(500, -500, 500), v(0, -500, 500), v(0, 0, 500), v(500, 0, 500)},
        {v(-500, -500, -500), v(0, -500, -500), v(0, 0, -500), v(-500, 0, -500)},
        {v(500, -500, -500), v(500, -500, 0), v(500, 0, 0), v(500, 0, -500)},
        {v(-500, -500, 500), v(-500, -500, 0), v(-500, 0, 0), v(-500, 0, 500)},
    };
    for (u32 face = 0; face < 6; ++face) {
        SCOPED_TRACE(face);
        KyWarpBloc tile;
        tile.setFace(face, 0, 0, 2, 2);
        EXPECT_EQ(face, tile.face());
        for (u32 c = 0; c < 4; ++c)
            EXPECT_EQ(expected[face][c], tile.corner(c)) << "corner " << c;

        // Cell (1, 1) is the same square moved by one cell on both axes:
        // every coordinate that was -500 or 0 of the face plane grows by 500
        // in the face's own direction, so the corner sums differ by a
        // constant.
        KyWarpBloc far;
        far.setFace(face, 1, 1, 2, 2);
        const KyVector3f32 shift = far.corner(0) - tile.corner(0);
        for (u32 c = 1; c < 4; ++c)
            EXPECT_EQ(shift, far.corner(c) - tile.corner(c));
        EXPECT_EQ(1000.0f, std::fabs(shift.x) + std::fabs(shift.y) + std::fabs(shift.z));

        // Texture coordinates and strip indices do not depend on the face.
        const f32 uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        const u16 indices[4] = {0, 1, 3, 2};
        for (u32 c = 0; c < 4; ++c) {
            EXPECT_EQ(uv[c][0], tile.texCoordU(c));
            EXPECT_EQ(uv[c][1], tile.texCoordV(c));
            EXPECT_EQ(indices[c], tile.index(c));
        }
    }
}

TEST(WarpBlocTest, AOneCellGridCoversTheWholeFaceAndFaceSixChangesNothing)
{
    for (u32 face = 0; face < 6; ++face) {
        KyWarpBloc tile;
        tile.setFace(face, 0, 0, 1, 1);
        KyVector3f32 low(1e9f, 1e9f, 1e9f);
        KyVector3f32 high(-1e9f, -1e9f, -1e9f);
        for (u32 c = 0; c < 4; ++c) {
            const KyVector3f32 p = tile.corner(c);
            low = KyVector3f32(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
            high = KyVector3f32(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
        }
        const KyVector3f32 extent = high - low;
        // Two axes span the full 1000 units, the third is the face plane.
        EXPECT_EQ(2000.0f, extent.x + extent.y + extent.z) << face;
    }

    KyWarpBloc tile;
    tile.setFace(2, 0, 0, 2, 2);
    tile.setTexCoord(1, 0.25f, 0.5f);
    const KyVector3f32 before = tile.corner(2);
    tile.setFace(7, 1, 1, 2, 2);
    EXPECT_EQ(7u, tile.face());
    EXPECT_EQ(before, tile.corner(2));
    EXPECT_EQ(0.25f, tile.texCoordU(1));
    EXPECT_FALSE(KyWarpBloc::cellCorners(6, 0, 0, 1, 1, nullptr));
}

TEST(WarpBlocTest, CopiesCompareEqualAndOwnTheirColours)
{
    KyWarpBloc a;
    a.setFace(4, 1, 0, 2, 2);
    a.setImagePosition(1234);
    EXPECT_FALSE(a.hasColors());
    a.setVertexColor(2, KyColor(1, 2, 3, 4));
    EXPECT_EQ(KyColor(0, 0, 0, 255), a.vertexColor(0));
    EXPECT_EQ(KyColor(1, 2, 3, 4), a.vertexColor(2));

    KyWarpBloc b;
    b = a;
    EXPECT_EQ(0, a.compare(b));
    EXPECT_EQ(1234u, b.imagePosition());
    EXPECT_EQ(4u, b.face());
    EXPECT_EQ(1u, b.column());
    a.setColor(KyColor(9, 9, 9, 9));
    EXPECT_EQ(KyColor(1, 2, 3, 4), b.vertexColor(2));
    // Colours are not compared; corners and texture coordinates are, by
    // the sign of the first differing byte.
    EXPECT_EQ(0, a.compare(b));
    b.setTexCoord(3, 0.5f, 1.0f);
    EXPECT_NE(0, a.compare(b));
    EXPECT_EQ(-b.compare(a), a.compare(b));

    KyWarpBloc c(a);
    EXPECT_EQ(0, c.compare(a));
    c.reset();
    EXPECT_FALSE(c.hasColors());
}

TEST(WarpBlocTest, AJpegPairMakesAnRgbaPictureAndAMismatchKeepsTheColourOpaque)
{
    const Picture p = gradient(16);
    const Bytes pair = WarpWriter::encodeTile(p, "jpeg", 100);
    KyString stream;
    ImageWriters::fillStream(stream, pair);
    KyImg colour;
    colour.loadFromStream(stream, "jpeg");
    KyImg alpha;
    alpha.loadFromStream(stream, "jpeg");
    ASSERT_EQ(5, colour.format());
    ASSERT_EQ(12, alpha.format());
    EXPECT_EQ(stream.length(), stream.tell());

    KyImg rgba;
    ASSERT_TRUE(KyWarpBloc::mergeAlpha(colour, &alpha, rgba));
    EXPECT_EQ(6, rgba.format());
    EXPECT_EQ(16u, rgba.width());
    for (u32 i : {0u, 17u, 255u}) {
        EXPECT_NEAR(p.rgba[4 * i], rgba.pixels()[4 * i], 6) << i;
        EXPECT_NEAR(p.rgba[4 * i + 3], rgba.pixels()[4 * i + 3], 6) << i;
    }

    // An alpha picture of another size or kind, or none, gives 255.
    KyImg small;
    small.create(12, 8, 8, KyIntrusivePtr<KyPalette>());
    KyImg rgb;
    rgb.create(5, 16, 16, KyIntrusivePtr<KyPalette>());
    for (const KyImg* other : {static_cast<const KyImg*>(&small), static_cast<const KyImg*>(&rgb),
                               static_cast<const KyImg*>(nullptr)}) {
        KyImg opaque;
        ASSERT_TRUE(KyWarpBloc::mergeAlpha(colour, other, opaque));
        EXPECT_EQ(6, opaque.format());
        EXPECT_EQ(255, opaque.pixels()[3]);
        EXPECT_EQ(255, opaque.pixels()[4 * 255 + 3]);
        EXPECT_EQ(rgba.pixels()[4 * 40], opaque.pixels()[4 * 40]);
    }

    // A grey colour picture is spread over red, green and blue; a colour
    // picture of another kind is refused.
    KyImg grey;
    grey.create(12, 2, 1, KyIntrusivePtr<KyPalette>());
    grey.pixels()[1] = 77;
    KyImg spread;
    ASSERT_TRUE(KyWarpBloc::mergeAlpha(grey, nullptr, spread));
    EXPECT_EQ(77, spread.pixels()[4]);
    EXPECT_EQ(77, spread.pixels()[6]);
    KyImg sixteen;
    sixteen.create(3, 2, 2, KyIntrusivePtr<KyPalette>());
    EXPECT_FALSE(KyWarpBloc::mergeAlpha(sixteen, nullptr, spread));
}

TEST_F(WarpBlocGLTest, ATileDecodesItsPictureOnce)
{
    const Bytes picture = WarpWriter::encodeTile(Picture::filled(16, 16, 10, 20, 30, 255), "png");
    KyString stream;
    streamOf(stream, picture, 100);
    KyWarpBloc tile;
    tile.setImagePosition(100);
    tile.LoadTexture(stream, "png");
    ASSERT_TRUE(tile.hasTexture());
    const Ky3DTexture* texture = tile.texture().get();
    EXPECT_EQ(16u, texture->imageWidth());

    // A second call neither seeks nor reads.
    stream.seek(7);
    tile.LoadTexture(stream, "png");
    EXPECT_EQ(texture, tile.texture().get());
    EXPECT_EQ(7u, stream.tell());

    // Released, it decodes again; a copy shares the texture.
    KyWarpBloc copy(tile);
    EXPECT_EQ(texture, copy.texture().get());
    tile.releaseTexture();
    EXPECT_FALSE(tile.hasTexture());
    tile.LoadTexture(stream, "png");
    EXPECT_TRUE(tile.hasTexture());
    EXPECT_EQ(100u + picture.size(), stream.tell());
}

TEST_F(WarpBlocGLTest, EveryTileFormatDecodesToATexture)
{
    // Each format the writer knows, read back at an offset; the "jpeg"
    // pairs give RGBA textures. PVRTC has no picture this renderer can show,
    // but decodes without failing.
    const Picture p = gradient(16);
    struct Case {
        const char* format;
        s32 textureFormat;
    } cases[] = {{"png", 6}, {"jpeg", 6}, {"jpeg.zlib", 6}, {"tga", 6}, {"bmp", 6}, {"pvr", 11}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        KyString stream;
        streamOf(stream, WarpWriter::encodeTile(p, c.format), 33);
        KyWarpBloc tile;
        tile.setImagePosition(33);
        StdoutCapture log;
        tile.LoadTexture(stream, c.format);
        EXPECT_EQ("", log.text());
        ASSERT_TRUE(tile.hasTexture());
        EXPECT_FALSE(tile.hasFailed());
        EXPECT_EQ(c.textureFormat, tile.texture()->format());
    }
}

TEST_F(WarpBlocGLTest, ATileWhosePictureCannotBeHadIsLoggedOnceAndDrawsNothing)
{
    const Bytes picture = WarpWriter::encodeTile(Picture::filled(16, 16, 10, 20, 30, 255), "png");
    struct Case {
        const char* what;
        u32 position;
        Bytes bytes;
        const char* line;
    } cases[] = {
        {"seek past the end", 5000, picture, "KyWarpBloc::LoadTexture: seek error\n"},
        {"not a picture", 0, Bytes(64, 0x5A), "libpng error: Not a PNG file\nKyWarpBloc::LoadTexture: decode error\n"},
        {"picture cut short", 0, Bytes(picture.begin(), picture.begin() + 40),
         "libpng error: unexpected end of the PNG data\nKyWarpBloc::LoadTexture: decode error\n"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        KyString stream;
        ImageWriters::fillStream(stream, c.bytes);
        KyWarpBloc tile;
        tile.setFace(3, 0, 0, 1, 1);
        tile.setImagePosition(c.position);
        StdoutCapture log;
        tile.LoadTexture(stream, "png");
        tile.LoadTexture(stream, "png");
        EXPECT_TRUE(log.text().find(c.line) == 0 && log.text().size() == std::string(c.line).size())
            << log.text();
        EXPECT_TRUE(tile.hasFailed());
        EXPECT_FALSE(tile.hasTexture());
        EXPECT_EQ(KyColor(0, 0, 0, 255), drawFrontTile(tile, context()));
    }

    // A tile that was never decoded draws untextured (white); decoded, it
    // draws its picture.
    KyWarpBloc tile;
    tile.setFace(3, 0, 0, 1, 1);
    EXPECT_EQ(KyColor(255, 255, 255, 255), drawFrontTile(tile, context()));
    KyString stream;
    ImageWriters::fillStream(stream, picture);
    tile.LoadTexture(stream, "png");
    EXPECT_EQ(KyColor(10, 20, 30, 255), drawFrontTile(tile, context()));
    EXPECT_FALSE(KySingleton<KyRenderer>::instance()->isTextureEnabled());
}

TEST_F(WarpBlocGLTest, OpaqueTilesDrawTheirOwnPixelsWhateverTheBlending)
{
    auto tileOf = [](const Picture& picture) {
        KyWarpBloc tile;
        tile.setFace(3, 0, 0, 1, 1);
        KyString stream;
        ImageWriters::fillStream(stream, WarpWriter::encodeTile(picture, "png"));
        tile.LoadTexture(stream, "png");
        return tile;
    };
    const KyWarpBloc red = tileOf(Picture::filled(16, 16, 255, 0, 0, 255));
    const KyWarpBloc halfGreen = tileOf(Picture::filled(16, 16, 0, 255, 0, 128));
    Picture nearly = Picture::filled(16, 16, 0, 0, 255, 255);
    nearly.rgba[4 * 37 + 3] = 254;
    const KyWarpBloc blue = tileOf(Picture::filled(16, 16, 0, 0, 255, 255));
    KyWarpBloc coloured = blue;
    coloured.setColor(KyColor(255, 255, 255, 255));
    EXPECT_TRUE(red.isOpaque());
    EXPECT_TRUE(blue.isOpaque());
    EXPECT_FALSE(halfGreen.isOpaque());
    EXPECT_FALSE(tileOf(nearly).isOpaque());
    EXPECT_FALSE(coloured.isOpaque());
    // A picture padded to a larger texture would show its padding.
    EXPECT_FALSE(tileOf(Picture::filled(12, 16, 0, 0, 255, 255)).isOpaque());

    auto drawn = [this](std::initializer_list<const KyWarpBloc*> tiles, f32 alpha) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        lookAtTheFront(alpha);
        {
            KyWarpBloc::Pass pass;
            for (const KyWarpBloc* tile : tiles)
                pass.draw(*tile);
        }
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(KySingleton<KyRenderer>::instance()->isTextureEnabled());
        return context().pixel(context().width() / 2, context().height() / 2);
    };
    // Opaque red, then half-transparent green blended over it, then opaque
    // blue over everything.
    const KyColor mixed = drawn({&red, &halfGreen}, 1.0f);
    EXPECT_NEAR(127, mixed.r, 1);
    EXPECT_NEAR(128, mixed.g, 1);
    EXPECT_EQ(0, mixed.b);
    EXPECT_EQ(KyColor(0, 0, 255, 255), drawn({&red, &halfGreen, &blue}, 1.0f));
    // In a translucent colour an opaque tile is blended.
    const KyColor faint = drawn({&blue}, 0.5f);
    EXPECT_EQ(0, faint.r);
    EXPECT_NEAR(128, faint.b, 1);
    glDisable(GL_BLEND);
}

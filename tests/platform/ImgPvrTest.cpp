#include "core/KyString.h"
#include "platform/KyImg.h"
#include "platform/KyPvr.h"
#include "tools/content/ImageWriters.h"
#include "tests/support/CountingStream.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using ImageWriters::Bytes;
using ImageWriters::PvrImage;

namespace {

PvrImage texture(u32 side, u32 flags, u32 bpp, u32 alpha)
{
    PvrImage p;
    p.width = side;
    p.height = side;
    p.flags = flags;
    p.bitsPerPixel = bpp;
    p.alphaMask = alpha;
    p.surface = ImageWriters::pattern(side * side * bpp / 8 + 64, side + flags);   // + a mipmap's worth
    return p;
}

void loadPvr(KyImg& img, const Bytes& bytes)
{
    KyString s;
    ImageWriters::fillStream(s, bytes);
    img.loadFromStream(s, "pvr");
}

} // namespace

TEST(ImgPvr, PixelTypeAndAlphaGiveTheFormat)
{
    struct Case {
        u32 type;
        u32 bpp;
        u32 alpha;
        s32 format;
    } cases[] = {{0x18, 2, 0, 8}, {0x18, 2, 1, 9}, {0x19, 4, 0, 10}, {0x19, 4, 1, 11}};
    for (const Case& c : cases) {
        PvrImage p = texture(32, c.type, c.bpp, c.alpha);
        KyImg img;
        loadPvr(img, ImageWriters::pvr(p));
        EXPECT_EQ(img.format(), c.format);
        EXPECT_EQ(img.width(), 32u);
        EXPECT_EQ(img.height(), 32u);
        EXPECT_EQ(img.borderWidth(), 0u);
        ASSERT_EQ(img.allocatedBytes(), 32u * 32u * c.bpp / 8);
        EXPECT_EQ(Bytes(img.pixels(), img.pixels() + img.allocatedBytes()),
                  Bytes(p.surface.begin(), p.surface.begin() + img.allocatedBytes()));
        // The writers stay within the PVRTC bytes (less than a byte a pixel).
        img.clear(0);
        std::vector<u8> block(64 * 64, 1);
        img.writeRect(0, 0, block.data(), 32, 32);
        img.drawGlyph(0, 0, block.data(), 32, 32, 0, 1);
        KyString out((const char*)nullptr);
        EXPECT_EQ(img.serialize(out), 32u * 32u + 14u);
    }
}

TEST(ImgPvr, BorderedTextures)
{
    KyImg two;
    loadPvr(two, ImageWriters::pvr(texture(64, 0x18 | 0x800, 2, 1)));
    EXPECT_EQ(two.format(), 9);
    EXPECT_EQ(two.borderWidth(), 8u);
    EXPECT_EQ(two.borderHeight(), 4u);
    KyImg four;
    loadPvr(four, ImageWriters::pvr(texture(64, 0x19 | 0x800, 4, 1)));
    EXPECT_EQ(four.format(), 11);
    EXPECT_EQ(four.borderWidth(), 4u);
    EXPECT_EQ(four.borderHeight(), 4u);
}

TEST(ImgPvr, UnknownKindKeepsFormat13WithItsBytes)
{
    KyImg img;
    loadPvr(img, ImageWriters::pvr(texture(16, 0x18, 2, 2)));
    EXPECT_EQ(img.format(), 13);
    EXPECT_NE(img.pixels(), nullptr);
    EXPECT_EQ(img.allocatedBytes(), 64u);
    EXPECT_EQ(img.byteSize(), 0u);
    KyImg other;
    loadPvr(other, ImageWriters::pvr(texture(16, 0x0D, 4, 0)));
    EXPECT_EQ(other.format(), 13);
}

TEST(ImgPvr, DamagedHeadersGiveNoImage)
{
    PvrImage small = texture(8, 0x19, 4, 0);
    small.surface.resize(8 * 8 * 4 / 8 - 1);               // one byte short of the surface
    PvrImage huge = texture(8, 0x19, 4, 0);
    huge.width = 0x40000000;                               // 64-bit size, far over the cap
    PvrImage wide = texture(8, 0x19, 4, 0);
    wide.bitsPerPixel = 0xFFFFFFFF;
    Bytes tiny = ImageWriters::zlibWrapped(ImageWriters::pattern(40));   // shorter than the header
    Bytes wrongSize = ImageWriters::pvr(texture(8, 0x19, 4, 0));
    wrongSize[4] ^= 1;                                     // decompressed size off by one
    Bytes cut = ImageWriters::pvr(texture(8, 0x19, 4, 0));
    cut.resize(cut.size() - 5);
    for (const Bytes& b : {ImageWriters::pvr(small), ImageWriters::pvr(huge), ImageWriters::pvr(wide), tiny,
                           wrongSize, cut, ImageWriters::pattern(100)}) {
        KyImg img;
        loadPvr(img, b);
        EXPECT_EQ(img.format(), 13);
        EXPECT_EQ(img.pixels(), nullptr);
        EXPECT_EQ(img.width(), 0u);
    }
}

TEST(ImgPvr, FileFormAndMissingFile)
{
    TempDir dir;
    ASSERT_TRUE(dir.writeFile("t.pvr", ImageWriters::toString(ImageWriters::pvr(texture(16, 0x19, 4, 1)))));
    KyPvr reader;
    reader.LoadFromFile(dir.file("t.pvr").c_str());
    EXPECT_EQ(reader.format(), 11);

    std::string missing = dir.file("none.pvr");
    StdoutCapture log;
    KyPvr none;
    none.LoadFromFile(missing.c_str());
    EXPECT_EQ(none.format(), 13);
    EXPECT_NE(log.text().find("[KyPvr::LoadFromFile] Le fichier : " + missing + " n'existe pas.\n"),
              std::string::npos);
}

// The header is inflated first: a block that states far more than the
// first surface and a cube's worth of mipmaps is refused before the rest of
// it is inflated; within that, the rest is inflated only to check the block.
TEST(ImgPvr, BlocksFarLargerThanTheSurfaceAreRefusedUninflated)
{
    PvrImage p = texture(16, 0x19, 4, 1);
    p.surface.resize(16 * 16 * 4 / 8);
    const Bytes texture = ImageWriters::pvrTexture(p);
    auto wrappedWithZeros = [&](u64 zeros) {
        Bytes packed = ImageWriters::zlibZeros(texture, zeros);
        Bytes out;
        ImageWriters::putU32(out, u32(packed.size()));
        ImageWriters::putU32(out, u32(texture.size() + zeros));
        out.insert(out.end(), packed.begin(), packed.end());
        return out;
    };
    struct Case {
        u64 zeros;
        bool reads;
    } cases[] = {{0, true}, {7 * 128, true}, {64 * 1024 + 8 * 128, true}, {u64(60) << 20, false}};
    for (const Case& c : cases) {
        Bytes file = wrappedWithZeros(c.zeros);
        file.push_back(0x5A);
        CountingStream stream(file);
        KyImg img;
        img.loadFromStream(stream, "pvr");
        if (c.reads) {
            ASSERT_EQ(img.format(), 11) << c.zeros;
            EXPECT_EQ(Bytes(img.pixels(), img.pixels() + img.allocatedBytes()), p.surface);
            EXPECT_EQ(stream.tell(), file.size() - 1);
        } else {
            EXPECT_EQ(img.format(), 13) << c.zeros;
            EXPECT_EQ(img.pixels(), nullptr);
            EXPECT_LT(stream.bytesRead(), 32u * 1024u) << file.size();
        }
    }
}

#include "core/KyString.h"
#include "platform/KyBmp.h"
#include "platform/KyImg.h"
#include "tools/content/ImageWriters.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using ImageWriters::BmpImage;
using ImageWriters::Bytes;

namespace {

BmpImage picture(u32 w, s32 h, u16 bits, u32 seed = 5)
{
    BmpImage b;
    b.width = w;
    b.height = h;
    b.bitCount = bits;
    u32 rows = static_cast<u32>(h < 0 ? -h : h);
    b.rows = ImageWriters::pattern(ImageWriters::bmpRowBytes(w, bits) * rows, seed);
    if (bits <= 8) {
        u32 entries = 1u << bits;
        b.palette = ImageWriters::pattern(entries * 4, seed + 1);
    }
    return b;
}

void loadBmp(KyImg& img, const Bytes& bytes)
{
    KyString s;
    ImageWriters::fillStream(s, bytes);
    img.loadFromStream(s, "bmp");
}

// File row r (rows given in file order) as the image should hold it.
const u8* fileRow(const BmpImage& b, u32 r)
{
    return b.rows.data() + ImageWriters::bmpRowBytes(b.width, b.bitCount) * r;
}

} // namespace

TEST(ImgBmp, EightBitWithPalette)
{
    // Width 5: file rows are padded to 8 bytes.
    BmpImage b = picture(5, 3, 8);
    KyImg img;
    loadBmp(img, ImageWriters::bmp(b));
    ASSERT_EQ(img.format(), 0);
    EXPECT_EQ(img.width(), 5u);
    EXPECT_EQ(img.height(), 3u);
    // A bottom-up file already runs bottom row first.
    for (u32 r = 0; r < 3; ++r)
        EXPECT_EQ(std::memcmp(img.pixels() + 5 * r, fileRow(b, r), 5), 0) << r;
    ASSERT_NE(img.palette(), nullptr);
    EXPECT_EQ(img.palette()->format(), 2);
    const u8* e = b.palette.data() + 4 * 7;
    EXPECT_EQ(img.palette()->color(7), KyColor(e[2], e[1], e[0], 255));
}

TEST(ImgBmp, TopDownFileIsTurned)
{
    BmpImage b = picture(4, -3, 8);
    KyImg img;
    loadBmp(img, ImageWriters::bmp(b));
    ASSERT_EQ(img.format(), 0);
    EXPECT_EQ(img.height(), 3u);
    for (u32 r = 0; r < 3; ++r)
        EXPECT_EQ(std::memcmp(img.pixels() + 4 * (2 - r), fileRow(b, r), 4), 0) << r;

    BmpImage c = picture(3, -2, 24);
    KyImg rgb;
    loadBmp(rgb, ImageWriters::bmp(c));
    ASSERT_EQ(rgb.format(), 5);
    EXPECT_EQ(rgb.pixels()[0], fileRow(c, 1)[2]);
}

TEST(ImgBmp, SixteenBitWordsAsStored)
{
    BmpImage b = picture(3, 2, 16);
    KyImg img;
    loadBmp(img, ImageWriters::bmp(b));
    ASSERT_EQ(img.format(), 4);
    EXPECT_EQ(img.allocatedBytes(), 12u);
    EXPECT_EQ(std::memcmp(img.pixels(), fileRow(b, 0), 6), 0);
    EXPECT_EQ(std::memcmp(img.pixels() + 6, fileRow(b, 1), 6), 0);
    EXPECT_EQ(img.palette(), nullptr);
}

TEST(ImgBmp, TwentyFourAndThirtyTwoBitBecomeRedFirst)
{
    // Width 3 x 3 bytes = 9: rows padded to 12.
    BmpImage b = picture(3, 2, 24);
    KyImg img;
    loadBmp(img, ImageWriters::bmp(b));
    ASSERT_EQ(img.format(), 5);
    for (u32 r = 0; r < 2; ++r)
        for (u32 x = 0; x < 3; ++x)
            for (u32 c = 0; c < 3; ++c)
                ASSERT_EQ(img.pixels()[(r * 3 + x) * 3 + c], fileRow(b, r)[x * 3 + 2 - c]) << r << x << c;

    BmpImage d = picture(2, 2, 32);
    KyImg rgba;
    loadBmp(rgba, ImageWriters::bmp(d));
    ASSERT_EQ(rgba.format(), 6);
    const u8* f = fileRow(d, 0);
    const u8 expect[] = {f[2], f[1], f[0], f[3]};
    EXPECT_EQ(std::memcmp(rgba.pixels(), expect, 4), 0);
}

TEST(ImgBmp, CoreHeaderIsReadAtItsOwnOffsets)
{
    BmpImage b = picture(6, 2, 8);
    b.headerSize = 12;
    b.palette = ImageWriters::pattern(256 * 3, 8);   // three-byte entries
    KyImg img;
    loadBmp(img, ImageWriters::bmp(b));
    ASSERT_EQ(img.format(), 0);
    EXPECT_EQ(img.width(), 6u);
    EXPECT_EQ(img.height(), 2u);
    EXPECT_EQ(std::memcmp(img.pixels(), fileRow(b, 0), 6), 0);
    const u8* e = b.palette.data() + 3 * 200;
    EXPECT_EQ(img.palette()->color(200), KyColor(e[2], e[1], e[0], 255));

    BmpImage c = picture(2, 2, 24);
    c.headerSize = 12;
    KyImg rgb;
    loadBmp(rgb, ImageWriters::bmp(c));
    EXPECT_EQ(rgb.format(), 5);
    EXPECT_EQ(rgb.width(), 2u);
}

TEST(ImgBmp, EverySignatureAndHeaderSize)
{
    for (const char* sig : {"BM", "BA", "CI", "CP", "IC", "PT"}) {
        BmpImage b = picture(2, 2, 24);
        b.signature = sig;
        KyImg img;
        loadBmp(img, ImageWriters::bmp(b));
        EXPECT_EQ(img.format(), 5) << sig;
    }
    BmpImage v5 = picture(2, 2, 24);
    v5.headerSize = 240;
    KyImg big;
    loadBmp(big, ImageWriters::bmp(v5));
    EXPECT_EQ(big.format(), 5);

    for (const char* sig : {"MB", "GI", "\x00\x00"}) {
        BmpImage b = picture(2, 2, 24);
        b.signature = std::string(sig, 2);
        KyImg img;
        loadBmp(img, ImageWriters::bmp(b));
        EXPECT_EQ(img.format(), 13);
    }
    BmpImage v4 = picture(2, 2, 24);
    v4.headerSize = 108;
    KyImg none;
    loadBmp(none, ImageWriters::bmp(v4));
    EXPECT_EQ(none.format(), 13);
    EXPECT_EQ(none.pixels(), nullptr);
}

TEST(ImgBmp, CompressedPicturesAreNotDecoded)
{
    struct Case {
        u16 bits;
        u32 compression;
        const char* line;
    } cases[] = {
        {8, 1, "BI_RLE8 n'est pas géré.\n"},
        {16, 3, "BI_BITFIELDS n'est pas géré.\n"},
        {32, 3, "BI_BITFIELDS n'est pas géré.\n"},
        {4, 2, "BI_RLE4 n'est pas géré.\n"},
    };
    for (const Case& c : cases) {
        BmpImage b = picture(4, 4, c.bits);
        b.compression = c.compression;
        StdoutCapture log;
        KyImg img;
        loadBmp(img, ImageWriters::bmp(b));
        EXPECT_EQ(img.format(), 13);
        EXPECT_EQ(img.pixels(), nullptr);
        EXPECT_EQ(log.text(), c.line);
    }
}

TEST(ImgBmp, OneAndFourBitGiveFormat13)
{
    for (u16 bits : {1, 4}) {
        KyImg img;
        loadBmp(img, ImageWriters::bmp(picture(9, 3, bits)));
        EXPECT_EQ(img.format(), 13);
    }
}

TEST(ImgBmp, OffsetsCountFromThePictureInTheStream)
{
    BmpImage b = picture(3, 3, 24);
    Bytes file = ImageWriters::bmp(b);
    Bytes all(17, 0xEE);
    all.insert(all.end(), file.begin(), file.end());
    KyString s;
    ImageWriters::fillStream(s, all);
    s.seek(17);
    KyImg img;
    img.loadFromStream(s, "bmp");
    ASSERT_EQ(img.format(), 5);
    EXPECT_EQ(img.pixels()[0], fileRow(b, 0)[2]);
}

TEST(ImgBmp, SizesAreCheckedAgainstTheData)
{
    BmpImage wide = picture(2, 2, 24);
    Bytes w = ImageWriters::bmp(wide);
    w[18] = 0xFF;
    w[19] = 0xFF;
    w[20] = 0;   // width 65535 in a tiny file
    BmpImage neg = picture(2, 2, 8);
    Bytes n = ImageWriters::bmp(neg);
    n[22] = 0;
    n[23] = 0;
    n[24] = 0;
    n[25] = 0x80;   // height INT_MIN
    Bytes offset = ImageWriters::bmp(picture(2, 2, 8));
    offset[10] = 0xF0;
    offset[13] = 0x7F;   // data far past the end
    Bytes cut = ImageWriters::bmp(picture(8, 8, 32));
    cut.resize(cut.size() - 1);
    for (const Bytes* b : {&w, &n, &offset, &cut}) {
        KyImg img;
        loadBmp(img, *b);
        EXPECT_EQ(img.format(), 13);
        EXPECT_EQ(img.pixels(), nullptr);
    }
    Bytes whole = ImageWriters::bmp(picture(5, 5, 8));
    for (size_t len = 0; len < whole.size(); len += 7) {
        KyImg img;
        loadBmp(img, Bytes(whole.begin(), whole.begin() + len));
        EXPECT_EQ(img.format(), 13) << len;
    }
}

// A row of a 24- or 32-bit file is width x 3 or 4 bytes: widths whose row
// size wraps in 32 bits (to 4 and 2 bytes here) must not give a picture of
// that width holding a few bytes. Everything wider than the width cap is
// refused whatever the rows hold.
TEST(ImgBmp, RowSizesThatWrapIn32BitsAreRefused)
{
    struct Case {
        u16 bits;
        u32 width;
        s32 height;
    } cases[] = {
        {32, 0x40000001u, 1}, {24, 0x55555556u, 1}, {16, 0x80000001u, 1}, {32, 0x80000001u, 1},
        {24, 0x55555556u, -1}, {32, 0x40000001u, 2}, {8, 0xFFFFFFFFu, 1}, {32, 65537, 1},
    };
    for (const Case& c : cases) {
        // A picture 127 pixels wide, its width then stated wider.
        Bytes file = ImageWriters::bmp(picture(127, c.height, c.bits));
        for (int k = 0; k < 4; ++k)
            file[18 + k] = static_cast<u8>(c.width >> (8 * k));
        KyImg img;
        loadBmp(img, file);
        EXPECT_EQ(img.format(), 13) << c.bits << " bits, width " << c.width;
        EXPECT_EQ(img.pixels(), nullptr);
        EXPECT_EQ(img.width(), 0u);
    }
}

// The width cap counts pixels, not row bytes: wide pictures within the caps
// decode whole at every depth.
TEST(ImgBmp, WidePicturesWithinTheCapsDecode)
{
    struct Case {
        u16 bits;
        u32 width;
        s32 format;
    } cases[] = {{8, 65536, 0}, {16, 40000, 4}, {24, 30000, 5}, {32, 20000, 6}};
    for (const Case& c : cases) {
        BmpImage b = picture(c.width, 2, c.bits, c.width);
        KyImg img;
        loadBmp(img, ImageWriters::bmp(b));
        ASSERT_EQ(img.format(), c.format) << c.bits;
        EXPECT_EQ(img.width(), c.width);
        EXPECT_EQ(img.height(), 2u);
        u32 bpp = c.bits / 8u;
        EXPECT_EQ(img.allocatedBytes(), u64(c.width) * 2 * bpp);
        // The last pixel of the top row, red first for 24 and 32 bits.
        const u8* file = fileRow(b, 1) + u64(c.width - 1) * bpp;
        const u8* mine = img.pixels() + (u64(c.width) * 2 - 1) * bpp;
        EXPECT_EQ(mine[0], bpp >= 3 ? file[2] : file[0]) << c.bits;
        EXPECT_EQ(mine[bpp - 1], bpp >= 3 && bpp != 4 ? file[0] : file[bpp - 1]) << c.bits;
    }
}

// The fourth byte of a 32-bit file is reserved, and most writers leave it 0:
// such a picture is opaque. A picture with any other fourth byte keeps its
// bytes as alpha, zeros included.
TEST(ImgBmp, ThirtyTwoBitAlphaAllZeroMeansOpaque)
{
    struct Case {
        const char* what;
        s32 height;
        std::vector<u8> alphas;   // one a pixel, 3 x |height| pixels, file order
        std::vector<u8> expected;
    } cases[] = {
        {"all zero", 2, {0, 0, 0, 0, 0, 0}, {255, 255, 255, 255, 255, 255}},
        {"all zero, top-down", -2, {0, 0, 0, 0, 0, 0}, {255, 255, 255, 255, 255, 255}},
        {"one pixel with alpha", 2, {0, 0, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 1}},
        {"first pixel with alpha", 2, {200, 0, 0, 0, 0, 0}, {200, 0, 0, 0, 0, 0}},
        {"mixed", 2, {255, 0, 128, 7, 0, 255}, {255, 0, 128, 7, 0, 255}},
        {"opaque", 2, {255, 255, 255, 255, 255, 255}, {255, 255, 255, 255, 255, 255}},
    };
    for (const Case& c : cases) {
        BmpImage b = picture(3, c.height, 32, 11);
        for (size_t i = 0; i < c.alphas.size(); ++i)
            b.rows[i * 4 + 3] = c.alphas[i];
        KyImg img;
        loadBmp(img, ImageWriters::bmp(b));
        ASSERT_EQ(img.format(), 6) << c.what;
        for (u32 r = 0; r < 2; ++r) {
            // Image row of file row r: the same for bottom-up files, turned for top-down ones.
            u32 row = c.height < 0 ? 1 - r : r;
            for (u32 x = 0; x < 3; ++x) {
                const u8* mine = img.pixels() + (row * 3 + x) * 4;
                const u8* file = fileRow(b, r) + x * 4;
                EXPECT_EQ(mine[3], c.expected[r * 3 + x]) << c.what << " pixel " << r << "," << x;
                EXPECT_EQ(mine[0], file[2]) << c.what;   // colours untouched
                EXPECT_EQ(mine[1], file[1]) << c.what;
                EXPECT_EQ(mine[2], file[0]) << c.what;
            }
        }
    }
}

TEST(ImgBmp, FileForm)
{
    TempDir dir;
    ASSERT_TRUE(dir.writeFile("a.bmp", ImageWriters::toString(ImageWriters::bmp(picture(4, 4, 8)))));
    KyBmp reader;
    reader.LoadFromFile(dir.file("a.bmp").c_str());
    EXPECT_EQ(reader.format(), 0);
    EXPECT_EQ(reader.bitCount(), 8);
    EXPECT_FALSE(reader.isOpen());

    StdoutCapture log;
    KyBmp none;
    none.LoadFromFile(dir.file("none.bmp").c_str());
    EXPECT_EQ(none.format(), 13);
    EXPECT_NE(log.text().find("n'existe pas"), std::string::npos);   // the file layer's line
}

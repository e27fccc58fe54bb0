#include "core/KyString.h"
#include "platform/KyImg.h"
#include "platform/KyPng.h"
#include "tools/content/ImageWriters.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <zlib.h>

using ImageWriters::Bytes;
using ImageWriters::PngImage;

namespace {

PngImage picture(u32 w, u32 h, int colorType, int depth, u32 seed = 3)
{
    PngImage p;
    p.width = w;
    p.height = h;
    p.colorType = colorType;
    p.bitDepth = depth;
    int channels = colorType == 2 ? 3 : colorType == 6 ? 4 : colorType == 4 ? 2 : 1;
    p.rows = ImageWriters::pattern((w * channels * depth + 7) / 8 * h, seed);
    if (colorType == 3) {
        p.palette = ImageWriters::pattern(3 * (1u << (depth < 8 ? depth : 8)), seed + 1);
    }
    return p;
}

void loadPng(KyImg& img, const Bytes& bytes)
{
    KyString s;
    ImageWriters::fillStream(s, bytes);
    img.loadFromStream(s, "png");
}

// The PNG's top row must be the image's last row.
void expectBottomRowFirst(const KyImg& img, const PngImage& p, u32 bpp)
{
    ASSERT_NE(img.pixels(), nullptr);
    u32 stride = p.width * bpp;
    for (u32 i = 0; i < p.height; ++i)
        ASSERT_EQ(std::memcmp(img.pixels() + stride * (p.height - 1 - i), p.rows.data() + stride * i, stride), 0)
            << "row " << i;
}

} // namespace

TEST(ImgPng, RgbAndRgbaPictures)
{
    PngImage rgb = picture(7, 5, 2, 8);
    KyImg a;
    loadPng(a, ImageWriters::png(rgb));
    EXPECT_EQ(a.format(), 5);
    EXPECT_EQ(a.width(), 7u);
    EXPECT_EQ(a.height(), 5u);
    expectBottomRowFirst(a, rgb, 3);
    EXPECT_EQ(a.palette(), nullptr);

    PngImage rgba = picture(4, 6, 6, 8);
    rgba.interlaced = true;
    KyImg b;
    loadPng(b, ImageWriters::png(rgba));
    EXPECT_EQ(b.format(), 6);
    expectBottomRowFirst(b, rgba, 4);
}

TEST(ImgPng, PaletteWithoutTransparency)
{
    PngImage p = picture(5, 3, 3, 8);
    p.palette = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (u8& b : p.rows)
        b %= 3;
    KyImg img;
    loadPng(img, ImageWriters::png(p));
    ASSERT_EQ(img.format(), 0);
    expectBottomRowFirst(img, p, 1);
    ASSERT_NE(img.palette(), nullptr);
    EXPECT_EQ(img.palette()->format(), 2);
    EXPECT_EQ(img.palette()->byteSize(), 768u);
    EXPECT_EQ(img.palette()->color(2), KyColor(7, 8, 9, 255));
    EXPECT_EQ(img.palette()->color(3), KyColor(0, 0, 0, 255));   // past PLTE: not set
}

TEST(ImgPng, PaletteWithTransparency)
{
    PngImage p = picture(2, 2, 3, 8);
    p.palette = ImageWriters::pattern(5 * 3, 7);
    p.transparency = {0, 100, 200};
    p.rows = {0, 1, 3, 4};
    KyImg img;
    loadPng(img, ImageWriters::png(p));
    ASSERT_EQ(img.format(), 0);
    KyPalette* pal = img.palette();
    ASSERT_NE(pal, nullptr);
    EXPECT_EQ(pal->format(), 3);
    EXPECT_EQ(pal->byteSize(), 1024u);
    EXPECT_EQ(pal->color(0).a, 0);
    EXPECT_EQ(pal->color(1).a, 100);
    EXPECT_EQ(pal->color(2).a, 200);
    EXPECT_EQ(pal->color(3).a, 255);
    EXPECT_EQ(pal->color(4), KyColor(p.palette[12], p.palette[13], p.palette[14], 255));
    EXPECT_EQ(pal->data()[5 * 4 + 3], 0);   // past PLTE
}

TEST(ImgPng, KindsWithoutAFormatGiveNoImage)
{
    // grey 8, grey+alpha 8, RGB 16, RGBA 16, palette 4-bit, grey 1-bit
    const int kinds[][2] = {{0, 8}, {4, 8}, {2, 16}, {6, 16}, {3, 4}, {0, 1}};
    for (const auto& k : kinds) {
        for (bool interlaced : {false, true}) {
            PngImage p = picture(9, 7, k[0], k[1]);
            p.interlaced = interlaced;
            Bytes file = ImageWriters::png(p);
            file.push_back(0x5A);   // a byte after the PNG
            KyString s;
            ImageWriters::fillStream(s, file);
            KyImg img;
            img.loadFromStream(s, "png");
            EXPECT_EQ(img.format(), 13) << k[0] << "/" << k[1];
            EXPECT_EQ(img.pixels(), nullptr);
            EXPECT_EQ(img.width(), 0u);
            // Still read through: the stream stands after the PNG.
            EXPECT_EQ(s.tell(), file.size() - 1);
        }
    }
    EXPECT_EQ(KyPng::formatOf(2, 8), 5);
    EXPECT_EQ(KyPng::formatOf(3, 8), 0);
    EXPECT_EQ(KyPng::formatOf(6, 8), 6);
    EXPECT_EQ(KyPng::formatOf(6, 16), 13);
}

TEST(ImgPng, StreamStandsRightAfterThePng)
{
    Bytes first = ImageWriters::png(picture(3, 3, 2, 8, 1));
    Bytes second = ImageWriters::png(picture(2, 4, 6, 8, 2));
    Bytes both = first;
    both.insert(both.end(), second.begin(), second.end());
    KyString s;
    ImageWriters::fillStream(s, both);
    KyImg a, b;
    a.loadFromStream(s, "png");
    EXPECT_EQ(s.tell(), first.size());
    b.loadFromStream(s, "png");
    EXPECT_EQ(a.width(), 3u);
    EXPECT_EQ(b.width(), 2u);
    EXPECT_EQ(b.format(), 6);
}

TEST(ImgPng, CorruptDataFailsInsteadOfEndingTheProcess)
{
    Bytes good = ImageWriters::png(picture(16, 16, 2, 8));
    // A flipped byte inside IDAT breaks its CRC (critical chunk).
    Bytes badCrc = good;
    badCrc[badCrc.size() - 20] ^= 0xFF;
    // A damaged IHDR.
    Bytes badHeader = good;
    badHeader[16] = 0xFF;
    // Not a PNG at all.
    Bytes notPng = ImageWriters::pattern(300, 9);
    for (const Bytes* b : {&badCrc, &badHeader, &notPng}) {
        KyImg img;
        // libpng's own message goes to the log, as libpng words it (after
        // its warning on the checksum of the data, when the flipped byte is
        // there).
        StdoutCapture log;
        loadPng(img, *b);
        EXPECT_EQ(img.format(), 13);
        EXPECT_EQ(img.pixels(), nullptr);
        EXPECT_NE(log.text().find("libpng error: "), std::string::npos) << log.text();
    }
}

TEST(ImgPng, EveryTruncationIsAnError)
{
    Bytes good = ImageWriters::png(picture(6, 6, 6, 8));
    for (size_t n = 0; n < good.size() - 12; n += 3) {
        Bytes cut(good.begin(), good.begin() + n);
        KyImg img;
        loadPng(img, cut);
        ASSERT_EQ(img.format(), 13) << n;
        ASSERT_EQ(img.pixels(), nullptr) << n;
    }
}

TEST(ImgPng, HugeStatedSizeIsRefused)
{
    // IHDR (with a valid CRC) claiming 60000 x 60000 RGBA, over the pixel
    // cap, and 70000 x 1, over the width cap; the data is a 1 x 1 picture.
    for (u32 side : {60000u, 70000u}) {
        Bytes file = ImageWriters::png(picture(1, 1, 6, 8));
        for (int i = 0; i < 4; ++i) {
            file[16 + i] = static_cast<u8>(side >> (24 - 8 * i));
            file[20 + i] = static_cast<u8>((side == 70000u ? 1u : side) >> (24 - 8 * i));
        }
        u32 crc = static_cast<u32>(crc32(0, file.data() + 12, 17));
        for (int i = 0; i < 4; ++i)
            file[29 + i] = static_cast<u8>(crc >> (24 - 8 * i));
        KyImg img;
        loadPng(img, file);
        EXPECT_EQ(img.format(), 13) << side;
        EXPECT_EQ(img.pixels(), nullptr);
    }
}

TEST(ImgPng, FileFormAndMissingFile)
{
    TempDir dir;
    PngImage p = picture(3, 2, 2, 8);
    ASSERT_TRUE(dir.writeFile("a.png", ImageWriters::toString(ImageWriters::png(p))));
    KyPng reader;
    reader.LoadFromFile(dir.file("a.png").c_str());
    EXPECT_EQ(reader.format(), 5);
    EXPECT_EQ(reader.width(), 3u);
    EXPECT_EQ(reader.colorType(), 2);
    EXPECT_EQ(reader.bitDepth(), 8);

    StdoutCapture log;
    KyString missing(dir.file("none.png").c_str());
    KyPng none;
    none.LoadFromFile(missing);
    EXPECT_EQ(none.format(), 13);
    EXPECT_NE(log.text().find("[KyPng::LoadFromFile] Le fichier : " + dir.file("none.png") + " n'existe pas.\n"),
              std::string::npos);
}

#include "core/KyString.h"
#include "platform/KyImg.h"
#include "platform/KyTga.h"
#include "tools/content/ImageWriters.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

using ImageWriters::Bytes;
using ImageWriters::TgaImage;

namespace {

TgaImage picture(u16 w, u16 h, u8 depth, u32 seed = 11)
{
    TgaImage t;
    t.width = w;
    t.height = h;
    t.depth = depth;
    t.imageType = depth == 8 ? 1 : 2;
    t.pixels = ImageWriters::pattern(size_t(w) * h * depth / 8, seed);
    return t;
}

TgaImage mapped(u16 w, u16 h, u8 entrySize, u16 entries)
{
    TgaImage t = picture(w, h, 8);
    t.colorMapType = 1;
    t.colorMapLength = entries;
    t.colorMapEntrySize = entrySize;
    t.colorMap = ImageWriters::pattern(size_t(entries) * ((entrySize + 7) / 8), entrySize);
    return t;
}

void loadTga(KyImg& img, const Bytes& bytes)
{
    KyString s;
    ImageWriters::fillStream(s, bytes);
    img.loadFromStream(s, "tga");
}

} // namespace

TEST(ImgTga, EveryColourMapEntrySize)
{
    struct Case {
        u8 entrySize;
        s32 paletteFormat;
    } cases[] = {{15, 0}, {16, 1}, {24, 2}, {32, 3}};
    for (const Case& c : cases) {
        TgaImage t = mapped(4, 3, c.entrySize, 256);
        t.id = {'i', 'd', '!'};
        KyImg img;
        loadTga(img, ImageWriters::tga(t));
        ASSERT_EQ(img.format(), 0) << int(c.entrySize);
        EXPECT_EQ(Bytes(img.pixels(), img.pixels() + 12), t.pixels);
        KyPalette* pal = img.palette();
        ASSERT_NE(pal, nullptr);
        EXPECT_EQ(pal->format(), c.paletteFormat);
        const u8* m = t.colorMap.data();
        const u8* d = pal->data();
        switch (c.entrySize) {
        case 15:
        case 16: EXPECT_EQ(std::memcmp(d, m, 512), 0); break;
        case 24:
            EXPECT_EQ(d[3 * 9], m[3 * 9 + 2]);
            EXPECT_EQ(d[3 * 9 + 1], m[3 * 9 + 1]);
            EXPECT_EQ(d[3 * 9 + 2], m[3 * 9]);
            break;
        case 32: {
            const u8 expect[] = {m[4 * 9 + 2], m[4 * 9 + 1], m[4 * 9], m[4 * 9 + 3]};
            EXPECT_EQ(std::memcmp(d + 4 * 9, expect, 4), 0);
            break;
        }
        }
    }
}

TEST(ImgTga, ColourMapsLongerThan256EntriesKeepTheirPixelsInPlace)
{
    TgaImage t = mapped(5, 2, 32, 300);
    KyImg img;
    loadTga(img, ImageWriters::tga(t));
    ASSERT_EQ(img.format(), 0);
    EXPECT_EQ(Bytes(img.pixels(), img.pixels() + 10), t.pixels);
    EXPECT_EQ(img.palette()->byteSize(), 1024u);
    EXPECT_EQ(img.palette()->color(255).r, t.colorMap[255 * 4 + 2]);

    TgaImage short16 = mapped(2, 2, 16, 20);
    KyImg few;
    loadTga(few, ImageWriters::tga(short16));
    ASSERT_EQ(few.format(), 0);
    EXPECT_EQ(std::memcmp(few.palette()->data(), short16.colorMap.data(), 40), 0);
    EXPECT_EQ(few.palette()->data()[40], 0);
}

TEST(ImgTga, TrueColourBecomesRedFirst)
{
    TgaImage t24 = picture(3, 2, 24);
    KyImg a;
    loadTga(a, ImageWriters::tga(t24));
    ASSERT_EQ(a.format(), 5);
    // Bytes 1, 2, 3 in the file end up as 3, 2, 1.
    for (size_t i = 0; i < t24.pixels.size(); i += 3) {
        EXPECT_EQ(a.pixels()[i], t24.pixels[i + 2]);
        EXPECT_EQ(a.pixels()[i + 1], t24.pixels[i + 1]);
        EXPECT_EQ(a.pixels()[i + 2], t24.pixels[i]);
    }
    TgaImage t32 = picture(2, 2, 32);
    KyImg b;
    loadTga(b, ImageWriters::tga(t32));
    ASSERT_EQ(b.format(), 6);
    const u8 expect[] = {t32.pixels[2], t32.pixels[1], t32.pixels[0], t32.pixels[3]};
    EXPECT_EQ(std::memcmp(b.pixels(), expect, 4), 0);

    TgaImage t16 = picture(3, 3, 16);
    KyImg c;
    loadTga(c, ImageWriters::tga(t16));
    ASSERT_EQ(c.format(), 3);
    EXPECT_EQ(Bytes(c.pixels(), c.pixels() + 18), t16.pixels);
}

TEST(ImgTga, PicturesWithoutAFormat)
{
    TgaImage grey = picture(4, 4, 8);
    grey.imageType = 3;
    KyImg a;
    loadTga(a, ImageWriters::tga(grey));
    EXPECT_EQ(a.format(), 13);
    EXPECT_EQ(a.pixels(), nullptr);

    TgaImage odd = picture(4, 4, 24);
    odd.depth = 12;
    KyImg b;
    loadTga(b, ImageWriters::tga(odd));
    EXPECT_EQ(b.format(), 13);
}

TEST(ImgTga, RunLengthPicturesAreRefused)
{
    for (u8 type : {9, 10, 11}) {
        TgaImage t = type == 9 ? mapped(4, 4, 24, 256) : picture(4, 4, 24);
        t.imageType = type;
        KyImg img;
        loadTga(img, ImageWriters::tga(t));
        EXPECT_EQ(img.format(), 13);
        EXPECT_EQ(img.pixels(), nullptr);
        EXPECT_EQ(img.palette(), nullptr);
    }
}

TEST(ImgTga, ShortFilesGiveNoImage)
{
    Bytes whole = ImageWriters::tga(mapped(6, 6, 32, 256));
    for (size_t len = 0; len < whole.size(); len += 13) {
        KyImg img;
        loadTga(img, Bytes(whole.begin(), whole.begin() + len));
        ASSERT_EQ(img.format(), 13) << len;
        ASSERT_EQ(img.pixels(), nullptr);
    }
    TgaImage big = picture(2, 2, 32);
    big.width = 65535;
    big.height = 65535;
    KyImg img;
    loadTga(img, ImageWriters::tga(big));
    EXPECT_EQ(img.format(), 13);
}

TEST(ImgTga, FileForm)
{
    TempDir dir;
    ASSERT_TRUE(dir.writeFile("a.tga", ImageWriters::toString(ImageWriters::tga(picture(3, 3, 24)))));
    KyTga reader;
    reader.LoadFromFile(dir.file("a.tga").c_str());
    EXPECT_EQ(reader.format(), 5);
    EXPECT_EQ(reader.pixelDepth(), 24);
    EXPECT_FALSE(reader.isOpen());
}

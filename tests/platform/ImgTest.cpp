#include "core/KyCore.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "core/KyString.h"
#include "platform/KyImg.h"
#include "platform/KyImgInput.h"
#include "tools/content/ImageWriters.h"
#include "tests/support/CountingStream.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

using ImageWriters::Bytes;

namespace {

Bytes rgbPng(u32 w, u32 h, u32 seed = 1)
{
    ImageWriters::PngImage p;
    p.width = w;
    p.height = h;
    p.colorType = 2;
    p.rows = ImageWriters::pattern(w * h * 3, seed);
    return ImageWriters::png(p);
}

Bytes palettePng(u32 w, u32 h)
{
    ImageWriters::PngImage p;
    p.width = w;
    p.height = h;
    p.colorType = 3;
    p.palette = {10, 20, 30, 40, 50, 60};
    p.rows.assign(w * h, 1);
    return ImageWriters::png(p);
}

Bytes streamBytes(KyString& s)
{
    const u8* p = reinterpret_cast<const u8*>(s.c_str());
    return Bytes(p, p + s.length());
}

} // namespace

TEST(Img, NewImageIsEmpty)
{
    KyImg img;
    EXPECT_EQ(img.format(), 13);
    EXPECT_EQ(img.width(), 0u);
    EXPECT_EQ(img.height(), 0u);
    EXPECT_EQ(img.pixels(), nullptr);
    EXPECT_EQ(img.palette(), nullptr);
    EXPECT_EQ(img.transparent(), 1);
    EXPECT_EQ(img.flag(), 0);
    EXPECT_EQ(img.paletteHolder()->get(), nullptr);
}

TEST(Img, BitsAndByteSizeFollowTheFormatTable)
{
    const u32 bits[14] = {8, 8, 8, 16, 16, 24, 32, 24, 2, 2, 4, 4, 1, 0};
    for (s32 f = 0; f < 14; ++f)
        EXPECT_EQ(KyImg::bitsPerPixel(f), bits[f]) << f;

    // Format 12 counts 1 bit a pixel although it stores a byte.
    KyImg grey;
    ASSERT_NE(grey.create(12, 10, 10, KyIntrusivePtr<KyPalette>()), nullptr);
    EXPECT_EQ(grey.byteSize(), 12u);
    EXPECT_EQ(grey.allocatedBytes(), 100u);
}

TEST(Img, CreateAllocatesWhatEveryWriterNeeds)
{
    KyImg img;
    for (s32 f = 0; f < 14; ++f) {
        u8* p = img.create(f, 7, 5, KyIntrusivePtr<KyPalette>());
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(img.allocatedBytes(), 35u * KyImg::storageBytesPerPixel(f)) << f;
        // Writing every pixel through each writer stays inside the block
        // (the sanitizers would catch an overrun).
        img.fill(1, 2, 3, 4);
        img.clear(9);
        std::vector<u8> block(35 * 4, 0xAB);
        img.writeRect(0, 0, block.data(), 7, 5);
        img.readRect(0, 0, block.data(), 7, 5);
    }
    EXPECT_EQ(KyImg::storageBytesPerPixel(3), 2u);
    EXPECT_EQ(KyImg::storageBytesPerPixel(4), 2u);
}

TEST(Img, CreateRefusesSizesOverTheCaps)
{
    KyImg img;
    EXPECT_EQ(img.create(6, 70000, 70000, KyIntrusivePtr<KyPalette>()), nullptr);
    EXPECT_EQ(img.format(), 13);
    EXPECT_EQ(img.width(), 0u);
    img.fill(1, 2, 3, 4);
    img.clear(0);
}

TEST(Img, CreateSharesThePaletteAndKeepsItsOwn)
{
    KyIntrusivePtr<KyPalette> pal(new KyPalette);
    pal->allocate(3);
    KyImg img;
    img.create(0, 4, 4, pal);
    EXPECT_EQ(img.palette(), pal.get());
    EXPECT_EQ(pal->useCount(), 2u);
    // Re-creating with the image's own palette must not free it on the way.
    img.create(0, 2, 2, *img.paletteHolder());
    EXPECT_EQ(img.palette(), pal.get());
    EXPECT_EQ(pal->useCount(), 2u);
    img.freeData();
    EXPECT_EQ(pal->useCount(), 1u);
}

TEST(Img, SetPaletteWithItsOwnMemberDoesNothing)
{
    KyIntrusivePtr<KyPalette> pal(new KyPalette);
    KyImg img;
    img.setPalette(pal);
    EXPECT_EQ(pal->useCount(), 2u);
    img.setPalette(*img.paletteHolder());
    EXPECT_EQ(pal->useCount(), 2u);
    img.setPalette(KyIntrusivePtr<KyPalette>());
    EXPECT_EQ(pal->useCount(), 1u);
}

TEST(Img, FillUsesEachFormatsLayout)
{
    KyImg img;
    img.create(3, 2, 1, KyIntrusivePtr<KyPalette>());
    img.fill(255, 128, 8, 0);
    u16 w3 = static_cast<u16>(img.pixels()[0] | img.pixels()[1] << 8);
    EXPECT_EQ(w3, (1 << 10) | (16 << 5) | 31);
    EXPECT_EQ(img.pixels()[2], img.pixels()[0]);

    img.create(4, 2, 1, KyIntrusivePtr<KyPalette>());
    img.fill(255, 128, 8, 0);
    u16 w4 = static_cast<u16>(img.pixels()[2] | img.pixels()[3] << 8);
    EXPECT_EQ(w4, (1 << 11) | (32 << 5) | 31);

    img.create(5, 2, 2, KyIntrusivePtr<KyPalette>());
    img.fill(1, 2, 3, 4);
    const u8 rgb[] = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3};
    EXPECT_EQ(std::memcmp(img.pixels(), rgb, sizeof rgb), 0);

    img.create(6, 1, 2, KyIntrusivePtr<KyPalette>());
    img.fill(1, 2, 3, 4);
    const u8 rgba[] = {1, 2, 3, 4, 1, 2, 3, 4};
    EXPECT_EQ(std::memcmp(img.pixels(), rgba, sizeof rgba), 0);

    img.create(0, 2, 2, KyIntrusivePtr<KyPalette>());
    img.fill(1, 2, 3, 4);   // paletted: left unchanged
    EXPECT_EQ(img.pixels()[0], 0);
}

TEST(Img, ClearSetsWidthTimesHeightBytes)
{
    KyImg img;
    img.create(6, 4, 4, KyIntrusivePtr<KyPalette>());
    img.clear(7);
    for (u32 i = 0; i < 64; ++i)
        ASSERT_EQ(img.pixels()[i], i < 16 ? 7 : 0) << i;
}

TEST(Img, DrawGlyphTransparentAndOpaque)
{
    const u8 glyph[] = {0, 2,
                        3, 0};
    KyImg img;
    img.create(0, 4, 3, KyIntrusivePtr<KyPalette>());
    img.clear(9);
    img.drawGlyph(1, 1, glyph, 2, 2, 5, 10);
    // transparent: zero source bytes leave the target; v gives v + 10 - 1.
    EXPECT_EQ(img.pixels()[1 * 4 + 1], 9);
    EXPECT_EQ(img.pixels()[1 * 4 + 2], 11);
    EXPECT_EQ(img.pixels()[2 * 4 + 1], 12);
    EXPECT_EQ(img.pixels()[2 * 4 + 2], 9);

    img.setTransparent(0);
    img.drawGlyph(1, 1, glyph, 2, 2, 5, 10);
    EXPECT_EQ(img.pixels()[1 * 4 + 1], 5);
    EXPECT_EQ(img.pixels()[2 * 4 + 2], 5);
}

TEST(Img, DrawGlyphClipsEveryEdge)
{
    std::vector<u8> glyph(6 * 6);
    for (size_t i = 0; i < glyph.size(); ++i)
        glyph[i] = static_cast<u8>(i + 1);
    KyImg img;
    img.create(0, 4, 4, KyIntrusivePtr<KyPalette>());
    img.drawGlyph(-2, -3, glyph.data(), 6, 6, 0, 1);
    // Target (0,0) takes source row 3, column 2.
    EXPECT_EQ(img.pixels()[0], glyph[3 * 6 + 2]);
    EXPECT_EQ(img.pixels()[3], glyph[3 * 6 + 5]);
    EXPECT_EQ(img.pixels()[2 * 4 + 0], glyph[5 * 6 + 2]);
    EXPECT_EQ(img.pixels()[3 * 4 + 0], 0);   // past the glyph's last row
    img.drawGlyph(3, 3, glyph.data(), 6, 6, 0, 1);
    EXPECT_EQ(img.pixels()[15], glyph[0]);
    img.drawGlyph(100, -100, glyph.data(), 6, 6, 0, 1);
    img.drawGlyph(-100, 100, glyph.data(), 6, 6, 0, 1);
}

TEST(Img, RectanglesRoundTripAndClip)
{
    KyImg img;
    img.create(5, 4, 3, KyIntrusivePtr<KyPalette>());
    Bytes block = ImageWriters::pattern(2 * 2 * 3, 4);
    img.writeRect(1, 1, block.data(), 2, 2);
    Bytes back(block.size(), 0);
    img.readRect(1, 1, back.data(), 2, 2);
    EXPECT_EQ(back, block);
    EXPECT_EQ(img.pixels()[(1 * 4 + 1) * 3], block[0]);
    EXPECT_EQ(img.pixels()[0], 0);

    // Half outside on the left and top: only the inside quarter lands.
    Bytes big = ImageWriters::pattern(4 * 4 * 3, 5);
    img.clear(0);
    img.create(5, 4, 3, KyIntrusivePtr<KyPalette>());
    img.writeRect(-2, -2, big.data(), 4, 4);
    EXPECT_EQ(img.pixels()[0], big[(2 * 4 + 2) * 3]);
    EXPECT_EQ(img.pixels()[3 * 2], 0);
    // Right and bottom edges.
    img.writeRect(3, 2, big.data(), 4, 4);
    EXPECT_EQ(img.pixels()[(2 * 4 + 3) * 3], big[0]);
    Bytes out(4 * 4 * 3, 0xEE);
    img.readRect(3, 2, out.data(), 4, 4);
    EXPECT_EQ(out[0], big[0]);
    EXPECT_EQ(out[3], 0xEE);   // outside the image: untouched
    img.readRect(-10, -10, out.data(), 4, 4);
    img.writeRect(10, 10, big.data(), 4, 4);
}

TEST(Img, StreamFormRoundTrip)
{
    KyImg img;
    img.create(5, 3, 2, KyIntrusivePtr<KyPalette>());
    Bytes px = ImageWriters::pattern(18, 9);
    std::memcpy(img.pixels(), px.data(), px.size());
    img.setFlag(1);
    img.setTransparent(0);
    KyString s((const char*)nullptr);
    EXPECT_EQ(img.serialize(s), 18u + 14u);
    Bytes b = streamBytes(s);
    ASSERT_EQ(b.size(), 32u);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 5);
    EXPECT_EQ(b[6], 3);
    EXPECT_EQ(b[10], 2);

    s.seek(0);
    KyImg back;
    back.deserialize(s);
    EXPECT_EQ(back.format(), 5);
    EXPECT_EQ(back.width(), 3u);
    EXPECT_EQ(back.height(), 2u);
    EXPECT_EQ(back.flag(), 1);
    EXPECT_EQ(back.transparent(), 0);
    ASSERT_NE(back.pixels(), nullptr);
    EXPECT_EQ(Bytes(back.pixels(), back.pixels() + 18), px);
}

TEST(Img, StreamFormOfSixteenBitAndEmptyImages)
{
    KyImg img;
    img.create(3, 2, 2, KyIntrusivePtr<KyPalette>());
    KyString s((const char*)nullptr);
    EXPECT_EQ(img.serialize(s), 8u + 14u);

    KyImg empty;
    KyString e((const char*)nullptr);
    EXPECT_EQ(empty.serialize(e), 14u);
    EXPECT_EQ(e.length(), 14u);

    // A nonzero flag byte counts as set.
    Bytes b = {7, 9};
    ImageWriters::putU32(b, 0);
    ImageWriters::putU32(b, 1);
    ImageWriters::putU32(b, 1);
    b.push_back(42);
    KyString in;
    ImageWriters::fillStream(in, b);
    KyImg one;
    one.deserialize(in);
    EXPECT_EQ(one.flag(), 1);
    EXPECT_EQ(one.transparent(), 1);
    ASSERT_NE(one.pixels(), nullptr);
    EXPECT_EQ(one.pixels()[0], 42);
}

TEST(Img, DamagedStreamFormLeavesTheImageEmpty)
{
    struct Case {
        s32 format;
        u32 width;
        u32 height;
        size_t bytes;
    } cases[] = {
        {5, 4, 4, 10},            // short pixel block
        {6, 60000, 60000, 16},    // far over the caps
        {6, 0xFFFFFFFF, 2, 16},   // would overflow 32-bit arithmetic
        {99, 2, 2, 16},           // no such format
        {-1, 2, 2, 16},
    };
    for (const Case& c : cases) {
        Bytes b = {0, 1};
        ImageWriters::putU32(b, static_cast<u32>(c.format));
        ImageWriters::putU32(b, c.width);
        ImageWriters::putU32(b, c.height);
        b.resize(b.size() + c.bytes, 0x11);
        KyString s;
        ImageWriters::fillStream(s, b);
        KyImg img;
        img.create(5, 2, 2, KyIntrusivePtr<KyPalette>());
        img.deserialize(s);
        EXPECT_EQ(img.format(), 13) << c.format;
        EXPECT_EQ(img.width(), 0u);
        EXPECT_EQ(img.pixels(), nullptr);
    }
}

TEST(Img, LoadFromStreamByTypeWord)
{
    Bytes png = rgbPng(3, 2);
    for (const char* type : {"png", "PNG", "Png"}) {
        KyString s;
        ImageWriters::fillStream(s, png);
        KyImg img;
        img.loadFromStream(s, type);
        EXPECT_EQ(img.format(), 5) << type;
        EXPECT_EQ(img.width(), 3u);
    }
    KyString s;
    ImageWriters::fillStream(s, png);
    KyImg img;
    img.loadFromStream(s, "gif");
    EXPECT_EQ(img.format(), 13);
    EXPECT_EQ(img.pixels(), nullptr);
}

// A limit's allowance of bytes is shared by every picture read while it
// lives, inner limits included: each reader spends what it takes from its
// stream (a JPEG only what its decoder used of its read window, nothing of
// what follows it), and a reading that would pass the allowance is refused.
TEST(Img, ReadersSpendTheAllowanceOfTheirLimit)
{
    const Bytes jpeg = ImageWriters::jpeg(40, 24, 3, ImageWriters::photo(40, 24, 3));
    // The uncompressed readers spend it as BMP does.
    ImageWriters::BmpImage bmp;
    bmp.width = 4;
    bmp.height = 3;
    bmp.rows = ImageWriters::pattern(4 * 3 * 3);
    // A row of 3 bytes written without its padding byte, as the file's
    // size says: what follows is not read as that padding.
    ImageWriters::BmpImage unpadded;
    unpadded.width = 1;
    unpadded.height = 1;
    unpadded.padRows = false;
    unpadded.rows = ImageWriters::pattern(3);
    const struct {
        const char* type;
        Bytes file;
    } cases[] = {
        {"png", rgbPng(9, 7)},
        {"jpg", jpeg},
        {"jpg.zlib", ImageWriters::zlibWrapped(jpeg)},
        {"bmp", ImageWriters::bmp(bmp)},
        {"bmp", ImageWriters::bmp(unpadded)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        Bytes file = c.file;
        file.insert(file.end(), 3000, 0x5A);
        const u64 size = c.file.size();
        // Room for the picture once and all of it but a byte again.
        KyImgInput::Limit set(4096, u64(1) << 24, 2 * size - 1);
        for (int i = 0; i < 2; ++i) {
            CountingStream stream(file);
            KyImgInput::Limit picture(4096, u64(1) << 24);
            StdoutCapture log;
            KyImg img;
            img.loadFromStream(stream, c.type);
            EXPECT_EQ(img.format() == 13, i == 1);
            EXPECT_EQ(set.ranOutOfBytes(), i == 1);
            if (i == 0) {
                EXPECT_EQ(set.bytesLeft(), size - 1);
                EXPECT_EQ(stream.tell(), size);
            } else {
                EXPECT_NE(log.text().find("picture refused, the reading's allowance of bytes is spent\n"),
                          std::string::npos)
                    << log.text();
            }
        }
        EXPECT_FALSE(set.refused());
    }
}

// The width cap counts pixels: a picture wider than 16384 RGBA or 21845 RGB
// pixels has rows over 65536 bytes, and is still within the caps.
TEST(Img, ReadersCapTheWidthInPixelsNotRowBytes)
{
    ImageWriters::PngImage png;
    png.width = 20000;
    png.height = 2;
    png.colorType = 6;
    png.rows = ImageWriters::pattern(20000 * 2 * 4, 3);
    ImageWriters::TgaImage tga;
    tga.width = 30000;
    tga.height = 2;
    tga.depth = 24;
    tga.pixels = ImageWriters::pattern(30000 * 2 * 3, 4);
    struct Case {
        const char* type;
        Bytes file;
        u32 width;
        u32 height;
        s32 format;
    } cases[] = {
        {"png", ImageWriters::png(png), 20000, 2, 6},
        {"jpg", ImageWriters::jpeg(24000, 8, 3, ImageWriters::photo(24000, 8, 3), 50), 24000, 8, 5},
        {"tga", ImageWriters::tga(tga), 30000, 2, 5},
    };
    for (const Case& c : cases) {
        KyString s;
        ImageWriters::fillStream(s, c.file);
        KyImg img;
        img.loadFromStream(s, c.type);
        ASSERT_EQ(img.format(), c.format) << c.type;
        EXPECT_EQ(img.width(), c.width);
        EXPECT_EQ(img.height(), c.height);
        EXPECT_EQ(img.allocatedBytes(), u64(c.width) * c.height * KyImg::storageBytesPerPixel(c.format));
    }
}

TEST(Img, FailedReloadLeavesTheImageEmpty)
{
    KyString s;
    ImageWriters::fillStream(s, rgbPng(4, 4));
    KyImg img;
    img.loadFromStream(s, "png");
    ASSERT_EQ(img.format(), 5);

    Bytes broken = rgbPng(4, 4);
    broken.resize(broken.size() / 2);
    KyString t;
    ImageWriters::fillStream(t, broken);
    img.loadFromStream(t, "png");
    EXPECT_EQ(img.format(), 13);
    EXPECT_EQ(img.width(), 0u);
    EXPECT_EQ(img.height(), 0u);
    EXPECT_EQ(img.pixels(), nullptr);

    KyString u;
    ImageWriters::fillStream(u, rgbPng(4, 4));
    img.loadFromStream(u, "png");
    ASSERT_EQ(img.format(), 5);
    KyString v;
    img.loadFromStream(v, "unknown");
    EXPECT_EQ(img.format(), 13);
    EXPECT_EQ(img.width(), 0u);
}

TEST(Img, PaletteFromAStreamIsNamedAfterTheImage)
{
    KyString s;
    ImageWriters::fillStream(s, palettePng(2, 2));
    KyImg img;
    img.setPath("Data/ui/panel.png");
    img.loadFromStream(s, "png");
    ASSERT_EQ(img.format(), 0);
    ASSERT_NE(img.palette(), nullptr);
    EXPECT_EQ(img.palette()->path(), "Data/ui/panel.Pltt");
}

class ImgLoad : public ::testing::Test {
protected:
    ImgLoad() : m_cwd(m_dir.path()) { KySingleton<KyCore>::instance()->setLanguage("en"); }
    ~ImgLoad() override { KySingleton<KyCore>::instance()->setLanguage("en"); }

    void put(const std::string& relative, const Bytes& bytes)
    {
        ASSERT_TRUE(m_dir.writeFile(relative, ImageWriters::toString(bytes)));
    }

    TempDir m_dir;
    ScopedWorkingDir m_cwd;
};

TEST_F(ImgLoad, ExtensionIsComparedInLowerCase)
{
    put("Data/PHOTO.PNG", rgbPng(5, 3));
    KyImg img;
    img.load("Data/PHOTO.PNG");
    EXPECT_EQ(img.format(), 5);
    EXPECT_EQ(img.width(), 5u);
    EXPECT_EQ(img.height(), 3u);
    EXPECT_EQ(img.path(), "Data/PHOTO.PNG");
}

TEST_F(ImgLoad, ZlibWrappedJpegIsOnlyAStreamType)
{
    Bytes jpeg = ImageWriters::jpeg(8, 8, 3, ImageWriters::pattern(8 * 8 * 3));
    put("Data/a.jpg.zlib", ImageWriters::zlibWrapped(jpeg));
    KyImg img;
    img.load("Data/a.jpg.zlib");
    EXPECT_EQ(img.format(), 13);
    EXPECT_EQ(img.pixels(), nullptr);
    // One list of types serves file names and stream types (the panorama
    // reader checks its tiles' type with it).
    EXPECT_FALSE(KyImg::isPictureName("Data/a.jpg.zlib"));
    EXPECT_TRUE(KyImg::isPictureName("Data/A.JPEG"));
    for (const char* type : {"png", "JPG", "jpeg", "Jpg.Zlib", "jpeg.zlib", "tga", "bmp", "pvr"})
        EXPECT_TRUE(KyImg::isPictureType(type)) << type;
    for (const char* type : {"gif", "zlib", "", "png.zlib", "jpg "})
        EXPECT_FALSE(KyImg::isPictureType(type)) << type;
}

TEST_F(ImgLoad, LanguageFoldersAreTried)
{
    KySingleton<KyCore>::instance()->setLanguage("fr");
    put("Data/fr/only.png", rgbPng(2, 2));
    put("Data/en/english.png", rgbPng(3, 3));
    KyImg fr;
    fr.load("Data/only.png");
    EXPECT_EQ(fr.width(), 2u);
    EXPECT_EQ(fr.path(), "Data/only.png");
    KyImg en;
    en.load("Data/english.png");
    EXPECT_EQ(en.width(), 3u);
    KyImg none;
    none.load("Data/missing.png");
    EXPECT_EQ(none.format(), 13);
}

TEST_F(ImgLoad, PalettedImageKeepsItsPaletteUnderThePlttName)
{
    put("Data/pal.png", palettePng(2, 2));
    KyImg img;
    img.load("Data/pal.png");
    ASSERT_EQ(img.format(), 0);
    ASSERT_NE(img.palette(), nullptr);
    EXPECT_EQ(img.palette()->path(), "Data/pal.Pltt");
    EXPECT_EQ(img.palette()->color(1), KyColor(40, 50, 60, 255));
    EXPECT_FALSE(KySingleton<KyResourceManager>::instance()->exists("Data/pal.Pltt"));
}

TEST_F(ImgLoad, ListedPaletteReplacesTheFilesOwn)
{
    put("Data/pal2.png", palettePng(2, 2));
    KyPalette* listed = new KyPalette;
    KyIntrusivePtr<KyPalette> hold(listed);
    listed->allocate(3);
    listed->setColor(1, KyColor(1, 2, 3, 4));
    listed->setPath("Data/pal2.Pltt");
    KySingleton<KyResourceManager>::instance()->add(listed);

    KyImg img;
    img.load("Data/pal2.png");
    EXPECT_EQ(img.palette(), listed);
    img.freeData();
    hold.reset();
}

TEST_F(ImgLoad, GetOrLoadSharesTheImage)
{
    put("Data/shared.png", rgbPng(4, 2));
    KyResourceManager* rm = KySingleton<KyResourceManager>::instance();
    KyIntrusivePtr<KyImg> a = rm->getOrLoad<KyImg>("Data/shared.png");
    KyIntrusivePtr<KyImg> b = rm->getOrLoad<KyImg>("Data/shared.png");
    ASSERT_TRUE(a);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_EQ(a->width(), 4u);
    EXPECT_EQ(a->useCount(), 2u);
}

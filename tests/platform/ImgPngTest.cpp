#include "core/KyString.h"
#include "platform/KyImg.h"
#include "platform/KyPng.h"
#include "tools/content/ImageWriters.h"
#include "tests/support/CountingStream.h"
#include "tests/support/CpuTime.h"
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

// Makes the PNG's header state another size, its checksum made anew.
void stateSize(Bytes& file, u32 width, u32 height)
{
    for (int i = 0; i < 4; ++i) {
        file[16 + i] = static_cast<u8>(width >> (24 - 8 * i));
        file[20 + i] = static_cast<u8>(height >> (24 - 8 * i));
    }
    u32 crc = static_cast<u32>(crc32(0, file.data() + 12, 17));
    for (int i = 0; i < 4; ++i)
        file[29 + i] = static_cast<u8>(crc >> (24 - 8 * i));
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
    // grey 8, grey+alpha 8, RGB 16, RGBA 16, palette 4-bit, grey 1-bit; a
    // 16-bit picture of 6 MB, more than a picture's header chunks may take
    // (its data is its own, as large as its rows); and kinds whose header
    // states a size over the caps (the last two columns), over the pixel
    // bytes and over the width: never decoded, no size of theirs is refused.
    const u32 kinds[][6] = {{0, 8, 9, 7},       {4, 8, 9, 7}, {2, 16, 9, 7},
                            {6, 16, 9, 7},      {3, 4, 9, 7}, {0, 1, 9, 7},
                            {6, 16, 1024, 768}, {0, 8, 9, 7, 60000, 60000}, {6, 16, 9, 7, 70000, 1}};
    for (const auto& k : kinds) {
        for (bool interlaced : {false, true}) {
            PngImage p = picture(k[2], k[3], int(k[0]), int(k[1]));
            p.interlaced = interlaced;
            p.compressionLevel = 1;
            Bytes file = ImageWriters::png(p);
            if (k[4] > 0)
                stateSize(file, k[4], k[5]);
            file.push_back(0x5A);   // a byte after the PNG
            KyString s;
            ImageWriters::fillStream(s, file);
            StdoutCapture log;
            KyImg img;
            img.loadFromStream(s, "png");
            EXPECT_EQ(img.format(), 13) << k[0] << "/" << k[1];
            EXPECT_EQ(img.pixels(), nullptr);
            EXPECT_EQ(img.width(), 0u);
            // Still read through, not refused: the stream stands after the
            // PNG.
            EXPECT_EQ(s.tell(), file.size() - 1);
            EXPECT_EQ(log.text(), "");
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
        stateSize(file, side, side == 70000u ? 1u : side);
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

namespace {

// A 1 x 1 RGB picture whose image data goes on with zeros after its row.
Bytes oneRowThenZeros(u64 zeros)
{
    PngImage p = picture(1, 1, 2, 8);
    Bytes data = ImageWriters::zlibZeros({0, p.rows[0], p.rows[1], p.rows[2]}, zeros);
    return ImageWriters::pngWith(ImageWriters::png(p), {}, &data);
}

} // namespace

// Reading a picture costs what its pixels need: image data that inflates
// past the last row is refused after a piece of it, and a file whose bytes
// for libpng far pass its rows is refused when the walk reaches past them.
TEST(ImgPng, DataFarPastThePictureIsRefusedUnread)
{
    // The rows of a picture end inside a stored block, and a stream of
    // zeros follows in later IDAT chunks: never inflated, the picture reads.
    PngImage small = picture(2, 2, 6, 8);
    Bytes rows;
    for (u32 y = 0; y < 2; ++y) {
        rows.push_back(0);
        rows.insert(rows.end(), small.rows.begin() + 8 * y, small.rows.begin() + 8 * y + 8);
    }
    Bytes stored = {0x78, 0x01, 0x00, u8(rows.size()), 0, u8(~rows.size()), 0xFF};
    stored.insert(stored.end(), rows.begin(), rows.end());
    Bytes zeros = ImageWriters::zlibZeros({}, u64(256) << 20);
    Bytes rest(zeros.begin() + 2, zeros.end());
    Bytes later = ImageWriters::pngWith(ImageWriters::png(small), {}, &stored);
    Bytes chunk = ImageWriters::pngChunk("IDAT", rest);
    later.insert(later.end() - 12, chunk.begin(), chunk.end());
    CountingStream laterStream(later);
    KyImg read;
    read.loadFromStream(laterStream, "png");
    ASSERT_EQ(read.format(), 6);
    expectBottomRowFirst(read, small, 4);
    EXPECT_EQ(laterStream.tell(), later.size());

    // 1 GiB of zeros after the row of a 1 x 1 picture took seconds to
    // inflate; it is refused from its first piece.
    Bytes bomb = oneRowThenZeros(u64(1) << 30);
    // 400,000 empty text chunks before the image data: 4.8 MB of chunk
    // walking for a picture of one pixel.
    Bytes manyChunks;
    {
        std::vector<Bytes> chunks(400000, ImageWriters::pngChunk("tEXt", {}));
        manyChunks = ImageWriters::pngWith(ImageWriters::png(picture(1, 1, 2, 8)), chunks);
    }
    struct Case {
        const Bytes* file;
        const char* logged;
        u64 maxRead;
    } cases[] = {
        {&bomb, "libpng error: PNG image data goes on past its last row", 128 * 1024},
        {&manyChunks, "KyPng::LoadFromStream: picture refused, its data is far larger than its picture", 4300 * 1024},
    };
    for (const Case& c : cases) {
        CountingStream stream(*c.file);
        StdoutCapture log;
        KyImg img;
        const double before = threadCpuSeconds();
        img.loadFromStream(stream, "png");
        const double spent = threadCpuSeconds() - before;
        EXPECT_EQ(img.format(), 13);
        EXPECT_EQ(img.pixels(), nullptr);
        EXPECT_NE(log.text().find(c.logged), std::string::npos) << log.text();
        EXPECT_LT(stream.bytesRead(), c.maxRead) << c.file->size();
        // Seconds before; well under a millisecond now.
        EXPECT_LT(spent, 0.5);
    }

    // The same for an interlaced picture of some size: its last pass ends
    // the reading.
    PngImage big = picture(40, 30, 6, 8);
    big.interlaced = true;
    Bytes raw;
    {
        // The interlaced rows as libpng writes them, inflated back.
        Bytes file = ImageWriters::png(big);
        Bytes packed;
        for (size_t at = 8; at + 12 <= file.size();) {
            u32 n = u32(file[at]) << 24 | u32(file[at + 1]) << 16 | u32(file[at + 2]) << 8 | file[at + 3];
            if (std::memcmp(&file[at + 4], "IDAT", 4) == 0)
                packed.insert(packed.end(), file.begin() + at + 8, file.begin() + at + 8 + n);
            at += 12 + n;
        }
        uLongf size = 40 * 30 * 4 * 2;
        raw.resize(size);
        ASSERT_EQ(uncompress(raw.data(), &size, packed.data(), uLong(packed.size())), Z_OK);
        raw.resize(size);
    }
    Bytes data = ImageWriters::zlibZeros(raw, u64(256) << 20);
    Bytes interlacedBomb = ImageWriters::pngWith(ImageWriters::png(big), {}, &data);
    CountingStream stream(interlacedBomb);
    StdoutCapture log;
    KyImg img;
    img.loadFromStream(stream, "png");
    EXPECT_EQ(img.format(), 13);
    EXPECT_LT(stream.bytesRead(), 128u * 1024u);
}

// Text, colour profiles and every chunk the engine has no use for are read
// past, never inflated however much they would inflate to, and their
// checksums still count; tRNS among them still gives the palette its alphas.
// What they may take is set from the picture's rows at its header, so a
// large picture's metadata before its image data reads as it does after.
TEST(ImgPng, UnusedChunksAreReadPastUninflated)
{
    // Each text chunk inflates to 8 MiB, as far as libpng inflates one.
    Bytes zeros = ImageWriters::zlibZeros({}, u64(8) << 20);
    Bytes bigZeros = ImageWriters::zlibZeros({}, u64(64) << 20);
    Bytes profile = {'i', 'c', 'c', 0, 0};
    profile.insert(profile.end(), bigZeros.begin(), bigZeros.end());
    Bytes text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
    text.insert(text.end(), zeros.begin(), zeros.end());
    Bytes itext = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 1, 0, 0, 0};
    itext.insert(itext.end(), zeros.begin(), zeros.end());
    std::vector<Bytes> chunks = {ImageWriters::pngChunk("iCCP", profile), ImageWriters::pngChunk("gAMA", {0, 0, 0xB1, 0x8F})};
    for (int i = 0; i < 120; ++i)
        chunks.push_back(ImageWriters::pngChunk(i % 2 ? "iTXt" : "zTXt", i % 2 ? itext : text));
    chunks.push_back(ImageWriters::pngChunk("tEXt", {'a', 0, 'b'}));
    chunks.push_back(ImageWriters::pngChunk("prVt", ImageWriters::pattern(9000)));
    // 5.1 MB of XMP before the image data of a 1024 x 1024 RGBA picture.
    Bytes xmp = {'X', 'M', 'L', ':', 'c', 'o', 'm', '.', 'a', 'd', 'o', 'b', 'e', '.', 'x', 'm', 'p', 0, 0, 0, 0, 0};
    xmp.resize(5100000, 'x');

    PngImage rgb = picture(33, 17, 2, 8);
    PngImage paletted = picture(9, 5, 3, 8);
    paletted.palette = ImageWriters::pattern(4 * 3, 5);
    paletted.transparency = {7, 70};
    for (u8& b : paletted.rows)
        b %= 4;
    PngImage large = picture(1024, 1024, 6, 8);
    large.compressionLevel = 1;
    struct Case {
        const PngImage* picture;
        std::vector<Bytes> chunks;
        s32 format;
    } cases[] = {
        {&rgb, chunks, 5},
        {&paletted, chunks, 0},
        {&large, {ImageWriters::pngChunk("iTXt", xmp)}, 6},
    };
    for (const Case& c : cases) {
        Bytes file = ImageWriters::pngWith(ImageWriters::png(*c.picture), c.chunks);
        file.push_back(0x5A);   // a byte after the PNG
        CountingStream stream(file);
        KyImg img;
        const double before = threadCpuSeconds();
        img.loadFromStream(stream, "png");
        const double spent = threadCpuSeconds() - before;
        ASSERT_EQ(img.format(), c.format) << file.size();
        expectBottomRowFirst(img, *c.picture, KyImg::storageBytesPerPixel(c.format));
        EXPECT_EQ(stream.tell(), file.size() - 1);
        // About 1 MB of chunks read, where 1 GB was inflated in over a
        // second.
        ASSERT_LT(spent, 0.25);
        if (c.picture == &paletted) {
            ASSERT_NE(img.palette(), nullptr);
            EXPECT_EQ(img.palette()->color(1).a, 70);
            EXPECT_EQ(img.palette()->color(2).a, 255);
        }
    }

    // A skipped chunk whose checksum is wrong refuses the picture, as libpng
    // refuses one it reads.
    std::vector<Bytes> damaged = {ImageWriters::pngChunk("tEXt", {'a', 0, 'b'})};
    damaged[0].back() ^= 1;
    StdoutCapture log;
    KyImg img;
    loadPng(img, ImageWriters::pngWith(ImageWriters::png(rgb), damaged));
    EXPECT_EQ(img.format(), 13);
    EXPECT_NE(log.text().find("libpng error: CRC error"), std::string::npos) << log.text();
}

// Interlaced pictures are combined pass by pass into the same pixels as
// plain ones, at every size (passes that are empty for narrow or short
// pictures included).
TEST(ImgPng, InterlacedPicturesReadAsPlainOnes)
{
    const u32 sizes[][2] = {{1, 1}, {2, 3}, {3, 2}, {5, 5}, {8, 8}, {9, 7}, {33, 17}, {1, 40}, {40, 1}};
    const int kinds[] = {2, 3, 6};
    for (const auto& size : sizes) {
        for (int kind : kinds) {
            PngImage p = picture(size[0], size[1], kind, 8, size[0] * 7 + size[1]);
            p.interlaced = true;
            KyImg img;
            loadPng(img, ImageWriters::png(p));
            ASSERT_EQ(img.format(), KyPng::formatOf(kind, 8)) << size[0] << "x" << size[1] << " " << kind;
            expectBottomRowFirst(img, p, kind == 2 ? 3 : kind == 6 ? 4 : 1);
        }
    }
}

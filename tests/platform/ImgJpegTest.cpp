#include "core/KyString.h"
#include "platform/KyImg.h"
#include "platform/KyJpeg.h"
#include "tools/content/ImageWriters.h"
#include "tests/support/CountingStream.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

using ImageWriters::Bytes;

namespace {

// Top half white, bottom half black: tells the row order apart.
Bytes halves(u32 w, u32 h, int channels)
{
    Bytes rows(static_cast<size_t>(w) * h * channels, 0);
    for (size_t i = 0; i < rows.size() / 2; ++i)
        rows[i] = 255;
    return rows;
}

int maxDifference(const u8* a, const u8* b, size_t n)
{
    int worst = 0;
    for (size_t i = 0; i < n; ++i)
        worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

// The JPEG's rows, top row first, against the image's, bottom row first.
int flippedDifference(const KyImg& img, const Bytes& rows, u32 channels)
{
    u32 stride = img.width() * channels;
    int worst = 0;
    for (u32 i = 0; i < img.height(); ++i)
        worst = std::max(worst, maxDifference(img.pixels() + stride * (img.height() - 1 - i),
                                              rows.data() + stride * i, stride));
    return worst;
}

// Whatever a reader gives, it is either no image or a consistent one.
void expectConsistent(const KyImg& img)
{
    if (img.format() == 13) {
        EXPECT_EQ(img.pixels(), nullptr);
        EXPECT_EQ(img.width(), 0u);
    } else {
        ASSERT_NE(img.pixels(), nullptr);
        EXPECT_EQ(img.allocatedBytes(), u64(img.width()) * img.height() * KyImg::storageBytesPerPixel(img.format()));
    }
}

// libjpeg alone, with its own memory source: the rows top row first.
Bytes libjpegRows(const Bytes& file)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    const size_t stride = size_t(cinfo.output_width) * cinfo.output_components;
    Bytes rows(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rows.data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return rows;
}

} // namespace

TEST(ImgJpeg, ColourPictureBottomRowFirst)
{
    Bytes rows = ImageWriters::photo(40, 24, 3);
    Bytes file = ImageWriters::jpeg(40, 24, 3, rows, 100);
    KyString s;
    ImageWriters::fillStream(s, file);
    KyImg img;
    img.loadFromStream(s, "jpg");
    ASSERT_EQ(img.format(), 5);
    EXPECT_EQ(img.width(), 40u);
    EXPECT_EQ(img.height(), 24u);
    EXPECT_LE(flippedDifference(img, rows, 3), 40);

    KyString t;
    ImageWriters::fillStream(t, ImageWriters::jpeg(16, 16, 3, halves(16, 16, 3), 95));
    KyImg h;
    h.loadFromStream(t, "jpeg");
    ASSERT_EQ(h.format(), 5);
    EXPECT_LT(h.pixels()[0], 40);                     // bottom row: black
    EXPECT_GT(h.pixels()[15 * 16 * 3], 215);          // top row: white
}

TEST(ImgJpeg, GreyPictureIsFormat12)
{
    Bytes rows = ImageWriters::photo(10, 10, 1);
    KyString s;
    ImageWriters::fillStream(s, ImageWriters::jpeg(10, 10, 1, rows, 100));
    KyImg img;
    img.loadFromStream(s, "jpg");
    ASSERT_EQ(img.format(), 12);
    EXPECT_EQ(img.allocatedBytes(), 100u);
    EXPECT_EQ(img.byteSize(), 12u);
    EXPECT_LE(flippedDifference(img, rows, 1), 8);
}

TEST(ImgJpeg, FourComponentsAreTheWrongFormat)
{
    KyString s;
    ImageWriters::fillStream(s, ImageWriters::jpeg(8, 8, 4, ImageWriters::pattern(8 * 8 * 4)));
    StdoutCapture log;
    KyImg img;
    img.loadFromStream(s, "jpg");
    EXPECT_EQ(img.format(), 13);
    EXPECT_EQ(img.pixels(), nullptr);
    EXPECT_EQ(log.text(), "KyJpeg::LoadFromStream: wrong format");
}

// Kinds the library is not built for: 12-bit samples and lossless frames
// (the frame header of a baseline file changed accordingly) give no image.
TEST(ImgJpeg, TwelveBitAndLosslessGiveNoImage)
{
    Bytes file = ImageWriters::jpeg(16, 16, 3, ImageWriters::photo(16, 16, 3), 80);
    size_t frame = 0;
    for (size_t i = 2; i + 4 < file.size() && frame == 0; ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC0)
            frame = i;
    ASSERT_NE(frame, 0u);
    Bytes twelveBit = file;
    twelveBit[frame + 4] = 12;
    Bytes lossless = file;
    lossless[frame + 1] = 0xC3;
    for (const Bytes* b : {&twelveBit, &lossless}) {
        KyString s;
        ImageWriters::fillStream(s, *b);
        KyImg img;
        img.loadFromStream(s, "jpg");
        EXPECT_EQ(img.format(), 13);
        expectConsistent(img);
    }
}

TEST(ImgJpeg, StreamStandsRightAfterTheJpeg)
{
    // Large enough to take several windows; two pictures back to back, as
    // a tile stores its colour and alpha images.
    Bytes colour = ImageWriters::jpeg(96, 64, 3, ImageWriters::pattern(96 * 64 * 3, 2), 90);
    Bytes alpha = ImageWriters::jpeg(96, 64, 1, ImageWriters::pattern(96 * 64, 3), 90);
    ASSERT_GT(colour.size(), 3u * KyJpeg::WindowSize);
    Bytes all = {'h', 'e', 'a', 'd'};
    all.insert(all.end(), colour.begin(), colour.end());
    all.insert(all.end(), alpha.begin(), alpha.end());
    all.insert(all.end(), {'t', 'a', 'i', 'l'});
    KyString s;
    ImageWriters::fillStream(s, all);
    s.seek(4);
    KyImg a, b;
    a.loadFromStream(s, "jpeg");
    EXPECT_EQ(a.format(), 5);
    EXPECT_EQ(s.tell(), 4 + colour.size());
    b.loadFromStream(s, "jpeg");
    EXPECT_EQ(b.format(), 12);
    EXPECT_EQ(s.tell(), 4 + colour.size() + alpha.size());
    char tail[4];
    EXPECT_EQ(s.read(tail, 4), 4u);
    EXPECT_EQ(std::string(tail, 4), "tail");
}

TEST(ImgJpeg, ProgressiveJpegDecodes)
{
    Bytes rows = ImageWriters::photo(33, 17, 3);
    KyString s;
    ImageWriters::fillStream(s, ImageWriters::jpeg(33, 17, 3, rows, 100, true));
    KyImg img;
    img.loadFromStream(s, "jpg");
    ASSERT_EQ(img.format(), 5);
    EXPECT_LE(flippedDifference(img, rows, 3), 40);
}

// Every legal scan script decodes to the pixels libjpeg gives: libjpeg's
// own progressive scripts, odd successive approximations (DC from bit 3 a
// component at a time, single coefficients from bit 10, refinements left
// out), AC coefficients never coded, sequential files of several scans, and
// the most scans a file may have.
TEST(ImgJpeg, EveryLegalScanScriptDecodesAsLibjpegDecodesIt)
{
    using ImageWriters::JpegScan;
    const Bytes colour = ImageWriters::photo(48, 40, 3);
    const Bytes grey = ImageWriters::photo(48, 40, 1);
    const std::vector<JpegScan> greyScript = {{{0}, 0, 0, 0, 1}, {{0}, 1, 5, 0, 2}, {{0}, 6, 63, 0, 2},
                                              {{0}, 1, 63, 2, 1}, {{0}, 0, 0, 1, 0}, {{0}, 1, 63, 1, 0}};
    std::vector<JpegScan> odd = {{{0}, 0, 0, 0, 3}, {{1}, 0, 0, 0, 3}, {{2}, 0, 0, 0, 3},
                                 {{0, 1, 2}, 0, 0, 3, 2}, {{0, 1, 2}, 0, 0, 2, 1}, {{0, 1, 2}, 0, 0, 1, 0}};
    for (int c = 2; c >= 0; --c) {
        const std::vector<JpegScan> scans = {
            {{c}, 1, 1, 0, 10}, {{c}, 2, 2, 0, 0}, {{c}, 3, 63, 0, 1}, {{c}, 1, 1, 10, 9}, {{c}, 3, 63, 1, 0}};
        odd.insert(odd.end(), scans.begin(), scans.end());
    }
    const std::vector<JpegScan> partial = {{{0, 1, 2}, 0, 0, 0, 0}, {{0}, 1, 9, 0, 0}, {{2}, 1, 9, 0, 0}};
    const struct {
        Bytes file;
        int channels;
    } cases[] = {
        {ImageWriters::jpeg(48, 40, 3, colour, 90, true), 3},
        {ImageWriters::jpeg(48, 40, 1, grey, 90, true), 1},
        {ImageWriters::jpegScripted(48, 40, 1, grey, greyScript, true), 1},
        {ImageWriters::jpegScripted(48, 40, 3, colour, odd), 3},
        {ImageWriters::jpegScripted(48, 40, 3, colour, odd, true), 3},
        {ImageWriters::jpegScripted(48, 40, 3, colour, partial), 3},
        {ImageWriters::jpegScripted(48, 40, 3, colour, {{{0}}, {{1}}, {{2}}}), 3},
        {ImageWriters::jpegScripted(48, 40, 3, colour, {{{2}}, {{0, 1}}}, true), 3},
        {ImageWriters::manyScanJpeg(48, 40, 3, colour, 1000), 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        KyString s;
        ImageWriters::fillStream(s, c.file);
        StdoutCapture log;
        KyImg img;
        img.loadFromStream(s, "jpg");
        ASSERT_EQ(img.format(), c.channels == 3 ? 5 : 12) << log.text();
        EXPECT_EQ(flippedDifference(img, libjpegRows(c.file), c.channels), 0);
        EXPECT_EQ(log.text(), "");
    }
}

TEST(ImgJpeg, TruncatedDataEndsWithASuppliedMarker)
{
    Bytes file = ImageWriters::jpeg(48, 40, 3, ImageWriters::photo(48, 40, 3), 90, true);
    size_t step = file.size() / 60 + 1;
    int decoded = 0;
    for (size_t n = 0; n < file.size(); n += step) {
        Bytes cut(file.begin(), file.begin() + n);
        KyString s;
        ImageWriters::fillStream(s, cut);
        KyImg img;
        img.loadFromStream(s, "jpg");
        expectConsistent(img);
        decoded += img.format() == 5;
        // A picture made up in part says so.
        EXPECT_EQ(img.isCutShort(), img.format() == 5) << n;
        EXPECT_LE(s.tell(), cut.size());
    }
    // Past the header a cut picture still decodes (the rest stays grey).
    EXPECT_GT(decoded, 10);
    KyString whole;
    ImageWriters::fillStream(whole, file);
    KyImg img;
    img.loadFromStream(whole, "jpg");
    EXPECT_EQ(img.format(), 5);
    EXPECT_FALSE(img.isCutShort());
}

TEST(ImgJpeg, CorruptDataGivesNoImage)
{
    Bytes file = ImageWriters::jpeg(16, 16, 3, ImageWriters::pattern(16 * 16 * 3));
    Bytes notJpeg = ImageWriters::pattern(500, 4);
    Bytes badMarker = file;
    badMarker[2] = 0xFF;
    badMarker[3] = 0xC9;   // arithmetic-coded frame with a damaged header after it
    for (const Bytes* b : {&notJpeg, &badMarker}) {
        KyString s;
        ImageWriters::fillStream(s, *b);
        KyImg img;
        StdoutCapture log;
        img.loadFromStream(s, "jpg");
        expectConsistent(img);
        if (b == &notJpeg) {
            // libjpeg's own message goes to the log, as libjpeg words it.
            EXPECT_EQ(0u, log.text().find("Not a JPEG file: starts with 0x")) << log.text();
        }
    }
    KyString empty;
    KyImg img;
    img.loadFromStream(empty, "jpg");
    EXPECT_EQ(img.format(), 13);
}

TEST(ImgJpeg, ZlibWrappedJpeg)
{
    Bytes rows = ImageWriters::photo(64, 48, 3);
    Bytes jpeg = ImageWriters::jpeg(64, 48, 3, rows, 100);
    ASSERT_NE(jpeg.size() % KyJpeg::WindowSize, 0u);
    Bytes wrapped = ImageWriters::zlibWrapped(jpeg);
    Bytes alpha = ImageWriters::zlibWrapped(ImageWriters::jpeg(64, 48, 1, ImageWriters::photo(64, 48, 1)));
    Bytes all = wrapped;
    all.insert(all.end(), alpha.begin(), alpha.end());
    for (const char* type : {"jpg.zlib", "jpeg.zlib", "JPEG.ZLIB"}) {
        KyString s;
        ImageWriters::fillStream(s, all);
        KyImg a, b;
        a.loadFromStream(s, type);
        ASSERT_EQ(a.format(), 5) << type;
        EXPECT_LE(flippedDifference(a, rows, 3), 40);
        EXPECT_EQ(s.tell(), wrapped.size());
        b.loadFromStream(s, type);
        EXPECT_EQ(b.format(), 12);
        EXPECT_EQ(s.tell(), all.size());
    }
}

TEST(ImgJpeg, ZlibPrefixMustMatchTheData)
{
    Bytes jpeg = ImageWriters::jpeg(16, 16, 3, ImageWriters::pattern(16 * 16 * 3));
    Bytes good = ImageWriters::zlibWrapped(jpeg);
    auto withSizes = [&](u32 packed, u32 size) {
        Bytes b = good;
        for (int i = 0; i < 4; ++i) {
            b[i] = static_cast<u8>(packed >> (8 * i));
            b[4 + i] = static_cast<u8>(size >> (8 * i));
        }
        return b;
    };
    u32 packed = static_cast<u32>(good.size() - 8);
    u32 size = static_cast<u32>(jpeg.size());
    const Bytes cases[] = {
        withSizes(packed, size + 1),          // announced more than inflates
        withSizes(packed, size - 1),          // announced less
        withSizes(packed + 100, size),        // compressed block longer than the data
        withSizes(packed, 0xFFFFFFF0u),       // huge announced size
        withSizes(0xFFFFFFF0u, size),         // huge compressed size
        withSizes(packed, 0),
        Bytes(good.begin(), good.begin() + 6),
    };
    for (const Bytes& b : cases) {
        KyString s;
        ImageWriters::fillStream(s, b);
        KyImg img;
        img.loadFromStream(s, "jpg.zlib");
        EXPECT_EQ(img.format(), 13);
        EXPECT_EQ(img.pixels(), nullptr);
    }
    // A wrapped block that is not a JPEG.
    KyString s;
    ImageWriters::fillStream(s, ImageWriters::zlibWrapped(ImageWriters::pattern(3000)));
    KyImg img;
    img.loadFromStream(s, "jpeg.zlib");
    EXPECT_EQ(img.format(), 13);
}

TEST(ImgJpeg, FileFormsAndMissingFiles)
{
    TempDir dir;
    Bytes jpeg = ImageWriters::jpeg(12, 9, 3, ImageWriters::photo(12, 9, 3));
    ASSERT_TRUE(dir.writeFile("a.jpg", ImageWriters::toString(jpeg)));
    ASSERT_TRUE(dir.writeFile("a.jz", ImageWriters::toString(ImageWriters::zlibWrapped(jpeg))));
    KyJpeg plain;
    plain.LoadFromFile(dir.file("a.jpg").c_str());
    EXPECT_EQ(plain.format(), 5);
    EXPECT_EQ(plain.width(), 12u);
    KyJpeg wrapped;
    wrapped.LoadZlibFromFile(dir.file("a.jz").c_str());
    EXPECT_EQ(wrapped.format(), 5);
    EXPECT_EQ(wrapped.height(), 9u);

    std::string missing = dir.file("none.jpg");
    StdoutCapture log;
    KyJpeg a, b;
    a.LoadFromFile(missing.c_str());
    b.LoadZlibFromFile(missing.c_str());
    EXPECT_EQ(a.format(), 13);
    EXPECT_EQ(b.format(), 13);
    std::string line = "[KyJpeg::LoadFromFile] Le fichier : " + missing + " n'existe pas.\n";
    std::string text = log.text();
    size_t first = text.find(line);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find(line, first + 1), std::string::npos);
}

// Reading a JPEG costs what its picture needs. Data far larger than a JPEG
// of its size could be ends the decoding once the decoder reaches past it
// (what its read window takes past the JPEG's end does not count), and a
// zlib block that states far more than its picture needs is refused after
// its header, before the rest of it is inflated. Within the bounds such
// files read as before, and so does a progressive picture of 1000 scans
// (each a pass over the picture: 1000 over 512 x 512 take about as long as
// decoding it ten times); one scan more is refused. So is a scan that codes
// again what an earlier one coded: 999 arithmetic-coded scans repeating one
// took most of a second for 512 x 512 grey pixels.
TEST(ImgJpeg, DataFarPastThePictureIsRefused)
{
    Bytes rows = ImageWriters::photo(16, 16, 3);
    Bytes jpeg = ImageWriters::jpeg(16, 16, 3, rows);
    // The JPEG with comments of 64 KiB after its start.
    auto withComments = [&](int count) {
        Bytes out(jpeg.begin(), jpeg.begin() + 2);
        for (int i = 0; i < count; ++i) {
            out.insert(out.end(), {0xFF, 0xFE, 0xFF, 0xFF});
            out.insert(out.end(), 0xFFFF - 2, 'x');
        }
        out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
        return out;
    };
    // The JPEG with comments before its end that make it size bytes.
    auto paddedTo = [&](u64 size) {
        Bytes out(jpeg.begin(), jpeg.end() - 2);
        while (out.size() + 2 < size) {
            const u64 length = std::min<u64>(0xFFFF, size - out.size() - 4);
            out.insert(out.end(), {0xFF, 0xFE, u8(length >> 8), u8(length)});
            out.insert(out.end(), length - 2, 'x');
        }
        out.insert(out.end(), {0xFF, 0xD9});
        return out;
    };
    auto wrappedWithZeros = [&](u64 zeros) {
        Bytes packed = ImageWriters::zlibZeros(jpeg, zeros);
        Bytes out;
        ImageWriters::putU32(out, u32(packed.size()));
        ImageWriters::putU32(out, u32(jpeg.size() + zeros));
        out.insert(out.end(), packed.begin(), packed.end());
        return out;
    };
    // Exactly as large as a 16 x 16 colour JPEG may be, then other data.
    const u64 bound = (u64(8) << 20) + 16 * 16 * 3 * 4;
    Bytes atBound = paddedTo(bound);
    atBound.insert(atBound.end(), 5000, 0x5A);
    const Bytes legal1000 = ImageWriters::manyScanJpeg(16, 16, 3, rows, 1000);
    const Bytes repeated = ImageWriters::repeatedScanJpeg(64, 999);
    // A sequential file of one scan a component, its last scan repeated.
    const Bytes sequential = ImageWriters::withRepeatedScan(
        ImageWriters::jpegScripted(16, 16, 3, rows, {{{0}}, {{1}}, {{2}}}), 2, 200);
    struct Case {
        Bytes file;
        const char* type;
        bool reads;
        bool samePixels;
        u64 maxRead;
        const char* logged = nullptr;
        u64 end = 0;   // where the stream stands after a picture that reads
    } cases[] = {
        // 200 comments of 64 KiB: 13 MB for 768 bytes of samples.
        {withComments(200), "jpg", false, false, (u64(8) << 20) + 64 * 1024, "its data is far larger than its picture"},
        {withComments(20), "jpg", true, true, u64(2) << 20},
        {atBound, "jpg", true, true, bound + 1, nullptr, bound},
        // A block of 16 MiB, most of it zeros after the JPEG.
        {wrappedWithZeros(u64(16) << 20), "jpg.zlib", false, false, 64 * 1024,
         "its data is far larger than its picture"},
        {wrappedWithZeros(1000), "jpg.zlib", true, true, 64 * 1024},
        {legal1000, "jpg", true, true, 64 * 1024},
        {ImageWriters::manyScanJpeg(16, 16, 3, rows, 1001), "jpg", false, false, 64 * 1024, "more than 1000 scans"},
        {repeated, "jpg", false, false, 8 * 1024, "a scan codes again what an earlier scan coded"},
        {sequential, "jpg", false, false, 4 * 1024, "a scan codes again what an earlier scan coded"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " of " + std::to_string(c.file.size()) + " bytes");
        CountingStream stream(c.file);
        StdoutCapture log;
        KyImg img;
        img.loadFromStream(stream, c.type);
        EXPECT_LT(stream.bytesRead(), c.maxRead);
        expectConsistent(img);
        if (c.reads) {
            EXPECT_EQ(img.format(), 5);
            if (c.samePixels && img.format() == 5) {
                EXPECT_LE(flippedDifference(img, rows, 3), 40);
            }
            EXPECT_EQ(stream.tell(), c.end ? c.end : c.file.size());
        } else {
            EXPECT_EQ(img.format(), 13);
        }
        if (c.logged) {
            EXPECT_NE(log.text().find(std::string(": picture refused, ") + c.logged), std::string::npos)
                << log.text();
        }
    }
}

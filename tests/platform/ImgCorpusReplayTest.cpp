// Replays a corpus of malformed pictures through every reader: truncations,
// flipped bytes, oversized counts, random bytes and pictures fed to the
// wrong reader. Under the sanitizers any overrun, leak or undefined step
// fails the run; the checks below hold the readers to their contract: no
// image at all, or an image whose pixel block covers what the writers touch.

#include "core/KyString.h"
#include "platform/KyImg.h"
#include "platform/KyPalette.h"
#include "tools/content/ImageWriters.h"

#include <gtest/gtest.h>

#include <vector>

using ImageWriters::Bytes;

namespace {

const char* const kTypes[] = {"bmp", "tga", "png", "jpg", "jpg.zlib", "pvr"};

struct Seed {
    const char* type;
    Bytes bytes;
};

std::vector<Seed> seeds()
{
    std::vector<Seed> out;
    ImageWriters::PngImage rgba;
    rgba.width = 5;
    rgba.height = 4;
    rgba.colorType = 6;
    rgba.rows = ImageWriters::pattern(5 * 4 * 4, 1);
    out.push_back({"png", ImageWriters::png(rgba)});
    ImageWriters::PngImage pal;
    pal.width = 6;
    pal.height = 3;
    pal.colorType = 3;
    pal.interlaced = true;
    pal.palette = ImageWriters::pattern(12, 2);
    pal.transparency = {0, 128};
    pal.rows = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1};
    out.push_back({"png", ImageWriters::png(pal)});

    Bytes jpeg = ImageWriters::jpeg(24, 16, 3, ImageWriters::photo(24, 16, 3), 80);
    out.push_back({"jpg", jpeg});
    out.push_back({"jpg", ImageWriters::jpeg(17, 9, 1, ImageWriters::photo(17, 9, 1), 80, true)});
    out.push_back({"jpg.zlib", ImageWriters::zlibWrapped(jpeg)});

    ImageWriters::PvrImage pvr;
    pvr.width = 16;
    pvr.height = 16;
    pvr.flags = 0x19 | 0x800;
    pvr.bitsPerPixel = 4;
    pvr.alphaMask = 1;
    pvr.surface = ImageWriters::pattern(128, 3);
    out.push_back({"pvr", ImageWriters::pvr(pvr)});

    ImageWriters::BmpImage bmp8;
    bmp8.width = 5;
    bmp8.height = 3;
    bmp8.bitCount = 8;
    bmp8.palette = ImageWriters::pattern(1024, 4);
    bmp8.rows = ImageWriters::pattern(15, 5);
    out.push_back({"bmp", ImageWriters::bmp(bmp8)});
    ImageWriters::BmpImage bmp24;
    bmp24.width = 3;
    bmp24.height = -2;
    bmp24.rows = ImageWriters::pattern(18, 6);
    out.push_back({"bmp", ImageWriters::bmp(bmp24)});

    ImageWriters::TgaImage tga;
    tga.width = 4;
    tga.height = 3;
    tga.depth = 8;
    tga.imageType = 1;
    tga.colorMapType = 1;
    tga.colorMapLength = 260;
    tga.colorMapEntrySize = 24;
    tga.colorMap = ImageWriters::pattern(260 * 3, 7);
    tga.pixels = ImageWriters::pattern(12, 8);
    out.push_back({"tga", ImageWriters::tga(tga)});
    ImageWriters::TgaImage tga32;
    tga32.width = 2;
    tga32.height = 2;
    tga32.depth = 32;
    tga32.pixels = ImageWriters::pattern(16, 9);
    out.push_back({"tga", ImageWriters::tga(tga32)});
    return out;
}

// Deterministic generator for the mutations.
struct Random {
    u32 state;
    explicit Random(u32 seed) : state(seed * 747796405u + 2891336453u) {}
    u32 next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    u32 below(u32 n) { return n ? next() % n : 0; }
};

std::vector<Bytes> mutants(const Bytes& seed, u32 salt)
{
    std::vector<Bytes> out;
    Random random(salt);
    // Truncations, dense near the headers.
    for (size_t n = 0; n < seed.size(); n += (n < 64 ? 1 : seed.size() / 40 + 1))
        out.emplace_back(seed.begin(), seed.begin() + n);
    // Single and multiple byte changes.
    for (int i = 0; i < 120; ++i) {
        Bytes b = seed;
        int changes = 1 + random.below(4);
        for (int c = 0; c < changes; ++c) {
            size_t at = random.below(static_cast<u32>(i < 60 ? std::min<size_t>(b.size(), 64) : b.size()));
            u32 kind = random.below(3);
            b[at] = kind == 0 ? 0xFF : kind == 1 ? 0x00 : static_cast<u8>(random.next());
        }
        out.push_back(b);
    }
    // Oversized counts written over every aligned word of the header.
    const u32 huge[] = {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0x00010001u, 0x0000FFFFu};
    for (size_t at = 0; at + 4 <= std::min<size_t>(seed.size(), 60); at += 2) {
        Bytes b = seed;
        u32 v = huge[(at / 2) % 5];
        for (int k = 0; k < 4; ++k)
            b[at + k] = static_cast<u8>(v >> (8 * k));
        out.push_back(b);
    }
    // Random bytes behind the real signature, and random bytes alone.
    for (int i = 0; i < 10; ++i) {
        Bytes b(seed.begin(), seed.begin() + std::min<size_t>(seed.size(), 8 + i));
        Bytes tail = ImageWriters::pattern(random.below(600), random.next());
        b.insert(b.end(), tail.begin(), tail.end());
        out.push_back(b);
        out.push_back(ImageWriters::pattern(random.below(300), random.next()));
    }
    return out;
}

// The contract every reader keeps, whatever its input, and a workout of
// every pixel writer over the result.
void check(KyImg& img, const char* type, bool reader = true)
{
    if (img.pixels() == nullptr && !reader) {
        // The stream form may state a picture of no pixels.
        ASSERT_EQ(u64(img.width()) * img.height() * KyImg::storageBytesPerPixel(img.format()), 0u);
        return;
    }
    if (img.pixels() == nullptr) {
        ASSERT_EQ(img.format(), 13) << type;
        ASSERT_EQ(img.width(), 0u) << type;
        ASSERT_EQ(img.height(), 0u) << type;
        return;
    }
    ASSERT_GT(img.allocatedBytes(), 0u);
    s32 f = img.format();
    if (f <= 7 || f == 12) {
        ASSERT_GE(img.allocatedBytes(), u64(img.width()) * img.height() * KyImg::storageBytesPerPixel(f)) << type;
    }
    u32 w = img.width() < 64 ? img.width() : 64;
    u32 h = img.height() < 64 ? img.height() : 64;
    std::vector<u8> block(size_t(w) * h * 4 + 1, 3);
    img.readRect(-1, -1, block.data(), w, h);
    img.writeRect(img.width() / 2, img.height() / 2, block.data(), w, h);
    img.drawGlyph(-3, 1, block.data(), w, h, 1, 2);
    img.fill(1, 2, 3, 4);
    img.clear(5);
    KyString out((const char*)nullptr);
    u32 written = img.serialize(out);
    ASSERT_EQ(written, out.length());
    out.seek(0);
    KyImg back;
    back.deserialize(out);
    ASSERT_EQ(back.width(), img.width());
    ASSERT_EQ(back.height(), img.height());
}

} // namespace

TEST(ImgCorpusReplay, EveryReaderSurvivesDamagedFiles)
{
    std::vector<Seed> all = seeds();
    u32 salt = 1;
    size_t decoded = 0;
    for (const Seed& seed : all) {
        // The undamaged seed decodes with its own reader.
        {
            KyString s;
            ImageWriters::fillStream(s, seed.bytes);
            KyImg img;
            img.loadFromStream(s, seed.type);
            EXPECT_NE(img.format(), 13) << seed.type;
        }
        for (const Bytes& b : mutants(seed.bytes, salt++)) {
            KyString s;
            ImageWriters::fillStream(s, b);
            KyImg img;
            img.loadFromStream(s, seed.type);
            check(img, seed.type);
            decoded += img.pixels() != nullptr;
            if (HasFatalFailure())
                return;
        }
    }
    EXPECT_GT(decoded, 0u);
}

TEST(ImgCorpusReplay, EveryPictureThroughEveryReader)
{
    for (const Seed& seed : seeds()) {
        for (const char* type : kTypes) {
            KyString s;
            ImageWriters::fillStream(s, seed.bytes);
            KyImg img;
            img.loadFromStream(s, type);
            check(img, type);
            if (std::string(type) != seed.type) {
                EXPECT_EQ(img.format(), 13) << seed.type << " read as " << type;
            }
        }
    }
}

TEST(ImgCorpusReplay, DamagedStreamFormsOfImagesAndPalettes)
{
    KyImg img;
    img.create(6, 5, 3, KyIntrusivePtr<KyPalette>());
    img.fill(9, 8, 7, 6);
    KyString s((const char*)nullptr);
    img.serialize(s);
    const u8* p = reinterpret_cast<const u8*>(s.c_str());
    Bytes imageForm(p, p + s.length());

    KyPalette pal;
    pal.allocate(3);
    KyString t((const char*)nullptr);
    pal.serialize(t);
    const u8* q = reinterpret_cast<const u8*>(t.c_str());
    Bytes paletteForm(q, q + t.length());

    u32 salt = 100;
    for (const Bytes& b : mutants(imageForm, salt++)) {
        KyString in;
        ImageWriters::fillStream(in, b);
        KyImg back;
        back.deserialize(in);
        check(back, "stream form", false);
        if (HasFatalFailure())
            return;
    }
    for (const Bytes& b : mutants(paletteForm, salt++)) {
        KyString in;
        ImageWriters::fillStream(in, b);
        KyPalette back;
        back.deserialize(in);
        if (back.data() != nullptr) {
            ASSERT_GT(back.byteSize(), 0u);
            for (u32 i = 0; i < 256; ++i)
                back.setColor(i, KyColor(1, 2, 3, 4));
        }
    }
}

// Found by the JPEG fuzzer: progressive files of a few bytes that state a
// large picture and end early. The decoder is handed an end marker, the
// picture comes out whole (the missing part filled by the library), the
// stream stands within the data and nothing is read past it.
TEST(ImgCorpusReplay, TinyJpegsStatingLargePictures)
{
    static const char bigGrey[] =
        "\xff\xd8\xff\xe0\x00\x10\x4a\x46\x49\x46\x00\x41\x01\x00\x00\x01"
        "\x00\x01\x00\x00\xff\xdb\x00\x43\x00\x08\x06\x06\x07\x06\x05\x08"
        "\x07\x07\x07\x09\x09\x08\x0a\x0c\x14\x0d\x0c\x0b\x0b\x0c\x19\x12"
        "\x13\x4d\x0f\x14\x1d\xff\xd8\xff\xe0\x00\x46\x00\x00\x01\x2e\x27"
        "\x20\x22\x2c\x23\x1c\x1c\x28\x33\x3d\x2c\x30\x31\x34\x34\x34\x1f"
        "\x27\x39\x3d\x38\x32\x3c\xe7\x33\x34\x32\xff\xc2\x00\x0b\x08\x09"
        "\x00\x11\x00\x01\x01\x11\x00\xff\xc4\x00\x15\x00\x01\x01\x00\x00"
        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x06\x07\xff\xda"
        "\x00\x08\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
        "\x00\x01\x10\x11\xa1\xf0\xff\xd9\xfc\x08\x01\x01\x00\x01\x3f\x12"
        "\x25\x62\xba\xa0\x64\x51\x06\xd9";
    static const char tallGrey[] =
        "\xff\xd8\xff\xe0\x00\x10\x4a\x46\x49\x46\x00\x01\x01\x00\x00\x01"
        "\x00\x01\x00\x00\xff\xdb\x00\x43\x00\x08\x06\x79\xe2\x6c\x0e\xfc"
        "\x7f\x00\x00\x09\x09\x08\x0a\x0c\x14\x0d\x0c\x0b\x0b\x0c\x19\x12"
        "\x13\x0f\x14\x1d\x1a\x1f\x1e\x1d\x1a\x1c\x1c\x20\x24\x2e\x27\x20"
        "\x22\x2c\x23\x1c\x1c\x28\x37\x29\x2c\x30\x31\x34\x34\x34\x1f\x27"
        "\x39\x3d\x38\x32\x3c\x2e\x33\x34\x32\xff\xc2\x00\x0b\x08\x2d\x09"
        "\x00\x11\x01\x01\x11\x00\xff\xc4\x00\x15\x00\x01\x01\x00\x00\x00"
        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x06\x07\xff\xda\x00"
        "\x08\x01\x01\x00\x00\x00\x01\x30\xf9\x24\x79\xea\x3f\xff\x00\x06"
        "\xc4\xa0\x64\x51\x06\xd9";
    struct Case {
        const char* bytes;
        size_t size;
        u32 width;
        u32 height;
    } cases[] = {{bigGrey, sizeof bigGrey - 1, 4352, 2304}, {tallGrey, sizeof tallGrey - 1, 17, 11529}};
    for (const Case& c : cases) {
        Bytes file(c.bytes, c.bytes + c.size);
        KyString s;
        ImageWriters::fillStream(s, file);
        KyImg img;
        img.loadFromStream(s, "jpg");
        check(img, "jpg");
        EXPECT_EQ(img.format(), 12);
        EXPECT_EQ(img.width(), c.width);
        EXPECT_EQ(img.height(), c.height);
        EXPECT_LE(s.tell(), file.size());

        KyString z;
        ImageWriters::fillStream(z, ImageWriters::zlibWrapped(file));
        KyImg wrapped;
        wrapped.loadFromStream(z, "jpg.zlib");
        EXPECT_EQ(wrapped.format(), 12);
        EXPECT_EQ(wrapped.allocatedBytes(), img.allocatedBytes());
    }
}

// Found by the BMP fuzzer and on real files: 24- and 32-bit pictures whose
// stated width makes the row size (width x 3 or 4) wrap in 32 bits, once
// loaded as pictures a billion pixels wide holding a few bytes. The fuzzer's
// file states width 0x80000001; the other two are one-row 127-pixel pictures
// (the width of the usual BMP test suites) with the width patched. Each is
// refused by every reader, and so are its damaged forms.
TEST(ImgCorpusReplay, BmpWidthsWhoseRowSizeWraps)
{
    static const char fuzzed[] =
        "\x42\x4d\x72\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x00\x28\x00"
        "\x00\x00\x01\x00\x00\x80\x01\x00\x00\x00\x0c\x00\x20\x00\x00\x00"
        "\x00\x00\x61\x13\x00\x00\x00\xc6\xc7\x97\xf5\x93\xa4\xc1\xc6\xae"
        "\xc4\xae\x32\xd1\x34\x79";
    std::vector<Bytes> files = {Bytes(fuzzed, fuzzed + sizeof fuzzed - 1)};
    const struct {
        u16 bits;
        u32 width;
    } patched[] = {{32, 0x40000001u}, {24, 0x55555556u}};
    for (const auto& p : patched) {
        ImageWriters::BmpImage b;
        b.width = 127;
        b.height = 1;
        b.bitCount = p.bits;
        b.rows = ImageWriters::pattern(127u * p.bits / 8, p.bits);
        Bytes file = ImageWriters::bmp(b);
        for (int k = 0; k < 4; ++k)
            file[18 + k] = static_cast<u8>(p.width >> (8 * k));
        files.push_back(file);
    }
    u32 salt = 200;
    for (const Bytes& file : files) {
        for (const char* type : kTypes) {
            KyString s;
            ImageWriters::fillStream(s, file);
            KyImg img;
            img.loadFromStream(s, type);
            check(img, type);
            EXPECT_EQ(img.format(), 13) << type;
            if (HasFatalFailure())
                return;
        }
        for (const Bytes& b : mutants(file, salt++)) {
            KyString s;
            ImageWriters::fillStream(s, b);
            KyImg img;
            img.loadFromStream(s, "bmp");
            check(img, "bmp");
            if (HasFatalFailure())
                return;
        }
    }
}

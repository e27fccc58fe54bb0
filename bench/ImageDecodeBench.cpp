// Decoding a 1024 x 1024 PNG and JPEG through KyImg (from a memory stream
// and from a file) against the bare libraries decoding the same bytes. The
// engine's share is what it wraps around the libraries: its stream reads,
// the bottom-row-first layout and the result hand-over.

#include "bench/BenchStatistics.h"
#include "bench/BenchTempFolder.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "platform/KyImg.h"
#include "tools/content/ImageWriters.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <jpeglib.h>
#include <png.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using ImageWriters::Bytes;

namespace {

const u32 kSide = 1024;

struct Fixtures {
    BenchTempFolder folder;
    Bytes png;
    Bytes jpeg;
    std::string pngFile;
    std::string jpegFile;

    Fixtures()
    {
        Bytes rgb = ImageWriters::photo(kSide, kSide, 3, 7);
        ImageWriters::PngImage p;
        p.width = kSide;
        p.height = kSide;
        p.colorType = PNG_COLOR_TYPE_RGB;
        p.rows = rgb;
        png = ImageWriters::png(p);
        jpeg = ImageWriters::jpeg(kSide, kSide, 3, rgb, 90);
        if (folder.isReady()) {
            pngFile = folder.file("bench.png");
            jpegFile = folder.file("bench.jpg");
            write(pngFile, png);
            write(jpegFile, jpeg);
        }
    }
    static void write(const std::string& path, const Bytes& bytes)
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    }
};

Fixtures& fixtures()
{
    static Fixtures f;
    return f;
}

struct MemoryReader {
    const u8* data;
    size_t size;
    size_t at;
};

void readMemory(png_structp png, png_bytep out, png_size_t n)
{
    MemoryReader* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (r->size - r->at < n)
        png_error(png, "short");
    std::memcpy(out, r->data + r->at, n);
    r->at += n;
}

struct BareBlock {
    u8* pixels = nullptr;
    png_bytep* rows = nullptr;
    ~BareBlock()
    {
        delete[] rows;
        delete[] pixels;
    }
};

// libpng alone, top row first into a freshly allocated RGB block. The block
// lives outside this frame, which libpng may leave through longjmp.
void decodePngBare(png_structp png, png_infop info, BareBlock* block)
{
    if (setjmp(png_jmpbuf(png)))
        return;
    png_read_info(png, info);
    png_uint_32 w = png_get_image_width(png, info);
    png_uint_32 h = png_get_image_height(png, info);
    block->pixels = new u8[size_t(w) * h * 3];
    block->rows = new png_bytep[h];
    for (png_uint_32 i = 0; i < h; ++i)
        block->rows[i] = block->pixels + size_t(w) * 3 * i;
    png_read_image(png, block->rows);
    png_read_end(png, nullptr);
    benchmark::DoNotOptimize(block->pixels[0]);
}

void BM_PngBareLibrary(benchmark::State& state)
{
    const Bytes& file = fixtures().png;
    for (auto _ : state) {
        MemoryReader reader{file.data(), file.size(), 0};
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_read_fn(png, &reader, readMemory);
        BareBlock block;
        decodePngBare(png, info, &block);
        png_destroy_read_struct(&png, &info, nullptr);
    }
}

void BM_PngKyImgStream(benchmark::State& state)
{
    KyString stream;
    ImageWriters::fillStream(stream, fixtures().png);
    for (auto _ : state) {
        stream.seek(0);
        KyImg img;
        img.loadFromStream(stream, "png");
        if (img.format() != 5)
            state.SkipWithError("PNG not decoded");
        benchmark::DoNotOptimize(img.pixels()[0]);
    }
}

void BM_PngKyImgFile(benchmark::State& state)
{
    KyString path(fixtures().pngFile.c_str());
    for (auto _ : state) {
        KyImg img;
        img.load(path);
        if (img.format() != 5)
            state.SkipWithError("PNG not decoded");
        benchmark::DoNotOptimize(img.pixels()[0]);
    }
}

void BM_PngBareLibraryFile(benchmark::State& state)
{
    for (auto _ : state) {
        FILE* f = std::fopen(fixtures().pngFile.c_str(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, f);
        BareBlock block;
        decodePngBare(png, info, &block);
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
    }
}

const Bytes& pngBomb()
{
    static const Bytes file = [] {
        ImageWriters::PngImage p;
        p.width = 1;
        p.height = 1;
        p.rows = {10, 20, 30};
        Bytes data = ImageWriters::zlibZeros({0, 10, 20, 30}, u64(1) << 30);
        return ImageWriters::pngWith(ImageWriters::png(p), {}, &data);
    }();
    return file;
}

const Bytes& textBomb()
{
    static const Bytes file = [] {
        ImageWriters::PngImage p;
        p.width = 64;
        p.height = 64;
        p.rows = ImageWriters::photo(64, 64, 3);
        const Bytes zeros = ImageWriters::zlibZeros({}, u64(64) << 20);
        std::vector<Bytes> chunks;
        Bytes profile = {'i', 'c', 'c', 0, 0};
        profile.insert(profile.end(), zeros.begin(), zeros.end());
        chunks.push_back(ImageWriters::pngChunk("iCCP", profile));
        for (int i = 0; i < 100; ++i) {
            // zTXt: keyword, method 0; iTXt: keyword, compressed, method 0,
            // no language, no translated keyword.
            const bool international = i % 2 == 1;
            static const char kZtxt[] = "Comment\0";
            static const char kItxt[] = "Comment\0\1\0\0";
            Bytes text = international ? Bytes(kItxt, kItxt + sizeof kItxt) : Bytes(kZtxt, kZtxt + sizeof kZtxt);
            text.insert(text.end(), zeros.begin(), zeros.end());
            chunks.push_back(ImageWriters::pngChunk(international ? "iTXt" : "zTXt", text));
        }
        return ImageWriters::pngWith(ImageWriters::png(p), chunks);
    }();
    return file;
}

// Reads a file of that type from memory again and again; the format read
// tells whether it was refused.
void decodeFile(benchmark::State& state, const Bytes& file, const char* type)
{
    KyString stream;
    ImageWriters::fillStream(stream, file);
    s32 format = 13;
    for (auto _ : state) {
        stream.seek(0);
        KyImg img;
        img.loadFromStream(stream, type);
        format = img.format();
    }
    state.counters["format"] = format;
    state.counters["fileKiB"] = double(file.size()) / 1024;
}

void BM_PngBomb1GiB(benchmark::State& state)
{
    decodeFile(state, pngBomb(), "png");
}

void BM_PngTextBomb(benchmark::State& state)
{
    decodeFile(state, textBomb(), "png");
}

// A 512 x 512 progressive JPEG of 1000 scans, the most a file may have,
// each legal (every coefficient coded once, then refined a bit at a time):
// each is a pass over the picture.
const Bytes& manyScans()
{
    static const Bytes file = [] {
        const u32 side = 512;
        return ImageWriters::manyScanJpeg(side, side, 3, ImageWriters::photo(side, side, 3, 5), 1000);
    }();
    return file;
}

void BM_JpegThousandScans(benchmark::State& state)
{
    decodeFile(state, manyScans(), "jpg");
}

// A 512 x 512 grey JPEG of 999 arithmetic-coded scans, one AC scan repeated:
// most of a second when decoded, refused at the first repeat.
void BM_JpegRepeatedScan(benchmark::State& state)
{
    static const Bytes file = ImageWriters::repeatedScanJpeg(512, 999);
    decodeFile(state, file, "jpg");
}

void listPictures(const std::string& folder, std::vector<std::string>& out)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "/" + name;
        if (e->d_type == DT_DIR)
            listPictures(path, out);
        else if (KyImg::isPictureName(KyString(name.c_str())))
            out.push_back(path);
    }
    closedir(dir);
}

// FNV-1a over every picture's size, format, pixels and palette: the same
// figure before and after a change to the readers says they read the same
// pictures.
u32 checksumOf(const std::vector<std::string>& files)
{
    u32 checksum = 2166136261u;
    auto mix = [&checksum](const u8* p, u64 n) {
        for (u64 i = 0; i < n; ++i)
            checksum = (checksum ^ p[i]) * 16777619u;
    };
    for (const std::string& file : files) {
        KyString path(file.c_str());
        std::unique_ptr<KyImgResult> picture = KyImg::read(KyPath(path.toLower()).extension(), nullptr, path);
        if (!picture)
            continue;
        const u32 shape[3] = {picture->width(), picture->height(), u32(picture->format())};
        mix(reinterpret_cast<const u8*>(shape), sizeof shape);
        mix(picture->pixels(), picture->pixelBytes());
        if (picture->palette() && picture->palette()->data())
            mix(picture->palette()->data(), picture->palette()->byteSize());
    }
    return checksum;
}

// Every picture file of the sample game beside the executable, read as the
// game reads them.
void BM_ShippedPictures(benchmark::State& state)
{
    char exe[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string folder = n > 0 ? std::string(exe, size_t(n)) : std::string();
    folder = folder.substr(0, folder.rfind('/')) + "/game";
    std::vector<std::string> files;
    listPictures(folder, files);
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        state.SkipWithError("no sample game beside the executable");
        return;
    }
    u64 pixels = 0;
    for (auto _ : state) {
        pixels = 0;
        for (const std::string& file : files) {
            KyString path(file.c_str());
            std::unique_ptr<KyImgResult> picture =
                KyImg::read(KyPath(path.toLower()).extension(), nullptr, path);
            if (!picture || picture->format() == 13)
                state.SkipWithError("a shipped picture did not load");
            else
                pixels += u64(picture->width()) * picture->height();
        }
    }
    state.counters["files"] = double(files.size());
    state.counters["Mpixels"] = double(pixels) / 1e6;
    state.SetLabel("checksum " + std::to_string(checksumOf(files)));
}

void decodeJpeg(jpeg_decompress_struct& cinfo)
{
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    size_t stride = size_t(cinfo.output_width) * cinfo.output_components;
    u8* pixels = new u8[stride * cinfo.output_height];
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels[0]);
    delete[] pixels;
}

// libjpeg alone, with its own memory source.
void BM_JpegBareLibrary(benchmark::State& state)
{
    const Bytes& file = fixtures().jpeg;
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr jerr;
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
        decodeJpeg(cinfo);
        jpeg_destroy_decompress(&cinfo);
    }
}

void BM_JpegKyImgStream(benchmark::State& state)
{
    KyString stream;
    ImageWriters::fillStream(stream, fixtures().jpeg);
    for (auto _ : state) {
        stream.seek(0);
        KyImg img;
        img.loadFromStream(stream, "jpg");
        if (img.format() != 5)
            state.SkipWithError("JPEG not decoded");
        benchmark::DoNotOptimize(img.pixels()[0]);
    }
}

void BM_JpegBareLibraryFile(benchmark::State& state)
{
    for (auto _ : state) {
        FILE* f = std::fopen(fixtures().jpegFile.c_str(), "rb");
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr jerr;
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, f);
        decodeJpeg(cinfo);
        jpeg_destroy_decompress(&cinfo);
        std::fclose(f);
    }
}

void BM_JpegKyImgFile(benchmark::State& state)
{
    KyString path(fixtures().jpegFile.c_str());
    for (auto _ : state) {
        KyImg img;
        img.load(path);
        if (img.format() != 5)
            state.SkipWithError("JPEG not decoded");
        benchmark::DoNotOptimize(img.pixels()[0]);
    }
}

} // namespace

#define KY_IMAGE_BENCH(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", benchMinimum)

KY_IMAGE_BENCH(BM_PngBareLibrary);
KY_IMAGE_BENCH(BM_PngKyImgStream);
KY_IMAGE_BENCH(BM_PngBareLibraryFile);
KY_IMAGE_BENCH(BM_PngKyImgFile);
KY_IMAGE_BENCH(BM_JpegBareLibrary);
KY_IMAGE_BENCH(BM_JpegKyImgStream);
KY_IMAGE_BENCH(BM_JpegBareLibraryFile);
KY_IMAGE_BENCH(BM_JpegKyImgFile);
KY_IMAGE_BENCH(BM_PngBomb1GiB);
KY_IMAGE_BENCH(BM_PngTextBomb);
KY_IMAGE_BENCH(BM_JpegThousandScans);
KY_IMAGE_BENCH(BM_JpegRepeatedScan);
KY_IMAGE_BENCH(BM_ShippedPictures);

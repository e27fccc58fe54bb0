// Decoding a 1024 x 1024 PNG and JPEG through KyImg (from a memory stream
// and from a file) against the bare libraries decoding the same bytes. The
// engine's share is what it wraps around the libraries: its stream reads,
// the bottom-row-first layout and the result hand-over.

#include "bench/BenchStatistics.h"
#include "bench/BenchTempFolder.h"
#include "core/KyString.h"
#include "platform/KyImg.h"
#include "tools/content/ImageWriters.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <png.h>
#include <string>
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

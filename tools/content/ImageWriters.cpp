#include "tools/content/ImageWriters.h"

#include "core/KyString.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <png.h>
#include <stdexcept>
#include <zlib.h>


namespace ImageWriters {

namespace {

void pngWrite(png_structp png, png_bytep data, png_size_t length)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void pngFlush(png_structp) {}

size_t pngRowBytes(const PngImage& image)
{
    int channels = 1;
    switch (image.colorType) {
    case PNG_COLOR_TYPE_RGB: channels = 3; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: channels = 2; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: channels = 4; break;
    default: channels = 1; break;
    }
    return (static_cast<size_t>(image.width) * channels * image.bitDepth + 7) / 8;
}

} // namespace

void putU16(Bytes& out, u16 v)
{
    out.push_back(static_cast<u8>(v));
    out.push_back(static_cast<u8>(v >> 8));
}

void putU32(Bytes& out, u32 v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<u8>(v >> (8 * i)));
}

Bytes png(const PngImage& image)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows(image.height);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng could not write the test picture");
    }
    png_set_write_fn(png, &out, pngWrite, pngFlush);
    png_set_compression_level(png, image.compressionLevel);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (size_t i = 0; i + 2 < image.palette.size(); i += 3)
        palette.push_back(png_color{image.palette[i], image.palette[i + 1], image.palette[i + 2]});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!image.transparency.empty())
        png_set_tRNS(png, info, const_cast<png_bytep>(image.transparency.data()),
                     static_cast<int>(image.transparency.size()), nullptr);
    png_write_info(png, info);
    size_t rowBytes = pngRowBytes(image);
    if (image.rows.size() < rowBytes * image.height)
        throw std::runtime_error("PNG rows too short");
    for (u32 i = 0; i < image.height; ++i)
        rows[i] = const_cast<png_bytep>(image.rows.data() + rowBytes * i);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

namespace {

u32 be32(const u8* p)
{
    return u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | p[3];
}

void putBe32(Bytes& out, u32 v)
{
    for (int i = 3; i >= 0; --i)
        out.push_back(static_cast<u8>(v >> (8 * i)));
}

// Raw deflate blocks of the data, not final and ending on a byte: such runs
// can follow one another in one stream, since none refers back before its
// own start.
Bytes deflateRun(const Bytes& data)
{
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("zlib could not start");
    Bytes out(deflateBound(&z, static_cast<uLong>(data.size())) + 64);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_SYNC_FLUSH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

} // namespace

Bytes zlibZeros(const Bytes& head, u64 zeros)
{
    const u64 kRun = u64(1) << 20;
    Bytes out = {0x78, 0xDA};
    Bytes first = deflateRun(head);
    out.insert(out.end(), first.begin(), first.end());
    uLong check = adler32(1, head.data(), static_cast<uInt>(head.size()));
    const Bytes run(kRun, 0);
    const Bytes packedRun = deflateRun(run);
    const uLong runCheck = adler32(1, run.data(), static_cast<uInt>(run.size()));
    for (u64 left = zeros; left > 0;) {
        const u64 n = left < kRun ? left : kRun;
        if (n == kRun) {
            out.insert(out.end(), packedRun.begin(), packedRun.end());
            check = adler32_combine(check, runCheck, static_cast<z_off_t>(kRun));
        } else {
            Bytes tail(n, 0);
            Bytes packed = deflateRun(tail);
            out.insert(out.end(), packed.begin(), packed.end());
            check = adler32_combine(check, adler32(1, tail.data(), static_cast<uInt>(n)), static_cast<z_off_t>(n));
        }
        left -= n;
    }
    // An empty final block with fixed codes, then the checksum.
    out.push_back(0x03);
    out.push_back(0x00);
    putBe32(out, static_cast<u32>(check));
    return out;
}

Bytes pngChunk(const char* type, const Bytes& data)
{
    Bytes out;
    putBe32(out, static_cast<u32>(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, out.data() + 4, static_cast<uInt>(data.size() + 4));
    putBe32(out, static_cast<u32>(crc));
    return out;
}

Bytes pngWith(const Bytes& png, const std::vector<Bytes>& chunks, const Bytes* imageData)
{
    Bytes out(png.begin(), png.begin() + 8);
    bool placed = false;
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t size = 12 + be32(png.data() + at);
        const bool idat = std::memcmp(png.data() + at + 4, "IDAT", 4) == 0;
        if (idat && !placed) {
            for (const Bytes& c : chunks)
                out.insert(out.end(), c.begin(), c.end());
            if (imageData) {
                Bytes c = pngChunk("IDAT", *imageData);
                out.insert(out.end(), c.begin(), c.end());
            }
            placed = true;
        }
        if (!idat || !imageData)
            out.insert(out.end(), png.begin() + at, png.begin() + at + size);
        at += size;
    }
    return out;
}

namespace {

// Encodes the rows with libjpeg; script, when given, is the scan script
// (libjpeg checks that it is legal), otherwise progressive asks for
// libjpeg's own progressive script.
Bytes encodeJpeg(u32 width, u32 height, int components, const Bytes& rows, int quality, bool progressive,
                 bool arithmetic, const std::vector<JpegScan>* script)
{
    std::vector<jpeg_scan_info> scans;
    if (script) {
        for (const JpegScan& scan : *script) {
            jpeg_scan_info info = {};
            if (scan.components.empty() || scan.components.size() > MAX_COMPS_IN_SCAN)
                throw std::runtime_error("JPEG scan without components");
            info.comps_in_scan = int(scan.components.size());
            for (size_t i = 0; i < scan.components.size(); ++i)
                info.component_index[i] = scan.components[i];
            info.Ss = scan.Ss;
            info.Se = scan.Se;
            info.Ah = scan.Ah;
            info.Al = scan.Al;
            scans.push_back(info);
        }
    }
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    if (script) {
        cinfo.scan_info = scans.data();
        cinfo.num_scans = int(scans.size());
    }
    cinfo.arith_code = arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    size_t stride = static_cast<size_t>(width) * components;
    if (rows.size() < stride * height)
        throw std::runtime_error("JPEG rows too short");
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rows.data() + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    free(buffer);
    return out;
}

// Where each scan of a JPEG lies: its header and entropy-coded data, from
// its SOS marker to the next marker that is not a stuffed byte or a restart.
struct ScanSpan {
    size_t begin;
    size_t end;
};

std::vector<ScanSpan> scanSpans(const Bytes& jpeg)
{
    std::vector<ScanSpan> spans;
    size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xD9) {
        const u8 marker = jpeg[at + 1];
        const size_t begin = at;
        at += 2 + (size_t(jpeg[at + 2]) << 8 | jpeg[at + 3]);
        if (marker == 0xDA) {
            while (at + 1 < jpeg.size() &&
                   !(jpeg[at] == 0xFF && jpeg[at + 1] != 0 && (jpeg[at + 1] < 0xD0 || jpeg[at + 1] > 0xD7)))
                ++at;
            spans.push_back({begin, at});
        }
    }
    if (spans.empty())
        throw std::runtime_error("JPEG without scans");
    return spans;
}

} // namespace

Bytes jpeg(u32 width, u32 height, int components, const Bytes& rows, int quality, bool progressive)
{
    return encodeJpeg(width, height, components, rows, quality, progressive, false, nullptr);
}

Bytes jpegScripted(u32 width, u32 height, int components, const Bytes& rows, const std::vector<JpegScan>& script,
                   bool arithmetic, int quality)
{
    return encodeJpeg(width, height, components, rows, quality, false, arithmetic, &script);
}

Bytes manyScanJpeg(u32 width, u32 height, int components, const Bytes& rows, size_t count)
{
    // The DC scan, then every AC coefficient of every component on its own:
    // its first scan at bit n - 1, then a refinement a bit for each of the n
    // scans it gets (at most 11: libjpeg's encoder starts at bit 10 at most).
    const size_t pairs = size_t(63) * components;
    if (count < 1 || count - 1 > 11 * pairs)
        throw std::runtime_error("no legal JPEG script has that many scans");
    std::vector<JpegScan> script(1);
    for (int c = 0; c < components; ++c)
        script[0].components.push_back(c);
    script[0].Se = 0;
    const size_t each = (count - 1) / pairs;
    const size_t more = (count - 1) % pairs;
    for (size_t pair = 0; pair < pairs; ++pair) {
        const int scans = int(each + (pair < more ? 1 : 0));
        const int k = int(pair / components) + 1;
        for (int bit = scans - 1, ah = 0; bit >= 0; ah = bit--)
            script.push_back({{int(pair % components)}, k, k, ah, bit});
    }
    return jpegScripted(width, height, components, rows, script);
}

Bytes withRepeatedScan(const Bytes& jpeg, size_t scan, size_t count)
{
    const std::vector<ScanSpan> spans = scanSpans(jpeg);
    if (scan >= spans.size())
        throw std::runtime_error("JPEG has no such scan");
    const ScanSpan& copied = spans[scan];
    Bytes out(jpeg.begin(), jpeg.begin() + spans.back().end);
    for (size_t i = spans.size(); i < count; ++i)
        out.insert(out.end(), jpeg.begin() + copied.begin, jpeg.begin() + copied.end);
    out.insert(out.end(), jpeg.begin() + spans.back().end, jpeg.end());
    return out;
}

Bytes repeatedScanJpeg(u32 side, u32 scans)
{
    // A checkerboard of single pixels puts a high frequency in every block,
    // which the repeated scan decodes again and again; noise over the top
    // half gives the scan some bytes.
    const Bytes noise = pattern(size_t(side) * side, 1);
    Bytes rows(size_t(side) * side);
    for (u32 y = 0; y < side; ++y) {
        for (u32 x = 0; x < side; ++x) {
            const size_t p = size_t(y) * side + x;
            const int jitter = y < side / 2 ? int(noise[p] % 10) - 4 : 0;
            rows[p] = static_cast<u8>(128 + ((x ^ y) & 1 ? 21 : -21) + jitter);
        }
    }
    const Bytes legal = encodeJpeg(side, side, 1, rows, 90, true, true, nullptr);
    // libjpeg's grey script: DC, AC 1-5 and AC 6-63 at bit 2, then the
    // refinements; the scan of AC 6-63 is the one repeated.
    return withRepeatedScan(legal, 2, scans);
}

Bytes zlibWrapped(const Bytes& data, int level)
{
    uLongf bound = compressBound(static_cast<uLong>(data.size()));
    Bytes packed(bound);
    if (compress2(packed.data(), &bound, data.data(), static_cast<uLong>(data.size()), level) != Z_OK)
        throw std::runtime_error("zlib could not compress");
    packed.resize(bound);
    Bytes out;
    putU32(out, static_cast<u32>(packed.size()));
    putU32(out, static_cast<u32>(data.size()));
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
}

Bytes pvrTexture(const PvrImage& image)
{
    Bytes out;
    putU32(out, 52);                                    // header size
    putU32(out, image.height);
    putU32(out, image.width);
    putU32(out, 0);                                     // mipmap count
    putU32(out, image.flags);
    putU32(out, static_cast<u32>(image.surface.size())); // data size
    putU32(out, image.bitsPerPixel);
    putU32(out, 0);                                     // red mask
    putU32(out, 0);                                     // green mask
    putU32(out, 0);                                     // blue mask
    putU32(out, image.alphaMask);
    out.push_back('P');
    out.push_back('V');
    out.push_back('R');
    out.push_back('!');
    putU32(out, 1);                                     // surface count
    out.insert(out.end(), image.surface.begin(), image.surface.end());
    return out;
}

Bytes pvr(const PvrImage& image)
{
    return zlibWrapped(pvrTexture(image));
}

u32 bmpRowBytes(u32 width, u32 bitCount)
{
    return static_cast<u32>((static_cast<u64>(width) * bitCount + 7) / 8);
}

Bytes bmp(const BmpImage& image)
{
    u32 rows = static_cast<u32>(image.height < 0 ? -static_cast<s64>(image.height) : image.height);
    u32 rowBytes = bmpRowBytes(image.width, image.bitCount);
    u32 stride = image.padRows ? (rowBytes + 3) / 4 * 4 : rowBytes;
    u32 dataOffset = 14 + image.headerSize + static_cast<u32>(image.palette.size());

    Bytes out;
    out.push_back(static_cast<u8>(image.signature.size() > 0 ? image.signature[0] : 'B'));
    out.push_back(static_cast<u8>(image.signature.size() > 1 ? image.signature[1] : 'M'));
    putU32(out, dataOffset + stride * rows);   // file size
    putU32(out, 0);                            // reserved
    putU32(out, dataOffset);
    putU32(out, image.headerSize);
    if (image.headerSize == 12) {
        putU16(out, static_cast<u16>(image.width));
        putU16(out, static_cast<u16>(image.height));
        putU16(out, 1);
        putU16(out, image.bitCount);
    } else {
        putU32(out, image.width);
        putU32(out, static_cast<u32>(image.height));
        putU16(out, 1);                        // planes
        putU16(out, image.bitCount);
        putU32(out, image.compression);
        putU32(out, stride * rows);            // image size
        putU32(out, 2835);                     // 72 dpi
        putU32(out, 2835);
        putU32(out, 0);                        // colours used
        putU32(out, 0);                        // important colours
        while (out.size() < 14 + image.headerSize)
            out.push_back(0);
    }
    out.insert(out.end(), image.palette.begin(), image.palette.end());
    for (u32 r = 0; r < rows; ++r) {
        size_t from = static_cast<size_t>(rowBytes) * r;
        for (u32 i = 0; i < rowBytes; ++i)
            out.push_back(from + i < image.rows.size() ? image.rows[from + i] : 0);
        for (u32 i = rowBytes; i < stride; ++i)
            out.push_back(0);
    }
    return out;
}

Bytes tga(const TgaImage& image)
{
    Bytes out;
    out.push_back(static_cast<u8>(image.id.size()));
    out.push_back(image.colorMapType);
    out.push_back(image.imageType);
    putU16(out, image.colorMapFirst);
    putU16(out, image.colorMapLength);
    out.push_back(image.colorMapEntrySize);
    putU16(out, 0);                            // x origin
    putU16(out, 0);                            // y origin
    putU16(out, image.width);
    putU16(out, image.height);
    out.push_back(image.depth);
    out.push_back(image.descriptor);
    out.insert(out.end(), image.id.begin(), image.id.end());
    out.insert(out.end(), image.colorMap.begin(), image.colorMap.end());
    out.insert(out.end(), image.pixels.begin(), image.pixels.end());
    return out;
}

Bytes pattern(size_t n, u32 seed)
{
    Bytes out(n);
    u32 x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<u8>(x >> 11);
    }
    return out;
}

Bytes photo(u32 width, u32 height, int channels, u32 seed)
{
    Bytes noise = pattern(static_cast<size_t>(width) * height, seed);
    Bytes out(static_cast<size_t>(width) * height * channels);
    for (u32 y = 0; y < height; ++y) {
        for (u32 x = 0; x < width; ++x) {
            size_t p = static_cast<size_t>(y) * width + x;
            u32 across = width > 1 ? x * 247 / (width - 1) : 0;
            u32 down = height > 1 ? y * 247 / (height - 1) : 0;
            u32 n = noise[p] & 7;
            for (int c = 0; c < channels; ++c) {
                u32 v = c % 3 == 0 ? across : c % 3 == 1 ? down : (across + down) / 2;
                out[p * channels + c] = static_cast<u8>(c == 3 ? 255 - n : v + n);
            }
        }
    }
    return out;
}

std::string toString(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

void fillStream(KyString& stream, const Bytes& bytes)
{
    stream.assign(reinterpret_cast<const char*>(bytes.data()), static_cast<u32>(bytes.size()));
    stream.setTextMode(0);
    stream.seek(0);
}

} // namespace ImageWriters

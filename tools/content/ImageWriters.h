#ifndef KY_CONTENT_IMAGE_WRITERS_H
#define KY_CONTENT_IMAGE_WRITERS_H

#include "core/KyTypes.h"

class KyString;

#include <string>
#include <vector>

// Writers of the picture files the image readers take, for the content tools,
// tests and benchmarks: PNG through libpng, JPEG through libjpeg, the zlib-wrapped forms
// through zlib, BMP, TGA and PVR by hand. Each returns the file's bytes; every
// field is settable so that tests can also write damaged files.
namespace ImageWriters {

typedef std::vector<u8> Bytes;

// PNG. Rows are given top row first, packed as the PNG stores them
// (width x channels x depth / 8 bytes, rounded up, per row).
struct PngImage {
    u32 width = 0;
    u32 height = 0;
    int colorType = 2;        // PNG_COLOR_TYPE_*: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int bitDepth = 8;
    bool interlaced = false;
    Bytes rows;
    Bytes palette;            // colour type 3: RGB triples
    Bytes transparency;       // tRNS alphas (colour type 3)
    int compressionLevel = 6;
};
Bytes png(const PngImage& image);

// A zlib stream (RFC 1950) of head followed by zeros zero bytes, made of one
// compressed run of zeros repeated, so that gigabytes cost about a
// thousandth of their size to write: the data of pictures that inflate far
// past what they hold.
Bytes zlibZeros(const Bytes& head, u64 zeros);
// One PNG chunk: length, type, data, CRC.
Bytes pngChunk(const char* type, const Bytes& data);
// The PNG with chunks put before its first IDAT; with imageData, its IDAT
// chunks are replaced by one holding imageData.
Bytes pngWith(const Bytes& png, const std::vector<Bytes>& chunks, const Bytes* imageData = nullptr);

// JPEG of 1 (grey), 3 (RGB) or 4 (CMYK) components; rows top row first.
Bytes jpeg(u32 width, u32 height, int components, const Bytes& rows, int quality = 90,
           bool progressive = false);

// One scan of a scan script: the components it codes (indexes), its
// spectral band Ss-Se and successive approximation bits Ah, Al. A script
// whose scans all code the whole band at full precision is sequential.
struct JpegScan {
    std::vector<int> components;
    int Ss = 0;
    int Se = 63;
    int Ah = 0;
    int Al = 0;
};
// JPEG encoded with that scan script (libjpeg refuses an illegal one),
// Huffman- or arithmetic-coded.
Bytes jpegScripted(u32 width, u32 height, int components, const Bytes& rows, const std::vector<JpegScan>& script,
                   bool arithmetic = false, int quality = 90);
// A legal progressive JPEG of exactly count scans: the DC scan, then every
// AC coefficient of every component in scans of its own, refined a bit at a
// time (up to 1 + 693 scans a component).
Bytes manyScanJpeg(u32 width, u32 height, int components, const Bytes& rows, size_t count);
// The JPEG with its scan number scan (from 0) repeated after its last one
// until it has count scans: a scan that codes again what it coded, which no
// encoder writes.
Bytes withRepeatedScan(const Bytes& jpeg, size_t scan, size_t count);
// A grey, progressive, arithmetic-coded side x side JPEG of scans scans, one
// AC scan repeated: about 670 KB and most of a second to decode for 512 x 512
// and 999 scans, where a legal file of that size takes milliseconds.
Bytes repeatedScanJpeg(u32 side, u32 scans);

// The engine's zlib prefix form: u32 compressed size, u32 decompressed size
// (little-endian), then the zlib stream of the data.
Bytes zlibWrapped(const Bytes& data, int level = 6);

// PVR texture with the legacy 52-byte header followed by the surface bytes.
struct PvrImage {
    u32 width = 0;
    u32 height = 0;
    u32 flags = 0x18;         // low byte: pixel type; 0x800: bordered
    u32 bitsPerPixel = 2;
    u32 alphaMask = 0;
    Bytes surface;
};
Bytes pvrTexture(const PvrImage& image);   // the bare texture
Bytes pvr(const PvrImage& image);          // zlib-wrapped, as in a ".pvr" file

// BMP. Rows are given in file order, each width x bitCount / 8 bytes; the
// writer pads them to four bytes unless padRows is false.
struct BmpImage {
    std::string signature = "BM";
    u32 width = 0;
    s32 height = 0;           // negative: top-down file
    u16 bitCount = 24;
    u32 compression = 0;
    u32 headerSize = 40;      // 40, or 12 for the old core header (16-bit sizes, 3-byte palette)
    Bytes palette;            // entries as stored: blue, green, red (, reserved)
    Bytes rows;
    bool padRows = true;
};
Bytes bmp(const BmpImage& image);
u32 bmpRowBytes(u32 width, u32 bitCount);   // unpadded bytes of one row

// TGA (uncompressed types; any header value can be set).
struct TgaImage {
    Bytes id;
    u8 colorMapType = 0;
    u8 imageType = 2;
    u16 colorMapFirst = 0;
    u16 colorMapLength = 0;
    u8 colorMapEntrySize = 0;
    Bytes colorMap;           // entries as stored
    u16 width = 0;
    u16 height = 0;
    u8 depth = 24;
    u8 descriptor = 0;
    Bytes pixels;             // as stored
};
Bytes tga(const TgaImage& image);

// Deterministic filler bytes.
Bytes pattern(size_t n, u32 seed = 1);
// A picture with smooth gradients and a little noise: compresses like a photo.
Bytes photo(u32 width, u32 height, int channels, u32 seed = 1);

// Little-endian writers for hand-made fixtures.
void putU16(Bytes& out, u16 v);
void putU32(Bytes& out, u32 v);

// The bytes as a std::string (for TempDir::writeFile).
std::string toString(const Bytes& bytes);
// Makes the string a binary-mode memory stream holding exactly these bytes,
// positioned at 0: the form in which readers meet data inside other files.
void fillStream(KyString& stream, const Bytes& bytes);

} // namespace ImageWriters

#endif

#include "platform/KyPng.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "platform/KyImgInput.h"

#include <csetjmp>
#include <cstring>
#include <png.h>
#include <zlib.h>

namespace {

// Image data is fed to libpng in pieces of this size.
const u32 kPiece = 64 * 1024;

u32 be32(const u8* p)
{
    return u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | p[3];
}

bool isType(const u8* head, const char* type)
{
    return std::memcmp(head + 4, type, 4) == 0;
}

} // namespace

// Everything the decoding step leaves behind, kept outside the frame that
// calls setjmp so that it survives a long jump out of libpng.
//
// The file is walked chunk by chunk and libpng's progressive reader is fed
// only what the picture needs: the header, PLTE and tRNS, then the image
// data up to the end of the chunk that holds the last row. Text, colour
// profiles and every other ancillary chunk are read past without being
// inflated (their checksums are still checked, as libpng would), and what is
// left of the image data after the last row is never inflated; the walk then
// goes on to IEND so that a stream stands right after the PNG. Kinds without
// a format are known from the header: their image data is read past as well.
// Image data that inflates past the last row is refused, and every byte of
// the file is spent from the picture's budget, set from its rows as soon as
// the header is read.
struct KyPng::Decoder {
    KyStream* stream = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int interlaceMethod = 0;
    int compressionMethod = 0;
    int filterMethod = 0;
    u8* pixels = nullptr;
    u64 pixelBytes = 0;
    png_bytep* rows = nullptr;
    u8* piece = nullptr;
    png_colorp paletteEntries = nullptr;
    int paletteCount = 0;
    png_bytep transAlphas = nullptr;
    int transCount = 0;
    png_color_16p transColor = nullptr;
    // Walking: what the file may still cost, whether libpng has the header
    // chunks, and whether the image data is read (kinds without a format
    // are walked through without it) and done with.
    KyImgInput::Budget budget{KyImgInput::Budget::Png, "KyPng::LoadFromStream"};
    bool haveInfo = false;
    bool imageStarted = false;
    bool skipImage = false;
    bool imageDone = false;
    bool extraData = false;

    ~Decoder()
    {
        delete[] pixels;
        delete[] rows;
        delete[] piece;
    }

    static bool run(png_structp png, png_infop info, Decoder* d);
    // The parts of the walk; each leaves through png_error (or, refused by
    // the budget, which logs why, through png_longjmp).
    void readHead(png_structp png, u8* out, u32 n);
    void feed(png_structp png, png_infop info, u64 n);
    void skip(png_structp png, const u8* head, u64 length);
    void readHeader(png_structp png, png_infop info);
    void startHeader(png_structp png, png_infop info, u8* head);
    void startImage(png_structp png, png_infop info);
    bool rowsDone(png_structp png) const;
};

namespace {

// libpng's own messages, worded as libpng prints them on standard error,
// go to the log instead: a picture read on a worker thread keeps them with
// the rest of what its reading logged (KyOsLog::Capture).
void printError(png_structp png, png_const_charp message)
{
    logPrint("libpng error: %s\n", message ? message : "undefined");
    png_longjmp(png, 1);
}

void printWarning(png_structp png, png_const_charp message)
{
    logPrint("libpng warning: %s\n", message);
    // libpng says so, and stops inflating, when the image data gives more
    // after the last row: the one sign of data inflating past the picture.
    KyPng::Decoder* d = static_cast<KyPng::Decoder*>(png_get_error_ptr(png));
    if (d && message && std::strstr(message, "Extra compressed data"))
        d->extraData = true;
}

void onInfo(png_structp png, png_infop info)
{
    KyPng::Decoder* d = static_cast<KyPng::Decoder*>(png_get_progressive_ptr(png));
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    d->haveInfo = true;
}

void onRow(png_structp png, png_bytep row, png_uint_32 rowNumber, int)
{
    KyPng::Decoder* d = static_cast<KyPng::Decoder*>(png_get_progressive_ptr(png));
    if (row != nullptr && d->rows != nullptr && rowNumber < d->height)
        png_progressive_combine_row(png, d->rows[rowNumber], row);
}

u32 bytesPerPixel(int colorType)
{
    if (colorType & 1)
        return 1;
    return colorType == PNG_COLOR_TYPE_RGB ? 3 : 4;
}

} // namespace

void KyPng::Decoder::readHead(png_structp png, u8* out, u32 n)
{
    if (budget.read(*stream, out, n))
        return;
    if (budget.refused())
        png_longjmp(png, 1);
    png_error(png, "unexpected end of the PNG data");
}

// Hands the next n bytes of the stream to libpng, a piece at a time. Once
// the last row is done libpng inflates nothing more: image data that would
// give more is refused, and the rest of the chunk (the end of the zlib
// stream and the chunk's CRC) is still handed over for libpng to check.
void KyPng::Decoder::feed(png_structp png, png_infop info, u64 n)
{
    while (n > 0) {
        u32 part = static_cast<u32>(n < kPiece ? n : kPiece);
        readHead(png, piece, part);
        n -= part;
        png_process_data(png, info, piece, part);
        if (imageStarted && rowsDone(png)) {
            imageDone = true;
            if (extraData)
                png_error(png, "PNG image data goes on past its last row");
        }
    }
}

// Reads past a chunk libpng is not given, data and CRC, checking the CRC as
// libpng checks those it reads.
void KyPng::Decoder::skip(png_structp png, const u8* head, u64 length)
{
    uLong crc = crc32(0, head + 4, 4);
    while (length > 0) {
        u32 part = static_cast<u32>(length < kPiece ? length : kPiece);
        readHead(png, piece, part);
        crc = crc32(crc, piece, part);
        length -= part;
    }
    u8 stored[4];
    readHead(png, stored, sizeof stored);
    if (crc != be32(stored))
        png_error(png, "CRC error");
}

// IHDR is in: check the picture's size, and set what the rest of the file
// may cost. A kind without a format is never decoded, so no size of it is
// over the caps: it is walked through as any of its kind.
void KyPng::Decoder::readHeader(png_structp png, png_infop info)
{
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlaceMethod, &compressionMethod,
                 &filterMethod);
    u64 rowBytes = png_get_rowbytes(png, info);
    u64 total = 0;
    if (!skipImage && !KyImgInput::rowsBytes(width, height, rowBytes, total))
        png_error(png, "PNG picture too large");
    // The raw rows with their filter bytes (and those of the interlaced
    // passes); past the caps (a kind walked through) held far from
    // wrapping.
    const u64 most = u64(1) << 60;
    const u64 raw = height > 0 && rowBytes + 2 > most / height ? most : (rowBytes + 2) * height;
    budget.setPicture(raw);
}

// IHDR's own bytes, read before libpng sees them: the kind decides whether
// the picture is decoded, and so whether libpng holds its size to the caps.
void KyPng::Decoder::startHeader(png_structp png, png_infop info, u8* head)
{
    u8 data[13 + 4];
    readHead(png, data, sizeof data);
    skipImage = formatOf(data[9], data[8]) == 13;
    if (skipImage)
        png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_process_data(png, info, head, 8);
    png_process_data(png, info, data, sizeof data);
    readHeader(png, info);
}

// The header chunks are in: make the picture's rows.
void KyPng::Decoder::startImage(png_structp png, png_infop info)
{
    if (!haveInfo)
        png_error(png, "PNG image data before its header");
    u64 rowBytes = png_get_rowbytes(png, info);
    u64 stride = u64(width) * bytesPerPixel(colorType);
    if (stride != rowBytes)
        png_error(png, "unexpected PNG row size");
    // Within the caps: readHeader checked the rows.
    u64 total = stride * height;
    pixels = new u8[total];
    pixelBytes = total;
    rows = new png_bytep[height];
    for (png_uint_32 i = 0; i < height; ++i)
        rows[i] = pixels + stride * (height - 1 - i);
}

bool KyPng::Decoder::rowsDone(png_structp png) const
{
    // libpng's own test for the end of the image data.
    return png_get_current_pass_number(png) > 6 ||
           (interlaceMethod == PNG_INTERLACE_NONE && png_get_current_row_number(png) >= height);
}

// No object with a destructor lives in this frame: libpng leaves it through
// longjmp on any error, and the caller then finds false.
bool KyPng::Decoder::run(png_structp png, png_infop info, Decoder* d)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_crc_action(png, PNG_CRC_DEFAULT, PNG_CRC_ERROR_QUIT);
    png_set_user_limits(png, KyImgInput::kMaxDimension, KyImgInput::kMaxDimension);
    png_set_progressive_read_fn(png, d, onInfo, onRow, nullptr);
    d->piece = new u8[kPiece];
    d->feed(png, info, 8);
    bool first = true;
    for (;;) {
        u8 head[8];
        d->readHead(png, head, sizeof head);
        u64 length = be32(head);
        if (length > PNG_UINT_31_MAX)
            png_error(png, "PNG chunk too long");
        const bool critical = (head[4] & 0x20) == 0;
        if (first && !isType(head, "IHDR"))
            png_error(png, "missing IHDR");
        first = false;
        if (isType(head, "IEND")) {
            if (!d->imageStarted)
                png_error(png, "no image data in the PNG");
            if (!d->imageDone && !d->skipImage)
                png_error(png, "Not enough image data");
            d->skip(png, head, length);
            if (png_get_valid(png, info, PNG_INFO_PLTE))
                png_get_PLTE(png, info, &d->paletteEntries, &d->paletteCount);
            if (png_get_valid(png, info, PNG_INFO_tRNS))
                png_get_tRNS(png, info, &d->transAlphas, &d->transCount, &d->transColor);
            return true;
        }
        if (isType(head, "IDAT")) {
            const bool firstData = !d->imageStarted;
            d->imageStarted = true;
            if (d->imageDone || d->skipImage) {
                d->skip(png, head, length);
                continue;
            }
            png_process_data(png, info, head, sizeof head);
            if (firstData)
                d->startImage(png, info);
            d->feed(png, info, length + 4);
            continue;
        }
        if (d->imageStarted && !d->imageDone && !d->skipImage)
            png_error(png, "Not enough image data");
        if (d->imageStarted || !critical) {
            // Nothing of the picture: tRNS is the one ancillary chunk used.
            if (d->imageStarted || !isType(head, "tRNS")) {
                d->skip(png, head, length);
                continue;
            }
        } else if (isType(head, "IHDR") && length == 13) {
            d->startHeader(png, info, head);
            continue;
        } else if (!isType(head, "IHDR") && !isType(head, "PLTE")) {
            png_error(png, "unknown critical PNG chunk");
        }
        png_process_data(png, info, head, sizeof head);
        d->feed(png, info, length + 4);
        if (isType(head, "IHDR"))
            d->readHeader(png, info);
    }
}

KyPng::KyPng()
    : m_bitDepth(0), m_colorType(0), m_interlaceMethod(0), m_compressionMethod(0), m_filterMethod(0)
{
}

KyPng::~KyPng() {}

s32 KyPng::formatOf(s32 colorType, s32 bitDepth)
{
    if (bitDepth != 8)
        return 13;
    switch (colorType) {
    case PNG_COLOR_TYPE_RGB: return 5;
    case PNG_COLOR_TYPE_PALETTE: return 0;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 6;
    default: return 13;
    }
}

void KyPng::LoadFromFile(const KyString& path)
{
    resetResult();
    KyFile file;
    if (!file.Open_2(path, KyFile::ModeRead)) {
        logPrint("[KyPng::LoadFromFile] Le fichier : %s n'existe pas.\n", path.c_str());
        return;
    }
    LoadFromStream(file);
    file.close();
}

void KyPng::LoadFromStream(KyStream& stream)
{
    resetResult();
    m_bitDepth = m_colorType = m_interlaceMethod = m_compressionMethod = m_filterMethod = 0;

    Decoder d;
    d.stream = &stream;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &d, printError, printWarning);
    if (png == nullptr)
        return;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return;
    }

    bool ok = Decoder::run(png, info, &d);
    m_bitDepth = d.bitDepth;
    m_colorType = d.colorType;
    m_interlaceMethod = d.interlaceMethod;
    m_compressionMethod = d.compressionMethod;
    m_filterMethod = d.filterMethod;
    if (ok && d.pixels != nullptr) {
        m_width = d.width;
        m_height = d.height;
        m_format = formatOf(d.colorType, d.bitDepth);
        m_pixels = d.pixels;
        m_pixelBytes = d.pixelBytes;
        d.pixels = nullptr;
        if ((d.colorType & 1) && d.paletteEntries != nullptr) {
            // Entries past the PLTE count stay zero; with tRNS data the
            // palette carries alpha.
            KyPalette* palette = new KyPalette;
            m_palette = palette;
            palette->allocate(d.transCount > 0 ? 3 : 2);
            int count = d.paletteCount < 256 ? d.paletteCount : 256;
            for (int i = 0; i < count; ++i) {
                u8 alpha = (i < d.transCount && d.transAlphas != nullptr) ? d.transAlphas[i] : 255;
                const png_color& c = d.paletteEntries[i];
                palette->setColor(static_cast<u32>(i), KyColor(c.red, c.green, c.blue, alpha));
            }
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
}

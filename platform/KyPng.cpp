#include "platform/KyPng.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "platform/KyImgInput.h"

#include <csetjmp>
#include <png.h>

// Everything the decoding step leaves behind, kept outside the frame that
// calls setjmp so that it survives a long jump out of libpng.
struct KyPng::Decoder {
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
    u8* scratch = nullptr;
    png_colorp paletteEntries = nullptr;
    int paletteCount = 0;
    png_bytep transAlphas = nullptr;
    int transCount = 0;
    png_color_16p transColor = nullptr;

    ~Decoder()
    {
        delete[] pixels;
        delete[] rows;
        delete[] scratch;
    }

    static bool run(png_structp png, png_infop info, Decoder* d);
};

namespace {

void readFromStream(png_structp png, png_bytep data, png_size_t length)
{
    KyStream* stream = static_cast<KyStream*>(png_get_io_ptr(png));
    if (!KyImgInput::readExact(*stream, data, length))
        png_error(png, "unexpected end of the PNG data");
}

// libpng's own messages, worded as libpng prints them on standard error,
// go to the log instead: a picture read on a worker thread keeps them with
// the rest of what its reading logged (KyOsLog::Capture).
void printError(png_structp png, png_const_charp message)
{
    logPrint("libpng error: %s\n", message ? message : "undefined");
    png_longjmp(png, 1);
}

void printWarning(png_structp, png_const_charp message)
{
    logPrint("libpng warning: %s\n", message);
}

u32 bytesPerPixel(int colorType)
{
    if (colorType & 1)
        return 1;
    return colorType == PNG_COLOR_TYPE_RGB ? 3 : 4;
}

} // namespace

// No object with a destructor lives in this frame: libpng leaves it through
// longjmp on any error, and the caller then finds false.
bool KyPng::Decoder::run(png_structp png, png_infop info, Decoder* d)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_crc_action(png, PNG_CRC_DEFAULT, PNG_CRC_ERROR_QUIT);
    png_set_user_limits(png, KyImgInput::kMaxDimension, KyImgInput::kMaxDimension);
    png_read_info(png, info);
    png_get_IHDR(png, info, &d->width, &d->height, &d->bitDepth, &d->colorType, &d->interlaceMethod,
                 &d->compressionMethod, &d->filterMethod);
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    u64 rowBytes = png_get_rowbytes(png, info);
    u64 total = 0;
    if (!KyImgInput::rowsBytes(d->width, d->height, rowBytes, total))
        png_error(png, "PNG picture too large");

    if (formatOf(d->colorType, d->bitDepth) != 13) {
        u64 stride = u64(d->width) * bytesPerPixel(d->colorType);
        if (stride != rowBytes)
            png_error(png, "unexpected PNG row size");
        d->pixels = new u8[total];
        d->pixelBytes = total;
        d->rows = new png_bytep[d->height];
        for (png_uint_32 i = 0; i < d->height; ++i)
            d->rows[i] = d->pixels + stride * (d->height - 1 - i);
        png_read_image(png, d->rows);
    } else {
        // Read through a kind that gives no pixels, one row at a time.
        d->scratch = new u8[rowBytes > 0 ? rowBytes : 1];
        for (int pass = 0; pass < passes; ++pass)
            for (png_uint_32 y = 0; y < d->height; ++y)
                png_read_row(png, d->scratch, nullptr);
    }
    if (png_get_valid(png, info, PNG_INFO_PLTE))
        png_get_PLTE(png, info, &d->paletteEntries, &d->paletteCount);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_get_tRNS(png, info, &d->transAlphas, &d->transCount, &d->transColor);
    png_read_end(png, nullptr);
    return true;
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

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, printError, printWarning);
    if (png == nullptr)
        return;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return;
    }
    png_set_read_fn(png, &stream, readFromStream);

    Decoder d;
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

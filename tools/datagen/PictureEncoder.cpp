#include "tools/datagen/PictureEncoder.h"

#include "tools/content/ImageWriters.h"

#include <cctype>
#include <cmath>
#include <stdexcept>

namespace PictureEncoder {

namespace {

bool endsWith(const std::string& text, const std::string& end)
{
    if (text.size() < end.size())
        return false;
    for (size_t i = 0; i < end.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + i])) != end[i])
            return false;
    return true;
}

// RGB bytes, top row first, with transparent pixels laid over the matte.
std::vector<std::uint8_t> flatten(const std::vector<std::uint8_t>& rgba, const Colour& matte)
{
    std::vector<std::uint8_t> rgb(rgba.size() / 4 * 3);
    const double under[3] = {matte.r * 255.0, matte.g * 255.0, matte.b * 255.0};
    for (size_t p = 0, q = 0; p < rgba.size(); p += 4, q += 3) {
        const double a = rgba[p + 3] / 255.0;
        for (int k = 0; k < 3; ++k)
            rgb[q + k] = std::uint8_t(std::floor(rgba[p + k] * a + under[k] * (1.0 - a) + 0.5));
    }
    return rgb;
}

// Rows bottom first, blue before red, as BMP and TGA store them.
std::vector<std::uint8_t> bottomUpBgr(const std::vector<std::uint8_t>& pixels, int width, int height, int channels)
{
    std::vector<std::uint8_t> out(pixels.size());
    const size_t stride = size_t(width) * channels;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = &pixels[size_t(height - 1 - y) * stride];
        std::uint8_t* to = &out[size_t(y) * stride];
        for (int x = 0; x < width; ++x) {
            to[x * channels + 0] = from[x * channels + 2];
            to[x * channels + 1] = from[x * channels + 1];
            to[x * channels + 2] = from[x * channels + 0];
            if (channels == 4)
                to[x * channels + 3] = from[x * channels + 3];
        }
    }
    return out;
}

} // namespace

std::string formatOf(const std::string& fileName)
{
    static const char* const formats[][2] = {
        {".jpg.zlib", "jpg.zlib"}, {".jpeg.zlib", "jpg.zlib"}, {".png", "png"}, {".jpg", "jpg"},
        {".jpeg", "jpg"},          {".bmp", "bmp"},            {".tga", "tga"},
    };
    for (const auto& f : formats)
        if (endsWith(fileName, f[0]))
            return f[1];
    return std::string();
}

const char* knownFormats()
{
    return ".png, .jpg, .jpeg, .jpg.zlib, .jpeg.zlib, .bmp, .tga";
}

std::vector<std::uint8_t> encode(const Canvas& canvas, const std::string& format, const Options& options)
{
    if (options.channels != "auto" && options.channels != "rgb" && options.channels != "rgba")
        throw std::runtime_error("channels must be auto, rgb or rgba, not '" + options.channels + "'");
    if (options.quality < 1 || options.quality > 100)
        throw std::runtime_error("the JPEG quality must be 1 to 100");
    const bool alpha = options.channels == "rgba" || (options.channels == "auto" && !canvas.opaque());
    const std::vector<std::uint8_t> rgba = canvas.rgba8();
    const u32 width = u32(canvas.width());
    const u32 height = u32(canvas.height());

    if (format == "png") {
        ImageWriters::PngImage png;
        png.width = width;
        png.height = height;
        png.compressionLevel = 6;
        png.colorType = alpha ? 6 : 2;
        png.rows = alpha ? rgba : flatten(rgba, options.matte);
        return ImageWriters::png(png);
    }
    if (format == "jpg" || format == "jpg.zlib") {
        const ImageWriters::Bytes jpeg = ImageWriters::jpeg(width, height, 3, flatten(rgba, options.matte), options.quality);
        return format == "jpg" ? jpeg : ImageWriters::zlibWrapped(jpeg, 9);
    }
    if (format == "bmp") {
        ImageWriters::BmpImage bmp;
        bmp.width = width;
        bmp.height = s32(height);
        bmp.bitCount = alpha ? 32 : 24;
        bmp.rows = bottomUpBgr(alpha ? rgba : flatten(rgba, options.matte), int(width), int(height), alpha ? 4 : 3);
        return ImageWriters::bmp(bmp);
    }
    if (format == "tga") {
        if (width > 65535 || height > 65535)
            throw std::runtime_error("a TGA picture is at most 65535 pixels wide and high");
        ImageWriters::TgaImage tga;
        tga.imageType = 2;
        tga.width = u16(width);
        tga.height = u16(height);
        tga.depth = alpha ? 32 : 24;
        tga.descriptor = alpha ? 8 : 0;   // alpha bits; origin at the bottom-left
        tga.pixels = bottomUpBgr(alpha ? rgba : flatten(rgba, options.matte), int(width), int(height), alpha ? 4 : 3);
        return ImageWriters::tga(tga);
    }
    throw std::runtime_error("pictures are written as " + std::string(knownFormats()) + ", not '" + format + "'");
}

} // namespace PictureEncoder

#ifndef KY_DATAGEN_PICTURE_ENCODER_H
#define KY_DATAGEN_PICTURE_ENCODER_H

#include "tools/datagen/Canvas.h"
#include "tools/datagen/Paint.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes a canvas in one of the picture formats the engine reads, chosen by
// the output file's name: ".png", ".jpg"/".jpeg", ".jpg.zlib"/".jpeg.zlib"
// (the engine's zlib-wrapped JPEG), ".bmp" and ".tga".
//
// Channels: "auto" keeps alpha only when some pixel is not opaque; "rgb"
// drops it (pixels are laid over the matte colour); "rgba" keeps it where
// the format can (PNG, BMP and TGA at 32 bits). JPEG never has alpha.
namespace PictureEncoder {

struct Options {
    int quality = 90;              // JPEG, 1 to 100
    std::string channels = "auto"; // auto, rgb, rgba
    Colour matte;                  // under transparent pixels when alpha is dropped (black)
};

// The format word of a file name ("png", "jpg", "jpg.zlib", "bmp", "tga"),
// empty when the name has none of them.
std::string formatOf(const std::string& fileName);
const char* knownFormats();

// Throws std::runtime_error on an unknown format or bad options.
std::vector<std::uint8_t> encode(const Canvas& canvas, const std::string& format, const Options& options);

} // namespace PictureEncoder

#endif

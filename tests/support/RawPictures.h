#ifndef KY_TEST_RAW_PICTURES_H
#define KY_TEST_RAW_PICTURES_H

#include "core/KyTypes.h"

#include <string>

// Picture files written byte by byte, for the tests of code that reads
// pictures on worker threads (and runs without the content writers).
namespace RawPictures {

// An uncompressed TGA of width x height whose bytes follow seed: 24-bit,
// or 8-bit indices into a map of 256 24-bit entries (which gives the
// picture a palette of its own).
std::string tga(u32 width, u32 height, bool paletted, u32 seed);
// A 4 x 4 run-length BMP, which the reader refuses with the line
// "BI_RLE8 n'est pas géré.\n".
std::string runLengthBmp();
// Writes bytes as the file at path; false when it cannot.
bool write(const std::string& path, const std::string& bytes);

} // namespace RawPictures

#endif

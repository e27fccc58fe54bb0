#include "tests/support/RawPictures.h"

#include <cstdio>

namespace RawPictures {

std::string tga(u32 width, u32 height, bool paletted, u32 seed)
{
    std::string b(18, '\0');
    b[1] = paletted ? 1 : 0;
    b[2] = paletted ? 1 : 2;
    if (paletted) {
        b[6] = 1;   // 256 entries
        b[7] = 24;
    }
    b[12] = char(width & 0xFF);
    b[13] = char(width >> 8);
    b[14] = char(height & 0xFF);
    b[15] = char(height >> 8);
    b[16] = paletted ? 8 : 24;
    if (paletted) {
        for (u32 i = 0; i < 256 * 3; ++i)
            b += char((i * 7 + seed) & 0xFF);
    }
    const u32 bytes = width * height * (paletted ? 1 : 3);
    for (u32 i = 0; i < bytes; ++i)
        b += char((i * 31 + seed * 17) & 0xFF);
    return b;
}

std::string runLengthBmp()
{
    std::string b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    b[10] = 54;   // pixels after the header
    b[14] = 40;   // header size
    b[18] = 4;    // width
    b[22] = 4;    // height
    b[26] = 1;    // planes
    b[28] = 8;    // bits a pixel
    b[30] = 1;    // BI_RLE8
    return b + std::string(1024, '\x10');
}

bool write(const std::string& path, const std::string& bytes)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && ok;
}

} // namespace RawPictures

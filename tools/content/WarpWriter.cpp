#include "tools/content/WarpWriter.h"

#include "core/KyString.h"
#include "platform/KyImg.h"
#include "platform/KyPalette.h"
#include "tools/content/ImageWriters.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

namespace WarpWriter {

namespace {

const char* const kFaceNames[6] = {"top", "bottom", "back", "front", "right", "left"};
const u32 kMinTileSize = 8;
const u32 kMaxTileSize = 256;

bool isPowerOfTwo(u32 v)
{
    return v != 0 && (v & (v - 1)) == 0;
}

std::string text(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

std::string text(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool endsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Rows top row first, with the given channels taken from the RGBA bytes
// (channel indices 0 to 3, in output order).
Bytes rowsTopFirst(const Picture& p, const std::vector<int>& channels)
{
    Bytes out;
    out.reserve(size_t(p.width) * p.height * channels.size());
    for (u32 r = p.height; r-- > 0;) {
        const u8* row = p.rgba.data() + size_t(r) * p.width * 4;
        for (u32 x = 0; x < p.width; ++x)
            for (int c : channels)
                out.push_back(row[4 * x + c]);
    }
    return out;
}

// Rows bottom row first (as stored), with the given channels.
Bytes rowsBottomFirst(const Picture& p, const std::vector<int>& channels)
{
    Bytes out;
    out.reserve(size_t(p.width) * p.height * channels.size());
    for (size_t i = 0; i < size_t(p.width) * p.height; ++i)
        for (int c : channels)
            out.push_back(p.rgba[4 * i + c]);
    return out;
}

// ---- PVRTC ----------------------------------------------------------------

// Block index of block (x, y) in twiddled order: the bits of y and x
// interleaved, y in the lower bit of each pair, up to the smaller side.
u32 twiddle(u32 x, u32 y, u32 blocksX, u32 blocksY)
{
    const u32 minSide = std::min(blocksX, blocksY);
    u32 index = 0;
    u32 shift = 0;
    u32 bit = 1;
    for (; bit < minSide; bit <<= 1, shift += 2) {
        if (y & bit)
            index |= 1u << shift;
        if (x & bit)
            index |= 1u << (shift + 1);
    }
    // What is left of the longer side goes above the interleaved bits.
    const u32 rest = blocksX > blocksY ? x >> (shift / 2) : y >> (shift / 2);
    return index | rest << shift;
}

u32 luminance(const u8* p)
{
    return 299u * p[0] + 587u * p[1] + 114u * p[2];
}

// Colour A: opaque RGB 5-5-4 in bits 1 to 14 with bit 15 set, or
// translucent ARGB 3-4-4-3 with bit 15 clear.
u32 colourA(const u8* p)
{
    if (p[3] == 255)
        return 0x8000u | u32(p[0] >> 3) << 10 | u32(p[1] >> 3) << 5 | u32(p[2] >> 4) << 1;
    return u32(p[3] >> 5) << 12 | u32(p[0] >> 4) << 8 | u32(p[1] >> 4) << 4 | u32(p[2] >> 5) << 1;
}

// Colour B: opaque RGB 5-5-5 in bits 0 to 14 with bit 15 set, or
// translucent ARGB 3-4-4-4 with bit 15 clear.
u32 colourB(const u8* p)
{
    if (p[3] == 255)
        return 0x8000u | u32(p[0] >> 3) << 10 | u32(p[1] >> 3) << 5 | u32(p[2] >> 3);
    return u32(p[3] >> 5) << 12 | u32(p[0] >> 4) << 8 | u32(p[1] >> 4) << 4 | u32(p[2] >> 4);
}

// ---- cutting the source into tiles -----------------------------------------

std::vector<TileEntry> cutFace(const Picture& face, u32 grid, const std::string& format, int quality,
                               bool keepTransparent)
{
    std::vector<TileEntry> tiles;
    const u32 side = face.width / grid;
    for (u32 row = 0; row < grid; ++row) {
        for (u32 column = 0; column < grid; ++column) {
            Picture tile = face.crop(column * side, row * side, side, side);
            if (!keepTransparent && !tile.hasVisiblePixel())
                continue;
            TileEntry entry;
            entry.column = static_cast<u16>(column);
            entry.row = static_cast<u16>(row);
            entry.image = encodeTile(tile, format, quality);
            tiles.push_back(std::move(entry));
        }
    }
    return tiles;
}

// Cells of a grid x grid pick grid under a visible pixel of the picture.
std::set<Cell> opaqueCells(const Picture& picture, u32 grid)
{
    std::set<Cell> cells;
    for (u32 y = 0; y < picture.height; ++y) {
        for (u32 x = 0; x < picture.width; ++x) {
            if (picture.rgba[(size_t(y) * picture.width + x) * 4 + 3] != 0)
                cells.insert(Cell(static_cast<u16>(u64(x) * grid / picture.width),
                                  static_cast<u16>(u64(y) * grid / picture.height)));
        }
    }
    return cells;
}

bool checkFaces(const Source& source, std::string& error)
{
    const u32 side = source.faces[0].width;
    for (u32 f = 0; f < 6; ++f) {
        const Picture& face = source.faces[f];
        if (face.isEmpty()) {
            error = text("face %u (%s) has no picture", f, kFaceNames[f]);
            return false;
        }
        if (face.width != face.height) {
            error = text("face %u (%s) is %u x %u: faces must be square", f, kFaceNames[f], face.width,
                         face.height);
            return false;
        }
        if (!isPowerOfTwo(face.width)) {
            error = text("face %u (%s) is %u pixels wide: the side must be a power of two", f, kFaceNames[f],
                         face.width);
            return false;
        }
        if (face.width != side) {
            error = text("face %u (%s) is %u x %u but face 0 is %u x %u: all faces must have one size", f,
                         kFaceNames[f], face.width, face.height, side, side);
            return false;
        }
        if (face.rgba.size() != size_t(face.width) * face.height * 4) {
            error = text("face %u (%s) holds %zu bytes, not %u x %u x 4", f, kFaceNames[f], face.rgba.size(),
                         face.width, face.height);
            return false;
        }
    }
    return true;
}

// A grid of columns = rows cells over a face of side pixels whose tiles are
// power-of-two squares of at least 8 pixels.
bool checkTileGrid(u32 side, u32 tile, const char* what, std::string& error)
{
    if (!isPowerOfTwo(tile) || side % tile != 0) {
        error = text("%s of %u pixels does not divide the %u-pixel faces (it must be a power of two no larger "
                     "than the faces)",
                     what, tile, side);
        return false;
    }
    if (tile < kMinTileSize) {
        error = text("%s of %u pixels is below the smallest tile of %u pixels", what, tile, kMinTileSize);
        return false;
    }
    return true;
}

bool checkFaceIndex(u32 face, const std::string& where, std::string& error)
{
    if (face > 5) {
        error = text("%s: face %u is not a face (0 to 5)", where.c_str(), face);
        return false;
    }
    return true;
}

// Builds the groups of one frame: one per face that has tiles, in face
// order.
bool buildFrame(const Source& source, const FrameSource& frame, u32 animationGrid, u32 pickGrid,
                const std::string& where, Frame& out, std::string& error)
{
    const u32 side = source.faces[0].width;
    std::map<u32, Picture> layers;
    for (const Layer& layer : frame.layers) {
        if (!checkFaceIndex(layer.face, where, error))
            return false;
        if (layer.picture.width != side || layer.picture.height != side ||
            layer.picture.rgba.size() != size_t(side) * side * 4) {
            error = text("%s: the picture for face %u is %u x %u; it must be the faces' size, %u x %u",
                         where.c_str(), layer.face, layer.picture.width, layer.picture.height, side, side);
            return false;
        }
        auto found = layers.find(layer.face);
        if (found == layers.end())
            layers[layer.face] = layer.picture;
        else
            found->second.drawOver(layer.picture);
    }

    std::map<u32, std::set<Cell>> picks;
    for (const PickCells& cells : frame.picks) {
        if (!checkFaceIndex(cells.face, where, error))
            return false;
        std::set<Cell>& set = picks[cells.face];
        for (const Cell& cell : cells.cells) {
            if (cell.first >= pickGrid || cell.second >= pickGrid) {
                error = text("%s: pick cell %u,%u on face %u lies outside the %u x %u pick grid", where.c_str(),
                             cell.first, cell.second, cells.face, pickGrid, pickGrid);
                return false;
            }
            set.insert(cell);
        }
        if (cells.opaque) {
            auto layer = layers.find(cells.face);
            if (layer != layers.end()) {
                const std::set<Cell> under = opaqueCells(layer->second, pickGrid);
                set.insert(under.begin(), under.end());
            }
        }
    }

    for (u32 face = 0; face < 6; ++face) {
        Group group;
        group.face = static_cast<u8>(face);
        auto layer = layers.find(face);
        if (layer != layers.end())
            group.tiles = cutFace(layer->second, animationGrid, source.format, source.quality, false);
        auto cells = picks.find(face);
        if (cells != picks.end())
            group.picks.assign(cells->second.begin(), cells->second.end());
        if (group.tiles.empty() && !group.picks.empty()) {
            error = text("%s: face %u has pick cells but no visible tile; a clickable place needs at least one "
                         "visible pixel on its face in the same frame",
                         where.c_str(), face);
            return false;
        }
        if (!group.tiles.empty())
            out.groups.push_back(std::move(group));
    }
    return true;
}

bool buildAnimations(const Source& source, u32 animationGrid, u32 pickGrid, File& file, std::string& error)
{
    for (size_t a = 0; a < source.animations.size(); ++a) {
        const AnimationSource& animation = source.animations[a];
        if (animation.name.size() != 4) {
            error = text("animation %zu: the name \"%s\" must be exactly 4 characters", a + 1,
                         animation.name.c_str());
            return false;
        }
        if (animation.frames.empty()) {
            error = text("animation %s has no frame", animation.name.c_str());
            return false;
        }
        Animation out;
        out.name = animation.name;
        for (size_t f = 0; f < animation.frames.size(); ++f) {
            Frame frame;
            const std::string where = text("animation %s, frame %zu", animation.name.c_str(), f + 1);
            if (!buildFrame(source, animation.frames[f], animationGrid, pickGrid, where, frame, error))
                return false;
            out.groupCount = std::max<u8>(out.groupCount, static_cast<u8>(frame.groups.size()));
            out.frames.push_back(std::move(frame));
        }
        file.animations.push_back(std::move(out));
    }
    return true;
}

void putTile(Bytes& out, const TileEntry& tile, u32& offset)
{
    ImageWriters::putU16(out, tile.column);
    ImageWriters::putU16(out, tile.row);
    ImageWriters::putU32(out, offset);
    offset += static_cast<u32>(tile.image.size());
}

void putImage(Bytes& out, const TileEntry& tile)
{
    out.insert(out.end(), tile.image.begin(), tile.image.end());
}

// The tables; picture offsets are counted from 0 in table order.
Bytes tables(const File& file, u32 dataBase)
{
    Bytes out;
    std::string signature = file.signature;
    signature.resize(6, '\0');
    out.insert(out.end(), signature.begin(), signature.end());
    ImageWriters::putU32(out, dataBase);
    const size_t formatLength = std::min<size_t>(file.format.size(), 255);
    out.push_back(static_cast<u8>(formatLength));
    out.insert(out.end(), file.format.begin(), file.format.begin() + static_cast<long>(formatLength));
    for (u32 v : {file.cubeColumns, file.cubeRows, static_cast<u32>(file.animations.size()), file.animationColumns,
                  file.animationRows, file.pickColumns, file.pickRows})
        ImageWriters::putU32(out, v);

    u32 offset = 0;
    for (const FaceRun& run : file.faces) {
        out.push_back(run.face);
        for (const TileEntry& tile : run.tiles)
            putTile(out, tile, offset);
    }
    for (const Animation& animation : file.animations) {
        std::string name = animation.name;
        name.resize(4, '\0');
        out.insert(out.end(), name.begin(), name.end());
        ImageWriters::putU32(out, static_cast<u32>(animation.frames.size()));
        out.push_back(animation.groupCount);
        for (const Frame& frame : animation.frames) {
            for (u32 g = 0; g < animation.groupCount; ++g) {
                if (g >= frame.groups.size() || frame.groups[g].tiles.empty()) {
                    ImageWriters::putU32(out, 0);
                    continue;
                }
                const Group& group = frame.groups[g];
                ImageWriters::putU32(out, static_cast<u32>(group.tiles.size()));
                out.push_back(group.face);
                for (const TileEntry& tile : group.tiles)
                    putTile(out, tile, offset);
                ImageWriters::putU32(out, static_cast<u32>(group.picks.size()));
                for (const Cell& cell : group.picks) {
                    ImageWriters::putU16(out, cell.first);
                    ImageWriters::putU16(out, cell.second);
                }
            }
        }
    }
    return out;
}

} // namespace

// ---- pictures -----------------------------------------------------------------

bool Picture::isOpaque() const
{
    for (size_t i = 3; i < rgba.size(); i += 4)
        if (rgba[i] != 255)
            return false;
    return true;
}

bool Picture::hasVisiblePixel() const
{
    for (size_t i = 3; i < rgba.size(); i += 4)
        if (rgba[i] != 0)
            return true;
    return false;
}

Picture Picture::crop(u32 x, u32 y, u32 w, u32 h) const
{
    Picture out;
    out.width = w;
    out.height = h;
    out.rgba.resize(size_t(w) * h * 4);
    for (u32 r = 0; r < h; ++r)
        std::memcpy(out.rgba.data() + size_t(r) * w * 4, rgba.data() + ((size_t(y) + r) * width + x) * 4,
                    size_t(w) * 4);
    return out;
}

void Picture::drawOver(const Picture& other)
{
    if (other.width != width || other.height != height || other.rgba.size() != rgba.size())
        return;
    for (size_t i = 0; i < rgba.size(); i += 4)
        if (other.rgba[i + 3] != 0)
            std::memcpy(rgba.data() + i, other.rgba.data() + i, 4);
}

Picture Picture::filled(u32 width, u32 height, u8 red, u8 green, u8 blue, u8 alpha)
{
    Picture p;
    p.width = width;
    p.height = height;
    p.rgba.resize(size_t(width) * height * 4);
    for (size_t i = 0; i < p.rgba.size(); i += 4) {
        p.rgba[i] = red;
        p.rgba[i + 1] = green;
        p.rgba[i + 2] = blue;
        p.rgba[i + 3] = alpha;
    }
    return p;
}

bool fromImage(const KyImg& image, Picture& out, std::string& error)
{
    const s32 format = image.format();
    const u64 count = u64(image.width()) * image.height();
    const u8* in = image.pixels();
    if (in == nullptr || count == 0) {
        error = "not a picture the engine can read (damaged, or of a kind it does not decode)";
        return false;
    }
    if (format >= 8 && format <= 11) {
        error = "a PVRTC picture: the engine cannot turn it back into pixels, so it cannot be cut into tiles";
        return false;
    }
    const u32 bytes = KyImg::storageBytesPerPixel(format);
    if (image.allocatedBytes() < count * bytes) {
        error = "the picture holds fewer pixels than its size says";
        return false;
    }
    const KyPalette* palette = image.palette();
    if (format == 0 && (palette == nullptr || palette->data() == nullptr)) {
        error = "a paletted picture without its palette";
        return false;
    }
    if (format != 0 && format != 3 && format != 4 && format != 5 && format != 6 && format != 12) {
        error = text("pixel format %d is not one the tool reads", format);
        return false;
    }
    out.width = image.width();
    out.height = image.height();
    out.rgba.assign(count * 4, 255);
    for (u64 i = 0; i < count; ++i) {
        u8* o = out.rgba.data() + 4 * i;
        switch (format) {
        case 0: {
            const KyColor c = palette->color(in[i]);
            o[0] = c.r;
            o[1] = c.g;
            o[2] = c.b;
            o[3] = palette->format() == 3 ? c.a : 255;
            break;
        }
        case 3:
        case 4: {
            const u16 v = static_cast<u16>(in[2 * i] | in[2 * i + 1] << 8);
            const u32 greenBits = format == 3 ? 5 : 6;
            const u32 r = v & 31;
            const u32 g = (v >> 5) & ((1u << greenBits) - 1);
            const u32 b = (v >> (5 + greenBits)) & 31;
            o[0] = static_cast<u8>(r * 255 / 31);
            o[1] = static_cast<u8>(g * 255 / ((1u << greenBits) - 1));
            o[2] = static_cast<u8>(b * 255 / 31);
            break;
        }
        case 5: std::memcpy(o, in + 3 * i, 3); break;
        case 6: std::memcpy(o, in + 4 * i, 4); break;
        default: o[0] = o[1] = o[2] = in[i]; break;
        }
    }
    return true;
}

bool readPicture(const std::string& path, Picture& out, std::string& error)
{
    const std::string name = lower(path);
    std::string type;
    if (endsWith(name, ".jpg.zlib") || endsWith(name, ".jpeg.zlib"))
        type = "jpeg.zlib";
    else {
        for (const char* ending : {"png", "jpg", "jpeg", "bmp", "tga", "pvr"}) {
            if (endsWith(name, std::string(".") + ending))
                type = ending;
        }
    }
    if (type.empty()) {
        error = path + ": the name does not end in a picture type the engine reads (.png, .jpg, .jpeg, "
                       ".jpg.zlib, .jpeg.zlib, .bmp, .tga, .pvr)";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be opened";
        return false;
    }
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() > 0xFFFFFFF0u) {
        error = path + ": too large";
        return false;
    }
    KyString stream;
    ImageWriters::fillStream(stream, bytes);
    KyImg image;
    image.loadFromStream(stream, KyString(type.c_str()));
    std::string why;
    if (!fromImage(image, out, why)) {
        error = path + ": " + why;
        return false;
    }
    return true;
}

// ---- tiles ---------------------------------------------------------------------

const std::vector<std::string>& tileFormats()
{
    static const std::vector<std::string> formats = {"png", "jpeg", "jpeg.zlib", "tga", "bmp", "pvr"};
    return formats;
}

bool isTileFormat(const std::string& format)
{
    const std::vector<std::string>& formats = tileFormats();
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

Bytes pvrtc4(const Picture& picture)
{
    const u32 blocksX = picture.width / 4;
    const u32 blocksY = picture.height / 4;
    Bytes out(size_t(blocksX) * blocksY * 8, 0);
    for (u32 by = 0; by < blocksY; ++by) {
        for (u32 bx = 0; bx < blocksX; ++bx) {
            // The darkest and the brightest pixel of the block become colours
            // A and B; each pixel takes the nearest of the four standard
            // modulation steps between them (0, 3/8, 5/8, 1).
            const u8* darkest = nullptr;
            const u8* brightest = nullptr;
            for (u32 y = 0; y < 4; ++y) {
                for (u32 x = 0; x < 4; ++x) {
                    const u8* p = picture.rgba.data() + ((size_t(by) * 4 + y) * picture.width + bx * 4 + x) * 4;
                    if (!darkest || luminance(p) < luminance(darkest))
                        darkest = p;
                    if (!brightest || luminance(p) > luminance(brightest))
                        brightest = p;
                }
            }
            const u32 low = luminance(darkest);
            const u32 span = luminance(brightest) - low;
            u32 modulation = 0;
            for (u32 y = 0; y < 4; ++y) {
                for (u32 x = 0; x < 4; ++x) {
                    const u8* p = picture.rgba.data() + ((size_t(by) * 4 + y) * picture.width + bx * 4 + x) * 4;
                    u32 step = 0;
                    if (span > 0) {
                        const u32 eighths = (luminance(p) - low) * 8 / span;
                        step = eighths < 2 ? 0 : (eighths < 4 ? 1 : (eighths < 7 ? 2 : 3));
                    }
                    modulation |= step << (2 * (y * 4 + x));
                }
            }
            const u32 colours = colourB(brightest) << 16 | colourA(darkest);
            u8* block = out.data() + size_t(twiddle(bx, by, blocksX, blocksY)) * 8;
            for (int i = 0; i < 4; ++i) {
                block[i] = static_cast<u8>(modulation >> (8 * i));
                block[4 + i] = static_cast<u8>(colours >> (8 * i));
            }
        }
    }
    return out;
}

Bytes encodeTile(const Picture& tile, const std::string& format, int quality)
{
    const bool opaque = tile.isOpaque();
    if (format == "png") {
        ImageWriters::PngImage png;
        png.width = tile.width;
        png.height = tile.height;
        png.colorType = opaque ? 2 : 6;
        png.rows = opaque ? rowsTopFirst(tile, {0, 1, 2}) : rowsTopFirst(tile, {0, 1, 2, 3});
        return ImageWriters::png(png);
    }
    if (format == "jpeg" || format == "jpeg.zlib") {
        Bytes colour = ImageWriters::jpeg(tile.width, tile.height, 3, rowsTopFirst(tile, {0, 1, 2}), quality);
        Bytes alpha = ImageWriters::jpeg(tile.width, tile.height, 1, rowsTopFirst(tile, {3}), quality);
        if (format == "jpeg.zlib") {
            colour = ImageWriters::zlibWrapped(colour);
            alpha = ImageWriters::zlibWrapped(alpha);
        }
        colour.insert(colour.end(), alpha.begin(), alpha.end());
        return colour;
    }
    if (format == "tga") {
        ImageWriters::TgaImage tga;
        tga.width = static_cast<u16>(tile.width);
        tga.height = static_cast<u16>(tile.height);
        tga.depth = opaque ? 24 : 32;
        tga.descriptor = opaque ? 0 : 8;   // bottom-left origin; 8 alpha bits
        tga.pixels = opaque ? rowsBottomFirst(tile, {2, 1, 0}) : rowsBottomFirst(tile, {2, 1, 0, 3});
        return ImageWriters::tga(tga);
    }
    if (format == "bmp") {
        ImageWriters::BmpImage bmp;
        bmp.width = tile.width;
        bmp.height = static_cast<s32>(tile.height);
        bmp.bitCount = opaque ? 24 : 32;
        bmp.rows = opaque ? rowsBottomFirst(tile, {2, 1, 0}) : rowsBottomFirst(tile, {2, 1, 0, 3});
        return ImageWriters::bmp(bmp);
    }
    if (format == "pvr") {
        ImageWriters::PvrImage pvr;
        pvr.width = tile.width;
        pvr.height = tile.height;
        pvr.flags = 0x19;   // PVRTC, 4 bits a pixel
        pvr.bitsPerPixel = 4;
        pvr.alphaMask = opaque ? 0 : 1;
        pvr.surface = pvrtc4(tile);
        return ImageWriters::pvr(pvr);
    }
    return Bytes();
}

// ---- the file ------------------------------------------------------------------

u32 headerSize(const File& file)
{
    return 6 + 4 + 1 + static_cast<u32>(std::min<size_t>(file.format.size(), 255)) + 7 * 4;
}

u32 tableSize(const File& file)
{
    return static_cast<u32>(tables(file, 0).size());
}

Bytes serialize(const File& file)
{
    Bytes out = tables(file, tableSize(file));
    for (const FaceRun& run : file.faces)
        for (const TileEntry& tile : run.tiles)
            putImage(out, tile);
    for (const Animation& animation : file.animations)
        for (const Frame& frame : animation.frames)
            for (u32 g = 0; g < animation.groupCount && g < frame.groups.size(); ++g)
                for (const TileEntry& tile : frame.groups[g].tiles)
                    putImage(out, tile);
    return out;
}

bool build(const Source& source, File& file, std::string& error)
{
    if (!isTileFormat(source.format)) {
        error = text("unknown tile format \"%s\" (png, jpeg, jpeg.zlib, tga, bmp or pvr)", source.format.c_str());
        return false;
    }
    if (source.quality < 1 || source.quality > 100) {
        error = text("JPEG quality %d is outside 1 to 100", source.quality);
        return false;
    }
    if (!checkFaces(source, error))
        return false;
    const u32 side = source.faces[0].width;
    const u32 tile = source.tileSize != 0 ? source.tileSize : std::min(side, kMaxTileSize);
    if (!checkTileGrid(side, tile, "the tile size", error))
        return false;
    const u32 grid = side / tile;
    const u32 animationGrid = source.animationGrid != 0 ? source.animationGrid : grid;
    if (!isPowerOfTwo(animationGrid) || animationGrid > side) {
        error = text("the animation grid of %u cells does not cut the %u-pixel faces into equal power-of-two "
                     "tiles",
                     animationGrid, side);
        return false;
    }
    if (!checkTileGrid(side, side / animationGrid, "the animation tile size", error))
        return false;
    const u32 pickGrid = source.pickGrid != 0 ? source.pickGrid : grid;
    if (pickGrid > 0xFFFF) {
        error = text("the pick grid of %u cells is larger than 65535", pickGrid);
        return false;
    }

    File made;
    made.signature = source.signature;
    made.format = source.format;
    made.cubeColumns = made.cubeRows = grid;
    made.animationColumns = made.animationRows = animationGrid;
    made.pickColumns = made.pickRows = pickGrid;
    for (u32 f = 0; f < 6; ++f) {
        FaceRun run;
        run.face = static_cast<u8>(f);
        run.tiles = cutFace(source.faces[f], grid, source.format, source.quality, true);
        made.faces.push_back(std::move(run));
    }
    if (!buildAnimations(source, animationGrid, pickGrid, made, error))
        return false;
    file = std::move(made);
    return true;
}

bool write(const Source& source, Bytes& out, std::string& error)
{
    File file;
    if (!build(source, file, error))
        return false;
    Bytes bytes = serialize(file);
    if (bytes.size() > 0xFFFFFFFFu) {
        error = "the panorama would be larger than 4 GiB, which its offsets cannot address";
        return false;
    }
    out = std::move(bytes);
    return true;
}

} // namespace WarpWriter

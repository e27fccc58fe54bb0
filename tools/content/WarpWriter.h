#ifndef KY_CONTENT_WARP_WRITER_H
#define KY_CONTENT_WARP_WRITER_H

#include "core/KyTypes.h"

#include <string>
#include <utility>
#include <vector>

class KyImg;

// Writer of ".wp" panorama files: six face pictures (and optional animation
// frames drawn over them, with their clickable cells) cut into tiles, each
// tile encoded in one of the picture formats the panorama reader knows.
// The panorama writer tool is a command line over this code; tests,
// benchmarks and the sample game's build call it directly.
//
// Faces, by index: 0 top, 1 bottom, 2 back, 3 front (straight ahead at yaw
// 0), 4 right, 5 left. Each face picture is seen from the cube's centre:
// the pictures of faces 2 to 5 stand upright; the top and bottom pictures
// stand upright as seen while facing the back face (the top picture's upper
// edge toward the front face, the bottom picture's toward the back face).
namespace WarpWriter {

typedef std::vector<u8> Bytes;

// A picture in memory: red, green, blue, alpha bytes, rows bottom row first
// (as the engine's images store them).
struct Picture {
    u32 width = 0;
    u32 height = 0;
    Bytes rgba;

    bool isEmpty() const { return width == 0 || height == 0; }
    // Every alpha byte is 255.
    bool isOpaque() const;
    // Some alpha byte is not 0.
    bool hasVisiblePixel() const;
    // The block of w x h pixels whose lower left corner is (x, y); the block
    // must lie inside the picture.
    Picture crop(u32 x, u32 y, u32 w, u32 h) const;
    // Draws other (same size) over this picture where other is not wholly
    // transparent: its pixels with alpha above 0 replace these.
    void drawOver(const Picture& other);
    static Picture filled(u32 width, u32 height, u8 red, u8 green, u8 blue, u8 alpha);
};

// Turns an engine image (paletted, 16-bit, RGB, RGBA or grey) into a
// picture; false, with the reason in error, for any other kind.
bool fromImage(const KyImg& image, Picture& out, std::string& error);
// Reads a picture file with the engine's image readers, chosen by the
// name's ending (".png", ".jpg"/".jpeg", ".jpg.zlib"/".jpeg.zlib", ".bmp",
// ".tga", ".pvr"); false with the reason in error.
bool readPicture(const std::string& path, Picture& out, std::string& error);

// The tile formats: "png", "jpeg" (colour and alpha JPEG pictures back to
// back), "jpeg.zlib" (the same, each zlib-wrapped), "tga", "bmp" and "pvr"
// (zlib-wrapped PVRTC, 4 bits a pixel).
const std::vector<std::string>& tileFormats();
bool isTileFormat(const std::string& format);
// The bytes of one tile in a format; quality (1 to 100) is the JPEG
// quality. Opaque tiles are stored without alpha where the format allows.
Bytes encodeTile(const Picture& tile, const std::string& format, int quality = 90);
// PVRTC 4 bits a pixel of a picture of at least 8 x 8 pixels whose sides
// are powers of two: 8 bytes a 4 x 4 block, blocks in twiddled order.
Bytes pvrtc4(const Picture& picture);

// ---- the file as stored ----------------------------------------------------

typedef std::pair<u16, u16> Cell;   // column, row

struct TileEntry {
    u16 column = 0;
    u16 row = 0;
    Bytes image;
};

struct FaceRun {
    u8 face = 0;
    std::vector<TileEntry> tiles;
};

// A group of tiles of one face in a frame, with the cells of the pick grid
// that make the frame clickable there. A group without tiles is stored as a
// zero tile count alone, so it cannot carry pick cells.
struct Group {
    u8 face = 0;
    std::vector<TileEntry> tiles;
    std::vector<Cell> picks;
};

struct Frame {
    std::vector<Group> groups;
};

struct Animation {
    std::string name;        // 4 bytes exactly
    u8 groupCount = 0;       // groups stored per frame; missing ones are empty
    std::vector<Frame> frames;
};

struct File {
    std::string signature = "KYWARP";   // 6 bytes (cut or padded with NULs)
    std::string format = "png";
    u32 cubeColumns = 1;
    u32 cubeRows = 1;
    u32 animationColumns = 1;
    u32 animationRows = 1;
    u32 pickColumns = 1;
    u32 pickRows = 1;
    std::vector<FaceRun> faces;
    std::vector<Animation> animations;
};

// Bytes of the header: signature, data base, format length and name, the
// seven grid and count words.
u32 headerSize(const File& file);
// Bytes of the tables (everything before the first picture): the data
// base written into the file.
u32 tableSize(const File& file);
// The file: tables, then every picture in table order. Picture offsets are
// counted from the end of the tables.
Bytes serialize(const File& file);

// ---- what the tool takes -----------------------------------------------------

// A face-sized picture drawn over one face in a frame; wholly transparent
// tiles of it are left out.
struct Layer {
    u32 face = 0;
    Picture picture;
};

// Clickable cells of the pick grid on one face in a frame: the cells given,
// and with opaque set also every cell under a visible pixel of the frame's
// layers on that face.
struct PickCells {
    u32 face = 0;
    bool opaque = false;
    std::vector<Cell> cells;
};

struct FrameSource {
    std::vector<Layer> layers;
    std::vector<PickCells> picks;
};

struct AnimationSource {
    std::string name;
    std::vector<FrameSource> frames;
};

struct Source {
    Picture faces[6];
    std::string format = "png";
    // Tile side in pixels; 0 takes the face size, at most 256.
    u32 tileSize = 0;
    int quality = 90;
    // Columns (= rows) of the grid that places animation tiles; 0 takes
    // the face grid.
    u32 animationGrid = 0;
    // Columns (= rows) of the pick grid; 0 takes the face grid.
    u32 pickGrid = 0;
    std::vector<AnimationSource> animations;
    std::string signature = "KYWARP";
};

// Checks the source (six faces of one square power-of-two size, the tile
// side a power of two of at least 8 pixels dividing it, known format and
// quality, sound animations) and cuts it into a file. False with a message
// saying what is wrong; the file is then left as it was.
bool build(const Source& source, File& file, std::string& error);
// build, then serialize.
bool write(const Source& source, Bytes& out, std::string& error);

} // namespace WarpWriter

#endif

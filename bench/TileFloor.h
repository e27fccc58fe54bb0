#ifndef BENCH_TILE_FLOOR_H
#define BENCH_TILE_FLOOR_H

// The floor a panorama's figures are measured against: plain code over the
// libraries the engine uses (stdio, libpng, OpenGL), written here and not in
// the engine. It reads the cube tiles of a ".wp" file (only the header and
// the tile table, then each tile's PNG from its offset), decodes them with
// libpng on one thread, makes one texture of each and draws them as
// textured quads from the cube's centre with a 60-degree view, as the game
// shows a scene. Only "png" panoramas, as the sample game writes them.
//
// Every call leaves the OpenGL state as it found it, so the floor can run
// between two frames of the game in the game's own context.

#include <GL/gl.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace tilefloor {

struct Tile {
    uint32_t face = 0;
    uint32_t column = 0;
    uint32_t row = 0;
    uint32_t offset = 0;
};

struct Table {
    std::string format;
    uint32_t columns = 0;
    uint32_t rows = 0;
    std::vector<Tile> tiles;
};

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 0;
    std::vector<uint8_t> pixels;
};

inline bool readU32(std::FILE* f, uint32_t& v)
{
    uint8_t b[4];
    if (std::fread(b, 1, 4, f) != 4)
        return false;
    v = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

inline bool readU16(std::FILE* f, uint32_t& v)
{
    uint8_t b[2];
    if (std::fread(b, 1, 2, f) != 2)
        return false;
    v = uint32_t(b[0]) | uint32_t(b[1]) << 8;
    return true;
}

// The header and the cube's tile table.
inline bool readTable(std::FILE* f, Table& table)
{
    uint8_t signature[6];
    uint32_t base = 0;
    if (std::fread(signature, 1, 6, f) != 6 || !readU32(f, base))
        return false;
    const int length = std::fgetc(f);
    if (length < 0)
        return false;
    table.format.assign(size_t(length), '\0');
    if (length > 0 && std::fread(&table.format[0], 1, size_t(length), f) != size_t(length))
        return false;
    uint32_t grid[7];
    for (uint32_t& v : grid) {
        if (!readU32(f, v))
            return false;
    }
    table.columns = grid[0];
    table.rows = grid[1];
    table.tiles.clear();
    for (uint32_t run = 0; run < 6; ++run) {
        const int face = std::fgetc(f);
        if (face < 0)
            return false;
        for (uint32_t i = 0; i < table.columns * table.rows; ++i) {
            Tile tile;
            tile.face = uint32_t(face);
            uint32_t offset = 0;
            if (!readU16(f, tile.column) || !readU16(f, tile.row) || !readU32(f, offset))
                return false;
            tile.offset = base + offset;
            table.tiles.push_back(tile);
        }
    }
    return true;
}

inline bool readTable(const std::string& path, Table& table)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    const bool ok = readTable(f, table);
    std::fclose(f);
    return ok;
}

// One 8-bit RGB or RGBA PNG at the file's current position, rows bottom
// first as OpenGL takes them.
inline bool decodePng(std::FILE* f, Picture& picture)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    const int type = png_get_color_type(png, info);
    if (png_get_bit_depth(png, info) != 8 || (type != PNG_COLOR_TYPE_RGB && type != PNG_COLOR_TYPE_RGB_ALPHA))
        png_error(png, "not an 8-bit RGB or RGBA picture");
    picture.width = png_get_image_width(png, info);
    picture.height = png_get_image_height(png, info);
    picture.channels = type == PNG_COLOR_TYPE_RGB ? 3 : 4;
    const size_t stride = size_t(picture.width) * picture.channels;
    picture.pixels.resize(stride * picture.height);
    rows.resize(picture.height);
    for (uint32_t y = 0; y < picture.height; ++y)
        rows[y] = picture.pixels.data() + stride * (picture.height - 1 - y);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// Reads and decodes every cube tile of the file.
inline bool decodeTiles(const std::string& path, const Table& table, std::vector<Picture>& pictures)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    pictures.assign(table.tiles.size(), Picture());
    bool ok = true;
    for (size_t i = 0; ok && i < table.tiles.size(); ++i)
        ok = std::fseek(f, long(table.tiles[i].offset), SEEK_SET) == 0 && decodePng(f, pictures[i]);
    std::fclose(f);
    return ok;
}

// The corners of a cell of a face of the cube of side 1000 around the
// origin, as the panorama places its tiles.
inline void cellCorners(const Tile& tile, uint32_t columns, uint32_t rows, float corners[4][3])
{
    const float w = 1000.0f / float(columns);
    const float h = 1000.0f / float(rows);
    const float l = w * float(tile.column) - 500.0f;
    const float b = h * float(tile.row) - 500.0f;
    const float across[4] = {l, l + w, l + w, l};
    const float up[4] = {b, b, b + h, b + h};
    for (int i = 0; i < 4; ++i) {
        const float u = across[i];
        const float v = up[i];
        const float faces[6][3] = {{-u, 500.0f, -v}, {-u, -500.0f, v}, {-u, v, 500.0f},
                                   {u, v, -500.0f},  {500.0f, v, u},   {-500.0f, v, -u}};
        std::memcpy(corners[i], faces[tile.face < 6 ? tile.face : 0], sizeof corners[i]);
    }
}

// The textures of a panorama's cube, drawn as textured quads.
class Cube {
public:
    Cube() = default;
    Cube(const Cube&) = delete;
    Cube& operator=(const Cube&) = delete;
    ~Cube() { release(); }

    void upload(const Table& table, const std::vector<Picture>& pictures)
    {
        release();
        m_table = &table;
        m_names.assign(pictures.size(), 0);
        glPushAttrib(GL_TEXTURE_BIT);
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glGenTextures(GLsizei(m_names.size()), m_names.data());
        for (size_t i = 0; i < pictures.size(); ++i) {
            const Picture& p = pictures[i];
            const GLenum layout = p.channels == 4 ? GL_RGBA : GL_RGB;
            glBindTexture(GL_TEXTURE_2D, m_names[i]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            glTexImage2D(GL_TEXTURE_2D, 0, GLint(layout), GLsizei(p.width), GLsizei(p.height), 0, layout,
                         GL_UNSIGNED_BYTE, p.pixels.data());
        }
        glPopClientAttrib();
        glPopAttrib();
    }

    // The cube seen from its centre, turned by yaw and pitch (degrees), in
    // a viewport of width x height with a vertical field of view of 60
    // degrees; nothing is cleared or finished here.
    void draw(int width, int height, float yaw, float pitch) const
    {
        if (!m_table)
            return;
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glViewport(0, 0, width, height);
        glMatrixMode(GL_TEXTURE);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        const double top = std::tan(60.0 * M_PI / 360.0);
        const double aspect = double(width) / double(height);
        glFrustum(-top * aspect, top * aspect, -top, top, 1.0, 4096.0);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glRotatef(-pitch, 1.0f, 0.0f, 0.0f);
        glRotatef(-yaw, 0.0f, 1.0f, 0.0f);
        glDisable(GL_DEPTH_TEST);
        glDepthMask(GL_FALSE);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        glDisable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        static const float coords[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
        for (size_t i = 0; i < m_names.size(); ++i) {
            float corners[4][3];
            cellCorners(m_table->tiles[i], m_table->columns, m_table->rows, corners);
            glBindTexture(GL_TEXTURE_2D, m_names[i]);
            glBegin(GL_QUADS);
            for (int c = 0; c < 4; ++c) {
                glTexCoord2fv(coords[c]);
                glVertex3fv(corners[c]);
            }
            glEnd();
        }
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_TEXTURE);
        glPopMatrix();
        glPopAttrib();
    }

    void release()
    {
        if (!m_names.empty())
            glDeleteTextures(GLsizei(m_names.size()), m_names.data());
        m_names.clear();
        m_table = nullptr;
    }

private:
    const Table* m_table = nullptr;
    std::vector<GLuint> m_names;
};

} // namespace tilefloor

#endif

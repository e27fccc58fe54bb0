#ifndef KY_WARP_BLOC_H
#define KY_WARP_BLOC_H

#include "core/KyColor.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyImgResult.h"

#include <memory>
#include <string>

class KyImg;
class KyStream;

// One textured square of a panorama: a cell of a cube face, or a cell of an
// animation frame drawn over the cube. The tile knows where its picture lies
// in the panorama file and decodes it into a texture only when asked, once.
//
// The cube is 1000 units wide, centred on the origin. Faces: 0 top (+y),
// 1 bottom (-y), 2 back (+z), 3 front (-z), 4 right (+x), 5 left (-x). Seen
// from the centre, the pictures of faces 2 to 5 stand upright, with column
// 0 on the left and row 0 at the bottom; the top and bottom pictures stand
// upright as seen while facing the back face (the top picture's upper edge
// lies toward the front face, the bottom picture's toward the back face).
class KyWarpBloc {
public:
    // Draws tiles one after another, each giving the pixels Render gives,
    // with the state they share set up once: the vertex and
    // texture-coordinate arrays stay on for the whole pass and texturing
    // (and the colour array) is switched only where a tile differs from the
    // one before, so a panorama's tiles do not switch them for every quad.
    // While blending is on and the colour opaque, opaque tiles are drawn
    // with blending off: blending them would give exactly their own pixels,
    // only slower (what lies behind is read for nothing). The state is as
    // it was when the pass ends, texturing off.
    class Pass {
    public:
        Pass();
        ~Pass();
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;

        void draw(const KyWarpBloc& tile);

    private:
        bool m_texturing;
        bool m_colors;
        // Opaque tiles may be drawn unblended; blending is on now.
        bool m_mayUnblend;
        bool m_blending;
    };

    // A tile's picture as read from the panorama file, before it becomes a
    // texture: the colour picture and, for the pair formats, the alpha
    // picture, with what the readers logged while reading them.
    struct Pictures {
        std::unique_ptr<KyImgResult> colour;
        std::unique_ptr<KyImgResult> alpha;
        bool seekFailed = false;
        std::string log;
    };

    // Face 6 (not placed), no texture, no corner colours.
    KyWarpBloc();
    KyWarpBloc(const KyWarpBloc& other);
    // Releases the texture.
    virtual ~KyWarpBloc();

    // Draws the quad: textured when a texture is loaded, untextured while
    // none is; a tile whose picture could not be had draws nothing.
    virtual void Render();
    // Releases its own texture and colours, then copies face, cell, image
    // position, a counted reference to the other's texture, the failed mark,
    // corners, texture coordinates, a copy of the other's colours (when it
    // has them) and the indices.
    virtual KyWarpBloc& operator=(const KyWarpBloc& other);
    // 0 when the texture pointers, corners and texture coordinates are the
    // same byte for byte; otherwise the sign of the first differing byte.
    virtual s32 compare(const KyWarpBloc& other) const;

    // Stores face and cell and builds the corners of cell (column, row) of
    // a face cut into columns x rows cells, with texture coordinates (0, 0),
    // (1, 0), (1, 1), (0, 1) and indices 0, 1, 3, 2. A face above 5 leaves
    // corners and texture coordinates as they were.
    void setFace(u32 face, u32 column, u32 row, u32 columns, u32 rows);
    // The four corners of a cell (see setFace); false, with the corners
    // untouched, for a face above 5. Pick quads use the same cells.
    static bool cellCorners(u32 face, u32 column, u32 row, u32 columns, u32 rows, KyVector3f32 corners[4]);

    // Decodes the tile's picture from the panorama file into its texture,
    // once: a tile that has a texture, or whose picture failed before,
    // returns at once. A seek or decode failure marks the tile failed (it
    // then draws nothing) and logs one line. The "jpeg" and "jpeg.zlib"
    // formats store two pictures back to back, colour then alpha.
    void LoadTexture(KyStream& stream, const KyString& format);
    // The reading half of LoadTexture: the pictures at position in the
    // stream (the alpha picture only after a colour picture that read). It
    // touches no tile and no OpenGL, so worker threads read tiles with it;
    // what the readers log is kept in the pictures.
    static void readPictures(KyStream& stream, u32 position, const KyString& format, Pictures& pictures);
    // The other half, on the main thread: the texture made from pictures
    // read for this tile, with the readers' messages and the failures
    // logged as LoadTexture logs them. Nothing when the tile has a texture
    // or failed before.
    void makeTexture(Pictures& pictures, const KyString& format);
    // Builds the RGBA picture of a colour picture (RGB or grey) and an alpha
    // picture (grey) of the same size. An alpha picture of another size or
    // kind, or none, gives alpha 255. False when the colour picture is
    // neither RGB nor grey.
    static bool mergeAlpha(const KyImg& colour, const KyImg* alpha, KyImg& rgba);

    // Sets one corner colour; the colours are made on first use, every
    // corner (0, 0, 0, 255). A corner above 3 is ignored.
    void setVertexColor(u32 corner, const KyColor& color);
    // Sets all four corner colours.
    void setColor(const KyColor& color);
    // Drops the texture reference; the tile may be decoded again.
    void releaseTexture();
    // Drops the corner colours, the texture and the failed mark.
    void reset();

    // Element accessors; indices above 3 are ignored (getters give zero).
    void setIndex(u32 i, u16 value);
    u16 index(u32 i) const { return i < 4 ? m_indices[i] : 0; }
    void setTexCoord(u32 i, f32 u, f32 v);
    f32 texCoordU(u32 i) const { return i < 4 ? m_texCoords[i][0] : 0.0f; }
    f32 texCoordV(u32 i) const { return i < 4 ? m_texCoords[i][1] : 0.0f; }
    void setCorner(u32 i, const KyVector3f32& corner);
    KyVector3f32 corner(u32 i) const;
    bool hasColors() const { return m_colors != nullptr; }
    KyColor vertexColor(u32 corner) const;

    bool hasTexture() const { return m_texture.get() != nullptr; }
    // Whether the tile covers what lies behind it whatever the blending: a
    // texture whose picture has no transparent pixel (nor padding), and no
    // corner colours.
    bool isOpaque() const { return m_opaque && m_texture.get() != nullptr && !m_colors; }
    // Whether every pixel of a picture is fully opaque: RGB, a palette of
    // RGB entries, or RGBA whose alpha bytes are all 255.
    static bool isOpaquePicture(const KyImg& picture);
    const KyIntrusivePtr<Ky3DTexture>& texture() const { return m_texture; }
    // True once decoding the picture failed; cleared by reset.
    bool hasFailed() const { return m_failed; }

    u32 face() const { return m_face; }
    u32 column() const { return m_column; }
    u32 row() const { return m_row; }
    // Offset of the picture from the start of the panorama file.
    u32 imagePosition() const { return m_imagePosition; }
    void setImagePosition(u32 position) { m_imagePosition = position; }

private:
    // Marks the tile failed and logs the reason once.
    void fail(const char* message);

    u32 m_face;
    u32 m_column;
    u32 m_row;
    u32 m_imagePosition;
    KyIntrusivePtr<Ky3DTexture> m_texture;
    f32 m_corners[4][3];
    f32 m_texCoords[4][2];
    std::unique_ptr<KyColor[]> m_colors;
    u16 m_indices[4];
    bool m_failed;
    // The texture's picture had no transparent pixel.
    bool m_opaque;
};

#endif

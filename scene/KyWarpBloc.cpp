#include "scene/KyWarpBloc.h"

#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "os/KyOsLog.h"
#include "platform/KyImg.h"
#include "platform/KyRenderer.h"

#include <GL/gl.h>

#include <cstring>

namespace {

const u16 kStripIndices[4] = {0, 1, 3, 2};
const f32 kTexCoords[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};

// Image formats whose tiles hold a colour picture followed by an alpha
// picture.
bool isPairFormat(const KyString& format)
{
    return format == "jpeg" || format == "jpeg.zlib";
}

s32 sign(int v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

} // namespace

KyWarpBloc::KyWarpBloc()
    : m_face(6), m_column(0), m_row(0), m_imagePosition(0), m_failed(false), m_opaque(false)
{
    std::memset(m_corners, 0, sizeof m_corners);
    std::memcpy(m_texCoords, kTexCoords, sizeof m_texCoords);
    std::memcpy(m_indices, kStripIndices, sizeof m_indices);
}

KyWarpBloc::KyWarpBloc(const KyWarpBloc& other) : KyWarpBloc()
{
    *this = other;
}

KyWarpBloc::~KyWarpBloc() {}

KyWarpBloc& KyWarpBloc::operator=(const KyWarpBloc& other)
{
    if (&other == this)
        return *this;
    m_texture.reset();
    m_colors.reset();
    m_face = other.m_face;
    m_column = other.m_column;
    m_row = other.m_row;
    m_imagePosition = other.m_imagePosition;
    m_texture = other.m_texture;
    m_failed = other.m_failed;
    m_opaque = other.m_opaque;
    std::memcpy(m_corners, other.m_corners, sizeof m_corners);
    std::memcpy(m_texCoords, other.m_texCoords, sizeof m_texCoords);
    if (other.m_colors) {
        m_colors.reset(new KyColor[4]);
        for (u32 i = 0; i < 4; ++i)
            m_colors[i] = other.m_colors[i];
    }
    std::memcpy(m_indices, other.m_indices, sizeof m_indices);
    return *this;
}

s32 KyWarpBloc::compare(const KyWarpBloc& other) const
{
    const Ky3DTexture* mine = m_texture.get();
    const Ky3DTexture* theirs = other.m_texture.get();
    int c = std::memcmp(&mine, &theirs, sizeof mine);
    if (c == 0)
        c = std::memcmp(m_corners, other.m_corners, sizeof m_corners);
    if (c == 0)
        c = std::memcmp(m_texCoords, other.m_texCoords, sizeof m_texCoords);
    return sign(c);
}

bool KyWarpBloc::cellCorners(u32 face, u32 column, u32 row, u32 columns, u32 rows, KyVector3f32 corners[4])
{
    if (face > 5)
        return false;
    const f32 w = 1000.0f / f32(columns);
    const f32 h = 1000.0f / f32(rows);
    const f32 l = w * f32(column) - 500.0f;
    const f32 r = l + w;
    const f32 b = h * f32(row) - 500.0f;
    const f32 t = b + h;
    // Corners 0 to 3 run (left, bottom), (right, bottom), (right, top),
    // (left, top) in the face's own picture.
    const f32 across[4] = {l, r, r, l};
    const f32 up[4] = {b, b, t, t};
    for (u32 i = 0; i < 4; ++i) {
        const f32 u = across[i];
        const f32 v = up[i];
        switch (face) {
        case 0: corners[i] = KyVector3f32(-u, 500.0f, -v); break;
        case 1: corners[i] = KyVector3f32(-u, -500.0f, v); break;
        case 2: corners[i] = KyVector3f32(-u, v, 500.0f); break;
        case 3: corners[i] = KyVector3f32(u, v, -500.0f); break;
        case 4: corners[i] = KyVector3f32(500.0f, v, u); break;
        default: corners[i] = KyVector3f32(-500.0f, v, -u); break;
        }
    }
    return true;
}

void KyWarpBloc::setFace(u32 face, u32 column, u32 row, u32 columns, u32 rows)
{
    m_face = face;
    m_column = column;
    m_row = row;
    KyVector3f32 corners[4];
    if (cellCorners(face, column, row, columns, rows, corners)) {
        for (u32 i = 0; i < 4; ++i)
            setCorner(i, corners[i]);
        std::memcpy(m_texCoords, kTexCoords, sizeof m_texCoords);
    }
    std::memcpy(m_indices, kStripIndices, sizeof m_indices);
}

void KyWarpBloc::fail(const char* message)
{
    m_failed = true;
    logPrint("%s", message);
}

bool KyWarpBloc::mergeAlpha(const KyImg& colour, const KyImg* alpha, KyImg& rgba)
{
    const s32 kind = colour.format();
    if ((kind != 5 && kind != 12) || colour.pixels() == nullptr)
        return false;
    const u32 width = colour.width();
    const u32 height = colour.height();
    const u64 count = u64(width) * height;
    if (colour.allocatedBytes() < count * (kind == 5 ? 3 : 1))
        return false;
    const u8* mask = nullptr;
    if (alpha && alpha->format() == 12 && alpha->width() == width && alpha->height() == height &&
        alpha->pixels() != nullptr && alpha->allocatedBytes() >= count)
        mask = alpha->pixels();

    u8* out = rgba.create(6, width, height, KyIntrusivePtr<KyPalette>());
    if (out == nullptr && count > 0)
        return false;
    const u8* in = colour.pixels();
    for (u64 i = 0; i < count; ++i) {
        if (kind == 5) {
            out[4 * i] = in[3 * i];
            out[4 * i + 1] = in[3 * i + 1];
            out[4 * i + 2] = in[3 * i + 2];
        } else {
            out[4 * i] = out[4 * i + 1] = out[4 * i + 2] = in[i];
        }
        out[4 * i + 3] = mask ? mask[i] : 255;
    }
    return true;
}

void KyWarpBloc::LoadTexture(KyStream& stream, const KyString& format)
{
    if (m_texture || m_failed)
        return;
    Pictures pictures;
    readPictures(stream, m_imagePosition, format, pictures);
    makeTexture(pictures, format);
}

void KyWarpBloc::readPictures(KyStream& stream, u32 position, const KyString& format, Pictures& pictures)
{
    KyOsLog::Capture capture(pictures.log);
    if (!stream.seek(position)) {
        pictures.seekFailed = true;
        return;
    }
    const KyString type = format.toLower();
    pictures.colour = KyImg::read(type, &stream, KyString());
    const KyImgResult* colour = pictures.colour.get();
    if (isPairFormat(format) && colour && colour->format() != 13 && colour->pixels())
        pictures.alpha = KyImg::read(type, &stream, KyString());
}

void KyWarpBloc::makeTexture(Pictures& pictures, const KyString& format)
{
    if (m_texture || m_failed)
        return;
    if (!pictures.log.empty())
        logPrint("%s", pictures.log.c_str());
    if (pictures.seekFailed) {
        fail("KyWarpBloc::LoadTexture: seek error\n");
        return;
    }
    KyImg colour;
    colour.takePicture(pictures.colour.get());
    if (colour.format() == 13 || colour.pixels() == nullptr) {
        fail("KyWarpBloc::LoadTexture: decode error\n");
        return;
    }
    const KyImg* picture = &colour;
    KyImg merged;
    if (isPairFormat(format)) {
        KyImg alpha;
        alpha.takePicture(pictures.alpha.get());
        if (!mergeAlpha(colour, &alpha, merged)) {
            fail("KyWarpBloc::LoadTexture: decode error\n");
            return;
        }
        picture = &merged;
    }
    KyIntrusivePtr<Ky3DTexture> texture(new Ky3DTexture);
    texture->load(*picture);
    m_texture = texture;
    // A picture padded to its texture's size would show its transparent
    // padding.
    m_opaque = isOpaquePicture(*picture) && texture->imageWidth() == texture->textureWidth() &&
               texture->imageHeight() == texture->textureHeight();
}

bool KyWarpBloc::isOpaquePicture(const KyImg& picture)
{
    const u8* pixels = picture.pixels();
    switch (picture.format()) {
    case 5:
        return pixels != nullptr;
    case 0:
        return pixels != nullptr && picture.palette() && picture.palette()->format() == 2;
    case 6: {
        const u64 count = u64(picture.width()) * picture.height();
        if (!pixels || picture.allocatedBytes() < count * 4)
            return false;
        for (u64 i = 0; i < count; ++i) {
            if (pixels[4 * i + 3] != 255)
                return false;
        }
        return true;
    }
    default:
        return false;
    }
}

void KyWarpBloc::Render()
{
    Pass pass;
    pass.draw(*this);
}

KyWarpBloc::Pass::Pass() : m_texturing(false), m_colors(false), m_mayUnblend(false), m_blending(false)
{
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    if (glIsEnabled(GL_BLEND)) {
        GLfloat colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        glGetFloatv(GL_CURRENT_COLOR, colour);
        m_mayUnblend = colour[3] >= 1.0f;
        m_blending = true;
    }
}

KyWarpBloc::Pass::~Pass()
{
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (m_colors)
        glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (m_texturing)
        KySingleton<KyRenderer>::instance()->disableTexture();
    if (m_mayUnblend && !m_blending)
        glEnable(GL_BLEND);
}

void KyWarpBloc::Pass::draw(const KyWarpBloc& tile)
{
    if (tile.m_failed)
        return;
    const bool textured = tile.m_texture.get() != nullptr;
    if (textured && !m_texturing)
        KySingleton<KyRenderer>::instance()->enableTexture();
    else if (!textured && m_texturing)
        KySingleton<KyRenderer>::instance()->disableTexture();
    m_texturing = textured;
    if (textured)
        tile.m_texture->bind();
    if (m_mayUnblend && m_blending == tile.isOpaque()) {
        m_blending = !m_blending;
        m_blending ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
    }
    const bool colors = tile.m_colors != nullptr;
    if (colors != m_colors)
        colors ? glEnableClientState(GL_COLOR_ARRAY) : glDisableClientState(GL_COLOR_ARRAY);
    m_colors = colors;
    glVertexPointer(3, GL_FLOAT, 12, tile.m_corners);
    if (colors)
        glColorPointer(4, GL_UNSIGNED_BYTE, 4, tile.m_colors.get());
    glTexCoordPointer(2, GL_FLOAT, 8, tile.m_texCoords);
    glDrawElements(GL_TRIANGLE_STRIP, 4, GL_UNSIGNED_SHORT, tile.m_indices);
}

void KyWarpBloc::setVertexColor(u32 corner, const KyColor& color)
{
    if (corner > 3)
        return;
    if (!m_colors) {
        m_colors.reset(new KyColor[4]);
        for (u32 i = 0; i < 4; ++i)
            m_colors[i] = KyColor(0, 0, 0, 255);
    }
    m_colors[corner] = color;
}

void KyWarpBloc::setColor(const KyColor& color)
{
    for (u32 i = 0; i < 4; ++i)
        setVertexColor(i, color);
}

KyColor KyWarpBloc::vertexColor(u32 corner) const
{
    if (!m_colors || corner > 3)
        return KyColor(0, 0, 0, 255);
    return m_colors[corner];
}

void KyWarpBloc::releaseTexture()
{
    m_texture.reset();
}

void KyWarpBloc::reset()
{
    m_colors.reset();
    m_texture.reset();
    m_failed = false;
    m_opaque = false;
}

void KyWarpBloc::setIndex(u32 i, u16 value)
{
    if (i < 4)
        m_indices[i] = value;
}

void KyWarpBloc::setTexCoord(u32 i, f32 u, f32 v)
{
    if (i > 3)
        return;
    m_texCoords[i][0] = u;
    m_texCoords[i][1] = v;
}

void KyWarpBloc::setCorner(u32 i, const KyVector3f32& corner)
{
    if (i > 3)
        return;
    m_corners[i][0] = corner.x;
    m_corners[i][1] = corner.y;
    m_corners[i][2] = corner.z;
}

KyVector3f32 KyWarpBloc::corner(u32 i) const
{
    if (i > 3)
        return KyVector3f32(0.0f, 0.0f, 0.0f);
    return KyVector3f32(m_corners[i][0], m_corners[i][1], m_corners[i][2]);
}

#include "platform/Ky3DTexture.h"

#include "core/KyPath.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "platform/KyImg.h"
#include "platform/KyPalette.h"
#include "platform/KyRenderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Pixel rows handed to OpenGL are tightly packed: an RGB row of any width
// has no alignment bytes. The caller's unpack state is put back afterwards.
class TightUnpack {
public:
    explicit TightUnpack(s32 rowLength = 0)
    {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &m_alignment);
        glGetIntegerv(GL_UNPACK_ROW_LENGTH, &m_rowLength);
        glGetIntegerv(GL_UNPACK_SKIP_ROWS, &m_skipRows);
        glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &m_skipPixels);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    }
    ~TightUnpack()
    {
        glPixelStorei(GL_UNPACK_ALIGNMENT, m_alignment);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, m_rowLength);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, m_skipRows);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, m_skipPixels);
    }
    TightUnpack(const TightUnpack&) = delete;
    TightUnpack& operator=(const TightUnpack&) = delete;

private:
    GLint m_alignment = 4;
    GLint m_rowLength = 0;
    GLint m_skipRows = 0;
    GLint m_skipPixels = 0;
};

// Bytes a texel of the texture takes for an image format and its palette:
// 3 (GL_RGB) or 4 (GL_RGBA); 0 when the image gives no picture. A paletted
// image needs a palette holding RGB or RGBA entries.
u32 texelBytes(const KyImg& image)
{
    switch (image.format()) {
    case 0: {
        const KyPalette* palette = image.palette();
        if (!palette || !palette->data())
            return 0;
        if (palette->format() == 2)
            return 3;
        if (palette->format() == 3)
            return 4;
        return 0;
    }
    case 5:
        return 3;
    case 6:
        return 4;
    default:
        return 0;
    }
}

// True when the image really holds width x height pixels of its format.
bool holdsPicture(const KyImg& image)
{
    if (!image.pixels())
        return false;
    u64 needed = u64(image.width()) * image.height() * KyImg::storageBytesPerPixel(image.format());
    return needed > 0 && image.allocatedBytes() >= needed;
}

// Writes the picture rows (width x height, each pixel texel bytes wide once
// expanded) into target, whose rows are targetWidth texels long. Palette
// indices are expanded through their entries; direct pixels are copied.
void placePicture(const KyImg& image, u32 width, u32 height, u32 texel, u8* target, u32 targetWidth)
{
    const u8* source = image.pixels();
    const u32 sourceWidth = image.width();
    const KyPalette* palette = image.format() == 0 ? image.palette() : nullptr;
    for (u32 row = 0; row < height; ++row) {
        u8* out = target + u64(row) * targetWidth * texel;
        if (!palette) {
            std::memcpy(out, source + u64(row) * sourceWidth * texel, u64(width) * texel);
            continue;
        }
        const u8* indices = source + u64(row) * sourceWidth;
        const u8* entries = palette->data();
        for (u32 column = 0; column < width; ++column)
            std::memcpy(out + u64(column) * texel, entries + u32(indices[column]) * texel, texel);
    }
}

// Sets a rectangle of the bound texture to zero bytes, in pieces of at most
// the size of one block of zeros.
void clearRectangle(u32 x, u32 y, u32 width, u32 height, GLenum layout, u32 texel)
{
    static const u8 zeros[64 * 1024] = {};
    if (width == 0 || height == 0)
        return;
    const u32 columns = std::min<u32>(width, u32(sizeof zeros) / texel);
    const u32 rows = std::max<u32>(1, u32(sizeof zeros) / (columns * texel));
    for (u32 top = 0; top < height; top += rows) {
        for (u32 left = 0; left < width; left += columns) {
            glTexSubImage2D(GL_TEXTURE_2D, 0, GLint(x + left), GLint(y + top), GLsizei(std::min(columns, width - left)),
                            GLsizei(std::min(rows, height - top)), layout, GL_UNSIGNED_BYTE, zeros);
        }
    }
}

GLint maxTextureSize()
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

} // namespace

Ky3DTexture::Ky3DTexture()
    : m_imageWidth(0), m_imageHeight(0), m_textureWidth(0), m_textureHeight(0), m_borderWidth(0),
      m_borderHeight(0), m_offsetU(0.0f), m_offsetV(0.0f), m_scaleU(0.0f), m_scaleV(0.0f), m_format(0),
      m_textureName(0), m_created(0)
{
}

Ky3DTexture::~Ky3DTexture()
{
    deleteTexture();
}

void Ky3DTexture::load(const KyString& path)
{
    loadFromPath(path);
}

void Ky3DTexture::loadFromPath(const KyString& path)
{
    KyResourceManager* manager = KySingleton<KyResourceManager>::instance();
    KyIntrusivePtr<KyImg> image;
    if (manager)
        image = manager->getOrLoad<KyImg>(path);
    if (image) {
        load(image.get());
    } else {
        // No image behind the path: an empty texture, still under the name
        // it was asked for.
        deleteTexture();
        zeroSizes();
    }
    setPath(path + KyString(".3dtex"));
}

u32 Ky3DTexture::paddedSize(u32 size)
{
    if (size > 0x80000000u)
        return 0;
    u32 v = size - 1;
    v |= v >> 1;
    v |= v >> 2;
    v |= v >> 4;
    v |= v >> 8;
    v |= v >> 16;
    v += 1;
    return v < 8 ? 8 : v;
}

void Ky3DTexture::deleteTexture()
{
    if (m_created == 1) {
        GLuint name = m_textureName;
        glDeleteTextures(1, &name);
        m_textureName = 0;
    }
    m_created = 0;
}

void Ky3DTexture::zeroSizes()
{
    m_imageWidth = m_imageHeight = 0;
    m_textureWidth = m_textureHeight = 0;
    m_borderWidth = m_borderHeight = 0;
}

void Ky3DTexture::load(const KyIntrusivePtr<KyImg>& image)
{
    load(image.get());
}

void Ky3DTexture::load(const KyImg* image)
{
    deleteTexture();
    zeroSizes();
    if (!image)
        return;

    setPath(image->path() + KyString(".3dtex"));

    m_imageWidth = image->width();
    m_imageHeight = image->height();
    m_borderWidth = image->borderWidth();
    m_borderHeight = image->borderHeight();
    // An image without width or height has no border to crop.
    m_offsetU = m_imageWidth ? f32(m_borderWidth) / f32(m_imageWidth) : 0.0f;
    m_offsetV = m_imageHeight ? f32(m_borderHeight) / f32(m_imageHeight) : 0.0f;
    m_scaleU = 1.0f - 2.0f * m_offsetU;
    m_scaleV = 1.0f - 2.0f * m_offsetV;
    m_format = image->format();
    m_textureWidth = paddedSize(m_imageWidth);
    m_textureHeight = paddedSize(m_imageHeight);

    GLuint name = 0;
    glGenTextures(1, &name);
    m_textureName = name;
    glBindTexture(GL_TEXTURE_2D, name);
    m_created = 1;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    uploadPicture(*image);
}

void Ky3DTexture::uploadPicture(const KyImg& image)
{
    const u32 texel = texelBytes(image);
    if (texel == 0 || !holdsPicture(image))
        return;
    const GLint limit = maxTextureSize();
    if (m_textureWidth == 0 || m_textureHeight == 0 || limit <= 0 || m_textureWidth > u32(limit) ||
        m_textureHeight > u32(limit))
        return;

    const bool sameSize = m_textureWidth == m_imageWidth && m_textureHeight == m_imageHeight;
    const bool paletted = image.format() == 0;
    const GLenum layout = texel == 4 ? GL_RGBA : GL_RGB;
    TightUnpack unpack;
    if (sameSize && !paletted) {
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(layout), GLsizei(m_textureWidth), GLsizei(m_textureHeight), 0, layout,
                     GL_UNSIGNED_BYTE, image.pixels());
        return;
    }
    // The texture is made at its padded size, the picture placed in its
    // first rows and columns (in the image's row order) and the padding
    // cleared to zero, without a padded copy of the whole picture: a large
    // picture would otherwise be copied, and its copy's memory first
    // touched, for nothing but zeros.
    const u8* data = image.pixels();
    std::unique_ptr<u8[]> expanded;
    if (paletted) {
        expanded.reset(new (std::nothrow) u8[u64(m_imageWidth) * m_imageHeight * texel]);
        if (!expanded)
            return;
        placePicture(image, m_imageWidth, m_imageHeight, texel, expanded.get(), m_imageWidth);
        data = expanded.get();
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(layout), GLsizei(m_textureWidth), GLsizei(m_textureHeight), 0, layout,
                 GL_UNSIGNED_BYTE, nullptr);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(m_imageWidth), GLsizei(m_imageHeight), layout, GL_UNSIGNED_BYTE,
                    data);
    clearRectangle(m_imageWidth, 0, m_textureWidth - m_imageWidth, m_imageHeight, layout, texel);
    clearRectangle(0, m_imageHeight, m_textureWidth, m_textureHeight - m_imageHeight, layout, texel);
}

void Ky3DTexture::update(const KyIntrusivePtr<KyImg>& image)
{
    update(image.get());
}

void Ky3DTexture::update(const KyImg* image)
{
    if (!image || m_created != 1)
        return;
    // The new picture must be of the kind the texture was made for: a
    // different pixel size would be read across the wrong rows.
    if (image->format() != m_format || !holdsPicture(*image))
        return;
    u32 texel = 0;
    if (m_format == 0) {
        const KyPalette* palette = image->palette();
        if (palette && palette->data() && palette->format() == 3)
            texel = 4;
    } else if (m_format == 5) {
        texel = 3;
    } else if (m_format == 6) {
        texel = 4;
    }
    if (texel == 0)
        return;

    const u32 width = std::min(m_imageWidth, image->width());
    const u32 height = std::min(m_imageHeight, image->height());
    if (width == 0 || height == 0)
        return;

    bind();
    const GLenum layout = texel == 4 ? GL_RGBA : GL_RGB;
    if (m_format != 0) {
        TightUnpack unpack(s32(image->width()));
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(width), GLsizei(height), layout, GL_UNSIGNED_BYTE,
                        image->pixels());
        return;
    }
    // Paletted frames are expanded into rows exactly as wide as the
    // replaced rectangle.
    const u64 bytes = u64(width) * height * texel;
    u8* expanded = new (std::nothrow) u8[bytes];
    if (!expanded)
        return;
    placePicture(*image, width, height, texel, expanded, width);
    {
        TightUnpack unpack;
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(width), GLsizei(height), layout, GL_UNSIGNED_BYTE, expanded);
    }
    delete[] expanded;
}

void Ky3DTexture::bind()
{
    glBindTexture(GL_TEXTURE_2D, m_textureName);
    // Through the renderer, so that its record of the matrix mode (texture,
    // then model-view) and of the texture matrix stays right.
    KyRenderer* renderer = KySingleton<KyRenderer>::instance();
    if (renderer) {
        renderer->setMatrixMode(KyRenderer::Texture);
        renderer->loadIdentity();
        renderer->translate(m_offsetU, m_offsetV, 0.0f);
        renderer->scale(m_scaleU, m_scaleV, 1.0f);
        renderer->setMatrixMode(KyRenderer::ModelView);
    } else {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glTranslatef(m_offsetU, m_offsetV, 0.0f);
        glScalef(m_scaleU, m_scaleV, 1.0f);
        glMatrixMode(GL_MODELVIEW);
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void Ky3DTexture::copyFromFrameBuffer()
{
    if (m_created != 1)
        return;
    bind();
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, GLsizei(m_textureWidth), GLsizei(m_textureHeight));
}

void Ky3DTexture::unload()
{
    deleteTexture();
}

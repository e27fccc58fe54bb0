#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "core/KyString.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyImg.h"
#include "platform/KyPalette.h"
#include "platform/KyRenderer.h"
#include "tests/support/GLTestContext.h"
#include "tools/content/ImageWriters.h"
#include "tests/support/TempDir.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

using ImageWriters::Bytes;

namespace {

// The level-0 picture of the texture bound to GL_TEXTURE_2D, tightly packed.
Bytes readTexture(const Ky3DTexture& texture, GLenum layout)
{
    const u32 channels = layout == GL_RGBA ? 4 : 3;
    Bytes out(size_t(texture.textureWidth()) * texture.textureHeight() * channels, 0xCD);
    glBindTexture(GL_TEXTURE_2D, texture.textureName());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, layout, GL_UNSIGNED_BYTE, out.data());
    return out;
}

GLint levelParameter(const Ky3DTexture& texture, GLenum name)
{
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, texture.textureName());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &value);
    return value;
}

// An image of format 5 or 6 holding the given pixels.
void makeImage(KyImg& image, s32 format, u32 width, u32 height, const Bytes& pixels)
{
    u8* data = image.create(format, width, height, KyIntrusivePtr<KyPalette>());
    ASSERT_NE(data, nullptr);
    std::copy(pixels.begin(), pixels.end(), data);
}

KyIntrusivePtr<KyPalette> patternPalette(s32 format)
{
    KyIntrusivePtr<KyPalette> palette(new KyPalette);
    palette->allocate(format);
    Bytes bytes = ImageWriters::pattern(palette->byteSize(), 7);
    std::copy(bytes.begin(), bytes.end(), palette->data());
    return palette;
}

// Checks that the texture holds the picture (rows of width x channels
// bytes) in its low corner and zero bytes everywhere else.
void expectPadded(const Bytes& texels, u32 textureWidth, u32 textureHeight, const Bytes& picture, u32 width,
                  u32 height, u32 channels)
{
    u32 wrong = 0;
    for (u32 y = 0; y < textureHeight; ++y) {
        for (u32 x = 0; x < textureWidth * channels; ++x) {
            u8 expected = (y < height && x < width * channels) ? picture[size_t(y) * width * channels + x] : 0;
            if (texels[size_t(y) * textureWidth * channels + x] != expected && wrong++ < 5)
                ADD_FAILURE() << "texel byte (" << x << ", " << y << ")";
        }
    }
    EXPECT_EQ(wrong, 0u);
}

} // namespace

class Texture : public GLTest {};

TEST_F(Texture, RgbImageIsPaddedToPowersOfTwoWithZeros)
{
    KyImg image;
    image.setPath("Data/photo.png");
    Bytes picture = ImageWriters::pattern(300 * 200 * 3, 3);
    makeImage(image, 5, 300, 200, picture);

    Ky3DTexture texture;
    texture.load(&image);
    EXPECT_TRUE(texture.isCreated());
    EXPECT_EQ(texture.imageWidth(), 300u);
    EXPECT_EQ(texture.imageHeight(), 200u);
    EXPECT_EQ(texture.textureWidth(), 512u);
    EXPECT_EQ(texture.textureHeight(), 256u);
    EXPECT_EQ(texture.format(), 5);
    EXPECT_EQ(KyString(texture.path()), KyString("Data/photo.png.3dtex"));
    EXPECT_EQ(levelParameter(texture, GL_TEXTURE_WIDTH), 512);
    EXPECT_EQ(levelParameter(texture, GL_TEXTURE_HEIGHT), 256);
    EXPECT_EQ(levelParameter(texture, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);

    GLint filter = 0;
    GLint wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(filter, GL_LINEAR);
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);

    expectPadded(readTexture(texture, GL_RGB), 512, 256, picture, 300, 200, 3);
}

TEST_F(Texture, RowsOfAnyWidthUploadWhole)
{
    // 5 RGB pixels make 15-byte rows: a 4-byte unpack alignment would skew
    // every row after the first.
    for (s32 format : {5, 6}) {
        const u32 channels = format == 5 ? 3 : 4;
        KyImg image;
        Bytes picture = ImageWriters::pattern(5 * 3 * channels, 11);
        makeImage(image, format, 5, 3, picture);
        Ky3DTexture texture;
        texture.load(image);
        EXPECT_EQ(texture.textureWidth(), 8u);
        EXPECT_EQ(texture.textureHeight(), 8u);
        expectPadded(readTexture(texture, channels == 4 ? GL_RGBA : GL_RGB), 8, 8, picture, 5, 3, channels);

        // A power-of-two picture goes up as it is.
        KyImg square;
        Bytes squarePicture = ImageWriters::pattern(16 * 8 * channels, 12);
        makeImage(square, format, 16, 8, squarePicture);
        texture.load(square);
        EXPECT_EQ(texture.textureWidth(), 16u);
        EXPECT_EQ(readTexture(texture, channels == 4 ? GL_RGBA : GL_RGB), squarePicture);
    }
    // The caller's unpack alignment is left as it was.
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);
}

TEST(TextureSize, PaddedSizes)
{
    EXPECT_EQ(Ky3DTexture::paddedSize(0), 8u);
    EXPECT_EQ(Ky3DTexture::paddedSize(1), 8u);
    EXPECT_EQ(Ky3DTexture::paddedSize(8), 8u);
    EXPECT_EQ(Ky3DTexture::paddedSize(9), 16u);
    EXPECT_EQ(Ky3DTexture::paddedSize(300), 512u);
    EXPECT_EQ(Ky3DTexture::paddedSize(1024), 1024u);
    EXPECT_EQ(Ky3DTexture::paddedSize(0x80000000u), 0x80000000u);
    EXPECT_EQ(Ky3DTexture::paddedSize(0x80000001u), 0u);
}

TEST_F(Texture, PalettedPixelsAreExpandedThroughTheirEntries)
{
    // RGBA palette: every texel takes the four bytes of its entry.
    KyImg image;
    KyIntrusivePtr<KyPalette> rgba = patternPalette(3);
    u8* indices = image.create(0, 4, 4, rgba);
    ASSERT_NE(indices, nullptr);
    const u8 values[16] = {0, 1, 2, 255, 7, 9, 128, 3, 4, 5, 6, 7, 200, 100, 50, 25};
    std::copy(values, values + 16, indices);

    Ky3DTexture texture;
    texture.load(image);
    EXPECT_EQ(texture.textureWidth(), 8u);
    EXPECT_EQ(levelParameter(texture, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA);
    Bytes texels = readTexture(texture, GL_RGBA);
    // The fifth texel's index 7 takes palette bytes 28 to 31 (row 1, column 0).
    EXPECT_EQ(Bytes(texels.begin() + 8 * 4, texels.begin() + 8 * 4 + 4),
              Bytes(rgba->data() + 28, rgba->data() + 32));
    Bytes expanded;
    for (u8 v : values)
        expanded.insert(expanded.end(), rgba->data() + v * 4, rgba->data() + v * 4 + 4);
    expectPadded(texels, 8, 8, expanded, 4, 4, 4);

    // RGB palette: an RGB texture.
    KyIntrusivePtr<KyPalette> rgb = patternPalette(2);
    KyImg image2;
    u8* indices2 = image2.create(0, 3, 2, rgb);
    const u8 values2[6] = {255, 0, 17, 42, 1, 254};
    std::copy(values2, values2 + 6, indices2);
    texture.load(image2);
    EXPECT_EQ(levelParameter(texture, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    Bytes expanded2;
    for (u8 v : values2)
        expanded2.insert(expanded2.end(), rgb->data() + v * 3, rgb->data() + v * 3 + 3);
    expectPadded(readTexture(texture, GL_RGB), 8, 8, expanded2, 3, 2, 3);
}

TEST_F(Texture, NoPictureWithoutUsablePixels)
{
    // 16-bit palettes, a missing palette, a palette without colours and an
    // empty image give a texture object without a picture.
    KyIntrusivePtr<KyPalette> sixteen = patternPalette(0);
    KyIntrusivePtr<KyPalette> blank(new KyPalette);
    KyIntrusivePtr<KyPalette> none;
    for (KyPalette* palette : {sixteen.get(), blank.get(), none.get()}) {
        KyImg image;
        ASSERT_NE(image.create(0, 4, 4, KyIntrusivePtr<KyPalette>(palette)), nullptr);
        Ky3DTexture texture;
        texture.load(image);
        EXPECT_TRUE(texture.isCreated());
        EXPECT_TRUE(glIsTexture(texture.textureName()));
        EXPECT_EQ(levelParameter(texture, GL_TEXTURE_WIDTH), 0);
        texture.update(image);
    }

    KyImg empty;
    Ky3DTexture texture;
    texture.load(empty);
    EXPECT_TRUE(texture.isCreated());
    EXPECT_EQ(texture.format(), 13);
    EXPECT_EQ(texture.textureWidth(), 8u);
    EXPECT_EQ(texture.offsetU(), 0.0f);
    EXPECT_EQ(texture.scaleU(), 1.0f);
    EXPECT_EQ(levelParameter(texture, GL_TEXTURE_WIDTH), 0);

    // A null image only empties the texture.
    const u32 name = texture.textureName();
    texture.load(static_cast<const KyImg*>(nullptr));
    EXPECT_FALSE(texture.isCreated());
    EXPECT_FALSE(glIsTexture(name));
    texture.update(static_cast<const KyImg*>(nullptr));
    texture.copyFromFrameBuffer();
}

TEST_F(Texture, PvrBorderIsCroppedThroughTheTextureMatrix)
{
    ImageWriters::PvrImage pvr;
    pvr.width = 64;
    pvr.height = 64;
    pvr.flags = 0x19 | 0x800;
    pvr.bitsPerPixel = 4;
    pvr.alphaMask = 1;
    pvr.surface = ImageWriters::pattern(64 * 64 / 2, 5);
    KyString stream;
    ImageWriters::fillStream(stream, ImageWriters::pvr(pvr));
    KyImg image;
    image.loadFromStream(stream, "pvr");
    ASSERT_EQ(image.format(), 11);
    ASSERT_EQ(image.borderWidth(), 4u);

    Ky3DTexture texture;
    texture.load(image);
    EXPECT_EQ(texture.borderWidth(), 4u);
    EXPECT_EQ(texture.borderHeight(), 4u);
    EXPECT_FLOAT_EQ(texture.offsetU(), 0.0625f);
    EXPECT_FLOAT_EQ(texture.offsetV(), 0.0625f);
    EXPECT_FLOAT_EQ(texture.scaleU(), 0.875f);
    EXPECT_FLOAT_EQ(texture.scaleV(), 0.875f);
    // PVRTC: the texture object exists without a picture.
    EXPECT_TRUE(texture.isCreated());
    EXPECT_EQ(levelParameter(texture, GL_TEXTURE_WIDTH), 0);

    glBindTexture(GL_TEXTURE_2D, 0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    texture.bind();
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(u32(bound), texture.textureName());
    GLfloat m[16];
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    const GLfloat expected[16] = {0.875f, 0, 0, 0, 0, 0.875f, 0, 0, 0, 0, 1, 0, 0.0625f, 0.0625f, 0, 1};
    KyRenderer* renderer = KySingleton<KyRenderer>::instance();
    const KyMatrix4x4 record = renderer->currentMatrix(KyRenderer::Texture);
    const f32* recorded = record.data();
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(m[i], expected[i]) << "element " << i;
        EXPECT_FLOAT_EQ(recorded[i], expected[i]) << "recorded element " << i;
    }
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(renderer->matrixMode(), 1);
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);
}

TEST_F(Texture, TextureObjectsAreDeletedOnReloadUnloadAndDestruction)
{
    KyImg image;
    makeImage(image, 6, 2, 2, ImageWriters::pattern(16, 1));
    u32 first = 0;
    {
        Ky3DTexture texture;
        texture.load(image);
        first = texture.textureName();
        EXPECT_TRUE(glIsTexture(first));
        texture.load(image);
        EXPECT_FALSE(glIsTexture(first));
        const u32 second = texture.textureName();
        EXPECT_TRUE(glIsTexture(second));
        texture.unload();
        EXPECT_FALSE(texture.isCreated());
        EXPECT_FALSE(glIsTexture(second));
        EXPECT_EQ(texture.imageWidth(), 2u);
        texture.load(image);
        first = texture.textureName();
    }
    EXPECT_FALSE(glIsTexture(first));
}

TEST_F(Texture, UpdateReplacesThePictureInPlace)
{
    // RGB frames of an odd width.
    KyImg frame;
    makeImage(frame, 5, 5, 3, ImageWriters::pattern(45, 1));
    Ky3DTexture texture;
    texture.load(frame);
    Bytes next = ImageWriters::pattern(45, 2);
    makeImage(frame, 5, 5, 3, next);
    texture.update(frame);
    expectPadded(readTexture(texture, GL_RGB), 8, 8, next, 5, 3, 3);

    // An image of another pixel size is refused; a smaller one replaces
    // only the part it covers, a larger one only the texture's image part.
    KyImg rgba;
    makeImage(rgba, 6, 5, 3, ImageWriters::pattern(60, 3));
    texture.update(rgba);
    expectPadded(readTexture(texture, GL_RGB), 8, 8, next, 5, 3, 3);

    KyImg small;
    Bytes smallPixels = ImageWriters::pattern(2 * 2 * 3, 4);
    makeImage(small, 5, 2, 2, smallPixels);
    texture.update(small);
    Bytes expected = next;
    for (u32 y = 0; y < 2; ++y)
        std::copy(smallPixels.begin() + y * 6, smallPixels.begin() + y * 6 + 6, expected.begin() + y * 15);
    expectPadded(readTexture(texture, GL_RGB), 8, 8, expected, 5, 3, 3);

    KyImg large;
    Bytes largePixels = ImageWriters::pattern(7 * 4 * 3, 5);
    makeImage(large, 5, 7, 4, largePixels);
    texture.update(large);
    for (u32 y = 0; y < 3; ++y)
        std::copy(largePixels.begin() + y * 21, largePixels.begin() + y * 21 + 15, expected.begin() + y * 15);
    expectPadded(readTexture(texture, GL_RGB), 8, 8, expected, 5, 3, 3);
}

TEST_F(Texture, UpdateOfPalettedFramesExpandsTheImageRectangle)
{
    KyIntrusivePtr<KyPalette> palette = patternPalette(3);
    KyImg frame;
    u8* indices = frame.create(0, 3, 3, palette);
    for (u32 i = 0; i < 9; ++i)
        indices[i] = u8(i);
    Ky3DTexture texture;
    texture.load(frame);
    for (u32 i = 0; i < 9; ++i)
        indices[i] = u8(200 + i);
    texture.update(frame);
    Bytes expanded;
    for (u32 i = 0; i < 9; ++i)
        expanded.insert(expanded.end(), palette->data() + (200 + i) * 4, palette->data() + (200 + i) * 4 + 4);
    expectPadded(readTexture(texture, GL_RGBA), 8, 8, expanded, 3, 3, 4);

    // An RGB palette does not update a paletted texture.
    KyImg rgbFrame;
    u8* other = rgbFrame.create(0, 3, 3, patternPalette(2));
    std::fill(other, other + 9, 1);
    texture.update(rgbFrame);
    expectPadded(readTexture(texture, GL_RGBA), 8, 8, expanded, 3, 3, 4);
}

TEST_F(Texture, CopyFromFrameBufferTakesTheScreensLowCorner)
{
    KyImg image;
    makeImage(image, 6, 16, 8, Bytes(16 * 8 * 4, 0));
    Ky3DTexture texture;
    texture.load(image);

    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 4, 2);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    texture.copyFromFrameBuffer();
    Bytes texels = readTexture(texture, GL_RGBA);
    for (u32 y = 0; y < 8; ++y) {
        for (u32 x = 0; x < 16; ++x) {
            const u8* t = &texels[(y * 16 + x) * 4];
            const bool blue = x < 4 && y < 2;
            EXPECT_EQ(t[0], blue ? 0 : 255) << x << ", " << y;
            EXPECT_EQ(t[2], blue ? 255 : 0) << x << ", " << y;
        }
    }
}

TEST_F(Texture, LoadFromPathNamesTheTextureAfterTheImage)
{
    TempDir dir;
    ImageWriters::PngImage png;
    png.width = 3;
    png.height = 2;
    png.colorType = 6;
    png.rows = ImageWriters::pattern(3 * 2 * 4, 9);
    ASSERT_TRUE(dir.writeFile("x.png", ImageWriters::toString(ImageWriters::png(png))));
    const KyString path(dir.file("x.png").c_str());
    KyResourceManager* manager = KySingleton<KyResourceManager>::instance();

    Ky3DTexture texture;
    texture.loadFromPath(path);
    EXPECT_EQ(KyString(texture.path()), path + KyString(".3dtex"));
    EXPECT_EQ(texture.imageWidth(), 3u);
    EXPECT_EQ(texture.format(), 6);
    // The image was only borrowed: it left the manager with its last reference.
    EXPECT_EQ(manager->find<KyImg>(path), nullptr);
    // Rows are stored bottom row first, as the image holds them.
    Bytes texels = readTexture(texture, GL_RGBA);
    EXPECT_EQ(Bytes(texels.begin(), texels.begin() + 12), Bytes(png.rows.begin() + 12, png.rows.end()));

    // Through the resource manager: the request's path + ".3dtex".
    KyIntrusivePtr<Ky3DTexture> shared = manager->getOrLoad<Ky3DTexture>(path);
    ASSERT_TRUE(shared);
    EXPECT_EQ(manager->find<Ky3DTexture>(path + KyString(".3dtex")), shared.get());
    shared.reset();
    EXPECT_EQ(manager->find<Ky3DTexture>(path + KyString(".3dtex")), nullptr);

    // No image behind the path: an empty texture under the asked name.
    const KyString missing(dir.file("none.png").c_str());
    texture.loadFromPath(missing);
    EXPECT_FALSE(texture.isCreated());
    EXPECT_EQ(texture.imageWidth(), 0u);
    EXPECT_EQ(KyString(texture.path()), missing + KyString(".3dtex"));
}

#ifndef KY_3DTEXTURE_H
#define KY_3DTEXTURE_H

#include "core/KyIntrusivePtr.h"
#include "core/KyResource.h"
#include "core/KyString.h"
#include "core/KyTypes.h"

class KyImg;

// An OpenGL texture made from a KyImg. The picture is padded to power-of-two
// sizes (at least 8) and sits in the texture's low corner at (0, 0); paletted
// pixels are expanded to RGB or RGBA; an image border (PVR) is cropped
// through the texture matrix that bind() sets. Video frames replace the
// picture in place with update(), and copyFromFrameBuffer() takes it from the
// screen.
//
// A texture made from an image is named after it: its resource path is the
// image's path followed by ".3dtex". No file of that kind exists.
//
// Main thread only, with the OpenGL context current.
class Ky3DTexture : public KyResource {
public:
    // Every size 0, no texture object.
    Ky3DTexture();
    // Deletes the OpenGL texture when it exists.
    ~Ky3DTexture() override;

    // The resource manager's load: loadFromPath.
    void load(const KyString& path) override;
    // Loads the image of path through the resource manager, makes the
    // texture from it and names the texture path + ".3dtex". A path whose
    // image cannot be had leaves the texture empty (without a texture
    // object) under that name.
    virtual void loadFromPath(const KyString& path);
    // The image's pixel-format code.
    virtual s32 format() const { return m_format; }

    // Makes the OpenGL texture from the image; a texture made before is
    // deleted first. Formats 5 (RGB), 6 (RGBA) and 0 with an RGB or RGBA
    // palette give a picture; every other format (PVRTC among them), a
    // missing palette or missing pixels give a texture object without one.
    // A null image only empties the texture.
    void load(const KyImg* image);
    void load(const KyImg& image) { load(&image); }
    void load(const KyIntrusivePtr<KyImg>& image);

    // Replaces the picture of a texture made before by the image's pixels
    // (same format; RGBA palette for format 0), without padding or, for RGB
    // and RGBA, any copy. Only the part that both the texture's image size
    // and the new image cover is replaced.
    void update(const KyImg* image);
    void update(const KyImg& image) { update(&image); }
    void update(const KyIntrusivePtr<KyImg>& image);

    // Binds the texture and sets the texture matrix that crops the border:
    // translate (offset u, offset v), scale (scale u, scale v). Leaves the
    // model-view matrix current and the environment mode GL_MODULATE.
    void bind();
    // Copies the frame buffer's low corner (texture width x height) into
    // the texture; nothing when no texture object exists.
    void copyFromFrameBuffer();
    // Deletes the OpenGL texture; the sizes stay.
    void unload();

    u32 imageWidth() const { return m_imageWidth; }
    u32 imageHeight() const { return m_imageHeight; }
    u32 textureWidth() const { return m_textureWidth; }
    u32 textureHeight() const { return m_textureHeight; }
    u32 borderWidth() const { return m_borderWidth; }
    u32 borderHeight() const { return m_borderHeight; }
    f32 offsetU() const { return m_offsetU; }
    f32 offsetV() const { return m_offsetV; }
    f32 scaleU() const { return m_scaleU; }
    f32 scaleV() const { return m_scaleV; }
    u32 textureName() const { return m_textureName; }
    bool isCreated() const { return m_created != 0; }

    // The smallest power of two not below size, at least 8 (0 gives 8).
    // Sizes above 2^31 have none: 0.
    static u32 paddedSize(u32 size);

private:
    Ky3DTexture(const Ky3DTexture&) = delete;
    Ky3DTexture& operator=(const Ky3DTexture&) = delete;

    void deleteTexture();
    void zeroSizes();
    // Gives the image's picture to OpenGL at the padded size.
    void uploadPicture(const KyImg& image);

    u32 m_imageWidth;
    u32 m_imageHeight;
    u32 m_textureWidth;
    u32 m_textureHeight;
    u32 m_borderWidth;
    u32 m_borderHeight;
    f32 m_offsetU;
    f32 m_offsetV;
    f32 m_scaleU;
    f32 m_scaleV;
    s32 m_format;
    u32 m_textureName;
    u8 m_created;
};

#endif

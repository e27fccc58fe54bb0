#include "ui/KySpriteLayout.h"

#include "core/KyLog.h"
#include "core/KyPath.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyImg.h"

#include <GL/gl.h>

#include <cmath>

namespace {

// KyMesh mode of the picture quad.
const s32 kTriangleStrip = 6;

// The name under which the texture made from the picture at path is listed.
KyPath textureName(const KyString& path)
{
    return KyPath(path + KyString(".3dtex"));
}

KyResourceManager* resources()
{
    return KySingleton<KyResourceManager>::instance();
}

} // namespace

KySpriteLayout::KySpriteLayout()
    : cropLeft(0.0f)
    , cropRight(0.0f)
    , cropBottom(0.0f)
    , cropTop(0.0f)
{
    spriteMesh.init(4, 4, kTriangleStrip);
    for (u32 i = 0; i < 4; ++i) {
        spriteMesh.setVertex(i, 0.0f, 0.0f, 0.0f);
        spriteMesh.setNormal(i, 0.0f, 0.0f, 1.0f);
        spriteMesh.setTextureCoords(i, 0.0f, 0.0f);
        spriteMesh.setIndex(i, u16(i));
    }
    setColor(KyColor(255, 255, 255, 255));
}

KySpriteLayout::~KySpriteLayout() {}

void KySpriteLayout::load(const KyString& path)
{
    // Only a texture may stand for the picture: a resource of another type
    // listed under the same name is not one.
    if (Ky3DTexture* listed = resources()->find<Ky3DTexture>(textureName(path))) {
        if (!useTexture(KyIntrusivePtr<Ky3DTexture>(listed)))
            logPrint("[KySpriteLayout::load] L'image %s est vide.\n", path.c_str());
        return;
    }
    KyIntrusivePtr<KyImg> image = resources()->getOrLoad<KyImg>(KyPath(path));
    if (!image) {
        logPrint("[KySpriteLayout::load] Le fichier %s est introuvable.\n", path.c_str());
        return;
    }
    loadFromImage(image.get());
}

void KySpriteLayout::loadFromImage(KyImg* image)
{
    if (!image)
        return;
    // A picture without pixels (an unreadable file) or without width or
    // height would give the sprite an infinite or undefined ratio.
    if (image->width() == 0 || image->height() == 0) {
        logPrint("[KySpriteLayout::load] L'image %s est vide.\n", image->path().c_str());
        return;
    }
    KyPath name = textureName(image->path());
    KyIntrusivePtr<Ky3DTexture> texture(resources()->find<Ky3DTexture>(name));
    if (!texture) {
        texture = new Ky3DTexture();
        texture->load(image);
        texture->setPath(name);
        resources()->add(texture.get());
    }
    if (!useTexture(texture))
        logPrint("[KySpriteLayout::load] L'image %s est vide.\n", image->path().c_str());
}

bool KySpriteLayout::useTexture(const KyIntrusivePtr<Ky3DTexture>& texture)
{
    const u32 width = texture->imageWidth();
    const u32 height = texture->imageHeight();
    if (width == 0 || height == 0)
        return false;
    spriteMesh.setTexture(texture);
    const f32 w = f32(width);
    const f32 h = f32(height);
    setRatio(w / h);
    KyVector3f32 requested = userSize();
    if (sizeType() == Pixel && requested.x == 1.0f && requested.y == 1.0f)
        setSize(KyVector3f32(w, h, 1.0f));
    else
        setSize(requested);
    return true;
}

void KySpriteLayout::unload()
{
    spriteMesh.setTexture(KyIntrusivePtr<Ky3DTexture>());
}

void KySpriteLayout::updateImage(KyImg* image)
{
    Ky3DTexture* shown = texture();
    if (shown && image)
        shown->update(image);
}

void KySpriteLayout::setCropBottom(f32 value)
{
    cropBottom = value;
    updateMesh();
}

void KySpriteLayout::setColor(const KyColor& color)
{
    KyLayout::setColor(color);
    KyColor world = worldColor();
    for (u32 i = 0; i < 4; ++i)
        spriteMesh.setColor(i, world);
}

bool KySpriteLayout::onParentWorldColorChanged()
{
    onWorldColorChanged().call();
    setColor(color());
    return false;
}

void KySpriteLayout::updateMesh()
{
    KyLayout::updateMesh();
    Ky3DTexture* shown = texture();
    if (!shown)
        return;

    // The texture may be larger than the picture: the picture fills its low
    // corner, u and v wide.
    f32 u = 0.0f;
    f32 v = 0.0f;
    if (shown->textureWidth() > 0 && shown->textureHeight() > 0) {
        u = f32(shown->imageWidth()) / f32(shown->textureWidth());
        v = f32(shown->imageHeight()) / f32(shown->textureHeight());
    }
    const KyColor c = worldColor();

    const f32 left = u * cropLeft;
    const f32 right = u - u * cropRight;
    const f32 top = v * cropTop;
    const f32 bottom = v - v * cropBottom;

    spriteMesh.setVertex(0, -0.5f, 0.5f, 0.0f);
    spriteMesh.setTextureCoords(0, left, top);
    spriteMesh.setVertex(1, 0.5f, 0.5f, 0.0f);
    spriteMesh.setTextureCoords(1, right, top);
    spriteMesh.setVertex(2, 0.5f, -0.5f, 0.0f);
    spriteMesh.setTextureCoords(2, right, bottom);
    spriteMesh.setVertex(3, -0.5f, -0.5f, 0.0f);
    spriteMesh.setTextureCoords(3, left, bottom);
    for (u32 i = 0; i < 4; ++i) {
        spriteMesh.setNormal(i, 0.0f, 0.0f, 1.0f);
        spriteMesh.setColor(i, c);
    }
    // Strip order: the quad as two triangles.
    spriteMesh.setIndex(0, 0);
    spriteMesh.setIndex(1, 1);
    spriteMesh.setIndex(2, 3);
    spriteMesh.setIndex(3, 2);
}

bool KySpriteLayout::draw()
{
    if (visible() && worldVisible()) {
        updateLayout();
        glPushMatrix();
        KyMatrix4x4 m = m_worldMatrix;
        if (sizeType() == Pixel) {
            // Pixel sprites land on whole pixels so their pictures stay sharp.
            f32* elements = m[0];
            elements[12] = std::trunc(elements[12]);
            elements[13] = std::trunc(elements[13]);
        }
        glLoadMatrixf(m.data());
        if (texture())
            spriteMesh.Render();
        glPopMatrix();
        KyLayout::draw();
    }
    return false;
}

u32 KySpriteLayout::imageWidth() const
{
    Ky3DTexture* shown = texture();
    return shown ? shown->imageWidth() : 0;
}

u32 KySpriteLayout::imageHeight() const
{
    Ky3DTexture* shown = texture();
    return shown ? shown->imageHeight() : 0;
}

Ky3DTexture* KySpriteLayout::texture() const
{
    return spriteMesh.texture().get();
}

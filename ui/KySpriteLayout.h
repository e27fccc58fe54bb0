#ifndef KY_SPRITE_LAYOUT_H
#define KY_SPRITE_LAYOUT_H

#include "core/KyColor.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "platform/KyMesh.h"
#include "ui/KyLayout.h"

class Ky3DTexture;
class KyImg;

// A layout that shows one picture as a textured quad over its unit square.
//
// The texture made from a picture is registered in the resource manager
// under the picture's path followed by ".3dtex", so every sprite that shows
// the same picture shares one texture; it leaves the manager when the last
// sprite lets it go. A Pixel sprite still at its default size takes the
// picture's pixel size, and every sprite learns the picture's aspect ratio
// for the ratio modes. Four crop margins cut fractions of the picture at the
// quad's edges; the kept part is stretched over the whole quad.
//
// A picture that is missing, unreadable or 0 pixels wide or high is not
// shown: the sprite keeps what it showed before.
class KySpriteLayout : public KyLayout {
public:
    KySpriteLayout();
    ~KySpriteLayout() override;

    // Shows the picture at path: its ".3dtex" texture when one is listed,
    // else the image through the resource cache.
    virtual void loadFromImage(KyImg* image);
    virtual void load(const KyString& path);
    // Lets the texture go; the sprite draws nothing of its own afterwards.
    virtual void unload();
    // Uploads image into the texture already shown (video frames); nothing
    // without a texture.
    virtual void updateImage(KyImg* image);

    // Crops the bottom edge (y = -0.5) and rebuilds the quad at once.
    void setCropBottom(f32 value);

    // Stores the colour, tells the colour listeners and tints the quad with
    // the resulting world colour.
    void setColor(const KyColor& color) override;
    bool onParentWorldColorChanged() override;
    bool draw() override;
    void updateMesh() override;

    // The shown picture's size in pixels; 0 without a picture.
    u32 imageWidth() const;
    u32 imageHeight() const;
    Ky3DTexture* texture() const;

    // The picture quad: its texture reference holds the sprite's texture.
    KyMesh spriteMesh;
    // Fractions of the picture cut at the edges x = -0.5, x = +0.5,
    // y = -0.5 and y = +0.5.
    f32 cropLeft;
    f32 cropRight;
    f32 cropBottom;
    f32 cropTop;

private:
    // Takes the texture and sizes the sprite from its picture; a texture
    // without a picture is refused (false).
    bool useTexture(const KyIntrusivePtr<Ky3DTexture>& texture);
};

#endif

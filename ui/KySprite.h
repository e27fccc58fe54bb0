#ifndef KY_SPRITE_H
#define KY_SPRITE_H

#include "core/KyArray.h"
#include "core/KyColor.h"
#include "core/KyICallback0Param.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "core/KyVector2s32.h"
#include "core/KyVector3f32.h"
#include "platform/Ky3DObject.h"
#include "platform/Ky3DTexture.h"

class KyCamera;
class KyImg;
class KyScreen;
class TiXmlElement;

// The basic image widget: draws one texture, or one frame of a strip of
// frames, as a quad in pixel units through the widget camera, with its own
// position, rotation, scale, colour and opacity.
//
// A sprite draws as a listener of the main window's draw signal with
// priority -z (z the depth of its origin in the world), so sprites further
// back draw first. It registers when its position is set: a sprite whose
// position was never set is never drawn. It draws only with a texture and
// its visible flag on.
//
// Textures are shared resources named after their image (path + ".3dtex"):
// every sprite showing the same image file shares one texture.
//
// Frame strips: setFrameAnimation cuts the texture into frames stacked
// along its height (continuing in further columns when the texture holds
// more); play runs them on the sprite's own clock.
class KySprite : public Ky3DObject {
public:
    // The camera through which sprites and rich-text widgets draw: the
    // process-wide camera, set up by the application.
    static KyCamera& widgetCamera;

    // screen is kept in the tag. Not registered for drawing yet.
    explicit KySprite(KyScreen* screen = nullptr);
    // Leaves the draw signal and releases the texture.
    ~KySprite() override;
    KySprite(const KySprite&) = delete;
    KySprite& operator=(const KySprite&) = delete;

    // Moves the sprite and registers it anew with the draw signal at the
    // priority of its new depth.
    void setPosition(const KyVector3f32& position) override;

    // Loads the image file into the texture (a texture already made for it
    // is shared), makes the sprite visible and sizes it to the image. A
    // missing file is logged and leaves the sprite as it was, without
    // texture.
    void Load(const KyString& path);
    // Makes (or shares) the texture of an image and sizes the sprite to it;
    // the visible flag is left. Null does nothing.
    void LoadFromImage(KyImg* image);
    void LoadFromImage(const KyIntrusivePtr<KyImg>& image) { LoadFromImage(image.get()); }
    // Releases the texture; the size becomes (0, 0, 0). The sprite stays
    // registered.
    void unload();
    KyIntrusivePtr<Ky3DTexture> texture() const { return m_texture; }
    bool hasTexture() const { return !m_texture.isNull(); }

    // Cuts the texture into n frames of equal height and sets the clock's
    // frame rate; the strip is stopped at frame 0. Refused (false, nothing
    // changed) without a texture, for 0 frames, or for more frames than the
    // picture has rows.
    bool setFrameAnimation(u32 frames, f32 framesPerSecond, bool reverse);
    // Runs the whole strip on the clock.
    void play();
    // Runs frames 0 to last (clamped to the last frame of the strip).
    void playTo(u32 last);
    // Advances currentFrame from the clock; the draw calls it while the strip
    // runs.
    void updateFrame();
    // The frame of the strip that the current frame shows (the reverse
    // order counts from the last).
    u32 drawnFrame() const;
    // Top-left texel and size of what the next draw shows.
    KyVector2s32 regionOrigin() const;
    KyVector2s32 regionSize() const;

    // Draws the sprite (when it has a texture and is visible); false, so
    // the other draw listeners still run.
    bool onDraw();

    // Reads a "sprite" element: an optional "scaleCenter" child (float
    // attributes x, y, z) and the attributes "file" (resolved against the
    // XML file's folder and loaded) and "visible" (integer > 0), names
    // compared in lower case.
    void loadFromXml(TiXmlElement* element, const KyString& folder);

    void setVisible(bool v) { visible = v; }
    bool isVisible() const { return visible; }

    bool visible;
    // A frame strip has been set up.
    bool animated;
    // The clock advances the frames.
    bool running;
    u32 currentFrame;
    u32 firstFrame;
    u32 lastFrame;
    u32 frameCount;
    u32 frameWidth;
    u32 frameHeight;
    u32 framesPerColumn;
    f32 frameRate;
    // 0: endless.
    u32 repeatCount;
    u32 repeatsDone;
    // Frames shown from the last to the first.
    bool reverse;
    KyTimer animationClock;
    // Fired when a strip with a repeat count has done its repeats.
    KyArray<KyICallback0Param*> onAnimationFinished;
    // Top-left texel of what is drawn when there is no strip.
    u32 sourceOrigin[2];
    // Multiplied into the texture; the object's opacity multiplies alpha.
    KyColor color;

private:
    void leaveDrawSignal();
    // Size of the texture's picture without its border.
    KyVector3f32 pictureSize() const;
    // Takes the texture listed under name, if any.
    bool shareTexture(const KyString& name);

    KyIntrusivePtr<Ky3DTexture> m_texture;
    // Whether a draw listener was added: a sprite placed for the first time
    // has none to look for among the window's many.
    bool m_drawing = false;
};

#endif

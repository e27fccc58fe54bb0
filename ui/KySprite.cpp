#include "ui/KySprite.h"

#include "core/KyCallback0Param.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyMatrix4x4.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "platform/KyCamera.h"
#include "platform/KyImg.h"
#include "platform/KyRenderer.h"
#include "ui/KyMainWindow.h"

#include <tinyxml.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

KyCamera& KySprite::widgetCamera = KyCamera::global();

namespace {

typedef KyCallback0Param<KySprite> DrawListener;

// The main window's draw signal; null when the window does not exist and
// create is false (a sprite that dies after the window has nothing to
// leave).
KyArray<KyICallback0Param*>* drawSignal(bool create)
{
    if (!create && !KySingleton<KyMainWindow>::exists())
        return nullptr;
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    return window ? &window->onDraw() : nullptr;
}

// A coordinate snapped to whole pixels: trunc(v + 0.5).
f32 snap(f32 v)
{
    return std::trunc(v + 0.5f);
}

} // namespace

KySprite::KySprite(KyScreen* screen)
    : visible(true),
      animated(false),
      running(false),
      currentFrame(0),
      firstFrame(0),
      lastFrame(0),
      frameCount(1),
      frameWidth(0),
      frameHeight(0),
      framesPerColumn(1),
      frameRate(0.0f),
      repeatCount(0),
      repeatsDone(0),
      reverse(false),
      sourceOrigin{0, 0},
      color(255, 255, 255, 255)
{
    setTag(reinterpret_cast<std::intptr_t>(screen));
}

KySprite::~KySprite()
{
    setTag(0);
    leaveDrawSignal();
}

void KySprite::leaveDrawSignal()
{
    if (!m_drawing)
        return;
    m_drawing = false;
    if (KyArray<KyICallback0Param*>* signal = drawSignal(false)) {
        DrawListener mine(this, &KySprite::onDraw);
        signal->removeCallback(&mine);
    }
}

void KySprite::setPosition(const KyVector3f32& position)
{
    Ky3DObject::setPosition(position);
    leaveDrawSignal();
    const f32 z = worldTransformationMatrix().transformPoint(KyVector3f32(0.0f, 0.0f, 0.0f)).z;
    if (KyArray<KyICallback0Param*>* signal = drawSignal(true)) {
        signal->insertByPriority(kyNewCallback(this, &KySprite::onDraw, -z));
        m_drawing = true;
    }
}

KyVector3f32 KySprite::pictureSize() const
{
    if (!m_texture)
        return KyVector3f32(0.0f, 0.0f, 0.0f);
    return KyVector3f32(f32(m_texture->imageWidth()) - 2.0f * f32(m_texture->borderWidth()),
                        f32(m_texture->imageHeight()) - 2.0f * f32(m_texture->borderHeight()), 0.0f);
}

bool KySprite::shareTexture(const KyString& name)
{
    KyResourceManager* manager = KySingleton<KyResourceManager>::instance();
    Ky3DTexture* listed = manager ? manager->find<Ky3DTexture>(name) : nullptr;
    if (!listed)
        return false;
    m_texture = listed;
    return true;
}

void KySprite::Load(const KyString& path)
{
    const KyString name = path + ".3dtex";
    m_texture.reset();
    if (!shareTexture(name)) {
        KyResourceManager* manager = KySingleton<KyResourceManager>::instance();
        KyIntrusivePtr<KyImg> image;
        if (manager)
            image = manager->getOrLoad<KyImg>(path);
        if (!image) {
            logPrint("[KySprite::Load] Le fichier %s est introuvable.\n", path.c_str());
            return;
        }
        LoadFromImage(image.get());
    }
    visible = true;
    setSize(pictureSize());
}

void KySprite::LoadFromImage(KyImg* image)
{
    if (!image)
        return;
    const KyString name = image->path() + ".3dtex";
    m_texture.reset();
    if (!shareTexture(name)) {
        Ky3DTexture* texture = new Ky3DTexture;
        texture->load(image);
        texture->setPath(name);
        if (KyResourceManager* manager = KySingleton<KyResourceManager>::instance())
            manager->add(texture);
        m_texture = texture;
    }
    setSize(pictureSize());
}

void KySprite::unload()
{
    m_texture.reset();
    setSize(KyVector3f32(0.0f, 0.0f, 0.0f));
}

bool KySprite::setFrameAnimation(u32 frames, f32 framesPerSecond, bool reverseOrder)
{
    const KyVector3f32 picture = pictureSize();
    // Each frame must keep at least one row of the picture; without that
    // the frame height would be 0 and the column count a division by zero.
    if (!m_texture || frames == 0 || picture.y < f32(frames))
        return false;
    const KyVector3f32 frame(picture.x, picture.y / f32(frames), 0.0f);
    setSize(frame);
    frameCount = frames;
    animated = true;
    running = false;
    currentFrame = 0;
    firstFrame = 0;
    lastFrame = frames - 1;
    frameWidth = frame.x > 0.0f ? u32(frame.x) : 0;
    frameHeight = u32(frame.y);
    framesPerColumn = m_texture->textureHeight() / frameHeight;
    if (framesPerColumn == 0)
        framesPerColumn = 1;
    frameRate = framesPerSecond;
    repeatCount = 0;
    repeatsDone = 0;
    reverse = reverseOrder;
    return true;
}

void KySprite::play()
{
    playTo(frameCount > 0 ? frameCount - 1 : 0);
}

void KySprite::playTo(u32 last)
{
    running = true;
    firstFrame = 0;
    const u32 final = frameCount > 0 ? frameCount - 1 : 0;
    lastFrame = last < final ? last : final;
    animationClock.start();
}

void KySprite::updateFrame()
{
    const f64 frames = f64(animationClock.getTimeFromStart()) * f64(frameRate) / 1000000.0;
    // A negative or absurd rate stands still rather than wrapping.
    u64 k = 0;
    if (frames > 0.0 && frames < 1.8e19)
        k = u64(frames);
    if (k >= lastFrame && repeatCount != 0) {
        ++repeatsDone;
        if (repeatsDone >= repeatCount) {
            running = false;
            currentFrame = lastFrame;
            onAnimationFinished.call();
            return;
        }
    }
    const u64 span = lastFrame >= firstFrame ? u64(lastFrame - firstFrame) + 1 : 1;
    currentFrame = firstFrame + u32(k % span);
}

u32 KySprite::drawnFrame() const
{
    if (frameCount == 0)
        return 0;
    const u32 frame = currentFrame < frameCount ? currentFrame : frameCount - 1;
    return reverse ? frameCount - frame - 1 : frame;
}

KyVector2s32 KySprite::regionOrigin() const
{
    if (!animated)
        return KyVector2s32(s32(sourceOrigin[0]), s32(sourceOrigin[1]));
    const u32 f = drawnFrame();
    const u32 perColumn = framesPerColumn > 0 ? framesPerColumn : 1;
    return KyVector2s32(s32((f / perColumn) * frameWidth), s32((f % perColumn) * frameHeight));
}

KyVector2s32 KySprite::regionSize() const
{
    if (animated)
        return KyVector2s32(s32(frameWidth), s32(frameHeight));
    return KyVector2s32(s32(m_size.x), s32(m_size.y));
}

bool KySprite::onDraw()
{
    if (!m_texture || !visible)
        return false;
    KyRenderer* renderer = KySingleton<KyRenderer>::instance();
    if (!renderer)
        return false;

    renderer->beginCameraDraw(widgetCamera);

    if (animated && running)
        updateFrame();

    renderer->setMatrixMode(KyRenderer::ModelView);
    renderer->pushMatrix();
    if (KyI3DObject* up = parent())
        renderer->multMatrix(up->worldTransformationMatrix());
    const KyVector3f32 p = position();
    renderer->translate(snap(p.x), snap(p.y), snap(p.z));

    const KyVector3f32 s = size();
    const f32 degrees = rotation();
    if (degrees != 0.0f) {
        const KyVector3f32 rc = rotationCenter();
        const KyVector3f32 c(snap(s.x * rc.x), snap(s.y * rc.y), snap(s.z * rc.z));
        renderer->translate(c.x, c.y, c.z);
        renderer->rotate(degrees, 0.0f, 0.0f, 1.0f);
        renderer->translate(-c.x, -c.y, -c.z);
    }
    const KyVector3f32& sc = scale();
    if (sc.x != 1.0f || sc.y != 1.0f) {
        const KyVector3f32& center = scaleCenter();
        const KyVector3f32 c(snap(s.x * center.x), snap(s.y * center.y), snap(s.z * center.z));
        renderer->translate(c.x, c.y, c.z);
        renderer->scale(sc.x, sc.y, 1.0f);
        renderer->translate(-c.x, -c.y, -c.z);
    }

    renderer->color(color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, opacity() * (color.a / 255.0f));
    renderer->drawTexture(m_texture.get(), regionOrigin(), regionSize());
    renderer->color(1.0f, 1.0f, 1.0f, 1.0f);

    renderer->popMatrix();
    renderer->endCameraDraw();
    return false;
}

void KySprite::loadFromXml(TiXmlElement* element, const KyString& folder)
{
    if (!element)
        return;
    if (TiXmlElement* center = element->FirstChildElement("scaleCenter")) {
        KyVector3f32 c = scaleCenter();
        center->QueryFloatAttribute("x", &c.x);
        center->QueryFloatAttribute("y", &c.y);
        center->QueryFloatAttribute("z", &c.z);
        setScaleCenter(c);
    }
    for (TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        const KyString name = KyString(attribute->Name()).toLower();
        if (name == "file")
            Load(KyFile::resolvePath(KyString(attribute->Value()), folder));
        else if (name == "visible")
            visible = std::atoi(attribute->Value()) > 0;
    }
}

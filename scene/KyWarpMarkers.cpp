// The markers, exits and picking of a panorama.

#include "core/KyCallback1Param.h"
#include "core/KyLog.h"
#include "platform/KyInputMgr.h"
#include "platform/KyPickMesh.h"
#include "scene/KyWarp.h"
#include "scene/KyWarpMarker.h"

#include <cmath>
#include <cstdio>

namespace {

const char* const kExitPrefix = "3D\\";
// Exits are picked at any distance in front of the camera.
const f32 kFarthest = 3.4028235e38f;
// The 2D interface's virtual screen.
const f32 kInterfaceWidth = 480.0f;
const f32 kInterfaceHeight = 320.0f;
// Frames of a marker's picture strip and their rate.
const u32 kMarkerFrames = 8;
const f32 kMarkerFrameRate = 8.0f;

KyString markerPicture(s32 number, bool over)
{
    char path[64];
    std::snprintf(path, sizeof path, over ? "2D/Menus/InGame/Marker_%d_over.png" : "2D/Menus/InGame/Marker_%d.png",
                  number);
    return KyString(path);
}

// An input coordinate back in window pixels; a scale that is 0 or not a
// number leaves it as it is.
s32 windowPixels(s32 v, f32 scale)
{
    if (!(scale != 0.0f) || !std::isfinite(scale))
        return v;
    const f64 pixels = f64(v) / f64(scale);
    if (!(pixels > -2147483648.0))
        return -2147483647 - 1;
    if (!(pixels < 2147483647.0))
        return 2147483647;
    return s32(pixels);
}

bool isValidBlock(const KyWarp::ExitBlock& block)
{
    return block.face >= 0 && block.face <= 5 && block.columns >= 1 && block.rows >= 1 && block.column >= 0 &&
           block.column < block.columns && block.row >= 0 && block.row < block.rows;
}

bool isUnderRay(const KyWarp::AnimData& animation, const KyVector3f32& origin, const KyVector3f32& direction)
{
    if (animation.currentFrame >= animation.frameCount)
        return false;
    const KyPickMesh& mesh = animation.frames[animation.currentFrame].pickMesh;
    KyVector3f32 hit;
    f32 distance = 0.0f;
    return mesh.isEnabled() && mesh.intersect(origin, direction, hit, distance);
}

} // namespace

// ---- markers -----------------------------------------------------------------

u32 KyWarp::createMarker()
{
    KyWarpMarker::Sprite* sprite = new KyWarpMarker::Sprite;
    KyWarpMarker* marker = new KyWarpMarker;
    marker->setSprite(sprite);
    marker->onClicked().pushBack(kyNewCallback(this, &KyWarp::onMarkerClick, 0.0f));
    m_markers.pushBack(marker);
    return m_markers.count() - 1;
}

KyWarpMarker::Sprite* KyWarp::markerSprite(u32 index) const
{
    KyWarpMarker* found = marker(index);
    return found ? found->sprite() : nullptr;
}

void KyWarp::hideMarker(KyWarpMarker::Sprite& sprite)
{
    sprite.active = false;
    KySpriteButton& button = sprite.button;
    // Disabled first: disabling a pressed button shows its released look,
    // which the hiding below then covers.
    button.button.setEnable(false);
    button.upSprite.visible = false;
    button.label.visible = false;
    button.downSprite.visible = false;
    button.disabledSprite.visible = false;
}

void KyWarp::setMarker(const KyString& name, s32 number, u32 slot)
{
    u32 index = NoMarker;
    KyString markerName;
    if (Exit* exit = findExit(name, false)) {
        index = exit->marker;
        markerName = exit->linkedPath;
    } else {
        AnimData* animation = findAnimation(name);
        if (!animation)
            return;
        if (slot >= animation->markerIndices.count()) {
            logPrint("[KyWarp::setMarker] l'animation %s n'a pas de marqueur %u.\n", name.c_str(), slot);
            return;
        }
        index = animation->markerIndices[slot];
        markerName = animation->name;
    }
    KyWarpMarker* found = marker(index);
    if (!found || !found->sprite()) {
        logPrint("[KyWarp::setMarker] %s n'a pas de marqueur.\n", name.c_str());
        return;
    }
    KyWarpMarker::Sprite& sprite = *found->sprite();
    if (number == -1) {
        hideMarker(sprite);
        return;
    }

    found->setName(markerName);
    KySpriteButton& button = sprite.button;
    button.load(markerPicture(number, false), markerPicture(number, true), KyString());
    if (button.upSprite.setFrameAnimation(kMarkerFrames, kMarkerFrameRate, false))
        button.upSprite.play();
    const KyVector3f32 frame = button.upSprite.size();
    button.setSize(frame);
    button.button.setSize(frame);

    sprite.active = true;
    button.upSprite.visible = sprite.shown;
    button.button.setEnable(sprite.shown);
    button.label.visible = false;
}

void KyWarp::setMarkersVisible(bool visible)
{
    m_markersVisible = visible;
    for (KyWarpMarker* marker : m_markers) {
        KyWarpMarker::Sprite* sprite = marker->sprite();
        if (!sprite)
            continue;
        sprite->shown = visible;
        const bool enabled = sprite->active && visible;
        KySpriteButton& button = sprite->button;
        // The button before the looks, as in hideMarker.
        button.button.setEnable(enabled);
        button.upSprite.visible = enabled;
        button.label.visible = enabled;
        if (!enabled) {
            button.downSprite.visible = false;
            button.disabledSprite.visible = false;
        }
    }
}

void KyWarp::resetMarkersState()
{
    for (KyWarpMarker* marker : m_markers) {
        if (KyWarpMarker::Sprite* sprite = marker->sprite()) {
            sprite->button.button.clearTouches();
            // A shown button goes back to the look of its state.
            sprite->button.setEnable(true);
        }
    }
}

void KyWarp::setMarkersOpacity(f32 opacity)
{
    for (KyWarpMarker* marker : m_markers) {
        if (marker->sprite())
            marker->sprite()->button.setOpacity(opacity / 255.0f);
    }
}

void KyWarp::resetMarkerButton(u32 index)
{
    KyWarpMarker::Sprite* sprite = markerSprite(index);
    if (!sprite)
        return;
    KySpriteButton& button = sprite->button;
    button.button.clearTouches();
    if (button.button.isEnabled() && button.disabledSprite.hasTexture()) {
        button.upSprite.visible = false;
        button.downSprite.visible = false;
        button.disabledSprite.visible = true;
    }
}

void KyWarp::updateMarker(KyCamera& camera, KyWarpMarker::Sprite& marker)
{
    if (!marker.active)
        return;
    KySpriteButton& button = marker.button;
    const KyVector3f32 size = button.size();

    // A quarter-turned screen shows the window's height across.
    KyVector3f32 axis;
    f32 angle = 0.0f;
    camera.orientation().toAxisAngle(axis, angle);
    const bool portrait = axis.z * angle != 0.0f;
    const f32 across = f32(portrait ? camera.viewportHeight() : camera.viewportWidth());
    const f32 up = f32(portrait ? camera.viewportWidth() : camera.viewportHeight());
    const KyVector3f32 scale(across > 0.0f ? kInterfaceWidth / across : 1.0f,
                             up > 0.0f ? kInterfaceHeight / up : 1.0f, 1.0f);
    // The button keeps its size in window pixels.
    button.setScale(scale);

    // The point is in front of the camera when its clip w is positive.
    const KyMatrix4x4 clip = camera.viewProjectionMatrix();
    const KyVector3f32& p = marker.position;
    const f32 w = clip.m[3] * p.x + clip.m[7] * p.y + clip.m[11] * p.z + clip.m[15];
    const KyVector3f32 window = camera.projectPoint(p);
    const f32 x = window.x * scale.x;
    const f32 y = window.y * scale.y;
    if (!(w > 0.0f) || !(across > 0.0f) || !(up > 0.0f) || !std::isfinite(x) || !std::isfinite(y)) {
        // Scaled about its centre, the button stays wholly left of and
        // below the screen from here.
        button.setPosition(KyVector3f32(-size.x * (1.0f + scale.x), -size.y * (1.0f + scale.y), marker.depth));
        return;
    }
    // Scaled about its centre, the button's centre is the point.
    button.setPosition(KyVector3f32(x - size.x * 0.5f, y - size.y * 0.5f, marker.depth));
}

bool KyWarp::onMarkerClick(KyString name)
{
    ++m_markerClickDepth;
    m_onObjectHit.call(name);
    --m_markerClickDepth;
    return false;
}

// ---- exits ---------------------------------------------------------------------

void KyWarp::addExit(const Exit& exit)
{
    u32 blocks = 0;
    for (const ExitBlock& block : exit.blocks) {
        if (isValidBlock(block))
            ++blocks;
    }
    KyPickMesh* mesh = new KyPickMesh;
    mesh->setName(exit.linkedPath);
    mesh->setEnabled(true);
    mesh->allocate(2 * blocks);
    u32 k = 0;
    for (const ExitBlock& block : exit.blocks) {
        if (!isValidBlock(block))
            continue;
        KyVector3f32 c[4];
        KyWarpBloc::cellCorners(u32(block.face), u32(block.column), u32(block.row), u32(block.columns),
                                u32(block.rows), c);
        mesh->setTriangle(2 * k, c[0], c[1], c[3]);
        mesh->setTriangle(2 * k + 1, c[1], c[2], c[3]);
        ++k;
    }
    m_paths.pushBack(KyPath(exit.linkedPath));
    m_exitPickMeshes.pushBack(mesh);

    Exit copy = exit;
    if (KyWarpMarker::Sprite* sprite = markerSprite(exit.marker)) {
        sprite->button.load(markerPicture(0, false), markerPicture(0, true), KyString());
        hideMarker(*sprite);
        sprite->depth = -999.0f;
    } else {
        copy.marker = NoMarker;
    }
    m_exits.pushBack(copy);
}

KyWarp::Exit* KyWarp::findExit(const KyString& name, bool prefixed)
{
    const KyString full = prefixed ? name : KyString(kExitPrefix) + name;
    for (Exit& exit : m_exits) {
        if (exit.linkedPath == full)
            return &exit;
    }
    return nullptr;
}

KyWarp::AnimData* KyWarp::findAnimation(const KyString& name)
{
    for (u32 a = 0; a < m_animationCount; ++a) {
        if (m_animations[a].name == name)
            return &m_animations[a];
    }
    return nullptr;
}

void KyWarp::addAnimationMarker(const KyString& name, u32 index)
{
    if (AnimData* animation = findAnimation(name))
        animation->markerIndices.pushBack(index);
}

void KyWarp::clearSceneDescription()
{
    m_hitExitMesh = nullptr;
    for (KyPickMesh* mesh : m_exitPickMeshes)
        delete mesh;
    m_exitPickMeshes.clear();
    m_exits.clear();
    m_paths.clear();
    deleteMarkers();
}

// ---- picking -------------------------------------------------------------------

void KyWarp::pointerRay(KyVector3f32& origin, KyVector3f32& direction)
{
    KyInputMgr* input = KyInputMgr::instance();
    const KyVector2s32 pointer = input->mousePosition(0);
    const KyVector3f32 scale = input->scale();
    const KyVector2s32 pixel(windowPixels(pointer.x, scale.x), windowPixels(pointer.y, scale.y));
    m_camera.getRay(pixel, direction, origin);
}

bool KyWarp::onMouseClick()
{
    KyVector3f32 origin;
    KyVector3f32 direction;
    pointerRay(origin, direction);
    m_hitAnimation = nullptr;
    m_hitExitMesh = nullptr;

    // The first animation in array order wins, whatever the distances, and
    // an animation hides the exits.
    for (u32 a = 0; a < m_animationCount; ++a) {
        AnimData& animation = m_animations[a];
        if (!isUnderRay(animation, origin, direction))
            continue;
        const KyPickMesh& mesh = animation.frames[animation.currentFrame].pickMesh;
        if (AnimData* owner = findAnimation(mesh.name())) {
            for (u32 index : owner->markerIndices)
                resetMarkerButton(index);
        }
        m_hitAnimation = &animation;
        return false;
    }
    if (KyPickMesh* mesh = intersectRayMesh(origin, direction, m_exitPickMeshes, kFarthest, 0.0f)) {
        if (Exit* exit = findExit(mesh->name(), true))
            resetMarkerButton(exit->marker);
        m_hitExitMesh = mesh;
    }
    return false;
}

void KyWarp::click()
{
    KyVector3f32 origin;
    KyVector3f32 direction;
    pointerRay(origin, direction);
    AnimData* animation = m_hitAnimation;
    KyPickMesh* exitMesh = m_hitExitMesh;
    // Forgotten before anyone hears of the click, which may change the
    // panorama.
    m_hitAnimation = nullptr;
    m_hitExitMesh = nullptr;

    if (animation) {
        if (isUnderRay(*animation, origin, direction)) {
            const KyString name = animation->frames[animation->currentFrame].pickMesh.name();
            m_onObjectHit.call(name);
        }
        return;
    }
    if (exitMesh && intersectRayMesh(origin, direction, m_exitPickMeshes, kFarthest, 0.0f) == exitMesh) {
        const KyString name = exitMesh->name();
        m_onObjectHit.call(name);
    }
}

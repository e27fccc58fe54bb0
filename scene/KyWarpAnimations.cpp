// The animations of a panorama: starting, freezing, putting and removing
// them, and moving them on with their timers.

#include "core/KyLog.h"
#include "scene/KyWarp.h"
#include "scene/KyWarpMarker.h"

#include <cmath>

namespace {

const char* const kNoAnimation = "Impossible de trouver l'animation %s dans le Warp.\n";
const char* const kNoObject = "Impossible de trouver l'objet %s dans le Warp.\n";

// Frames elapsed after t microseconds at rate frames per second, truncated.
u64 elapsedFrames(u64 microseconds, f32 rate)
{
    const f64 frames = f64(microseconds) * f64(rate) / 1000000.0;
    // A rate that is not a positive number stands still rather than wrap.
    if (!(frames > 0.0))
        return 0;
    if (frames >= 1.8e19)
        return 0xFFFFFFFFFFFFFFFFull;
    return u64(frames);
}

} // namespace

template <class Action>
bool KyWarp::forEachAnimation(const KyString& name, Action action)
{
    bool found = false;
    for (u32 a = 0; a < m_animationCount; ++a) {
        if (m_animations[a].name == name && action(m_animations[a]))
            found = true;
    }
    return found;
}

bool KyWarp::hasFrames(const AnimData& animation, const char* caller)
{
    if (animation.frameCount > 0)
        return true;
    logPrint("[KyWarp::%s] l'animation %s n'a aucune image : ignoree.\n", caller, animation.name.c_str());
    return false;
}

void KyWarp::listPlaying(AnimData& animation)
{
    if (!m_playing.contains(&animation))
        m_playing.pushBack(&animation);
}

void KyWarp::startPlaying(AnimData& animation, s32 passes, u32 first, u32 end, bool pickable)
{
    animation.active = true;
    listPlaying(animation);
    animation.passes = passes;
    animation.timer.stop();
    animation.timer.start();
    animation.firstFrame = first;
    animation.endFrame = end;
    setPickable(animation, pickable);
}

void KyWarp::setPickable(AnimData& animation, bool pickable)
{
    for (u32 f = 0; f < animation.frameCount; ++f)
        animation.frames[f].pickMesh.setEnabled(pickable);
}

void KyWarp::showFrame(AnimData& animation, u32 frame)
{
    if (frame == animation.currentFrame)
        return;
    if (animation.currentFrame < animation.frameCount)
        releaseFrameTextures(animation.frames[animation.currentFrame]);
    animation.currentFrame = frame;
}

void KyWarp::startAnimation(const KyString& name, s32 passes, bool pickable)
{
    const bool found = forEachAnimation(name, [&](AnimData& animation) {
        if (!hasFrames(animation, "startAnimation"))
            return true;
        startPlaying(animation, passes, 0, animation.frameCount, pickable);
        return true;
    });
    if (!found)
        logPrint(kNoAnimation, name.c_str());
}

void KyWarp::startAnimationPart(const KyString& name, s32 passes, s32 first, s32 end, bool pickable)
{
    const bool found = forEachAnimation(name, [&](AnimData& animation) {
        if (!hasFrames(animation, "startAnimationPart"))
            return true;
        const s64 frames = animation.frameCount;
        const s64 to = end < 0 ? s64(end) + frames : s64(end);
        // The range's length divides the frame number as the animation
        // plays: an empty range, or one outside the animation, is refused.
        if (first < 0 || s64(first) >= to || to > frames) {
            logPrint("[KyWarp::startAnimationPart] l'animation %s a %u images : la partie (%d, %d) est refusee.\n",
                     animation.name.c_str(), animation.frameCount, first, end);
            return true;
        }
        startPlaying(animation, passes, u32(first), u32(to), pickable);
        return true;
    });
    if (!found)
        logPrint(kNoAnimation, name.c_str());
}

void KyWarp::setAnimationFrame(const KyString& name, s32 frame, bool pickable)
{
    const bool found = forEachAnimation(name, [&](AnimData& animation) {
        if (!hasFrames(animation, "setAnimationFrame"))
            return true;
        const s64 frames = animation.frameCount;
        const s64 index = frame < 0 ? s64(frame) + frames : s64(frame);
        if (index < 0 || index >= frames) {
            logPrint("[KyWarp::setAnimationFrame] l'animation %s a %u images : l'image %d est refusee.\n",
                     animation.name.c_str(), animation.frameCount, frame);
            return true;
        }
        showFrame(animation, u32(index));
        animation.active = true;
        listPlaying(animation);
        animation.passes = -1;
        animation.firstFrame = u32(index);
        animation.endFrame = u32(index) + 1;
        setPickable(animation, pickable);
        return true;
    });
    if (!found)
        logPrint(kNoAnimation, name.c_str());
}

void KyWarp::putObject(const KyString& name, bool pickable)
{
    const bool found = forEachAnimation(name, [&](AnimData& animation) {
        if (animation.frameCount != 1)
            return false;
        showFrame(animation, 0);
        animation.active = true;
        listPlaying(animation);
        setPickable(animation, pickable);
        return true;
    });
    if (!found)
        logPrint(kNoObject, name.c_str());
}

void KyWarp::removeObject(const KyString& name)
{
    const bool found = forEachAnimation(name, [&](AnimData& animation) {
        showFrame(animation, 0);
        animation.active = false;
        u32 index = 0;
        if (m_playing.find(&animation, &index)) {
            const u32 last = m_playing.count() - 1;
            m_playing[index] = m_playing[last];
            m_playing.removeAt(last);
        }
        if (m_hitAnimation == &animation)
            m_hitAnimation = nullptr;
        setPickable(animation, false);
        return true;
    });
    if (!found)
        logPrint(kNoObject, name.c_str());
}

void KyWarp::resetAnimations()
{
    m_playing.clear();
    m_hitAnimation = nullptr;
    for (u32 a = 0; a < m_animationCount; ++a) {
        m_animations[a].active = false;
        // What is not drawn cannot be clicked either.
        setPickable(m_animations[a], false);
    }
    for (KyWarpMarker* marker : m_markers) {
        if (marker->sprite())
            hideMarker(*marker->sprite());
    }
}

void KyWarp::advanceAnimation(AnimData& animation)
{
    if (animation.passes == 0 || animation.frameCount <= 1)
        return;
    const u32 first = animation.firstFrame;
    const u32 end = animation.endFrame;
    // The operations make first < end <= frame count; anything else stands
    // still rather than divide by zero or show a frame that is not there.
    if (first >= end || end > animation.frameCount)
        return;
    const u64 span = end - first;
    const u64 elapsed = elapsedFrames(animation.timer.getTimeFromStart(), animation.rate);
    const bool finished = animation.passes > 0 && elapsed / span >= u64(animation.passes);
    const u32 frame = finished ? end - 1 : first + u32(elapsed % span);
    if (finished)
        animation.passes = 0;
    showFrame(animation, frame);
    // The listeners run last, so what they do to the animation stands; they
    // get a name of their own, which outlives an unload they may cause.
    if (finished) {
        const KyString name = animation.name;
        m_onAnimationFinished.call(name);
    }
}

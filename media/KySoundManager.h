#ifndef KY_SOUND_MANAGER_H
#define KY_SOUND_MANAGER_H

#include <AL/alc.h>

#include "core/KyList.h"
#include "core/KyObject.h"
#include "core/KyString.h"

class KyMusic;
class KySFX;

// Owns the program's OpenAL device and context and looks after sounds once
// they end: the fire-and-forget effects of PlaySFX are deleted when they
// have finished, and the finished signal of the musics that were played is
// fired when they stop. Reached through KySingleton<KySoundManager>; the
// first KySFX or KyMusic opens the device. When no device opens, every call
// still works and nothing is heard.
class KySoundManager : public KyObject {
public:
    // Opens the default device and makes a context current.
    KySoundManager();
    // Deletes the effects still listed and stops and drops the musics, then
    // closes the context and the device.
    ~KySoundManager() override;

    // Plays a sound file once; the effect is deleted by the first update
    // after it has finished.
    void PlaySFX(const KyString& path);
    // Once a frame: deletes the finished effects; fires the finished signal
    // of each listed music that is neither playing nor repeating, and drops
    // it from the list.
    void update();

    // Adds a music to the list of musics whose end is watched; a music is
    // listed once however often it is played.
    void addMusic(KyMusic* music);
    // Drops every entry of a music (nothing when it is not listed).
    void removeMusic(KyMusic* music);

    ALCdevice* device() const { return m_device; }
    ALCcontext* context() const { return m_context; }

    // One-shot effects started by PlaySFX; the manager owns them.
    KyList<KySFX*> effects;
    // Musics registered by KyMusic::Play; not owned.
    KyList<KyMusic*> musics;

private:
    KySoundManager(const KySoundManager&) = delete;
    KySoundManager& operator=(const KySoundManager&) = delete;

    void updateEffects();
    void updateMusics();

    ALCdevice* m_device;
    ALCcontext* m_context;
};

#endif

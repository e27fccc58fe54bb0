#ifndef KY_SOUND_MANAGER_H
#define KY_SOUND_MANAGER_H

#include <AL/alc.h>

#include "core/KyList.h"
#include "core/KyObject.h"
#include "core/KyString.h"
#include "core/KyThread.h"
#include "core/KyTypes.h"

#include <string>
#include <vector>

class KyMusic;
class KySFX;

// Owns the program's OpenAL device and context and looks after sounds once
// they end: the fire-and-forget effects of PlaySFX are deleted when they
// have finished, and the finished signal of the musics that were played is
// fired when they stop. Reached through KySingleton<KySoundManager>; the
// first KySFX or KyMusic opens the device. When no device opens, every call
// still works and nothing is heard.
//
// A manager can instead mix on a device that follows the engine's clock
// (KyOsClock) rather than a sound card's: each update mixes exactly the
// samples the clock has moved on since the last one, so under a fake clock
// sounds last as many frames as their length says, however fast or slow the
// frames really run (scripted runs of the game are then the same every
// time). The mix is not sent anywhere; its loudness can be read.
class KySoundManager : public KyObject {
public:
    // Rate of the clocked device's mix, in sample frames a second.
    static const u32 ClockedRate = 44100;
    // Longest span of the clock one update mixes (ten seconds); a longer
    // jump of the clock is not heard, sounds take up where they were.
    static const u32 MaxClockedCatchUp = 10 * ClockedRate;

    // Whether managers made from now on follow the clock (false by default).
    // The game's scripted runs ask for it before anything plays.
    static void setFollowsClock(bool follow);
    static bool followsClockRequested();

    // Opens the default device (or, when asked for and OpenAL can, the
    // clocked device) and makes a context current. The opening (tens of
    // milliseconds, mostly spent waiting on the device) runs on a thread of
    // its own, so the program goes on meanwhile (the game makes its window);
    // everything that uses the device waits for it first (ready), and what
    // the opening logged is logged then.
    KySoundManager();
    // Deletes the effects still listed and stops and drops the musics, then
    // closes the context and the device.
    ~KySoundManager() override;

    // Plays a sound file once; the effect is deleted by the first update
    // after it has finished.
    void PlaySFX(const KyString& path);
    // Once a frame: on the clocked device, mixes the samples due by the
    // clock first; then deletes the finished effects, fires the finished
    // signal of each listed music that is neither playing nor repeating, and
    // drops it from the list.
    void update();

    // Returns once the device is opened (or found missing); every sound
    // waits here before its first call to OpenAL.
    void ready() const;
    // Whether this manager mixes by the clock.
    bool followsClock() const
    {
        ready();
        return m_render != nullptr;
    }
    // Sample frames the clocked device has mixed so far.
    u64 mixedFrames() const { return m_mixed; }
    // The largest absolute sample value (0 to 32768) mixed since the last
    // call; 0 when nothing sounded or the device is not clocked.
    u32 takePeak();

    // Adds a music to the list of musics whose end is watched; a music is
    // listed once however often it is played.
    void addMusic(KyMusic* music);
    // Drops every entry of a music (nothing when it is not listed).
    void removeMusic(KyMusic* music);

    ALCdevice* device() const
    {
        ready();
        return m_device;
    }
    ALCcontext* context() const
    {
        ready();
        return m_context;
    }

    // One-shot effects started by PlaySFX; the manager owns them.
    KyList<KySFX*> effects;
    // Musics registered by KyMusic::Play; not owned.
    KyList<KyMusic*> musics;

private:
    KySoundManager(const KySoundManager&) = delete;
    KySoundManager& operator=(const KySoundManager&) = delete;

    // Opens the device on the opener's thread.
    class Opener : public KyThread {
    public:
        explicit Opener(KySoundManager& manager) : m_manager(manager) {}
        ~Opener() override { wait(); }
        void run() override { m_manager.open(); }

    private:
        KySoundManager& m_manager;
    };

    void updateEffects();
    void updateMusics();
    // The opening itself: the devices tried in turn, the context made
    // current; its lines kept for ready().
    void open();
    // The clocked device: opens it; false when OpenAL has none.
    bool openClockedDevice();
    // Mixes the samples due by the clock, in slices, each after a streaming
    // pass of every listed music so no stream runs dry within a slice.
    void mixToClock();
    void streamMusics();

    typedef void (*RenderFunction)(ALCdevice*, ALCvoid*, ALCsizei);

    mutable Opener m_opener;
    // Whether the clocked device is asked for; read by the opener.
    bool m_wantClock;
    // Set once ready() has waited for the opener.
    mutable bool m_ready;
    // What the opening logged, until ready() logs it.
    mutable std::string m_openingLog;
    ALCdevice* m_device;
    ALCcontext* m_context;
    RenderFunction m_render;
    u64 m_clockStart;
    u64 m_lastClock;
    u64 m_mixed;
    u32 m_peak;
    std::vector<s16> m_mix;
};

#endif

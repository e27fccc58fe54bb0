#ifndef KY_MUSIC_H
#define KY_MUSIC_H

#include "core/KyArray.h"
#include "core/KyICallback0Param.h"
#include "core/KyMutex.h"
#include "core/KyPath.h"
#include "core/KyResource.h"
#include "core/KyThread.h"
#include "media/KySoundStreamed.h"

// A long sound played by streaming: a thread of its own decodes the file
// chunk by chunk into four OpenAL buffers queued on one source and refills
// them as they are played, one pass every 50 ms. The main thread controls it
// (play, stop, pause, volume, repeat); the sound manager fires onFinished
// once it has ended without repeating.
//
// The music's mutex guards the fields below and every OpenAL call on its
// source; the thread holds it for a whole pass, so a control call waits at
// most one pass. It is recursive: the thread re-enters it through repeat().
class KyMusic : public KyResource, public KyThread {
public:
    // Number of buffers queued ahead on the source.
    static constexpr u32 kBufferCount = 4;
    // Pause between two passes of the streaming thread, in milliseconds.
    static constexpr u32 kPassInterval = 50;

    KyMusic();
    // Stops the music and drops it from the sound manager's list.
    ~KyMusic() override;

    // Stores the path to play (nothing when it is the path already stored);
    // the file is looked for in the language folders. Stops a playing music.
    void load(const KyString& path) override;

    // Starts streaming from the start of the file at the stored volume and
    // registers the music with the sound manager. True at once when already
    // playing; false when the file cannot be opened or its sample layout has
    // no OpenAL format.
    bool Play();
    // Stops the thread (waiting for it) and frees the OpenAL names and the
    // decoder.
    void Stop();
    // Toggles between playing and paused; a pause lasts until the next Pause.
    // A pause asked while the music starts (before its thread has made the
    // source play, or while it restarts after an underrun) holds the start:
    // nothing is heard until the next Pause.
    void Pause();
    // Sets the gain (1.0 = full); kept for the next Play.
    void Volume(f32 volume);
    // A play under way stands paused (by Pause), its start held included.
    bool isPaused();
    // The playing flag: set by Play, cleared when the thread ends.
    bool IsPlaying();
    // Whether the stream starts again at the end of the file (true by default).
    void Repeat(bool repeat);
    bool repeat();

    // One streaming pass made by the calling thread, as the thread makes
    // them: a music that has run out is no longer playing when it returns.
    // The sound manager's clocked device makes one before each slice it
    // mixes, so the stream never depends on when the thread wakes.
    void streamNow();

    // The thread's work.
    void run() override { Entry(); }
    void Entry();

    // The path given to load, and the file actually played.
    KyPath requestedPath();
    KyPath playPath();
    f32 volume();
    // OpenAL names and format of the current play (0 when none).
    u32 source();
    u32 format();

    // Fired by the sound manager when the music has ended and does not repeat.
    KyArray<KyICallback0Param*> onFinished;

private:
    // One pass of the thread; false when the thread must end.
    bool pass();
    // Decodes and queues chunks until four buffers are queued or the file
    // has run out (and, with repeat, could not start again).
    void refill();
    // The OpenAL format for the open decoder's layout; 0 when none.
    u32 chooseFormat();
    // Deletes the source and the buffers of the previous play.
    void releaseNames();

    KyPath m_requestedPath;
    KyPath m_playPath;
    bool m_repeat;
    KySoundStreamed m_stream;
    KyMutex m_musicMutex;
    u32 m_buffers[kBufferCount];
    u32 m_source;
    u32 m_format;
    bool m_stopRequested;
    u32 m_nextBuffer;
    s32 m_queued;
    bool m_playing;
    // A pause asked before the source played: the thread does not start it.
    bool m_startHeld;
    f32 m_volume;
};

#endif

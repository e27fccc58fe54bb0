#include "media/KyMusic.h"

#include <AL/al.h>

#include "core/KyCore.h"
#include "core/KyLog.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "media/KySoundManager.h"

KyMusic::KyMusic()
    : m_repeat(true)
    , m_source(0)
    , m_format(0)
    , m_stopRequested(false)
    , m_nextBuffer(0)
    , m_queued(0)
    , m_playing(false)
    , m_startHeld(false)
    , m_volume(1.0f)
{
    for (u32 i = 0; i < kBufferCount; ++i)
        m_buffers[i] = 0;
    KySingleton<KySoundManager>::instance();
}

KyMusic::~KyMusic()
{
    Stop();
    // After the manager's own teardown there is no list to leave.
    if (KySingleton<KySoundManager>::exists())
        KySingleton<KySoundManager>::instance()->removeMusic(this);
}

void KyMusic::load(const KyString& path)
{
    if (path == m_requestedPath)
        return;
    Stop();

    KyMutexLock lock(m_musicMutex);
    // Stored as given, so that the next load of the same text is recognised.
    setPath(path);
    m_requestedPath = path;
    m_playPath = path;
    if (!KySingleton<KyCore>::instance()->recursiveSearch)
        KyResourceManager::findLanguageFile(path, &m_playPath);
}

bool KyMusic::Play()
{
    if (IsPlaying())
        return true;
    KySoundManager* manager = KySingleton<KySoundManager>::instance();
    if (manager)
        manager->ready();
    // A thread that ran out may still be returning; it must be gone before
    // its names and decoder are replaced.
    wait();

    {
        KyMutexLock lock(m_musicMutex);
        // Names left by a play that ended on its own or failed.
        releaseNames();
        alGenBuffers(kBufferCount, m_buffers);
        alGenSources(1, &m_source);

        if (!m_stream.open(m_playPath)) {
            releaseNames();
            return false;
        }
        m_format = chooseFormat();
        if (m_format == 0) {
            logPrint("[KyMusic::Play()] file name : %s error : %s\n", m_playPath.c_str(),
                     "Unsupported sample format.");
            m_stream.close();
            releaseNames();
            return false;
        }
        Volume(m_volume);
        m_nextBuffer = 0;
        m_queued = 0;
        if (manager)
            manager->addMusic(this);
        m_playing = true;
        m_stopRequested = false;
        m_startHeld = false;
    }

    start();
    if (!hasThread()) {
        KyMutexLock lock(m_musicMutex);
        m_playing = false;
        return false;
    }
    return true;
}

u32 KyMusic::chooseFormat()
{
    u8 channels = m_stream.channels();
    u32 bits = m_stream.bits();
    if (bits != 8 && bits != 16)
        return 0;
    bool eight = bits == 8;
    ALenum format = 0;
    switch (channels) {
    case 1: format = eight ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16; break;
    case 2: format = eight ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16; break;
    case 4: format = alGetEnumValue(eight ? "AL_FORMAT_QUAD8" : "AL_FORMAT_QUAD16"); break;
    case 6: format = alGetEnumValue(eight ? "AL_FORMAT_51CHN8" : "AL_FORMAT_51CHN16"); break;
    default: break;
    }
    return format > 0 ? static_cast<u32>(format) : 0;
}

void KyMusic::releaseNames()
{
    if (m_source != 0) {
        alDeleteSources(1, &m_source);
        alDeleteBuffers(kBufferCount, m_buffers);
    }
    m_source = 0;
    for (u32 i = 0; i < kBufferCount; ++i)
        m_buffers[i] = 0;
    m_queued = 0;
}

void KyMusic::Stop()
{
    m_musicMutex.Lock();
    m_stopRequested = true;
    m_musicMutex.Unlock();
    // Wakes the thread between two passes, so the stop does not wait for
    // the rest of its pause.
    requestStop();

    wait();

    KyMutexLock lock(m_musicMutex);
    releaseNames();
    m_stream.close();
    m_playing = false;
    m_startHeld = false;
}

void KyMusic::Pause()
{
    KyMutexLock lock(m_musicMutex);
    if (m_source == 0)
        return;
    ALint state = 0;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING)
        alSourcePause(m_source);
    else if (state == AL_PAUSED)
        alSourcePlay(m_source);
    else if (m_playing)
        // Not started yet, or between an underrun and its restart: the
        // thread's next pass starts it only once the pause is undone.
        m_startHeld = !m_startHeld;
}

void KyMusic::Volume(f32 volume)
{
    KyMutexLock lock(m_musicMutex);
    m_volume = volume;
    if (m_source != 0)
        alSourcef(m_source, AL_GAIN, volume);
}

bool KyMusic::isPaused()
{
    KyMutexLock lock(m_musicMutex);
    if (m_source == 0)
        return false;
    ALint state = 0;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    return state == AL_PAUSED || (m_playing && m_startHeld);
}

bool KyMusic::IsPlaying()
{
    KyMutexLock lock(m_musicMutex);
    return m_playing;
}

void KyMusic::Repeat(bool repeat)
{
    KyMutexLock lock(m_musicMutex);
    m_repeat = repeat;
}

bool KyMusic::repeat()
{
    KyMutexLock lock(m_musicMutex);
    return m_repeat;
}

KyPath KyMusic::requestedPath()
{
    KyMutexLock lock(m_musicMutex);
    return m_requestedPath;
}

KyPath KyMusic::playPath()
{
    KyMutexLock lock(m_musicMutex);
    return m_playPath;
}

f32 KyMusic::volume()
{
    KyMutexLock lock(m_musicMutex);
    return m_volume;
}

u32 KyMusic::source()
{
    KyMutexLock lock(m_musicMutex);
    return m_source;
}

u32 KyMusic::format()
{
    KyMutexLock lock(m_musicMutex);
    return m_format;
}

void KyMusic::Entry()
{
    m_musicMutex.Lock();
    while (pass()) {
        m_musicMutex.Unlock();
        sleepUnlessStopped(kPassInterval);
        m_musicMutex.Lock();
    }
    m_playing = false;
    m_musicMutex.Unlock();
}

void KyMusic::streamNow()
{
    KyMutexLock lock(m_musicMutex);
    if (m_playing && !pass())
        m_playing = false;
}

bool KyMusic::pass()
{
    if (m_stopRequested)
        return false;
    // No source (no audio device): nothing can play, the music is over.
    if (m_source == 0)
        return false;

    ALint state = 0;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    if (state != AL_PAUSED && m_playPath.isEmpty())
        return false;

    ALint processed = 0;
    alGetSourcei(m_source, AL_BUFFERS_PROCESSED, &processed);
    if (processed > m_queued)
        processed = m_queued;
    if (processed > 0) {
        // Buffers are refilled in the fixed cyclic order of m_nextBuffer,
        // which is the queue order, so the names unqueued are not needed.
        ALuint unqueued[kBufferCount];
        alSourceUnqueueBuffers(m_source, processed, unqueued);
        m_queued -= processed;
    }

    refill();

    state = 0;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) {
        if (m_queued <= 0)
            return false; // the music has run out
        // First start, or restart after an underrun; a paused source, or a
        // start held by a pause, waits for the next Pause.
        if (state != AL_PAUSED && !m_startHeld)
            alSourcePlay(m_source);
    }
    return !m_stopRequested;
}

void KyMusic::refill()
{
    while (m_queued != static_cast<s32>(kBufferCount) && m_stream.isOpen()) {
        u8* data = nullptr;
        size_t size = 0;
        if (!m_stream.decode(&data, size)) {
            m_stream.close();
            // Start again from the top; a file that gives nothing even from
            // its start ends the music instead of being reopened forever.
            if (!repeat() || !m_stream.open(m_playPath) || !m_stream.decode(&data, size)) {
                m_stream.close();
                continue;
            }
        }
        ALuint buffer = m_buffers[m_nextBuffer];
        alBufferData(buffer, static_cast<ALenum>(m_format), data, static_cast<ALsizei>(size),
                     static_cast<ALsizei>(m_stream.rate()));
        alSourceQueueBuffers(m_source, 1, &buffer);
        ++m_queued;
        m_nextBuffer = (m_nextBuffer + 1) % kBufferCount;
    }
}

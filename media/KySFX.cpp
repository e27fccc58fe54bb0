#include "media/KySFX.h"

#include <AL/al.h>

#include "core/KyCore.h"
#include "core/KyLog.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "media/KySoundManager.h"

KySFX::KySFX()
    : m_buffer(0)
    , m_source(0)
{
    if (KySoundManager* manager = KySingleton<KySoundManager>::instance())
        manager->ready();
    // Without a context the names stay 0 and every later call does nothing.
    alGenBuffers(1, &m_buffer);
    alGenSources(1, &m_source);
}

KySFX::~KySFX()
{
    if (m_source) {
        alSourceStop(m_source);
        alDeleteSources(1, &m_source);
    }
    if (m_buffer)
        alDeleteBuffers(1, &m_buffer);
}

void KySFX::load(const KyString& path)
{
    Stop();
    // The buffer cannot be refilled while a source holds it.
    if (m_source)
        alSourcei(m_source, AL_BUFFER, 0);

    KyPath file(path);
    if (!KySingleton<KyCore>::instance()->recursiveSearch)
        KyResourceManager::findLanguageFile(path, &file);
    m_name = path;

    if (!m_sound.open(file))
        return;

    ALenum format = 0;
    u8 channels = m_sound.channels();
    u32 bits = m_sound.bits();
    if (channels == 1 && bits == 8)
        format = AL_FORMAT_MONO8;
    else if (channels == 1 && bits == 16)
        format = AL_FORMAT_MONO16;
    else if (channels == 2 && bits == 8)
        format = AL_FORMAT_STEREO8;
    else if (channels == 2 && bits == 16)
        format = AL_FORMAT_STEREO16;

    size_t size = 0;
    u8* data = m_sound.decodeAll(size);
    if (format == 0 || size > 0x7FFFFFFF)
        logPrint("[KySFX::Load(const KyString& path)] file name : %s error : %s\n", path.c_str(),
                 "Decoding failed.");
    else if (m_buffer)
        alBufferData(m_buffer, format, data, static_cast<ALsizei>(size),
                     static_cast<ALsizei>(m_sound.rate()));
    m_sound.close();
}

bool KySFX::Play()
{
    // A playing source refuses a new buffer; it already holds this one and
    // alSourcePlay restarts it from the start.
    ALint attached = -1;
    if (m_source)
        alGetSourcei(m_source, AL_BUFFER, &attached);
    if (attached != static_cast<ALint>(m_buffer))
        alSourcei(m_source, AL_BUFFER, static_cast<ALint>(m_buffer));
    alSourcePlay(m_source);
    ALenum error = alGetError();
    if (error != AL_NO_ERROR) {
        logPrint("[KySFX::Play()] file name : %s error : %d\n", m_name.c_str(), error);
        return false;
    }
    return true;
}

void KySFX::Stop()
{
    KySingleton<KySoundManager>::instance();
    if (m_source)
        alSourceStop(m_source);
}

bool KySFX::IsPlaying()
{
    KySingleton<KySoundManager>::instance();
    ALint state = 0;
    if (m_source)
        alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

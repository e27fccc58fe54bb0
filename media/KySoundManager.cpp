#include "media/KySoundManager.h"

#include <AL/al.h>

#include "core/KyLog.h"
#include "media/KyMusic.h"
#include "media/KySFX.h"

KySoundManager::KySoundManager()
    : m_device(nullptr)
    , m_context(nullptr)
{
    m_device = alcOpenDevice(nullptr);
    if (m_device) {
        m_context = alcCreateContext(m_device, nullptr);
        alcMakeContextCurrent(m_context);
    }
    ALenum error = alGetError();
    if (error != AL_NO_ERROR)
        logPrint("[KySoundManager::Create()] error : %d\n", error);
}

KySoundManager::~KySoundManager()
{
    // Effects and music threads go while the context can still free their
    // sources; an effect left in the list would never be freed.
    for (KyList<KySFX*>::iterator it = effects.begin(); it != effects.end(); ++it)
        delete *it;
    effects.clear();
    for (KyList<KyMusic*>::iterator it = musics.begin(); it != musics.end(); ++it)
        (*it)->Stop();
    musics.clear();

    alcMakeContextCurrent(nullptr);
    if (m_context)
        alcDestroyContext(m_context);
    if (m_device)
        alcCloseDevice(m_device);
    m_context = nullptr;
    m_device = nullptr;
}

void KySoundManager::PlaySFX(const KyString& path)
{
    KySFX* effect = new KySFX();
    effect->load(path);
    effect->Play();
    effects.pushBack(effect);
}

void KySoundManager::update()
{
    updateEffects();
    updateMusics();
}

void KySoundManager::updateEffects()
{
    for (KyList<KySFX*>::iterator it = effects.begin(); it != effects.end(); ++it) {
        KySFX* effect = *it;
        if (!effect->IsPlaying()) {
            delete effect;
            effects.eraseNode(it.node()); // the iterator steps back; ++ goes on
        }
    }
}

void KySoundManager::updateMusics()
{
    for (KyList<KyMusic*>::iterator it = musics.begin(); it != musics.end(); ++it) {
        KyMusic* music = *it;
        if (music->IsPlaying() || music->repeat())
            continue;
        KyList<KyMusic*>::Node* node = it.node();
        music->onFinished.call();
        // A listener may have deleted the music (its node is gone and the
        // iterator stepped back), or played it again or set it to repeat
        // (it stays listed, to be watched again).
        if (it.node() == node && !music->IsPlaying() && !music->repeat())
            musics.eraseNode(node);
    }
}

void KySoundManager::addMusic(KyMusic* music)
{
    if (!musics.contains(music))
        musics.pushBack(music);
}

void KySoundManager::removeMusic(KyMusic* music)
{
    while (musics.remove(music)) {
    }
}

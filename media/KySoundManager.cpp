#include "media/KySoundManager.h"

#include <AL/al.h>
#include <AL/alext.h>

#include <algorithm>
#include <cstdlib>

#include "core/KyLog.h"
#include "media/KyMusic.h"
#include "media/KySFX.h"
#include "os/KyOsClock.h"
#include "os/KyOsLog.h"

namespace {

bool g_followClock = false;

// Sample frames mixed at a time: far less than the music's four queued
// chunks, so a stream topped up before a slice cannot run dry inside it.
const u32 kSliceFrames = 512;

} // namespace

void KySoundManager::setFollowsClock(bool follow)
{
    g_followClock = follow;
}

bool KySoundManager::followsClockRequested()
{
    return g_followClock;
}

KySoundManager::KySoundManager()
    : m_opener(*this)
    , m_wantClock(g_followClock)
    , m_ready(false)
    , m_device(nullptr)
    , m_context(nullptr)
    , m_render(nullptr)
    , m_clockStart(KyOsClock::microseconds())
    , m_lastClock(m_clockStart)
    , m_mixed(0)
    , m_peak(0)
{
    m_opener.start();
    // Without a thread the device is opened here.
    if (!m_opener.hasThread())
        open();
}

void KySoundManager::open()
{
    KyOsLog::Capture capture(m_openingLog);
    if (!m_wantClock || !openClockedDevice()) {
        if (m_wantClock)
            logPrint("[KySoundManager] no loopback device: the sound follows the sound card's clock\n");
        m_device = alcOpenDevice(nullptr);
        if (m_device) {
            m_context = alcCreateContext(m_device, nullptr);
            alcMakeContextCurrent(m_context);
        }
    }
    ALenum error = alGetError();
    if (error != AL_NO_ERROR)
        logPrint("[KySoundManager::Create()] error : %d\n", error);
}

void KySoundManager::ready() const
{
    if (m_ready)
        return;
    m_opener.wait();
    m_ready = true;
    if (!m_openingLog.empty())
        logPrint("%s", m_openingLog.c_str());
    m_openingLog.clear();
}

bool KySoundManager::openClockedDevice()
{
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback"))
        return false;
    LPALCLOOPBACKOPENDEVICESOFT openLoopback =
        reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    RenderFunction render = reinterpret_cast<RenderFunction>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (!openLoopback || !render)
        return false;
    ALCdevice* device = openLoopback(nullptr);
    if (!device)
        return false;
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT,
                                 ALC_FREQUENCY, ALCint(ClockedRate), 0};
    ALCcontext* context = alcCreateContext(device, attributes);
    if (!context || !alcMakeContextCurrent(context)) {
        if (context)
            alcDestroyContext(context);
        alcCloseDevice(device);
        return false;
    }
    m_device = device;
    m_context = context;
    m_render = render;
    m_mix.assign(size_t(kSliceFrames) * 2, 0);
    return true;
}

KySoundManager::~KySoundManager()
{
    ready();
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
    ready();
    KySFX* effect = new KySFX();
    effect->load(path);
    effect->Play();
    effects.pushBack(effect);
}

void KySoundManager::update()
{
    ready();
    if (m_render)
        mixToClock();
    updateEffects();
    updateMusics();
}

void KySoundManager::mixToClock()
{
    const u64 now = KyOsClock::microseconds();
    if (now < m_lastClock) {
        // The clock was set back: the mix starts counting again from here.
        m_clockStart = now;
        m_mixed = 0;
    }
    m_lastClock = now;
    const u64 due = (now - m_clockStart) * ClockedRate / 1000000u;
    if (due > m_mixed + MaxClockedCatchUp)
        m_mixed = due - MaxClockedCatchUp;
    while (m_mixed < due) {
        const u32 frames = u32(std::min<u64>(due - m_mixed, kSliceFrames));
        streamMusics();
        m_render(m_device, m_mix.data(), ALCsizei(frames));
        for (u32 i = 0; i < frames * 2; ++i)
            m_peak = std::max(m_peak, u32(std::abs(s32(m_mix[i]))));
        m_mixed += frames;
    }
    // A music whose last sample was just mixed is seen to have ended now,
    // not whenever its thread next looks.
    streamMusics();
}

void KySoundManager::streamMusics()
{
    for (KyList<KyMusic*>::iterator it = musics.begin(); it != musics.end(); ++it)
        (*it)->streamNow();
}

u32 KySoundManager::takePeak()
{
    const u32 peak = m_peak;
    m_peak = 0;
    return peak;
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

#include "ui/KyVideoPlayer.h"

#include "core/KyCallback0Param.h"
#include "core/KySingleton.h"
#include "platform/KyScreen.h"

KyVideoPlayer::KyVideoPlayer()
    : clickButton(KySingleton<KyScreen>::instance())
    , control(nullptr)
    , m_soundPaused(false)
{
}

KyVideoPlayer::~KyVideoPlayer() {}

void KyVideoPlayer::load(const KyString& videoPath)
{
    // A video that did not open is 0 x 0: the click area is empty.
    video.Open(videoPath);
    clickButton.setSize(KyVector3f32(f32(video.width), f32(video.height), 0.0f));

    // One toggle per click, however often the player is loaded.
    KyCallback0Param<KyVideoPlayer> toggle(this, &KyVideoPlayer::togglePlay);
    clickButton.onClicked().removeCallback(&toggle);
    clickButton.onClicked().pushBack(kyNewCallback(this, &KyVideoPlayer::togglePlay, 0.0f));
    clickButton.setEnable(true);

    // The first-frame step: with the clock just started no frame is due yet,
    // so this only reads ahead; the black picture stays until the first click.
    video.play();
    video.update();
    video.pause();
}

void KyVideoPlayer::setSoundTrack(const KyString& path)
{
    soundTrack.load(path);
}

void KyVideoPlayer::setButton(Ky3DObject* object)
{
    control = object;
    placeControl();
}

void KyVideoPlayer::setPosition(const KyVector3f32& position)
{
    Ky3DObject::setPosition(position);
    video.sprite.setPosition(position);
    clickButton.setPosition(position);
    placeControl();
}

void KyVideoPlayer::setScale(const KyVector3f32& scale)
{
    m_scale = scale;
    video.sprite.setScaleCenter(KyVector3f32(0.0f, 0.0f, 0.0f));
    video.sprite.setScale(scale);
    clickButton.setScale(scale);
}

bool KyVideoPlayer::togglePlay()
{
    if (!video.playing) {
        video.play();
        if (hasSoundTrack()) {
            // A sound track this player paused resumes where it was: Play
            // would leave a paused music paused, since it still counts as
            // playing.
            if (m_soundPaused && soundTrack.IsPlaying())
                soundTrack.Pause();
            else
                soundTrack.Play();
        }
        m_soundPaused = false;
    } else {
        video.pause();
        if (hasSoundTrack() && soundTrack.IsPlaying()) {
            soundTrack.Pause();
            m_soundPaused = true;
        }
    }
    return false;
}

void KyVideoPlayer::placeControl()
{
    if (!control)
        return;
    const KyVector3f32 at = control->position();
    control->setPosition(KyVector3f32(at.x, at.y, position().z - 1.0f));
}

bool KyVideoPlayer::hasSoundTrack()
{
    // Without a sound track there is nothing to open: Play would only log
    // the failure to open an empty path.
    return !soundTrack.requestedPath().isEmpty();
}

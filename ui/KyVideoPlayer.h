#ifndef KY_VIDEO_PLAYER_H
#define KY_VIDEO_PLAYER_H

#include "core/KyString.h"
#include "core/KyVector3f32.h"
#include "media/KyMusic.h"
#include "platform/Ky3DObject.h"
#include "ui/KyButton.h"
#include "ui/KyVideo.h"

// A video of an XML interface with an optional sound track: the video's
// sprite shows the picture and an invisible button the size of the video
// takes the clicks, each of which toggles play and pause of both.
//
// After load the player shows the black picture, paused. At the end of the
// file the video stops and rewinds; the next click plays it again from the
// start. A player without a sound track plays silently.
class KyVideoPlayer : public Ky3DObject {
public:
    KyVideoPlayer();
    // Destroys the click button, the sound track (stopping it), the video.
    ~KyVideoPlayer() override;

    // Opens the video (a failed open leaves a 0 x 0 video), sizes the click
    // area to it and enables it, and stays paused on the black picture.
    void load(const KyString& videoPath);
    // The sound track played beside the video; nothing plays before the
    // first click.
    void setSoundTrack(const KyString& path);
    // Attaches a control (not owned): it keeps its x and y and is put one
    // unit below the player in z.
    void setButton(Ky3DObject* object);

    // Moves the video's sprite and the click area with the player; an
    // attached control follows in z only.
    void setPosition(const KyVector3f32& position) override;
    // The video's sprite scales about its corner; the click area follows.
    void setScale(const KyVector3f32& scale) override;

    // The click: plays both when the video is not playing, pauses both
    // otherwise. False, so that other listeners of the click still run.
    bool togglePlay();

    KyVideo video;
    KyMusic soundTrack;
    KyButton clickButton;
    Ky3DObject* control;

private:
    // Puts the control one unit below the player in z.
    void placeControl();
    bool hasSoundTrack();

    // The sound track was paused by togglePlay and waits to be resumed.
    bool m_soundPaused;
};

#endif

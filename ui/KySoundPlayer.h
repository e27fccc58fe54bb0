#ifndef KY_SOUND_PLAYER_H
#define KY_SOUND_PLAYER_H

#include "core/KyString.h"
#include "core/KyVector3f32.h"
#include "media/KyMusic.h"
#include "platform/Ky3DObject.h"
#include "ui/KySpriteButton.h"

class TiXmlElement;

// A sound of an XML interface played as streamed music, with a play button
// and a stop button at the same place: only one of them is shown and takes
// clicks at a time. The play button shows while the sound is stopped, the
// stop button while it plays; the end of the sound shows the play button
// again without a click.
class KySoundPlayer : public Ky3DObject {
public:
    KySoundPlayer();
    // Destroys the stop button, the play button, then the music (stopping it).
    ~KySoundPlayer() override;

    // The sound to play, played once (no repeat).
    void setAudioFile(const KyString& path);

    // Starts the sound and shows the stop button. A sound that cannot be
    // played leaves the play button shown.
    void play();
    // Stops the sound and shows the play button.
    void stop();

    // Both buttons move with the player.
    void setPosition(const KyVector3f32& position) override;
    // Both buttons take the scale.
    void setScale(const KyVector3f32& scale) override;

    // Attributes "audio_file", "x", "y", "z" (names in any case); children
    // "PlayButton" and "StopButton" (exact names) describe the buttons.
    void loadFromXml(TiXmlElement* element);

    // Click listeners; false, so that other listeners still run.
    bool onPlayClicked();
    bool onStopClicked();

    KyMusic music;
    KySpriteButton playButton;
    KySpriteButton stopButton;

private:
    // The looks: the stop button alone while playing, the play button alone
    // while stopped.
    void showPlaying();
    void showStopped();
};

#endif

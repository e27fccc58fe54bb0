#ifndef KY_VIDEO_H
#define KY_VIDEO_H

#include "core/KyArray.h"
#include "core/KyObject.h"
#include "core/KyString.h"
#include "media/KyTheoraDecoder.h"
#include "ui/KySprite.h"

// An Ogg Theora video (picture only: a sound track is a separate music)
// decoded into an RGB image that a sprite of its own shows. Every video is listed among the live videos
// from construction to destruction; the application advances them all once
// a frame with updateAll.
//
// After Open the video shows a black image, not playing; play runs the
// frames on the video's clock, pause keeps the position, stop rewinds. At
// the end of the file it stops and rewinds, firing onStopped then
// onFinished.
class KyVideo : public KyObject, public KyTheoraDecoder {
public:
    KyVideo();
    // Leaves the live list, then closes.
    ~KyVideo() override;

    // Opens path, preferring the copy in the current language's folder:
    // "Videos/intro.ogv" with language "fr" opens "Videos/fr/intro.ogv" when
    // that file exists (there is no other fallback). The file name stays
    // path. Logs and returns false when the file cannot be opened or is not
    // a playable Theora video.
    bool Open(const KyString& path);
    // Releases the file and the decoder; the sprite loses its texture.
    void close();

    // Decodes the frames due by the clock and shows the last one.
    void update();
    // update for every live video, in the order they were made. A listener
    // may stop or delete any video meanwhile.
    static void updateAll();

    // The live videos, in the order they were made.
    static const KyArray<KyVideo*>& liveVideos();

    // Shows the current frame; made with the screen.
    KySprite sprite;

protected:
    // The sprite takes a texture of the black image.
    void imageCreated() override;
    // The new frame replaces the picture of the sprite's texture.
    void frameConverted() override;

private:
    KyVideo(const KyVideo&) = delete;
    KyVideo& operator=(const KyVideo&) = delete;
};

#endif

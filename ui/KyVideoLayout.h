#ifndef KY_VIDEO_LAYOUT_H
#define KY_VIDEO_LAYOUT_H

#include "core/KyArray.h"
#include "core/KyObject.h"
#include "core/KyString.h"
#include "media/KyTheoraDecoder.h"
#include "ui/KySpriteLayout.h"

class KyImg;

// A sprite layout that shows an Ogg Theora video in place of a picture. The
// decoding (file, Ogg framing, headers, frame clock, colour conversion, end
// of file) is the shared Theora core; the layout shows each converted frame
// through its own textured quad.
//
// The owner opens a file and plays it; every live video layout is advanced
// once a frame by updateAll. At the end of the file the video stops and
// rewinds: onStopped fires (as it does for every stop), then onFinished.
// Listeners may stop, close or destroy the layout, or any other one, while
// they are called.
//
// Unlike KyVideo, the path is opened as given (no language folder) and there
// is no pause. The picture cannot be replaced from outside: the two load
// slots of the sprite layout do nothing here.
//
// The engine's deferred-deletion queue is reached through this class too
// (deleteLater, deletePending), as the game's frame expects.
class KyVideoLayout : public KySpriteLayout, public KyTheoraDecoder {
public:
    KyVideoLayout();
    ~KyVideoLayout() override;

    // Closes what was open, then opens path (unchanged) and shows the black
    // first picture. False, with a log line, when the file cannot be opened
    // or is not a playable Theora video; the layout is then closed.
    bool open(const KyString& path);
    // Only when open: frees the decoder, closes the file and lets the
    // texture go. A layout that is not open is left untouched.
    void close();

    // Lays the layout (and its children) out, then decodes the frames due
    // by the clock and shows the last one. Nothing is decoded unless open
    // and playing.
    void update() override;
    // update() of every live video layout, in the order they were made,
    // once a frame. Layouts destroyed or created by listeners meanwhile are
    // handled: the destroyed are not visited again, the new are visited.
    static void updateAll();
    static const KyArray<KyVideoLayout*>& liveLayouts();

    // No effect: the picture of a video layout is its video.
    void loadFromImage(KyImg* image) override;
    void load(const KyString& path) override;

    // The deferred-deletion queue: objects released from inside their own
    // callbacks are deleted once a frame, after drawing.
    static void deleteLater(KyObject* object);
    static void deletePending();
    static const KyArray<KyObject*>& pendingDeletes();

protected:
    void imageCreated() override;
    void frameConverted() override;

private:
    // A video layout plays or stops; it does not pause.
    using KyTheoraDecoder::pause;
};

#endif

#ifndef KY_THEORA_DECODER_H
#define KY_THEORA_DECODER_H

#include "core/KyArray.h"
#include "core/KyBufferedFile.h"
#include "core/KyICallback0Param.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "platform/KyImg.h"

#include <theora/codec.h>

// The decoding core shared by everything that plays an Ogg Theora file (the
// video of a sprite, the video of a layout): the file read through a
// buffered file, Ogg framing with libogg, decoding with libtheora, the video
// clock, the conversion of a frame into an RGB image and the end-of-file
// handling. What shows the image is left to the player, through two hooks.
//
// A player derives from it, picks the file to open (openStream), shows the
// image when told (imageCreated, frameConverted) and calls decodeDueFrames
// once a frame. Frames are decoded on the main thread, as many as the clock
// says are due; only the last one decoded is converted.
//
// State: closed -> open (not playing, frame 0, black image) -> playing
// (frames follow the clock) -> at the end of the file: not playing, rewound,
// onStopped then onFinished fired once.
class KyTheoraDecoder {
public:
    KyTheoraDecoder();
    // Releases the file, its reader thread and the decoder state.
    virtual ~KyTheoraDecoder();

    // Frames advance while set; the clock runs meanwhile.
    void play();
    // Keeps the position; the clock pauses.
    void pause();
    // Not playing, frame 0, the file rewound to dataStart (what was read
    // ahead is dropped), the clock paused at 0; then onStopped fires.
    void stop();

    // The path given when opening (empty when closed).
    KyString fileName() const { return m_fileName; }

    // Converts a decoded Y'CbCr frame into RGB, three bytes a pixel, rows
    // bottom-up (width x 3 bytes each). The picture region starts at
    // (pictureX, pictureY) from the top-left; the luma samples are read from
    // offsets with their lowest bit cleared, and the chroma samples follow
    // the pixel format (TH_PF_420, TH_PF_422 or TH_PF_444).
    static void convertFrame(const th_ycbcr_buffer planes, int pixelFormat, u32 pictureX, u32 pictureY, u32 width,
                             u32 height, u8* rgb);
    // One pixel of the conversion, each channel clamped to 0 to 255:
    //   R = (74 Y + 102 V - 14240) >> 6
    //   G = (74 Y - 25 U - 52 V + 8672) >> 6
    //   B = (74 Y + 129 U - 17696) >> 6
    static void yuvToRgb(s32 y, s32 u, s32 v, u8* rgb);

    // The largest picture accepted, in pixels a side, and in RGB bytes.
    static constexpr u32 kMaxSide = 16384;
    static constexpr u64 kMaxImageBytes = u64(64) << 20;

    bool opened;
    bool playing;
    // Playing time in microseconds; paused while the video does not play.
    KyTimer clock;
    // Frames decoded since the start.
    u32 frame;
    // The picture region's size.
    u32 width;
    u32 height;
    f64 frameRate;
    // Fired when the file has run out, after onStopped.
    KyArray<KyICallback0Param*> onFinished;
    // Fired by stop, and so at the end of the file.
    KyArray<KyICallback0Param*> onStopped;
    // The current frame in RGB (format 5), rows bottom-up.
    KyImg image;
    // Set by each conversion.
    bool imageChanged;
    KyBufferedFile file;
    // Bytes read by the last refill; 0 once the end of the file was met.
    u32 lastRead;
    // Where stop rewinds the file to.
    u32 dataStart;

protected:
    // Opens the file at openPath (the player has chosen it; path is what the
    // caller gave, kept as the file name and used in messages), reads the
    // three Theora headers, makes the decoder and a black image of the
    // picture's size, then calls imageCreated. logName starts each message
    // ("KyVideo::Open" gives "[KyVideo::Open] ..."). Any failure logs,
    // releases everything and returns false.
    bool openStream(const KyString& openPath, const KyString& path, const char* logName);
    // Frees the decoder state and closes the file: opened and playing
    // false, no file name, no picture size, the clock back at 0. Safe to
    // call when closed.
    void closeStream();

    // The per-frame decode: nothing unless opened and playing. Decodes the
    // frames due by the clock, converts the last one and calls
    // frameConverted; at the end of the file stops and fires onStopped,
    // then onFinished. Listeners may stop, close or destroy the player.
    void decodeDueFrames();

    // The image was made (black) by a successful open.
    virtual void imageCreated() {}
    // The image holds a newly converted frame.
    virtual void frameConverted() {}

private:
    KyTheoraDecoder(const KyTheoraDecoder&) = delete;
    KyTheoraDecoder& operator=(const KyTheoraDecoder&) = delete;

    struct State;

    // Reads up to 4096 more bytes of the file into the sync buffer.
    u32 refill();
    // Takes the next complete page out of the sync buffer (skipping bytes
    // that are not a page); false when more data is needed.
    bool nextPage();
    bool readHeaders();
    // Whether the stream's info is one this decoder can play: a frame rate
    // with non-zero terms and a picture of sane size.
    bool acceptableInfo() const;
    bool convertCurrentFrame();

    // Marks the decodeDueFrames calls in progress when the player is
    // destroyed by a listener.
    struct LifeGuard {
        bool alive;
        LifeGuard* outer;
    };

    State* m_state;
    KyString m_fileName;
    LifeGuard* m_guards;
};

// The list of live players of one kind, walked once a frame. Players join
// it at construction and leave it at destruction; a walk goes on correctly
// when the callee, or a listener it fires, destroys players (itself
// included) or creates new ones (they are visited in the same walk).
template <class T>
class KyLivePlayers {
public:
    // The one list of the players of kind T: made on first use, freed at
    // exit.
    static KyLivePlayers& live()
    {
        static Owner owner;
        if (!s_live)
            s_live = new KyLivePlayers;
        return *s_live;
    }
    // Takes player off the list of its kind. A player destroyed after the
    // list was freed at exit (a static one) finds none and has nothing to
    // leave.
    static void leave(T* player)
    {
        if (s_live)
            s_live->remove(player);
    }

    void add(T* player) { m_players.pushBack(player); }

    void remove(T* player)
    {
        u32 index;
        if (!m_players.find(player, &index))
            return;
        m_players.removeAt(index);
        for (Walk* walk = m_walks; walk; walk = walk->outer) {
            if (index <= walk->index)
                --walk->index; // wraps below 0 and comes back with the increment
        }
    }

    template <class Visit>
    void walk(Visit visit)
    {
        Walk walk = {0, m_walks};
        m_walks = &walk;
        for (walk.index = 0; walk.index < m_players.count(); ++walk.index)
            visit(m_players[walk.index]);
        m_walks = walk.outer;
    }

    const KyArray<T*>& players() const { return m_players; }

private:
    struct Walk {
        u32 index;
        Walk* outer;
    };

    // Frees the list at exit. The pointer itself needs no destruction, so
    // it can be read after that.
    struct Owner {
        ~Owner()
        {
            delete s_live;
            s_live = nullptr;
        }
    };

    static inline KyLivePlayers* s_live = nullptr;

    KyArray<T*> m_players;
    Walk* m_walks = nullptr;
};

#endif

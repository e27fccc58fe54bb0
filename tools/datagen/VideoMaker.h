#ifndef KY_DATAGEN_VIDEO_MAKER_H
#define KY_DATAGEN_VIDEO_MAKER_H

#include "tools/datagen/DescriptionRunner.h"
#include "tools/datagen/Maker.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class PictureMaker;

// A Theora video (".ogv") whose frames are frames of picture strips drawn
// from their descriptions, with an optional Vorbis sound track made from a
// sound description and muxed beside it:
//
//   video [fps=12] [quality=48] [keyframes=64]
//   frames PATH [from=0] [to=LAST] [hold=1]   frames from..to of the strip,
//                                             each shown hold times
//   sound PATH                                the sound track
//
// PATH names a picture (or a sound) as the game would; its description is
// PATH.gen. Every frame has the size of the first; the coded frame is
// rounded up to whole 16-pixel blocks around the picture, which the video
// decoder crops away again. Colours are converted to Y'CbCr (studio range,
// the decoder's coefficients) with the chroma halved both ways.
class VideoMaker : public Maker {
public:
    explicit VideoMaker(DescriptionRunner& runner);
    ~VideoMaker() override;

    void header(Command& command) override;
    void command(Command& command) override;
    std::vector<std::uint8_t> finish(const std::string& outputName) override;
    std::string kind() const override { return "video"; }

private:
    struct Frame {
        const PictureMaker* strip;
        int index;
        int hold;
    };
    const PictureMaker& strip(const Command& command);
    void frames(Command& command);
    void sound(Command& command);

    DescriptionRunner& m_runner;
    double m_fps;
    int m_quality;
    int m_keyframes;
    int m_width;
    int m_height;
    std::vector<Frame> m_frames;
    std::map<std::string, std::unique_ptr<PictureMaker>> m_strips;
    bool m_hasSound;
    std::vector<float> m_samples;
    int m_rate;
    int m_channels;
    double m_soundQuality;
};

#endif

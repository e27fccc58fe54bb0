#ifndef KY_DATAGEN_PANORAMA_MAKER_H
#define KY_DATAGEN_PANORAMA_MAKER_H

#include "tools/content/WarpWriter.h"
#include "tools/datagen/Maker.h"

#include <map>
#include <memory>
#include <string>

class PictureMaker;

// A cube panorama (".wp") whose faces and animation layers are pictures of
// the data folder, drawn from their descriptions and cut into tiles by the
// panorama writer:
//
//   panorama [format=png] [tile=0] [quality=90] [grid=0] [pick=0]
//   face FACE PATH [frame=K]               each of the six faces, once
//   animation NAME                         NAME: exactly 4 characters
//     layer FACE PATH [frame=K] [pick=opaque]   drawn over FACE in this frame
//     pick FACE COLUMN,ROW ...             clickable cells of this frame
//     frame                                starts the next frame
//   end
//
// FACE is 0 to 5 or top, bottom, back, front, right, left; PATH names a
// picture as the game would (its description is PATH.gen), frame=K takes
// one frame of a strip. The faces are squares of one power-of-two size;
// format is a tile format of the writer (png, jpeg, jpeg.zlib, tga, bmp,
// pvr), tile the tile side (0: the face side, at most 256), grid and pick
// the cells across a face of the animation and pick grids (0: the tile
// grid). Pick cells count rows from the bottom of the face picture.
class PanoramaMaker : public Maker {
public:
    explicit PanoramaMaker(DescriptionRunner& runner);
    ~PanoramaMaker() override;

    void header(Command& command) override;
    void command(Command& command) override;
    bool opensBlock(const std::string& name) const override { return name == "animation"; }
    void block(Command& command, const DescriptionRunner::Body& body) override;
    std::vector<std::uint8_t> finish(const std::string& outputName) override;
    std::string kind() const override { return "panorama"; }

private:
    u32 faceOf(const Command& command, size_t i) const;
    // The picture a description draws (one frame of it with frame=K), as
    // the panorama writer takes pictures: rows bottom first.
    WarpWriter::Picture picture(const Command& command, size_t pathIndex);
    WarpWriter::FrameSource& currentFrame(const Command& command);

    DescriptionRunner& m_runner;
    WarpWriter::Source m_source;
    bool m_hasFace[6];
    bool m_inAnimation;
    std::map<std::string, std::unique_ptr<PictureMaker>> m_pictures;
};

#endif

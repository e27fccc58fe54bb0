#ifndef KY_DATAGEN_PICTURE_MAKER_H
#define KY_DATAGEN_PICTURE_MAKER_H

#include "tools/datagen/Canvas.h"
#include "tools/datagen/DescriptionRunner.h"
#include "tools/datagen/Maker.h"
#include "tools/datagen/PictureEncoder.h"

#include <map>
#include <memory>
#include <string>

class FontFace;

// Draws a picture description:
//
//   picture WIDTH HEIGHT [frames=N] [background=PAINT] [quality=90]
//           [channels=auto|rgb|rgba] [matte=COLOUR]
//   fill PAINT
//   rect X Y W H [radius=R] [fill=PAINT] [stroke=PAINT] [width=1]
//   circle CX CY R ...            ellipse CX CY RX RY ...
//   polygon X,Y X,Y X,Y ...       line X0 Y0 X1 Y1 [stroke=PAINT] [width=1]
//   border WIDTH PAINT [radius=R]   (inside the picture's or frame's edge)
//   bevel X Y W H SIZE [light=COLOUR] [dark=COLOUR]
//   text "TEXT" X Y [font=FILE] [size=16] [fill=PAINT] [align=left|center|right]
//        [valign=top|middle|baseline|bottom] [wrap=W] [spacing=N] [letters=N]
//        [outline=W,COLOUR] [shadow=DX,DY,COLOUR]
//   image PATH X Y [W H] [frame=K] [opacity=A]
//   frame K|all  ...  end          (draws into one frame of a strip, or each)
//
// Every drawing command also takes opacity=A (0 to 1). A picture with
// frames=N is a horizontal strip of N frames of WIDTH x HEIGHT; inside a
// frame block the coordinates are the frame's and drawing is clipped to it.
// The variables width, height, frame and frames follow the picture and the
// frame being drawn. "image" draws another picture of the data folder from
// its description (PATH names the picture, as the game would).
class PictureMaker : public Maker {
public:
    explicit PictureMaker(DescriptionRunner& runner);
    ~PictureMaker() override;

    // The "picture" line.
    void header(Command& command) override;
    void command(Command& command) override;
    // Encodes the picture in the format of the output's name.
    std::vector<std::uint8_t> finish(const std::string& outputName) override;
    std::string kind() const override { return "picture"; }
    bool opensBlock(const std::string& name) const override { return name == "frame"; }
    void block(Command& command, const DescriptionRunner::Body& body) override;

    const Canvas& canvas() const { return *m_canvas; }
    int frames() const { return m_frames; }
    int frameWidth() const { return m_frameWidth; }
    const PictureEncoder::Options& options() const { return m_options; }

    // Runs a picture description file and returns the maker that drew it.
    static std::unique_ptr<PictureMaker> draw(DataContext& context, const std::string& path);

private:
    void shape(Command& command);
    void border(Command& command);
    void bevel(Command& command);
    void text(Command& command);
    void image(Command& command);
    void setRegionVariables(int frame);
    const FontFace& face(const Command& command, const std::string& file, int size);
    std::unique_ptr<Paint> paint(const Command& command, const std::string& key) const;

    DescriptionRunner& m_runner;
    std::unique_ptr<Canvas> m_canvas;
    Canvas::Region m_region;
    int m_frames;
    int m_frameWidth;
    bool m_inFrame;
    PictureEncoder::Options m_options;
    std::map<std::string, std::unique_ptr<FontFace>> m_faces;
    std::map<std::string, std::unique_ptr<PictureMaker>> m_pictures;
};

#endif

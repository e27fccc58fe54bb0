#ifndef KY_DATAGEN_FONT_FILE_MAKER_H
#define KY_DATAGEN_FONT_FILE_MAKER_H

#include "tools/datagen/Maker.h"

// A font description, one line:
//
//   font FILE [size=16] [chars=cp1252|latin1|ascii] [range=32-126,160-255] [hinting=1]
//
// FILE is a TrueType font (looked for beside the description, in the data
// folder, then in the font folders). The output's name chooses the file:
// ".kyf" (the glyph font of the text layouts) or ".font" (the bitmap font
// of the text printer). See FontMaker for what each holds.
class FontFileMaker : public Maker {
public:
    explicit FontFileMaker(DataContext& context) : m_context(context) {}

    void header(Command& command) override;
    std::vector<std::uint8_t> finish(const std::string& outputName) override;
    std::string kind() const override { return "font"; }

private:
    DataContext& m_context;
    std::string m_path;
    int m_size = 16;
    std::string m_characters = "cp1252";
    std::string m_range;
    bool m_hinting = true;
};

#endif

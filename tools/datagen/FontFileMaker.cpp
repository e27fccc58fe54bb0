#include "tools/datagen/FontFileMaker.h"

#include "tools/datagen/CharacterSet.h"
#include "tools/datagen/FontFace.h"
#include "tools/datagen/FontMaker.h"

#include <cctype>
#include <cmath>
#include <stdexcept>

void FontFileMaker::header(Command& command)
{
    command.expect(1, 1, "FILE");
    const double size = command.number("size", 16.0);
    if (size != std::floor(size) || size < 4 || size > 256)
        throw command.error("font: size is a whole number of pixels from 4 to 256");
    m_size = int(size);
    m_characters = command.option("chars", "cp1252");
    m_range = command.option("range", "");
    m_hinting = command.number("hinting", 1.0) != 0.0;
    command.finish();
    try {
        CharacterSet set = CharacterSet::named(m_characters);
        if (!m_range.empty())
            set.restrict(m_range);
    } catch (const std::runtime_error& e) {
        throw command.error(std::string("font: ") + e.what());
    }
    m_path = m_context.findFont(command.file(), command.text(0));
    if (m_path.empty())
        throw command.error("font: the font file '" + command.text(0) + "' is not found");
    m_context.noteRead(m_path);
}

std::vector<std::uint8_t> FontFileMaker::finish(const std::string& outputName)
{
    const size_t dot = outputName.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : outputName.substr(dot + 1);
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (extension != "kyf" && extension != "font")
        throw std::runtime_error("a font is written as .kyf or .font: '" + outputName + "' names neither");
    CharacterSet set = CharacterSet::named(m_characters);
    if (!m_range.empty())
        set.restrict(m_range);
    const FontFace face(m_path, m_size, m_hinting);
    if (extension == "kyf")
        return KyfWriter::kyf(FontMaker::glyphFont(face, set));
    return FontWriters::font(FontMaker::bitmapFont(face, set));
}

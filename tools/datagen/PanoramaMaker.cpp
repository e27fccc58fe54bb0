#include "tools/datagen/PanoramaMaker.h"

#include "tools/datagen/PictureMaker.h"

#include <cmath>
#include <stdexcept>

namespace {

const char* const faceNames[6] = {"top", "bottom", "back", "front", "right", "left"};

int wholeOption(const Command& command, const std::string& key, double fallback, int low, int high)
{
    const double value = command.number(key, fallback);
    if (value != std::floor(value) || value < low || value > high)
        throw command.error(command.name() + ": " + key + " is a whole number from " + std::to_string(low) + " to "
                            + std::to_string(high));
    return int(value);
}

} // namespace

PanoramaMaker::PanoramaMaker(DescriptionRunner& runner) : m_runner(runner), m_hasFace(), m_inAnimation(false)
{
}

PanoramaMaker::~PanoramaMaker()
{
}

void PanoramaMaker::header(Command& command)
{
    command.expect(0, 0, "only options");
    m_source.format = command.option("format", "png");
    if (!WarpWriter::isTileFormat(m_source.format))
        throw command.error("panorama: format is png, jpeg, jpeg.zlib, tga, bmp or pvr, not '" + m_source.format + "'");
    m_source.tileSize = u32(wholeOption(command, "tile", 0, 0, 256));
    m_source.quality = wholeOption(command, "quality", 90, 1, 100);
    m_source.animationGrid = u32(wholeOption(command, "grid", 0, 0, 4096));
    m_source.pickGrid = u32(wholeOption(command, "pick", 0, 0, 4096));
    command.finish();
}

u32 PanoramaMaker::faceOf(const Command& command, size_t i) const
{
    const std::string& text = command.text(i);
    for (u32 f = 0; f < 6; ++f)
        if (text == faceNames[f] || text == std::to_string(f))
            return f;
    throw command.error(command.name() + ": '" + text + "' is not a face (0 to 5, or top, bottom, back, front, right, left)");
}

WarpWriter::Picture PanoramaMaker::picture(const Command& command, size_t pathIndex)
{
    DataContext& context = m_runner.context();
    const std::string description = context.resolve(command.file(), command.text(pathIndex)) + ".gen";
    if (!DataContext::isRegularFile(description))
        throw command.error(command.name() + ": '" + command.text(pathIndex) + "' has no description (looked for "
                            + description + ")");
    std::unique_ptr<PictureMaker>& maker = m_pictures[description];
    if (!maker)
        maker = PictureMaker::draw(context, description);

    const Canvas& canvas = maker->canvas();
    int left = 0;
    int width = canvas.width();
    if (command.has("frame")) {
        const double frame = command.number("frame", 0.0);
        if (frame != std::floor(frame) || frame < 0 || frame >= maker->frames())
            throw command.error(command.name() + ": frame is a whole number from 0 to " + std::to_string(maker->frames() - 1));
        left = int(frame) * maker->frameWidth();
        width = maker->frameWidth();
    }
    const std::vector<std::uint8_t> rgba = canvas.rgba8();
    WarpWriter::Picture out;
    out.width = u32(width);
    out.height = u32(canvas.height());
    out.rgba.resize(size_t(width) * canvas.height() * 4);
    for (int y = 0; y < canvas.height(); ++y) {
        const std::uint8_t* from = &rgba[(size_t(canvas.height() - 1 - y) * canvas.width() + left) * 4];
        std::copy(from, from + size_t(width) * 4, &out.rgba[size_t(y) * width * 4]);
    }
    return out;
}

WarpWriter::FrameSource& PanoramaMaker::currentFrame(const Command& command)
{
    if (!m_inAnimation)
        throw command.error(command.name() + " belongs inside an 'animation NAME' ... 'end' block");
    return m_source.animations.back().frames.back();
}

void PanoramaMaker::command(Command& command)
{
    const std::string& name = command.name();
    if (name == "face") {
        command.expect(2, 2, "FACE PATH");
        if (m_inAnimation)
            throw command.error("face: the faces are given outside the animations");
        const u32 face = faceOf(command, 0);
        if (m_hasFace[face])
            throw command.error("face: the " + std::string(faceNames[face]) + " face is given twice");
        m_source.faces[face] = picture(command, 1);
        command.finish();
        m_hasFace[face] = true;
    } else if (name == "layer") {
        command.expect(2, 2, "FACE PATH");
        WarpWriter::Layer layer;
        layer.face = faceOf(command, 0);
        layer.picture = picture(command, 1);
        const std::string pick = command.option("pick", "");
        if (!pick.empty() && pick != "opaque")
            throw command.error("layer: pick is 'opaque' (cells go on a 'pick' line)");
        command.finish();
        WarpWriter::FrameSource& frame = currentFrame(command);
        frame.layers.push_back(layer);
        if (!pick.empty()) {
            WarpWriter::PickCells cells;
            cells.face = layer.face;
            cells.opaque = true;
            frame.picks.push_back(cells);
        }
    } else if (name == "pick") {
        command.expect(2, 100000, "FACE COLUMN,ROW ...");
        WarpWriter::PickCells cells;
        cells.face = faceOf(command, 0);
        for (size_t i = 1; i < command.count(); ++i) {
            const std::pair<double, double> cell = command.point(i);
            if (cell.first < 0 || cell.second < 0 || cell.first > 65535 || cell.second > 65535
                || cell.first != std::floor(cell.first) || cell.second != std::floor(cell.second))
                throw command.error("pick: '" + command.text(i) + "' is not a cell of the pick grid");
            cells.cells.push_back(WarpWriter::Cell(u16(cell.first), u16(cell.second)));
        }
        command.finish();
        currentFrame(command).picks.push_back(cells);
    } else if (name == "frame") {
        command.expect(0, 0, "nothing");
        command.finish();
        currentFrame(command);
        m_source.animations.back().frames.push_back(WarpWriter::FrameSource());
    } else if (name == "panorama") {
        throw command.error("panorama: a description makes one panorama (the 'panorama' line comes once, first)");
    } else {
        throw command.error("unknown panorama command '" + name + "' (face, animation, layer, pick, frame)");
    }
}

void PanoramaMaker::block(Command& command, const DescriptionRunner::Body& body)
{
    command.expect(1, 1, "NAME");
    command.finish();
    if (m_inAnimation)
        throw command.error("animation: animations do not nest");
    if (command.text(0).size() != 4)
        throw command.error("animation: the name '" + command.text(0) + "' is not exactly 4 characters");
    WarpWriter::AnimationSource animation;
    animation.name = command.text(0);
    animation.frames.push_back(WarpWriter::FrameSource());
    m_source.animations.push_back(animation);
    m_inAnimation = true;
    try {
        m_runner.runBody(body, *this);
    } catch (...) {
        m_inAnimation = false;
        throw;
    }
    m_inAnimation = false;
}

std::vector<std::uint8_t> PanoramaMaker::finish(const std::string& outputName)
{
    const size_t dot = outputName.rfind('.');
    if (dot == std::string::npos || outputName.substr(dot) != ".wp")
        throw std::runtime_error("a panorama is written as .wp: '" + outputName + "' is not");
    for (u32 f = 0; f < 6; ++f)
        if (!m_hasFace[f])
            throw std::runtime_error(std::string("the ") + faceNames[f] + " face is missing (face " + faceNames[f] + " PATH)");
    WarpWriter::Bytes bytes;
    std::string error;
    if (!WarpWriter::write(m_source, bytes, error))
        throw std::runtime_error(error);
    return bytes;
}

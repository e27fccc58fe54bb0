#include "tools/datagen/PictureMaker.h"

#include "tools/datagen/CharacterSet.h"
#include "tools/datagen/FontFace.h"
#include "tools/datagen/Shape.h"
#include "tools/datagen/TextSetter.h"

#include <cmath>
#include <stdexcept>

namespace {

const int maxNesting = 8;

// Runs a picture description whose first command must be "picture".
class PictureOnly : public DescriptionRunner::Handler {
public:
    explicit PictureOnly(PictureMaker& maker) : m_maker(maker), m_started(false) {}

    void command(Command& command) override
    {
        if (m_started) {
            m_maker.command(command);
            return;
        }
        if (command.name() != "picture")
            throw command.error("a picture description starts with 'picture WIDTH HEIGHT', not '" + command.name() + "'");
        m_maker.header(command);
        m_started = true;
    }
    bool opensBlock(const std::string& name) const override { return m_started && m_maker.opensBlock(name); }
    void block(Command& command, const DescriptionRunner::Body& body) override { m_maker.block(command, body); }
    bool started() const { return m_started; }

private:
    PictureMaker& m_maker;
    bool m_started;
};

int wholeNumber(const Command& command, double value, const char* what, int low, int high)
{
    if (value != std::floor(value) || value < low || value > high)
        throw command.error(command.name() + ": " + what + " must be a whole number from " + std::to_string(low) + " to "
                            + std::to_string(high) + ", not " + Expression::format(value));
    return int(value);
}

Colour colourOf(const Command& command, const std::string& text)
{
    try {
        return Paint::colour(text);
    } catch (const std::runtime_error& e) {
        throw command.error(command.name() + ": " + e.what());
    }
}

double opacityOf(const Command& command)
{
    const double opacity = command.number("opacity", 1.0);
    if (opacity < 0.0 || opacity > 1.0)
        throw command.error(command.name() + ": opacity goes from 0 to 1");
    return opacity;
}

} // namespace

PictureMaker::PictureMaker(DescriptionRunner& runner)
    : m_runner(runner), m_frames(1), m_frameWidth(0), m_inFrame(false)
{
}

PictureMaker::~PictureMaker()
{
}

std::unique_ptr<PictureMaker> PictureMaker::draw(DataContext& context, const std::string& path)
{
    DescriptionRunner runner(context);
    std::unique_ptr<PictureMaker> maker(new PictureMaker(runner));
    PictureOnly handler(*maker);
    runner.runFile(path, handler);
    if (!handler.started())
        throw DataError(path, 0, "describes no picture (its first command must be 'picture WIDTH HEIGHT')");
    return maker;
}

void PictureMaker::header(Command& command)
{
    command.expect(2, 2, "WIDTH HEIGHT");
    const int width = wholeNumber(command, command.number(0), "the width", 1, Canvas::maxSide);
    const int height = wholeNumber(command, command.number(1), "the height", 1, Canvas::maxSide);
    m_frames = wholeNumber(command, command.number("frames", 1.0), "frames", 1, Canvas::maxSide);
    if (long(width) * m_frames > Canvas::maxSide || long(width) * m_frames * height > Canvas::maxArea)
        throw command.error("picture: " + std::to_string(width * m_frames) + " x " + std::to_string(height)
                            + " pixels is too large");
    m_frameWidth = width;
    m_options.quality = wholeNumber(command, command.number("quality", 90.0), "quality", 1, 100);
    m_options.channels = command.option("channels", "auto");
    if (m_options.channels != "auto" && m_options.channels != "rgb" && m_options.channels != "rgba")
        throw command.error("picture: channels is auto, rgb or rgba, not '" + m_options.channels + "'");
    m_options.matte = colourOf(command, command.option("matte", "#000000"));
    m_canvas.reset(new Canvas(width * m_frames, height));
    m_region = m_canvas->whole();
    m_runner.variables()["frames"] = std::to_string(m_frames);
    setRegionVariables(0);
    std::unique_ptr<Paint> background = paint(command, "background");
    command.finish();
    if (background)
        m_canvas->drawShape(m_region, RoundRectShape(0, 0, m_region.width, m_region.height, 0), background.get(), nullptr,
                            0.0, false, 1.0);
}

std::vector<std::uint8_t> PictureMaker::finish(const std::string& outputName)
{
    const std::string format = PictureEncoder::formatOf(outputName);
    if (format.empty())
        throw std::runtime_error("a picture is written as " + std::string(PictureEncoder::knownFormats()) + ": '"
                                 + outputName + "' names none of them");
    return PictureEncoder::encode(*m_canvas, format, m_options);
}

void PictureMaker::setRegionVariables(int frame)
{
    Variables& variables = m_runner.variables();
    variables["width"] = std::to_string(m_region.width);
    variables["height"] = std::to_string(m_region.height);
    variables["frame"] = std::to_string(frame);
}

std::unique_ptr<Paint> PictureMaker::paint(const Command& command, const std::string& key) const
{
    if (!command.has(key))
        return std::unique_ptr<Paint>();
    return Paint::parse(command, command.option(key));
}

void PictureMaker::command(Command& command)
{
    const std::string& name = command.name();
    if (name == "picture") {
        throw command.error("picture: a description draws one picture (the 'picture' line comes once, first)");
    } else if (name == "fill") {
        command.expect(1, 1, "PAINT");
        const std::unique_ptr<Paint> p = Paint::parse(command, command.text(0));
        const double opacity = opacityOf(command);
        command.finish();
        m_canvas->drawShape(m_region, RoundRectShape(0, 0, m_region.width, m_region.height, 0), p.get(), nullptr, 0.0,
                            false, opacity);
    } else if (name == "rect" || name == "circle" || name == "ellipse" || name == "polygon" || name == "line") {
        shape(command);
    } else if (name == "border") {
        border(command);
    } else if (name == "bevel") {
        bevel(command);
    } else if (name == "text") {
        text(command);
    } else if (name == "image") {
        image(command);
    } else {
        throw command.error("unknown picture command '" + name
                            + "' (fill, rect, circle, ellipse, polygon, line, border, bevel, text, image, frame)");
    }
}

void PictureMaker::block(Command& command, const DescriptionRunner::Body& body)
{
    command.expect(1, 1, "K or all");
    command.finish();
    if (m_inFrame)
        throw command.error("frame: frame blocks do not nest");
    int first = 0;
    int last = m_frames - 1;
    if (command.text(0) != "all") {
        first = last = wholeNumber(command, command.number(0), "the frame", 0, m_frames - 1);
    }
    const Canvas::Region whole = m_region;
    m_inFrame = true;
    for (int f = first; f <= last; ++f) {
        m_region.x = f * m_frameWidth;
        m_region.y = 0;
        m_region.width = m_frameWidth;
        m_region.height = m_canvas->height();
        setRegionVariables(f);
        try {
            m_runner.runBody(body, *this);
        } catch (...) {
            m_inFrame = false;
            throw;
        }
    }
    m_inFrame = false;
    m_region = whole;
    setRegionVariables(0);
}

void PictureMaker::shape(Command& command)
{
    const std::string& name = command.name();
    std::unique_ptr<Shape> outline;
    std::unique_ptr<Paint> fill;
    std::unique_ptr<Paint> stroke;
    double width = command.number("width", 1.0);
    if (width < 0.0)
        throw command.error(name + ": the stroke width cannot be negative");
    if (name == "rect") {
        command.expect(4, 4, "X Y WIDTH HEIGHT");
        outline.reset(new RoundRectShape(command.number(0), command.number(1), command.number(2), command.number(3),
                                         command.number("radius", 0.0)));
    } else if (name == "circle") {
        command.expect(3, 3, "CX CY RADIUS");
        outline.reset(new EllipseShape(command.number(0), command.number(1), command.number(2), command.number(2)));
    } else if (name == "ellipse") {
        command.expect(4, 4, "CX CY RX RY");
        outline.reset(new EllipseShape(command.number(0), command.number(1), command.number(2), command.number(3)));
    } else if (name == "polygon") {
        command.expect(3, 10000, "three or more points X,Y");
        std::vector<std::pair<double, double>> points;
        for (size_t i = 0; i < command.count(); ++i)
            points.push_back(command.point(i));
        outline.reset(new PolygonShape(points));
    } else {
        command.expect(4, 4, "X0 Y0 X1 Y1");
        outline.reset(new SegmentShape(command.number(0), command.number(1), command.number(2), command.number(3), width));
        fill = Paint::parse(command, command.option("stroke", "#000000"));
    }
    if (name != "line") {
        fill = paint(command, "fill");
        stroke = paint(command, "stroke");
    }
    const double opacity = opacityOf(command);
    command.finish();
    if (!fill && !stroke)
        throw command.error(name + " needs fill=PAINT, stroke=PAINT or both");
    m_canvas->drawShape(m_region, *outline, fill.get(), stroke.get(), width, false, opacity);
}

void PictureMaker::border(Command& command)
{
    command.expect(2, 2, "WIDTH PAINT");
    const double width = command.number(0);
    if (width <= 0.0)
        throw command.error("border: the width must be above 0");
    const std::unique_ptr<Paint> p = Paint::parse(command, command.text(1));
    const RoundRectShape outline(0, 0, m_region.width, m_region.height, command.number("radius", 0.0));
    const double opacity = opacityOf(command);
    command.finish();
    m_canvas->drawShape(m_region, outline, nullptr, p.get(), width, true, opacity);
}

void PictureMaker::bevel(Command& command)
{
    command.expect(5, 5, "X Y WIDTH HEIGHT SIZE");
    const double x = command.number(0), y = command.number(1), w = command.number(2), h = command.number(3);
    const double s = command.number(4);
    if (s <= 0.0 || 2.0 * s > std::min(w, h))
        throw command.error("bevel: the size must be above 0 and at most half the smaller side");
    const std::unique_ptr<Paint> light = Paint::parse(command, command.option("light", "#ffffff99"));
    const std::unique_ptr<Paint> dark = Paint::parse(command, command.option("dark", "#00000099"));
    const double opacity = opacityOf(command);
    command.finish();
    typedef std::vector<std::pair<double, double>> Points;
    const Points top = {{x, y}, {x + w, y}, {x + w - s, y + s}, {x + s, y + s}};
    const Points left = {{x, y}, {x + s, y + s}, {x + s, y + h - s}, {x, y + h}};
    const Points bottom = {{x, y + h}, {x + s, y + h - s}, {x + w - s, y + h - s}, {x + w, y + h}};
    const Points right = {{x + w, y}, {x + w, y + h}, {x + w - s, y + h - s}, {x + w - s, y + s}};
    m_canvas->drawShape(m_region, PolygonShape(top), light.get(), nullptr, 0.0, false, opacity);
    m_canvas->drawShape(m_region, PolygonShape(left), light.get(), nullptr, 0.0, false, opacity);
    m_canvas->drawShape(m_region, PolygonShape(bottom), dark.get(), nullptr, 0.0, false, opacity);
    m_canvas->drawShape(m_region, PolygonShape(right), dark.get(), nullptr, 0.0, false, opacity);
}

const FontFace& PictureMaker::face(const Command& command, const std::string& file, int size)
{
    DataContext& context = m_runner.context();
    const std::string path = context.findFont(command.file(), file);
    if (path.empty()) {
        std::string looked = "the data folder";
        for (const std::string& folder : context.fontFolders())
            looked += ", " + folder;
        throw command.error(command.name() + ": the font '" + file + "' is not found (looked in " + looked + ")");
    }
    const std::string key = path + "@" + std::to_string(size);
    std::unique_ptr<FontFace>& slot = m_faces[key];
    if (!slot) {
        context.noteRead(path);
        slot.reset(new FontFace(path, size));
    }
    return *slot;
}

void PictureMaker::text(Command& command)
{
    command.expect(3, 3, "\"TEXT\" X Y");
    std::vector<std::uint32_t> characters;
    try {
        characters = CharacterSet::decodeUtf8(command.text(0));
    } catch (const std::runtime_error& e) {
        throw command.error(std::string("text: ") + e.what());
    }
    const double x = command.number(1);
    const double y = command.number(2);
    const int size = wholeNumber(command, command.number("size", 16.0), "the size", 1, 1000);
    const FontFace& font = face(command, command.option("font", "DejaVuSans.ttf"), size);

    TextSetter::Layout layout;
    const std::string align = command.option("align", "left");
    if (align == "left")
        layout.align = TextSetter::Left;
    else if (align == "center" || align == "centre")
        layout.align = TextSetter::Center;
    else if (align == "right")
        layout.align = TextSetter::Right;
    else
        throw command.error("text: align is left, center or right, not '" + align + "'");
    const std::string valign = command.option("valign", "top");
    if (valign == "top")
        layout.verticalAlign = TextSetter::Top;
    else if (valign == "middle")
        layout.verticalAlign = TextSetter::Middle;
    else if (valign == "baseline")
        layout.verticalAlign = TextSetter::Baseline;
    else if (valign == "bottom")
        layout.verticalAlign = TextSetter::Bottom;
    else
        throw command.error("text: valign is top, middle, baseline or bottom, not '" + valign + "'");
    layout.wrap = command.number("wrap", 0.0);
    layout.lineSpacing = command.number("spacing", 0.0);
    layout.letterSpacing = command.number("letters", 0.0);

    const std::unique_ptr<Paint> fill = Paint::parse(command, command.option("fill", "#000000"));
    const double opacity = opacityOf(command);
    int outlineWidth = 0;
    std::unique_ptr<Paint> outline;
    const std::vector<std::string> outlineList = command.list("outline");
    if (!outlineList.empty()) {
        if (outlineList.size() != 2)
            throw command.error("text: outline is WIDTH,COLOUR");
        outlineWidth = wholeNumber(command, command.evaluate(outlineList[0]), "the outline width", 1, 16);
        outline.reset(new SolidPaint(colourOf(command, outlineList[1])));
    }
    const std::vector<std::string> shadowList = command.list("shadow");
    std::unique_ptr<Paint> shadow;
    int shadowX = 0, shadowY = 0;
    if (!shadowList.empty()) {
        if (shadowList.size() != 3)
            throw command.error("text: shadow is DX,DY,COLOUR");
        shadowX = int(std::lround(command.evaluate(shadowList[0])));
        shadowY = int(std::lround(command.evaluate(shadowList[1])));
        shadow.reset(new SolidPaint(colourOf(command, shadowList[2])));
    }
    command.finish();

    TextSetter setter(font);
    const TextSetter::Mask mask = setter.set(characters, x, y, layout);
    if (mask.width == 0)
        return;
    const TextSetter::Mask grown = TextSetter::dilate(mask, outlineWidth);
    if (shadow)
        m_canvas->drawMask(m_region, grown.left + shadowX, grown.top + shadowY, grown.width, grown.height,
                           grown.coverage.data(), *shadow, opacity);
    if (outline)
        m_canvas->drawMask(m_region, grown.left, grown.top, grown.width, grown.height, grown.coverage.data(), *outline,
                           opacity);
    m_canvas->drawMask(m_region, mask.left, mask.top, mask.width, mask.height, mask.coverage.data(), *fill, opacity);
}

void PictureMaker::image(Command& command)
{
    command.expect(3, 5, "PATH X Y [WIDTH HEIGHT]");
    if (command.count() == 4)
        throw command.error("image: give both WIDTH and HEIGHT, or neither");
    DataContext& context = m_runner.context();
    const std::string description = context.resolve(command.file(), command.text(0)) + ".gen";
    if (!DataContext::isRegularFile(description))
        throw command.error("image: '" + command.text(0) + "' has no description (looked for " + description + ")");
    std::unique_ptr<PictureMaker>& source = m_pictures[description];
    if (!source) {
        if (context.nesting >= maxNesting)
            throw command.error("image: pictures are composed of one another too deeply (a loop?)");
        ++context.nesting;
        try {
            source = draw(context, description);
        } catch (...) {
            --context.nesting;
            throw;
        }
        --context.nesting;
    }
    Canvas::Region from = source->canvas().whole();
    if (command.has("frame")) {
        const int frame = wholeNumber(command, command.number("frame", 0.0), "the frame", 0, source->frames() - 1);
        from.x = frame * source->frameWidth();
        from.width = source->frameWidth();
    }
    const double x = command.number(1);
    const double y = command.number(2);
    const double w = command.count() > 3 ? command.number(3) : from.width;
    const double h = command.count() > 3 ? command.number(4) : from.height;
    const double opacity = opacityOf(command);
    command.finish();
    m_canvas->drawCanvas(m_region, source->canvas(), from, x, y, w, h, opacity);
}

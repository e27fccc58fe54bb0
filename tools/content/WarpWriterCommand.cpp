#include "tools/content/WarpWriterCommand.h"

#include "tools/content/WarpWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>

namespace WarpWriterCommand {

namespace {

const char* const kProgram = "warp_writer";
const char* const kFaceNames[6] = {"top", "bottom", "back", "front", "right", "left"};

struct Options {
    std::vector<std::string> faces;
    std::string output;
    WarpWriter::Source source;
    bool help = false;
};

class Failure {
public:
    explicit Failure(std::string message) : m_message(std::move(message)) {}
    const std::string& message() const { return m_message; }

private:
    std::string m_message;
};

bool parseNumber(const std::string& s, unsigned long& value)
{
    if (s.empty() || s[0] < '0' || s[0] > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoul(s.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0';
}

unsigned long number(const std::string& option, const std::string& s, unsigned long max)
{
    unsigned long value = 0;
    if (!parseNumber(s, value) || value > max)
        throw Failure(option + " takes a whole number up to " + std::to_string(max) + ", not \"" + s + "\"");
    return value;
}

u32 faceIndex(const std::string& option, const std::string& s)
{
    for (u32 f = 0; f < 6; ++f) {
        if (s == kFaceNames[f] || s == std::to_string(f))
            return f;
    }
    throw Failure(option + ": \"" + s + "\" is not a face (0 to 5, or top, bottom, back, front, right, left)");
}

// "c,r;c,r;..." cells, or the word "opaque".
WarpWriter::PickCells pickCells(u32 face, const std::string& s)
{
    WarpWriter::PickCells cells;
    cells.face = face;
    std::stringstream list(s);
    std::string item;
    while (std::getline(list, item, ';')) {
        if (item.empty())
            continue;
        if (item == "opaque") {
            cells.opaque = true;
            continue;
        }
        const size_t comma = item.find(',');
        unsigned long column = 0;
        unsigned long row = 0;
        if (comma == std::string::npos || !parseNumber(item.substr(0, comma), column) ||
            !parseNumber(item.substr(comma + 1), row) || column > 0xFFFF || row > 0xFFFF)
            throw Failure("--pick: \"" + item + "\" is not a cell (column,row) nor the word opaque");
        cells.cells.push_back(WarpWriter::Cell(static_cast<u16>(column), static_cast<u16>(row)));
    }
    if (!cells.opaque && cells.cells.empty())
        throw Failure("--pick: no cell given for face " + std::to_string(face));
    return cells;
}

WarpWriter::Picture picture(const std::string& path)
{
    WarpWriter::Picture p;
    std::string error;
    if (!WarpWriter::readPicture(path, p, error))
        throw Failure(error);
    return p;
}

WarpWriter::FrameSource& currentFrame(Options& options, const std::string& option)
{
    if (options.source.animations.empty())
        throw Failure(option + " needs an --animation before it");
    WarpWriter::AnimationSource& animation = options.source.animations.back();
    if (animation.frames.empty())
        animation.frames.emplace_back();
    return animation.frames.back();
}

Options parse(const std::vector<std::string>& arguments)
{
    Options options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&](size_t count) -> const std::string& {
            if (i + count >= arguments.size())
                throw Failure(a + " needs " + (count == 1 ? "a value" : std::to_string(count) + " values"));
            return arguments[i + 1];
        };
        if (a == "-h" || a == "--help") {
            options.help = true;
        } else if (a == "-o" || a == "--output") {
            options.output = value(1);
            ++i;
        } else if (a == "-f" || a == "--format") {
            options.source.format = value(1);
            ++i;
        } else if (a == "-t" || a == "--tile") {
            options.source.tileSize = static_cast<u32>(number(a, value(1), 65536));
            ++i;
        } else if (a == "-q" || a == "--quality") {
            options.source.quality = static_cast<int>(number(a, value(1), 100));
            ++i;
        } else if (a == "--animation-grid") {
            options.source.animationGrid = static_cast<u32>(number(a, value(1), 65535));
            ++i;
        } else if (a == "--pick-grid") {
            options.source.pickGrid = static_cast<u32>(number(a, value(1), 65535));
            ++i;
        } else if (a == "--signature") {
            options.source.signature = value(1);
            ++i;
        } else if (a == "--animation") {
            WarpWriter::AnimationSource animation;
            animation.name = value(1);
            options.source.animations.push_back(animation);
            ++i;
        } else if (a == "--frame") {
            if (options.source.animations.empty())
                throw Failure("--frame needs an --animation before it");
            options.source.animations.back().frames.emplace_back();
        } else if (a == "--layer") {
            const u32 face = faceIndex(a, value(2));
            WarpWriter::FrameSource& frame = currentFrame(options, a);
            WarpWriter::Layer layer;
            layer.face = face;
            layer.picture = picture(arguments[i + 2]);
            frame.layers.push_back(std::move(layer));
            i += 2;
        } else if (a == "--pick") {
            const u32 face = faceIndex(a, value(2));
            currentFrame(options, a).picks.push_back(pickCells(face, arguments[i + 2]));
            i += 2;
        } else if (a.size() > 1 && a[0] == '-') {
            throw Failure("unknown option " + a + " (see --help)");
        } else {
            options.faces.push_back(a);
        }
    }
    return options;
}

// The file is written beside its final name and renamed over it, so a
// failed write never leaves half a panorama.
void writeFile(const std::string& path, const WarpWriter::Bytes& bytes)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            throw Failure(path + ": cannot be written");
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw Failure(path + ": cannot be written");
    }
}

} // namespace

std::string usage()
{
    return "Usage: warp_writer [options] -o PANORAMA.wp TOP BOTTOM BACK FRONT RIGHT LEFT\n"
           "\n"
           "Writes a \".wp\" panorama: the six face pictures of a cube seen from its centre, cut\n"
           "into square tiles, with optional animations drawn over the cube.\n"
           "\n"
           "Faces, in this order: 0 top, 1 bottom, 2 back, 3 front (straight ahead at the start),\n"
           "4 right, 5 left. The back, front, right and left pictures are seen upright from the\n"
           "centre; the top and bottom pictures are upright as seen while facing the back face\n"
           "(the top picture's upper edge toward the front face, the bottom picture's toward the\n"
           "back face). The six pictures must be squares of one size, a power of two; any\n"
           "picture the engine reads will do (.png, .jpg, .jpeg, .jpg.zlib, .jpeg.zlib, .bmp,\n"
           ".tga; not .pvr, which the engine cannot turn back into pixels).\n"
           "\n"
           "Options:\n"
           "  -o, --output FILE       the panorama to write (required)\n"
           "  -f, --format NAME       tile format: png (default), jpeg, jpeg.zlib, tga, bmp, pvr\n"
           "                          (jpeg and jpeg.zlib store a colour and an alpha picture per\n"
           "                          tile; pvr is PVRTC, which only devices with that texture\n"
           "                          compression show)\n"
           "  -t, --tile N            tile side in pixels: a power of two of at least 8 that\n"
           "                          divides the face side (default: the face side, at most 256)\n"
           "  -q, --quality N         JPEG quality, 1 to 100 (default 90)\n"
           "      --animation-grid N  cells across a face that place animation tiles\n"
           "                          (default: the face's tile grid)\n"
           "      --pick-grid N       cells across a face for clickable cells (default: the\n"
           "                          face's tile grid)\n"
           "      --signature TEXT    the file's 6 signature bytes (default KYWARP)\n"
           "  -h, --help              this text\n"
           "\n"
           "Animations (each a named sequence of frames drawn over the cube):\n"
           "      --animation NAME    starts an animation; NAME is exactly 4 characters\n"
           "      --frame             starts the next frame of the current animation (the first\n"
           "                          frame starts with the animation)\n"
           "      --layer FACE FILE   a picture of the faces' size drawn over FACE (0 to 5 or its\n"
           "                          name) in the current frame; wholly transparent tiles of it\n"
           "                          are left out, and later layers of a face cover earlier ones\n"
           "      --pick FACE CELLS   clickable cells of the current frame on FACE: column,row\n"
           "                          pairs of the pick grid separated by ';' (row 0 at the\n"
           "                          bottom of the face picture), or the word opaque for every\n"
           "                          cell under a visible pixel of the frame's layers on FACE;\n"
           "                          a face needs a visible layer tile in the same frame to be\n"
           "                          clickable\n"
           "\n"
           "Example:\n"
           "  warp_writer -f jpeg -t 256 -o Hall.wp top.png bottom.png back.png front.png \\\n"
           "      right.png left.png --animation DOOR --layer front door1.png --pick front opaque \\\n"
           "      --frame --layer front door2.png --pick front opaque\n";
}

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    try {
        Options options = parse(arguments);
        if (options.help) {
            out << usage();
            return 0;
        }
        if (options.faces.size() != 6)
            throw Failure("six face pictures are needed (top, bottom, back, front, right, left), " +
                          std::to_string(options.faces.size()) + " given (see --help)");
        if (options.output.empty())
            throw Failure("no output file: give one with -o (see --help)");
        for (u32 f = 0; f < 6; ++f)
            options.source.faces[f] = picture(options.faces[f]);
        WarpWriter::Bytes bytes;
        std::string error;
        if (!WarpWriter::write(options.source, bytes, error))
            throw Failure(error);
        writeFile(options.output, bytes);
        return 0;
    } catch (const Failure& failure) {
        err << kProgram << ": " << failure.message() << "\n";
        return 1;
    } catch (const std::exception& e) {
        err << kProgram << ": " << e.what() << "\n";
        return 1;
    }
}

} // namespace WarpWriterCommand

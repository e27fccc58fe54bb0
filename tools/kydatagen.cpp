// kydatagen: makes the game's data files from the descriptions under data/.
#include "tools/datagen/DataError.h"
#include "tools/datagen/DataGenerator.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

const char* const usage =
    "Usage:\n"
    "  kydatagen [--data DIR] [--fonts DIR]... [--depfile FILE] DESCRIPTION OUTPUT\n"
    "  kydatagen [--fonts DIR]... --tree DATA_DIR OUT_DIR\n"
    "\n"
    "Makes one data file from its description (a text file named after the file\n"
    "it makes, plus \".gen\"), or, with --tree, every file of a data folder: a\n"
    "description makes its file, a \".inc\" fragment is only included, and any other\n"
    "file is copied as it is.\n"
    "\n"
    "The first command of a description names its kind:\n"
    "  picture WIDTH HEIGHT ...   shapes, gradients, text, strips -> .png .jpg .jpg.zlib .bmp .tga\n"
    "  sound ...                  tones, chords, note sequences, noise -> .wav .ogg\n"
    "  voice \"TEXT\" ...           a spoken line (espeak-ng) -> .wav .ogg\n"
    "  font FILE.ttf ...          a TrueType font rasterised -> .kyf .font\n"
    "  panorama ...               six faces (and animation layers) from pictures -> .wp\n"
    "  video ...                  frames of picture strips, optional sound track -> .ogv\n"
    "The description format is documented in tools/README.md.\n"
    "\n"
    "Options:\n"
    "  --data DIR      the data folder: paths starting with '/' are taken from it (default .)\n"
    "  --fonts DIR     a folder of font files (default /usr/share/fonts/truetype/dejavu)\n"
    "  --depfile FILE  also write the files read, as a make-style dependency file\n"
    "  --tree          make a whole data folder\n"
    "  --help          this text\n"
    "\n"
    "Faults are reported as FILE:LINE: message, and the exit status is 1.\n";

} // namespace

int main(int argc, char** argv)
{
    std::string data = ".";
    std::string depfile;
    std::vector<std::string> fonts;
    std::vector<std::string> positional;
    bool tree = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else if (arg == "--data" && hasValue) {
            data = argv[++i];
        } else if (arg == "--fonts" && hasValue) {
            fonts.push_back(argv[++i]);
        } else if (arg == "--depfile" && hasValue) {
            depfile = argv[++i];
        } else if (arg == "--tree") {
            tree = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "kydatagen: unknown option '%s' (or its value is missing)\n%s", arg.c_str(), usage);
            return 2;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (fonts.empty())
        fonts.push_back("/usr/share/fonts/truetype/dejavu");

    try {
        if (tree) {
            const int written = DataGenerator::buildTree(positional[0], positional[1], fonts);
            std::printf("kydatagen: %d files written into %s\n", written, positional[1].c_str());
            return 0;
        }
        DataContext context(data);
        for (const std::string& folder : fonts)
            context.addFontFolder(folder);
        const std::vector<std::uint8_t> bytes = DataGenerator::generate(context, positional[0], positional[1]);
        DataGenerator::writeFile(positional[1], bytes);
        if (!depfile.empty())
            DataGenerator::writeDepfile(depfile, positional[1], context.filesRead());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

#ifndef KY_DATAGEN_DATA_GENERATOR_H
#define KY_DATAGEN_DATA_GENERATOR_H

#include "tools/datagen/DataContext.h"
#include "tools/datagen/Maker.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

// Turns the data folder into the game's data: a description "NAME.gen"
// makes the file NAME (its first command names its kind), a fragment
// "NAME.inc" is only included by descriptions, hidden files and editor
// back-ups ("~") are left out, and every other file is copied as it is.
//
// Kinds (first command of a description):
//   picture  PictureMaker   .png .jpg .jpeg .jpg.zlib .jpeg.zlib .bmp .tga
//   sound    SoundMaker     .wav .ogg
//   voice    VoiceMaker     .wav .ogg
//   font     FontFileMaker  .kyf .font
//   panorama PanoramaMaker  .wp
//   video    VideoMaker     .ogv
// A new kind is one more Maker and one more line in makerFor().
class DataGenerator {
public:
    enum Role { Generated, Fragment, Copied, Ignored };

    // The bytes of the output named outputName (a file name or path: only
    // its extension counts) made from the description. Throws DataError.
    static std::vector<std::uint8_t> generate(DataContext& context, const std::string& description,
                                              const std::string& outputName);

    // The maker of a kind, null for an unknown kind.
    static std::unique_ptr<Maker> makerFor(const std::string& kind, DescriptionRunner& runner);

    static Role roleOf(const std::string& relativePath);
    // The data file a description makes ("a/b.png.gen" -> "a/b.png").
    static std::string outputOf(const std::string& relativePath);

    // Writes the bytes through a temporary file renamed over the target, so
    // an interrupted build never leaves half a file; creates the folders.
    // Throws std::runtime_error.
    static void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
    // A make-style dependency file "target: file file ..." for the build.
    static void writeDepfile(const std::string& path, const std::string& target, const std::set<std::string>& files);

    // Makes or copies every file of the data folder into outRoot, in name
    // order; returns how many files were written. Throws on the first fault.
    static int buildTree(const std::string& dataRoot, const std::string& outRoot,
                         const std::vector<std::string>& fontFolders);
};

#endif

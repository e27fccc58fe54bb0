#ifndef KY_TESTS_TOOLS_SAMPLE_DATA_H
#define KY_TESTS_TOOLS_SAMPLE_DATA_H

#include <string>
#include <vector>

// The sample game as the build lays it beside the executable (the
// sample_data target) and as its sources stand under data/.
namespace SampleData {

// A file of the game's data folder made by the build.
std::string made(const std::string& relative);
// A file of data/ (descriptions, scripts, texts).
std::string source(const std::string& relative);
// The whole content of a file; empty when it cannot be read.
std::string read(const std::string& path);
// Every file of the game's data folder as the build makes it from data/
// (relative paths, sorted): the outputs of the descriptions and the copied
// files, fragments and hidden files left out.
const std::vector<std::string>& outputs();
bool isOutput(const std::string& relative);

} // namespace SampleData

#endif

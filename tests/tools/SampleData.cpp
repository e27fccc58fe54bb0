#include "tests/tools/SampleData.h"

#include "tools/datagen/DataGenerator.h"

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

void walk(const std::string& root, const std::string& relative, std::vector<std::string>& out)
{
    DIR* dir = opendir((root + "/" + relative).c_str());
    if (!dir)
        return;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = relative.empty() ? name : relative + "/" + name;
        struct stat info;
        if (stat((root + "/" + path).c_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            if (name[0] != '.')
                walk(root, path, out);
            continue;
        }
        switch (DataGenerator::roleOf(path)) {
        case DataGenerator::Generated:
            out.push_back(DataGenerator::outputOf(path));
            break;
        case DataGenerator::Copied:
            out.push_back(path);
            break;
        default:
            break;
        }
    }
    closedir(dir);
}

} // namespace

namespace SampleData {

std::string made(const std::string& relative)
{
    return std::string(KY_SAMPLE_DATA_DIR) + "/" + relative;
}

std::string source(const std::string& relative)
{
    return std::string(KY_DATA_DIR) + "/" + relative;
}

std::string read(const std::string& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const std::vector<std::string>& outputs()
{
    static std::vector<std::string> files;
    if (files.empty()) {
        walk(KY_DATA_DIR, "", files);
        std::sort(files.begin(), files.end());
    }
    return files;
}

bool isOutput(const std::string& relative)
{
    return std::binary_search(outputs().begin(), outputs().end(), relative);
}

} // namespace SampleData

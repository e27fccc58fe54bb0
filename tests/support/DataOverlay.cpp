#include "tests/support/DataOverlay.h"

#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Links every file under base/relative into target/relative, making the
// folders; returns the links made.
unsigned linkTree(const std::string& base, const std::string& target, const std::string& relative)
{
    const std::string folder = relative.empty() ? base : base + "/" + relative;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return 0;
    mkdir((relative.empty() ? target : target + "/" + relative).c_str(), 0777);
    unsigned links = 0;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string child = relative.empty() ? name : relative + "/" + name;
        struct stat info;
        if (stat((base + "/" + child).c_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode))
            links += linkTree(base, target, child);
        else if (symlink((base + "/" + child).c_str(), (target + "/" + child).c_str()) == 0)
            ++links;
    }
    closedir(dir);
    return links;
}

} // namespace

DataOverlay::DataOverlay(const std::string& base)
    : m_dir("kydata")
    , m_base(base)
    , m_links(linkTree(base, m_dir.path(), ""))
{
}

bool DataOverlay::writeFile(const std::string& relative, const std::string& bytes) const
{
    // Writing through the link would change the base.
    unlink(m_dir.file(relative).c_str());
    return m_dir.writeFile(relative, bytes);
}

bool DataOverlay::removeFile(const std::string& relative) const
{
    return unlink(m_dir.file(relative).c_str()) == 0;
}

std::string DataOverlay::baseFile(const std::string& relative) const
{
    std::ifstream in(m_base + "/" + relative, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

#include "tests/game/DataOverlay.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

namespace {

std::string sampleData()
{
    return std::string(KY_GAME_DATA_DIR);
}

// Links every entry of the source folder into the target folder.
bool linkEntries(const std::string& source, const std::string& target)
{
    DIR* folder = opendir(source.c_str());
    if (!folder)
        return true;
    bool ok = true;
    while (dirent* entry = readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        const std::string name = entry->d_name;
        ok = symlink((source + "/" + name).c_str(), (target + "/" + name).c_str()) == 0 && ok;
    }
    closedir(folder);
    return ok;
}

} // namespace

DataOverlay::DataOverlay()
    : m_dir("kydata")
{
    linkEntries(sampleData(), m_dir.path());
}

bool DataOverlay::materialise(const std::string& folder)
{
    std::string done;
    size_t start = 0;
    while (start < folder.size()) {
        size_t end = folder.find('/', start);
        if (end == std::string::npos)
            end = folder.size();
        done += (done.empty() ? "" : "/") + folder.substr(start, end - start);
        start = end + 1;
        const std::string disk = m_dir.file(done);
        struct stat info;
        if (lstat(disk.c_str(), &info) == 0 && !S_ISLNK(info.st_mode))
            continue;
        if (lstat(disk.c_str(), &info) == 0 && unlink(disk.c_str()) != 0)
            return false;
        if (mkdir(disk.c_str(), 0755) != 0 || !linkEntries(sampleData() + "/" + done, disk))
            return false;
    }
    return true;
}

bool DataOverlay::write(const std::string& relative, const std::string& bytes)
{
    const size_t slash = relative.rfind('/');
    if (slash != std::string::npos && !materialise(relative.substr(0, slash)))
        return false;
    unlink(m_dir.file(relative).c_str());
    std::ofstream out(m_dir.file(relative), std::ios::binary);
    out << bytes;
    return bool(out);
}

bool DataOverlay::remove(const std::string& relative)
{
    const size_t slash = relative.rfind('/');
    if (slash != std::string::npos && !materialise(relative.substr(0, slash)))
        return false;
    return unlink(m_dir.file(relative).c_str()) == 0;
}

#include "tests/support/TempDir.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

int removeEntry(const char* path, const struct stat*, int type, struct FTW*)
{
    if (type == FTW_DP)
        return rmdir(path);
    return unlink(path);
}

bool makeParents(const std::string& path, bool includingLast)
{
    size_t end = includingLast ? path.size() : path.rfind('/');
    if (end == std::string::npos)
        return true;
    for (size_t i = 1; i <= end; ++i) {
        if (i != end && path[i] != '/')
            continue;
        std::string part = path.substr(0, i);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

} // namespace

TempDir::TempDir(const std::string& prefix)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        throw std::runtime_error("TempDir: cannot create " + pattern);
    // Resolve links (a /tmp that is a link) so paths compare with what the
    // system reports, such as the current folder.
    char* real = realpath(buffer.data(), nullptr);
    m_path = real ? real : buffer.data();
    std::free(real);
}

TempDir::~TempDir()
{
    removeTree(m_path);
}

std::string TempDir::file(const std::string& relative) const
{
    return m_path + "/" + relative;
}

bool TempDir::writeFile(const std::string& relative, const std::string& bytes) const
{
    std::string disk = file(relative);
    if (!makeParents(disk, false))
        return false;
    std::ofstream out(disk, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string TempDir::readFile(const std::string& relative) const
{
    std::ifstream in(file(relative), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

bool TempDir::makeDir(const std::string& relative) const
{
    return makeParents(file(relative), true);
}

bool TempDir::exists(const std::string& relative) const
{
    struct stat info;
    return lstat(file(relative).c_str(), &info) == 0;
}

bool TempDir::removeTree(const std::string& absolute)
{
    if (absolute.empty() || absolute == "/")
        return false;
    // Restore write permission first: a test may have made folders read-only.
    nftw(absolute.c_str(), [](const char* path, const struct stat* info, int type, struct FTW*) {
        if (type == FTW_D)
            chmod(path, (info->st_mode & 07777) | S_IRWXU);
        return 0;
    }, 16, FTW_PHYS);
    return nftw(absolute.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

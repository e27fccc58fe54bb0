#include "os/KyOsDir.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

std::string joined(const std::string& folder, const char* name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

} // namespace

KyOsDir::KyOsDir()
    : m_dir(nullptr)
    , m_dotsGiven(0)
{
}

KyOsDir::~KyOsDir()
{
    close();
}

bool KyOsDir::open(const char* folder)
{
    close();
    if (!folder)
        return false;
    DIR* dir = opendir(folder);
    if (!dir)
        return false;
    m_dir = dir;
    m_folder = folder;
    m_dotsGiven = 0;
    return true;
}

bool KyOsDir::isOpen() const
{
    return m_dir != nullptr;
}

bool KyOsDir::next(Entry& entry)
{
    if (!m_dir)
        return false;
    static const char* const dots[2] = {".", ".."};
    while (m_dotsGiven < 2) {
        const char* name = dots[m_dotsGiven++];
        if (describe(joined(m_folder, name).c_str(), entry)) {
            entry.name = name;
            return true;
        }
    }
    for (;;) {
        struct dirent* found = readdir(static_cast<DIR*>(m_dir));
        if (!found)
            return false;
        std::string name = found->d_name;
        if (name == "." || name == "..")
            continue;
        // An entry removed between readdir and lstat is simply skipped.
        if (!describe(joined(m_folder, name.c_str()).c_str(), entry))
            continue;
        entry.name = name;
        return true;
    }
}

void KyOsDir::close()
{
    if (m_dir) {
        closedir(static_cast<DIR*>(m_dir));
        m_dir = nullptr;
    }
    m_dotsGiven = 0;
}

bool KyOsDir::describe(const char* path, Entry& entry)
{
    struct stat info;
    if (!path || lstat(path, &info) != 0)
        return false;
    entry = Entry();
    entry.isLink = S_ISLNK(info.st_mode);
    if (entry.isLink) {
        struct stat target;
        entry.isFolder = stat(path, &target) == 0 && S_ISDIR(target.st_mode);
    } else {
        entry.isFolder = S_ISDIR(info.st_mode);
    }
    entry.readOnly = (info.st_mode & S_IWUSR) == 0;
    entry.size = entry.isFolder ? 0 : static_cast<std::uint64_t>(info.st_size);
    entry.accessTime = static_cast<std::int64_t>(info.st_atime);
    entry.writeTime = static_cast<std::int64_t>(info.st_mtime);
    entry.changeTime = static_cast<std::int64_t>(info.st_ctime);
    return true;
}

bool KyOsDir::makeDir(const char* path)
{
    return path && mkdir(path, 0777) == 0;
}

bool KyOsDir::makePath(const char* path)
{
    if (!path || !*path)
        return false;
    std::string text = path;
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] != '/')
            continue;
        std::string parent = text.substr(0, i);
        if (mkdir(parent.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    if (mkdir(text.c_str(), 0777) != 0 && errno != EEXIST)
        return false;
    struct stat info;
    return stat(text.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool KyOsDir::removeDir(const char* path)
{
    return path && rmdir(path) == 0;
}

bool KyOsDir::changeDir(const char* path)
{
    return path && chdir(path) == 0;
}

std::string KyOsDir::currentDir()
{
    std::string buffer(256, '\0');
    for (;;) {
        if (getcwd(&buffer[0], buffer.size()))
            return std::string(buffer.c_str());
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

bool KyOsDir::isFolder(const char* path)
{
    struct stat info;
    return path && lstat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool KyOsDir::entryExists(const char* path)
{
    struct stat info;
    return path && lstat(path, &info) == 0;
}

bool KyOsDir::freeSpace(const char* path, std::uint64_t& bytes)
{
    struct statvfs info;
    if (!path || statvfs(path, &info) != 0)
        return false;
    bytes = std::uint64_t(info.f_bavail) * std::uint64_t(info.f_frsize);
    return true;
}

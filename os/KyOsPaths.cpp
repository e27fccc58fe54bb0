#include "os/KyOsPaths.h"

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <limits.h>
#include <unistd.h>

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Drops trailing '/' so callers can append "/name"; the root stays "/".
std::string withoutTrailingSlash(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool isAbsolute(const std::string& path)
{
    return !path.empty() && path[0] == '/';
}

size_t skipBlanks(const std::string& line, size_t i)
{
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    return i;
}

bool startsWithAt(const std::string& text, size_t at, const char* prefix)
{
    return text.compare(at, std::char_traits<char>::length(prefix), prefix) == 0;
}

// Parses one line of user-dirs.dirs. The file is written as shell
// assignments: the value is double-quoted, may start with $HOME, and escapes
// '"', '$', '`' and '\' with a backslash.
bool parseDocumentsLine(const std::string& line, const std::string& home, std::string& out)
{
    const char key[] = "XDG_DOCUMENTS_DIR";
    size_t i = skipBlanks(line, 0);
    if (!startsWithAt(line, i, key))
        return false;
    i = skipBlanks(line, i + sizeof(key) - 1);
    if (i >= line.size() || line[i] != '=')
        return false;
    i = skipBlanks(line, i + 1);
    if (i >= line.size() || line[i] != '"')
        return false;
    ++i;

    std::string value;
    size_t homeLength = startsWithAt(line, i, "${HOME}") ? 7 : startsWithAt(line, i, "$HOME") ? 5 : 0;
    if (homeLength > 0) {
        if (home.empty())
            return false;
        value = home == "/" ? std::string() : home;
        i += homeLength;
    } else if (i >= line.size() || line[i] != '/') {
        return false;
    }

    bool closed = false;
    for (; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            closed = true;
            break;
        }
        if (c == '\\' && i + 1 < line.size())
            c = line[++i];
        value += c;
    }
    if (!closed || !isAbsolute(value))
        return false;
    out = withoutTrailingSlash(value);
    return true;
}

} // namespace

namespace KyOsPaths {

std::string documentsFromUserDirs(const std::string& file, const std::string& home)
{
    // Only a regular file: opening a FIFO to read would wait for a writer.
    struct stat info;
    if (stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::string();
    std::ifstream in(file);
    std::string line;
    std::string found;
    while (std::getline(in, line)) {
        std::string value;
        if (parseDocumentsLine(line, home, value))
            found = value;
    }
    return found;
}

std::string documentsFolder()
{
    std::string direct = environment("XDG_DOCUMENTS_DIR");
    if (isAbsolute(direct))
        return withoutTrailingSlash(direct);

    std::string home = environment("HOME");
    if (!isAbsolute(home))
        home.clear();
    else
        home = withoutTrailingSlash(home);

    std::string config = environment("XDG_CONFIG_HOME");
    if (!isAbsolute(config))
        config = home.empty() ? std::string() : home + "/.config";
    if (!config.empty()) {
        std::string fromFile = documentsFromUserDirs(withoutTrailingSlash(config) + "/user-dirs.dirs", home);
        if (!fromFile.empty())
            return fromFile;
    }

    if (home.empty())
        return std::string();
    return (home == "/" ? std::string() : home) + "/Documents";
}

std::string executablePath()
{
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return std::string();
    return std::string(buffer, static_cast<size_t>(n));
}

std::string executableFolder()
{
    std::string path = executablePath();
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

} // namespace KyOsPaths

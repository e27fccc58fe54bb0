#include "tools/datagen/DataContext.h"

#include <sys/stat.h>

DataContext::DataContext(const std::string& dataRoot) : m_dataRoot(dataRoot.empty() ? "." : dataRoot)
{
    while (m_dataRoot.size() > 1 && m_dataRoot.back() == '/')
        m_dataRoot.pop_back();
}

std::string DataContext::resolve(const std::string& from, const std::string& path) const
{
    if (!path.empty() && path[0] == '/')
        return m_dataRoot + path;
    return folderOf(from) + path;
}

std::string DataContext::findFont(const std::string& from, const std::string& name) const
{
    const std::string local = resolve(from, name);
    if (isRegularFile(local))
        return local;
    if (name.empty() || name[0] == '/')
        return std::string();
    for (const std::string& folder : m_fontFolders) {
        const std::string candidate = folder + "/" + name;
        if (isRegularFile(candidate))
            return candidate;
    }
    return std::string();
}

bool DataContext::isRegularFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string DataContext::folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

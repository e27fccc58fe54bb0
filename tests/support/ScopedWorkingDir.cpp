#include "tests/support/ScopedWorkingDir.h"

#include <cstdlib>
#include <unistd.h>

ScopedWorkingDir::ScopedWorkingDir()
    : m_original(current())
    , m_changed(false)
{
}

ScopedWorkingDir::ScopedWorkingDir(const std::string& folder)
    : m_original(current())
    , m_changed(chdir(folder.c_str()) == 0)
{
}

ScopedWorkingDir::~ScopedWorkingDir()
{
    if (!m_original.empty() && chdir(m_original.c_str()) != 0)
        std::abort(); // the remaining tests would run in the wrong folder
}

std::string ScopedWorkingDir::current()
{
    char* path = getcwd(nullptr, 0);
    std::string result = path ? path : "";
    std::free(path);
    return result;
}

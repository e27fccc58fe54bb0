#include "tests/support/ScopedEnv.h"

#include <cstdlib>

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value)
    : m_name(name)
    , m_hadValue(false)
{
    remember();
    setenv(m_name.c_str(), value.c_str(), 1);
}

ScopedEnv::ScopedEnv(const std::string& name)
    : m_name(name)
    , m_hadValue(false)
{
    remember();
    unsetenv(m_name.c_str());
}

ScopedEnv::~ScopedEnv()
{
    if (m_hadValue)
        setenv(m_name.c_str(), m_oldValue.c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

void ScopedEnv::remember()
{
    const char* old = std::getenv(m_name.c_str());
    m_hadValue = old != nullptr;
    if (old)
        m_oldValue = old;
}

#ifndef KY_TEST_SCOPED_ENV_H
#define KY_TEST_SCOPED_ENV_H

#include <string>

// Sets or unsets one environment variable for the lifetime of the object and
// restores the previous state (value or absence) when destroyed.
class ScopedEnv {
public:
    // Sets name to value.
    ScopedEnv(const std::string& name, const std::string& value);
    // Unsets name.
    explicit ScopedEnv(const std::string& name);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void remember();

    std::string m_name;
    std::string m_oldValue;
    bool m_hadValue;
};

#endif

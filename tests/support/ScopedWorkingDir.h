#ifndef KY_TEST_SCOPED_WORKING_DIR_H
#define KY_TEST_SCOPED_WORKING_DIR_H

#include <string>

// Remembers the process's current folder and changes back to it when
// destroyed, so a test that changes folder leaves the others unaffected.
class ScopedWorkingDir {
public:
    // Only remembers; the code under test may change folder.
    ScopedWorkingDir();
    // Remembers, then changes to folder (see changedTo()).
    explicit ScopedWorkingDir(const std::string& folder);
    ~ScopedWorkingDir();
    ScopedWorkingDir(const ScopedWorkingDir&) = delete;
    ScopedWorkingDir& operator=(const ScopedWorkingDir&) = delete;

    const std::string& original() const { return m_original; }
    bool changedTo() const { return m_changed; }
    // The process's current folder.
    static std::string current();

private:
    std::string m_original;
    bool m_changed;
};

#endif

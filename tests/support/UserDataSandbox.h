#ifndef KY_TEST_USER_DATA_SANDBOX_H
#define KY_TEST_USER_DATA_SANDBOX_H

#include "tests/support/ScopedEnv.h"
#include "tests/support/ScopedWorkingDir.h"
#include "tests/support/TempDir.h"

#include <string>

// Runs a test against throw-away user folders: HOME points to a temporary
// home (XDG_DOCUMENTS_DIR and XDG_CONFIG_HOME unset, so the documents folder
// is home/Documents), the current folder is a temporary work folder, and the
// core's application name is set. Everything it changed - environment,
// current folder, and the core's application name, language and
// recursive-search flag - is restored when it is destroyed.
class UserDataSandbox {
public:
    explicit UserDataSandbox(const std::string& applicationName = "KyTests");
    ~UserDataSandbox();
    UserDataSandbox(const UserDataSandbox&) = delete;
    UserDataSandbox& operator=(const UserDataSandbox&) = delete;

    TempDir& home() { return m_home; }
    // The current folder during the test.
    TempDir& work() { return m_work; }
    // home/Documents
    std::string documentsFolder() const;
    // home/Documents/<application name>
    std::string userDataFolder() const;

private:
    TempDir m_home;
    TempDir m_work;
    ScopedEnv m_homeVar;
    ScopedEnv m_documentsVar;
    ScopedEnv m_configVar;
    ScopedWorkingDir m_workingDir;
    std::string m_applicationName;
    std::string m_oldApplicationName;
    std::string m_oldLanguage;
    unsigned m_oldRecursiveSearch;
};

#endif

#include "tests/support/UserDataSandbox.h"

#include "core/KyCore.h"
#include "core/KySingleton.h"

UserDataSandbox::UserDataSandbox(const std::string& applicationName)
    : m_home("kyhome")
    , m_work("kywork")
    , m_homeVar("HOME", m_home.path())
    , m_documentsVar("XDG_DOCUMENTS_DIR")
    , m_configVar("XDG_CONFIG_HOME")
    , m_workingDir(m_work.path())
    , m_applicationName(applicationName)
{
    KyCore* core = KySingleton<KyCore>::instance();
    m_oldApplicationName = core->applicationName().c_str();
    m_oldLanguage = core->language().c_str();
    m_oldRecursiveSearch = core->recursiveSearch;
    core->setApplicationName(KyString(applicationName.c_str()));
}

UserDataSandbox::~UserDataSandbox()
{
    KyCore* core = KySingleton<KyCore>::instance();
    core->setApplicationName(KyString(m_oldApplicationName.c_str()));
    core->setLanguage(KyString(m_oldLanguage.c_str()));
    core->recursiveSearch = static_cast<u8>(m_oldRecursiveSearch);
}

std::string UserDataSandbox::documentsFolder() const
{
    return m_home.path() + "/Documents";
}

std::string UserDataSandbox::userDataFolder() const
{
    return documentsFolder() + "/" + m_applicationName;
}

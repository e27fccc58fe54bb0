#include "core/KyCore.h"

#include "core/KyDirectory.h"
#include "core/KySingleton.h"
#include "os/KyOsPaths.h"

KyCore::KyCore()
    : reserved0(0)
    , ready(0)
    , applicationState(0)
    , recursiveSearch(0)
{
    init();
}

KyCore::~KyCore()
{
}

void KyCore::init()
{
    reserved0 = 0;
    setLanguage(systemLanguage());
    ready = 1;
    applicationState = 0;
    recursiveSearch = 0;
}

void KyCore::setProgramPath(const char* const* argv)
{
    if (!argv || !argv[0])
        return;
    m_programPath = KyPath(argv[0]);
    KyPath folder = m_programPath.directory();
    if (folder.length() > 0 && KyDirectory::ChangeDir(folder))
        return;
    // Started through PATH (no folder in the first argument) or from a
    // folder that is gone: the system still knows where the program lies.
    std::string executableFolder = KyOsPaths::executableFolder();
    if (!executableFolder.empty())
        KyDirectory::ChangeDir(KyString(executableFolder.c_str()));
}

KyString KyCore::systemLanguage()
{
    return KyString("en");
}

void KyCore::setLanguage(const KyString& code)
{
    m_language = code;
    setSetting(KyString("language"), KyString("en"));
}

void KyCore::setSetting(const KyString& key, const KyString& value)
{
    m_settings[key] = value;
}

void KyCore::removeSetting(const KyString& key)
{
    m_settings.erase(key);
}

KyString KyCore::setting(const KyString& key) const
{
    auto found = m_settings.find(key);
    return found == m_settings.end() ? KyString() : found->second;
}

bool KyCore::isSettingValue(const KyString& text) const
{
    for (const auto& entry : m_settings) {
        if (entry.second == text)
            return true;
    }
    return false;
}

KyPath KyCore::absolutePath(const KyString& path)
{
    return KyPath(baseFolderPrefix() + path);
}

KyPath KyCore::userDataPath(const KyString& relative)
{
    std::string documents = KyOsPaths::documentsFolder();
    if (documents.empty())
        return KyPath();
    KyCore* core = KySingleton<KyCore>::instance();
    KyString name = core ? core->applicationName() : KyString();
    // Nothing is made here: paths are resolved far more often than files
    // are written, and the folder is made by whatever writes a file into it.
    return KyPath(KyString(documents.c_str()) + KyString("/") + name + KyString("/") + relative);
}

const KyString& KyCore::userDataPrefix()
{
    static const KyString prefix("Backup/");
    return prefix;
}

const KyString& KyCore::baseFolderPrefix()
{
    static const KyString prefix;
    return prefix;
}

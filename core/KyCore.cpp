#include "core/KyCore.h"

#include "core/KyDirectory.h"
#include "core/KySingleton.h"
#include "os/KyOsDir.h"
#include "os/KyOsPaths.h"

#include <cstdlib>
#include <mutex>
#include <string>

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

namespace {

// What the user-data path was last found from: the documents folder is
// looked up again only when the environment that names it changes, and the
// user-data folder is made once, when it is first met missing. Paths are
// resolved far more often than files are written (every picture of a page),
// and a resolve must cost no disk work; whatever writes a file makes its
// folders again if they went meanwhile.
struct UserDataFolder {
    std::mutex mutex;
    std::string environment;
    std::string documents;
    std::string made;
};

UserDataFolder& userDataFolder()
{
    static UserDataFolder* const folder = new UserDataFolder;
    return *folder;
}

std::string environmentKey()
{
    std::string key;
    for (const char* name : {"XDG_DOCUMENTS_DIR", "HOME", "XDG_CONFIG_HOME"}) {
        const char* value = std::getenv(name);
        key += value ? value : "";
        key += '\0';
    }
    return key;
}

} // namespace

KyPath KyCore::userDataPath(const KyString& relative)
{
    KyCore* core = KySingleton<KyCore>::instance();
    const KyString name = core ? core->applicationName() : KyString();
    UserDataFolder& known = userDataFolder();
    std::string folder;
    {
        std::lock_guard<std::mutex> lock(known.mutex);
        const std::string environment = environmentKey();
        if (environment != known.environment || known.documents.empty()) {
            known.documents = KyOsPaths::documentsFolder();
            known.environment = environment;
        }
        if (known.documents.empty())
            return KyPath();
        folder = known.documents + "/" + name.c_str();
        if (folder != known.made && KyOsDir::makePath(folder.c_str()))
            known.made = folder;
    }
    return KyPath(KyString(folder.c_str()) + KyString("/") + relative);
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

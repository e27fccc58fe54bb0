#ifndef KY_CORE_H
#define KY_CORE_H

#include "core/KyObject.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTypes.h"

#include <map>

// The engine's process-wide settings, reached through
// KySingleton<KyCore>::instance(): where the program lives, the application
// name under which the user's data is stored, the current language and a
// small map of string settings. Path resolution and resource loading ask it
// for the language and the user-data folder.
class KyCore : public KyObject {
public:
    KyCore();
    ~KyCore() override;

    // Back to the start-up state: language from the system, ready set,
    // recursive search off.
    void init();

    // Keeps the program's path (the first argument) and makes its folder
    // the current one, so relative data paths are read beside the program.
    // A failing change of folder is ignored.
    void setProgramPath(const char* const* argv);
    void setProgramPath(char** argv) { setProgramPath(const_cast<const char* const*>(argv)); }
    KyPath programPath() const { return m_programPath; }

    // The system's language code: always "en".
    static KyString systemLanguage();
    // Sets the language code; the "language" setting always holds "en", so
    // the English folders stay among the searched ones.
    void setLanguage(const KyString& code);
    KyString language() const { return m_language; }

    // The name of the application's folder inside the user's documents.
    KyString applicationName() const { return m_applicationName; }
    void setApplicationName(const KyString& name) { m_applicationName = name; }

    // Replaces the value of key, or inserts the pair.
    void setSetting(const KyString& key, const KyString& value);
    void removeSetting(const KyString& key);
    // The value of key, or "" when absent.
    KyString setting(const KyString& key) const;
    // True when text equals the value of some setting.
    bool isSettingValue(const KyString& text) const;

    // The base-folder prefix (empty) followed by path.
    static KyPath absolutePath(const KyString& path);
    // documents folder + "/" + application name + "/" + relative; the
    // folder is made when it is first met missing, once: a resolve costs no
    // disk work afterwards (the documents folder is looked up again only
    // when the environment naming it changes), and whatever writes a file
    // makes its folders again if they went meanwhile. Empty when no
    // documents folder can be determined. Any thread.
    static KyPath userDataPath(const KyString& relative);

    // The prefix of game paths that stands for the user-data folder itself.
    static const KyString& userDataPrefix();
    // The prefix absolutePath puts in front of relative paths (empty).
    static const KyString& baseFolderPrefix();

    // The fixed-landscape flag: set by default and by the application; while
    // it is clear the camera and the input wrapper use the portrait
    // orientation for a window taller than wide.
    bool isFixedLandscape() const { return ready != 0; }
    void setFixedLandscape(bool on) { ready = on ? 1 : 0; }

    // Public fields read by the camera, the input wrapper and the
    // application.
    u32 reserved0;          // cleared by init, not used by the core
    u8 ready;               // the fixed-landscape flag
    u32 applicationState;   // 0 after init; the application sets it to 1
    u8 recursiveSearch;     // resolve missing paths through searchPath

private:
    KyPath m_programPath;
    KyString m_applicationName;
    KyString m_language;
    std::map<KyString, KyString> m_settings;
};

#endif

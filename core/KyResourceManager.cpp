#include "core/KyResourceManager.h"

#include "core/KyFile.h"

namespace {

// folder + sub + "/" + name, where folder is a directory part that already
// ends with its separator. A path without a folder keeps the candidate
// relative instead of turning it into "/sub/name" at the root.
KyPath inFolder(const KyPath& folder, const KyString& sub, const KyPath& name)
{
    KyString joined = folder.length() > 0 ? folder + KyString("/") : KyString();
    return KyPath(joined + sub + KyString("/") + name);
}

} // namespace

KyResourceManager::KyResourceManager()
{
}

KyResourceManager::~KyResourceManager()
{
}

bool KyResourceManager::exists(const KyString& path) const
{
    for (KyResource* resource : m_resources) {
        if (resource->m_path == path)
            return true;
    }
    return false;
}

void KyResourceManager::add(KyResource* resource)
{
    m_resources.pushFront(resource);
    if (resource)
        resource->m_listed = true;
}

void KyResourceManager::remove(KyResource* resource)
{
    m_resources.remove(resource);
    if (resource && !m_resources.contains(resource))
        resource->m_listed = false;
}

bool KyResourceManager::findLanguageFile(const KyString& path, KyPath* found)
{
    KyPath candidate(path);
    if (KyFile::exists(candidate)) {
        if (found)
            *found = candidate;
        return true;
    }
    KyPath folder = candidate.directory();
    KyPath name = candidate.fileName();
    KyCore* core = KySingleton<KyCore>::instance();
    KyString language = core ? core->language() : KyCore::systemLanguage();

    candidate = inFolder(folder, language, name);
    bool exists = KyFile::exists(candidate);
    if (!exists) {
        candidate = inFolder(folder, KyString("en"), name);
        exists = KyFile::exists(candidate);
    }
    if (found)
        *found = candidate;
    return exists;
}

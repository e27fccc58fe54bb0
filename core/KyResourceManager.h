#ifndef KY_RESOURCE_MANAGER_H
#define KY_RESOURCE_MANAGER_H

#include "core/KyArray.h"
#include "core/KyCore.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyObject.h"
#include "core/KyPath.h"
#include "core/KyResource.h"
#include "core/KySingleton.h"
#include "core/KyString.h"

// The registry of live resources (KySingleton<KyResourceManager>), newest
// first. It never deletes what it lists: a resource leaves the list on its
// last release or when it is destroyed.
//
// Requests go through getOrLoad<T>(path):
//   KyIntrusivePtr<KyImg> image =
//       KySingleton<KyResourceManager>::instance()->getOrLoad<KyImg>("Data/a.png");
class KyResourceManager : public KyObject {
public:
    KyResourceManager();
    // Frees the list only.
    ~KyResourceManager() override;

    // True when a listed resource of any type has exactly this path text.
    bool exists(const KyString& path) const;
    // Lists the resource first.
    void add(KyResource* resource);
    // Unlists the resource (its first entry); nothing when it is not listed.
    void remove(KyResource* resource);

    // The newest listed resource of type T (or derived from it) whose path
    // text equals path byte for byte (case-sensitive, unresolved); null when
    // none. The use count is not changed. Resources of another type listed
    // under the same path are never returned.
    template <class T>
    T* find(const KyString& path) const;

    // The get-or-load rule:
    //  1. a listed T of exactly this path text is shared;
    //  2. otherwise, with the core's recursive search on, a new T is loaded
    //     from path without any existence test;
    //  3. otherwise a new T is loaded from path when path, or its copy in
    //     the current language's folder, or in the "en" folder, exists
    //     (findLanguageFile); the T is listed and returned with use count 1;
    //  4. when no file exists the result is empty; nothing is logged.
    template <class T>
    KyIntrusivePtr<T> getOrLoad(const KyString& path);

    // The language-folder rule shared by every loader: path itself, then
    // directory + language + "/" + file name, then directory + "en/" + file
    // name. Returns whether one of them exists (KyFile::exists); found, when
    // given, receives the first that exists, or the last candidate when none
    // does. The recursive-search flag is the caller's to test.
    static bool findLanguageFile(const KyString& path, KyPath* found = nullptr);

    const KyArray<KyResource*>& resources() const { return m_resources; }
    u32 count() const { return m_resources.count(); }

private:
    KyResourceManager(const KyResourceManager&) = delete;
    KyResourceManager& operator=(const KyResourceManager&) = delete;

    KyArray<KyResource*> m_resources;
};

template <class T>
T* KyResourceManager::find(const KyString& path) const
{
    // The path compared in place: a copy of each would cost more than the
    // comparison, in a list of hundreds.
    for (KyResource* resource : m_resources) {
        if (resource->m_path != path)
            continue;
        if (T* typed = dynamic_cast<T*>(resource))
            return typed;
    }
    return nullptr;
}

template <class T>
KyIntrusivePtr<T> KyResourceManager::getOrLoad(const KyString& path)
{
    if (T* listed = find<T>(path))
        return KyIntrusivePtr<T>(listed);
    KyCore* core = KySingleton<KyCore>::instance();
    bool probe = !(core && core->recursiveSearch);
    if (probe && !findLanguageFile(path))
        return KyIntrusivePtr<T>();
    T* created = new T;
    created->load(path);
    add(created);
    return KyIntrusivePtr<T>(created);
}

#endif

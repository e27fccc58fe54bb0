#include "core/KyDirectory.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "os/KyOsDir.h"

#include <vector>

namespace {

u32 attributesOf(const KyOsDir::Entry& entry)
{
    u32 attributes = 0;
    if (entry.isFolder)
        attributes |= KyDirectory::AttributeFolder;
    if (entry.isLink)
        attributes |= KyDirectory::AttributeLink;
    if (entry.readOnly)
        attributes |= KyDirectory::AttributeReadOnly;
    return attributes;
}

bool isDots(const KyString& name)
{
    return name == "." || name == "..";
}

} // namespace

KyDirectory::KyDirectory()
    : m_listing(nullptr)
    , m_firstPending(false)
    , m_hasEntry(false)
{
}

KyDirectory::~KyDirectory()
{
    close();
}

bool KyDirectory::ChangeDir(const KyString& path)
{
    return KyOsDir::changeDir(path.c_str());
}

bool KyDirectory::MakeDir(const KyString& path)
{
    // Resolving makes nothing: a folder of the user-data folder makes the
    // user-data folder itself first, which a fresh account lacks.
    if (KyFile::isUserDataPath(path)) {
        const KyPath userData = KyCore::userDataPath(KyString());
        if (userData.length() > 0)
            KyOsDir::makePath(userData.c_str());
    }
    return KyOsDir::makeDir(KyFile::resolvePath(path).c_str());
}

bool KyDirectory::makePath(const KyString& path)
{
    return KyOsDir::makePath(KyFile::resolvePath(path).c_str());
}

bool KyDirectory::findFirst(const KyString& path)
{
    close();
    m_path = path;
    KyString folder = path;
    if (folder.length() > 1 && folder.at(folder.length() - 1) == '/')
        folder = folder.substr(0, folder.length() - 1);

    KyOsDir* listing = new KyOsDir;
    if (!listing->open(folder.c_str())) {
        delete listing;
        return false;
    }
    m_listing = listing;
    if (!fetch()) {
        close();
        return false;
    }
    m_firstPending = true;
    return true;
}

bool KyDirectory::findNext()
{
    if (m_firstPending) {
        m_firstPending = false;
        return true;
    }
    return fetch();
}

bool KyDirectory::fetch()
{
    KyOsDir::Entry found;
    if (!m_listing || !m_listing->next(found))
        return false;
    m_entry.attributes = attributesOf(found);
    // The system keeps no creation time; the status change time stands in.
    m_entry.creationTime = found.changeTime;
    m_entry.accessTime = found.accessTime;
    m_entry.writeTime = found.writeTime;
    m_entry.size = found.size;
    m_entry.name = found.name.c_str();
    m_hasEntry = true;
    return true;
}

KyString KyDirectory::entryName() const
{
    return m_entry.name;
}

u32 KyDirectory::entryAttributes() const
{
    return m_entry.attributes;
}

void KyDirectory::close()
{
    delete m_listing;
    m_listing = nullptr;
    m_firstPending = false;
}

bool KyDirectory::RemoveDir(const KyString& path)
{
    return removeTree(KyFile::resolvePath(path));
}

bool KyDirectory::removeTree(const KyString& diskPath)
{
    KyOsDir::Entry top;
    if (KyOsDir::describe(diskPath.c_str(), top) && top.isLink) {
        // A link to a folder is removed itself; what it points to is not
        // part of this tree.
        return KyFile::deleteDiskFile(diskPath);
    }

    // The names are taken first: removing entries while the folder is
    // being read leaves the rest of the listing unspecified.
    KyDirectory listing;
    if (!listing.findFirst(diskPath))
        return false;
    std::vector<Entry> entries;
    while (listing.findNext()) {
        if (!isDots(listing.entryName()))
            entries.push_back(listing.entry());
    }
    listing.close();

    KyString prefix = diskPath + KyString("/");
    for (const Entry& entry : entries) {
        KyString entryPath = prefix + entry.name;
        bool folder = (entry.attributes & AttributeFolder) != 0;
        bool link = (entry.attributes & AttributeLink) != 0;
        if (folder && !link) {
            removeTree(entryPath);
        } else if (!KyFile::deleteDiskFile(entryPath)) {
            return false;
        }
    }

    if (!KyOsDir::removeDir(diskPath.c_str())) {
        logPrint("[KyDirectory::RemoveDir] Deletation of folder : %s failed.\n", diskPath.c_str());
        return false;
    }
    return true;
}

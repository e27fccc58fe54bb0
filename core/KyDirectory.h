#ifndef KY_DIRECTORY_H
#define KY_DIRECTORY_H

#include "core/KyString.h"
#include "core/KyTypes.h"

class KyOsDir;

// Lists the entries of a folder one by one and offers the engine's folder
// operations: change the current folder, create one, remove one with
// everything in it. Paths given to MakeDir and RemoveDir are game paths
// (resolved with KyFile::resolvePath).
//
// A listing starts with "." and "..", then gives the other entries in the
// order the file system returns them.
class KyDirectory {
public:
    // Attribute bits of an entry, as the engine's callers test them.
    enum Attribute : u32 {
        AttributeReadOnly = 0x01,
        AttributeFolder = 0x10,       // a folder, or a link to one
        AttributeLink = 0x400         // a symbolic link
    };

    // One listed entry: attributes, times (seconds since 1970), size, name.
    struct Entry {
        u32 attributes = 0;
        s64 creationTime = 0;
        s64 accessTime = 0;
        s64 writeTime = 0;
        u64 size = 0;
        KyString name;
    };

    KyDirectory();
    ~KyDirectory();
    KyDirectory(const KyDirectory&) = delete;
    KyDirectory& operator=(const KyDirectory&) = delete;

    // Makes path the process's current folder (not resolved).
    static bool ChangeDir(const KyString& path);
    // Creates one folder; for a folder of the user-data folder, the
    // user-data folder too when it is missing.
    static bool MakeDir(const KyString& path);
    // Creates the folder and every missing parent; true when it is a folder
    // afterwards (one that was there already included).
    static bool makePath(const KyString& path);
    // Removes a folder and everything in it. Symbolic links inside are
    // removed, never followed. False (without a message) when the folder
    // cannot be listed.
    static bool RemoveDir(const KyString& path);

    // Starts a listing of the folder path (not resolved; a trailing '/' is
    // ignored). True whenever the folder could be opened; the first entry
    // is then ".".
    bool findFirst(const KyString& path);
    // Moves to the next entry (the first one after findFirst); false when
    // there is none.
    bool findNext();
    KyString entryName() const;
    u32 entryAttributes() const;
    const Entry& entry() const { return m_entry; }
    void close();

private:
    bool fetch();
    static bool removeTree(const KyString& diskPath);

    KyOsDir* m_listing;      // null when no listing is open
    bool m_firstPending;
    KyString m_path;
    bool m_hasEntry;
    Entry m_entry;
};

#endif

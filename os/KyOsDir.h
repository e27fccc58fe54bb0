#ifndef KY_OS_DIR_H
#define KY_OS_DIR_H

#include <cstdint>
#include <string>

// Folder listing and folder operations over POSIX (opendir/readdir/lstat,
// mkdir, rmdir, chdir).
//
// A listing always gives "." and ".." first, then the other entries in the
// order the file system returns them: the engine's folder walks skip the
// first two entries, and Linux file systems return them anywhere.
class KyOsDir {
public:
    struct Entry {
        std::string name;
        bool isFolder = false;   // a folder, or a symbolic link to one
        bool isLink = false;     // the entry itself is a symbolic link
        bool readOnly = false;   // the owner may not write it
        std::uint64_t size = 0;  // bytes; 0 for folders
        std::int64_t accessTime = 0;  // seconds since 1970
        std::int64_t writeTime = 0;
        std::int64_t changeTime = 0;
    };

    KyOsDir();
    ~KyOsDir();
    KyOsDir(const KyOsDir&) = delete;
    KyOsDir& operator=(const KyOsDir&) = delete;

    // Starts listing a folder; an open listing is closed first. False when
    // the folder cannot be opened.
    bool open(const char* folder);
    bool isOpen() const;
    // The next entry; false when the listing is exhausted or not open.
    bool next(Entry& entry);
    void close();

    static bool makeDir(const char* path);
    // Creates the folder and any missing parent; true when it exists as a
    // folder afterwards.
    static bool makePath(const char* path);
    // Removes an empty folder.
    static bool removeDir(const char* path);
    static bool changeDir(const char* path);
    // The process's current folder; empty on failure.
    static std::string currentDir();

    // A real folder (a symbolic link to a folder does not count).
    static bool isFolder(const char* path);
    // Any kind of entry exists at the path (a dangling link included).
    static bool entryExists(const char* path);
    // Fills an entry record for the path, as a listing would.
    static bool describe(const char* path, Entry& entry);
    // The bytes an unprivileged program may still write on the file system
    // that holds path (a file or folder that exists); false when it cannot
    // be told.
    static bool freeSpace(const char* path, std::uint64_t& bytes);

private:
    void* m_dir;            // DIR*
    std::string m_folder;   // as given to open, for lstat of each entry
    int m_dotsGiven;        // how many of "." and ".." were handed out
};

#endif

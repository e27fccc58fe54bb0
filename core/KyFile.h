#ifndef KY_FILE_H
#define KY_FILE_H

#include "core/KyPath.h"
#include "core/KyStream.h"
#include "core/KyString.h"
#include "core/KyTypes.h"

#include <cstdio>

// The open/close side of a file, seen apart from its byte stream.
class KyFileSystem {
public:
    virtual ~KyFileSystem() {}
    virtual bool Open_2(const KyString& path, u32 mode) = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
};

// A disk file (the runtime's buffered FILE) seen through the stream
// interface, so every serialiser can read or write it. Its static operations
// turn a game path (as scripts, XML and data files write it) into a disk path
// and test, delete, rename and copy files.
//
// Files are raw byte streams: numbers travel in binary (text mode 0).
class KyFile : public KyFileSystem, public KyStream {
public:
    enum Mode : u32 {
        ModeRead = 1,    // "rb"
        ModeWrite = 2,   // "wb": created or truncated
        ModeAppend = 3,  // "ab"
        ModeClosed = 4
    };

    KyFile();
    // Opens path for reading.
    explicit KyFile(const KyString& path);
    ~KyFile() override;

    // Opens the file at path (a game path, resolved with resolvePath) in one
    // of the modes above; a file already open is closed first. Writing and
    // appending make the missing folders of the path. Returns true when a
    // file is open afterwards; on failure logs that the file does not exist
    // and the mode keeps its value.
    bool Open_2(const KyString& path, u32 mode) override;
    bool isOpen() const override;
    void close() override;

    u32 write(const void* data, u32 n) override;
    u32 read(void* out, u32 n) override;
    // Absolute position from the start of the file.
    bool seek(u32 pos) override;
    u32 tell() const override;
    bool eof() const override;

    // Reads up to n bytes at offset straight from the system, without the
    // position or the stream's buffer: several threads may read one file at
    // once this way. Returns the count read, short only at the end of the
    // file or on an error. Not to be mixed with buffered writes.
    u32 readAt(u32 offset, void* out, u32 n) const;

    // Size in bytes of the open file; the position is kept. 0 when closed or
    // when the file reports an error.
    u32 GetFileSize();
    // Pushes buffered writes to the system; false when they could not all be
    // written (or when closed).
    bool flush();

    // The path as last given to Open_2 (not resolved).
    KyString path() const { return m_path; }
    u32 mode() const { return m_mode; }

    // The disk path of a game path:
    //  - a leading "./" is replaced by base;
    //  - "Backup/rest" is rest inside the user-data folder; when no
    //    documents folder can be determined it is rest relative to the
    //    current folder. Nothing is made: the folders of a path are made
    //    when a file is written into them;
    //  - other relative paths get the core's base-folder prefix (empty, so
    //    they stay relative to the current folder);
    //  - with the core's recursive search on, a missing file is looked for
    //    through the language folders (searchPath).
    // A file that the background writer is still writing is waited for
    // (KyFileWriter), so whatever resolves its path meets it written.
    static KyPath resolvePath(const KyString& path, const KyString& base = KyString());
    // Whether resolvePath puts path (with no base) into the user-data
    // folder, however it is spelled: "Backup\\x", "Backup//x", "./Backup/x".
    static bool isUserDataPath(const KyString& path);
    // An existing file under the folder of path, trying the sub-folders
    // named after a setting value (such as the language); empty when none.
    static KyPath searchPath(const KyString& path);
    // A regular file exists at the game path and can be opened for reading.
    // Never logs, and never opens anything but a regular file.
    static bool exists(const KyString& path);
    // The same for a disk path (already resolved).
    static bool isReadable(const KyString& diskPath);
    // Whether a disk path (already resolved) names a regular file, and its
    // size; looked at without opening it.
    static bool regularFileSize(const KyString& diskPath, u64& size);
    // Opens a disk path (already resolved) in one of the modes, without
    // waiting and without logging: a path read must be a regular file (a
    // FIFO or a device is never opened for reading), a folder never opens,
    // and a FIFO written to without a reader fails at once. Null on failure;
    // the caller closes the file.
    static std::FILE* openDisk(const KyString& diskPath, u32 mode);
    // openDisk, and for writing or appending, when the path's folder is
    // missing, the folder and its missing parents made and the open made
    // again.
    static std::FILE* openDiskMakingFolders(const KyString& diskPath, u32 mode);
    // Removes a file (not a folder); logs and returns false on failure.
    static bool DeleteFile(const KyString& path);
    // Moves a file; an existing destination is replaced.
    static bool renameFile(const KyString& from, const KyString& to);
    // Copies a file's bytes; the destination is created or truncated (its
    // missing folders made, as Open_2 makes them). False
    // when either file cannot be opened or not every byte could be written;
    // an incomplete destination is removed.
    static bool copyFile(const KyString& from, const KyString& to);

    // Writes size bytes as the whole content of the file at the game path:
    // into a new temporary file in the same folder, flushed to the disk,
    // then renamed over the file. The file is always either as it was or
    // complete. False, with the temporary file removed, on any failure.
    static bool writeAtomically(const KyString& path, const void* data, u32 size);
    // The same write made on the background writer's thread (KyFileWriter):
    // the caller does not wait for the disk, and every later operation on
    // the file waits for it (see resolvePath). failureLine, when not empty,
    // is logged as it stands if the write fails, on the console as well
    // (logAlert).
    static void writeAtomicallyLater(const KyString& path, const void* data, u32 size, const KyString& failureLine);
    // writeAtomically to a disk path already resolved (any thread).
    static bool writeDiskAtomically(const KyString& diskPath, const void* data, u32 size);

    // Whether name (a file name without folder) is one writeAtomically gives
    // its temporary files: the name of the file written, the mark ".kytmp~"
    // and six letters or digits. base receives the name of the file written.
    static bool isTemporaryName(const KyString& name, KyString& base);

    // Pushes what was written to the file at a disk path (already resolved)
    // to the disk; false when it cannot be opened or the system could not.
    static bool syncDiskFile(const KyString& diskPath);

    // The bytes the game may still write beside the file or in the folder at
    // a game path (the nearest folder of it that exists); false when the
    // system cannot tell.
    static bool freeSpace(const KyString& path, u64& bytes);

    // Removes the file at a disk path (already resolved), with the same
    // failure message as DeleteFile.
    static bool deleteDiskFile(const KyString& diskPath);

private:
    KyFile(const KyFile&) = delete;
    KyFile& operator=(const KyFile&) = delete;

    static KyPath searchPathFrom(const KyPath& path, u32 depth);

    KyString m_path;
    u32 m_mode;
    std::FILE* m_file;
};

#endif

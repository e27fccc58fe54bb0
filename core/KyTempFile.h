#ifndef KY_TEMP_FILE_H
#define KY_TEMP_FILE_H

#include "core/KyString.h"
#include "core/KyTypes.h"

// A file written as the game writes every file of its own: into a new
// temporary file beside it (the file's name, ".kytmp~" and six letters or
// digits, see KyFile::isTemporaryName), then renamed over it, so that the
// file is always either as it was or whole. The writer streams: it opens,
// writes as the bytes come, makes them durable when it chooses, and either
// commits or discards. Whatever does not end in a commit leaves nothing:
// a failed write, a discard and the destructor remove the temporary file.
//
// Paths are disk paths (already resolved): a KyTempFile may be used on any
// thread, by one thread at a time. The folders of the file are made when
// they are missing, as the file is written into them.
class KyTempFile {
public:
    KyTempFile();
    // Discards a file not committed.
    ~KyTempFile();
    KyTempFile(const KyTempFile&) = delete;
    KyTempFile& operator=(const KyTempFile&) = delete;

    // Creates the temporary file of the file at diskPath; one already open
    // is discarded first. False when it cannot be made.
    bool open(const KyString& diskPath);
    bool isOpen() const { return m_fd >= 0; }
    // Appends n bytes; false when they could not all be written, and the
    // file is discarded.
    bool write(const void* data, u32 n);
    // Pushes what was written to the disk; false (and discarded) when the
    // system could not.
    bool makeDurable();
    // Closes the temporary file and renames it over the file; false (and
    // discarded) on failure.
    bool commit();
    // Closes and removes the temporary file, if any.
    void discard();

    // The errno of the last failure (ENOSPC and EDQUOT tell a full disk);
    // 0 when none.
    int lastError() const { return m_error; }
    bool failedForRoom() const;
    // Bytes written since open.
    u64 size() const { return m_size; }
    // The file written, and its temporary file while open.
    const KyString& path() const { return m_path; }
    const KyString& temporaryPath() const { return m_temporary; }

private:
    bool fail(int error);

    int m_fd;
    int m_error;
    u64 m_size;
    KyString m_path;
    KyString m_temporary;
};

#endif

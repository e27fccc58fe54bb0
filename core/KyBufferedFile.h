#ifndef KY_BUFFERED_FILE_H
#define KY_BUFFERED_FILE_H

#include "core/KyArray.h"
#include "core/KyFile.h"
#include "core/KyMutex.h"
#include "core/KyThread.h"
#include "core/KyTypes.h"

class KyBufferedFile;

// The worker that loads a buffered file's sectors from disk in file order,
// skipping those the reading thread loaded first.
class KyBufferedFileReader : public KyThread {
public:
    KyBufferedFileReader();
    ~KyBufferedFileReader() override;

    void run() override;

    // Prepares a run over a file of fileSize bytes cut in sectors of
    // sectorSize bytes; clears the quit flag.
    void prepare(KyBufferedFile* owner, u32 fileSize, u32 sectorSize);
    // Asks the run to end before its next sector.
    void setQuit();
    bool quit();

private:
    // Guards the quit flag, which the owner's thread sets while this one reads it.
    KyMutex m_quitMutex;
    u32 m_quit;
    u32 m_fileSize;
    u32 m_sectorSize;
    KyBufferedFile* m_owner;
};

// A read-only file held whole in memory and filled from disk in sectors of
// 2048 bytes: ahead of time by its reader thread, and on demand when a read
// reaches a sector not loaded yet. Every sector is read from disk once; once
// all are loaded, reads are plain memory copies.
class KyBufferedFile : public KyFile {
public:
    struct Sector {
        u32 offset;
        u32 length;
        u32 pending; // 1 not loaded yet, 0 loaded
    };

    KyBufferedFile();
    ~KyBufferedFile() override;

    // Opens path for reading (mode 1; any other mode is refused, since the
    // file is never written) and starts the reader thread. False when the
    // file cannot be opened or held in memory.
    bool Open_2(const KyString& path, u32 mode) override;
    bool isOpen() const override;
    // Stops and waits for the reader, then frees everything.
    void close() override;

    // Copies up to n bytes from the position, loading the sectors they lie
    // in when the reader has not yet; returns the count copied.
    u32 read(void* out, u32 n) override;
    // Nothing is written: returns 0.
    u32 write(const void* data, u32 n) override;
    // Refused (false) at or past the end of the file.
    bool seek(u32 offset) override;
    u32 tell() const override;
    bool eof() const override;

    // The size of the open file in bytes (0 when closed).
    u32 GetFileSize() const { return m_fileSize; }
    u32 sectorSize() const { return m_sectorSize; }

    // Under the file's mutex: stores the index of the sector holding position
    // and returns its pending value (0 past the last sector).
    u32 sectorState(u32 position, u32* index);
    // Under the file's mutex: the number of sectors not loaded yet.
    u32 pendingCount();
    u32 sectorCount() const { return m_sectors.count(); }
    // Under the file's mutex: a copy of a sector record; false past the end.
    bool sectorAt(u32 index, Sector* sector);

private:
    friend class KyBufferedFileReader;

    KyBufferedFile(const KyBufferedFile&) = delete;
    KyBufferedFile& operator=(const KyBufferedFile&) = delete;

    // Under the file's mutex: loads the sector at index from disk when it is
    // still pending, so that a sector raced for by both threads is read once.
    void loadSector(u32 index);

    KyFile m_inner;
    KyMutex m_mutex;
    // The whole file; sectors are read from disk straight into it.
    u8* m_data;
    KyBufferedFileReader m_reader;
    KyArray<Sector*> m_sectors;
    u32 m_fileSize;
    u32 m_sectorSize;
    u32 m_pendingCount;
};

#endif

#ifndef KY_BUFFERED_FILE_H
#define KY_BUFFERED_FILE_H

#include "core/KyArray.h"
#include "core/KyFile.h"
#include "core/KyMutex.h"
#include "core/KyThread.h"
#include "core/KyTypes.h"

#include <atomic>
#include <memory>
#include <vector>

class KyBufferedFile;

// The worker that loads a buffered file's sectors from disk in file order,
// skipping those the reading thread loaded or is loading itself. It reads
// runs of up to runSectors sectors into a buffer of its own, outside the
// file's lock, and takes the lock only to find the next run and to publish
// the sectors of a run that are still not loaded.
class KyBufferedFileReader : public KyThread {
public:
    KyBufferedFileReader();
    ~KyBufferedFileReader() override;

    void run() override;

    static const u32 runSectors = 32;

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
// reaches a sector not loaded yet. Each sector is loaded into memory once;
// once all are loaded, reads are plain memory copies.
//
// Neither thread holds the file's lock across a disk read, so neither waits
// for the other's: a read claims the sectors it needs that are not loaded,
// reads them from disk straight into memory and publishes them under the
// lock; the reader thread skips claimed sectors, and of a run it read, keeps
// only the sectors still not loaded when it publishes. The two threads may
// then read one sector from disk both, but never wait for each other.
class KyBufferedFile : public KyFile {
public:
    struct Sector {
        u32 offset;
        u32 length;
        u32 pending; // 1 not loaded yet, 0 loaded
        u32 claimed; // 1 while a read loads it itself
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

    // Whether every sector of [begin, end) is loaded, without the lock.
    bool rangeLoaded(u32 begin, u32 end) const;
    // The reading thread's side: claims the sectors of [begin, end) that are
    // not loaded, reads them from disk (outside the lock) and publishes them.
    void loadRange(u32 begin, u32 end);
    // The reader thread's side, under the lock: the first run of at most
    // maxCount sectors from index `from` on that are neither loaded nor
    // claimed; false when there is none.
    bool nextPendingRun(u32 from, u32 maxCount, u32* first, u32* count);
    // The reader thread's side, under the lock: copies from bytes (the run of
    // count sectors from first) the sectors still neither loaded nor claimed,
    // and marks them loaded.
    void publishRun(u32 first, u32 count, const u8* bytes);
    // Reads count sectors from first from disk into out; what the disk no
    // longer holds reads as zeros. Takes no lock.
    void readSectors(u32 first, u32 count, u8* out) const;
    // Under the lock: one sector fewer to load.
    void sectorLoaded(Sector& sector);

    KyFile m_inner;
    KyMutex m_mutex;
    // The whole file. Bytes of a loaded sector are never written again; the
    // others are written only by the thread that claimed them, or under the
    // lock.
    u8* m_data;
    KyBufferedFileReader m_reader;
    KyArray<Sector*> m_sectors;
    u32 m_fileSize;
    u32 m_sectorSize;
    u32 m_pendingCount;
    // Set (under the lock) once every sector is loaded: reads then take no
    // lock at all.
    std::atomic<bool> m_allLoaded;
    // One flag per sector, set (under the lock) when it is loaded: a read of
    // loaded sectors takes no lock either.
    std::unique_ptr<std::atomic<bool>[]> m_loaded;
    // The sectors the current read claimed.
    std::vector<u32> m_claimed;
};

#endif

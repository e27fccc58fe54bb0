#ifndef KY_FILE_WRITER_H
#define KY_FILE_WRITER_H

#include "core/KyMutex.h"
#include "core/KyString.h"
#include "core/KyThread.h"
#include "core/KyTypes.h"

#include <atomic>
#include <deque>
#include <string>

// Writes files as KyFile::writeAtomically does (a temporary file flushed to
// the disk, then renamed over the old one) on a thread of its own, in the
// order they were asked for, so that the caller does not wait for the disk.
// Every file operation through KyFile resolves its path with
// KyFile::resolvePath, which first waits for the writes to that file still
// under way: whatever opens, tests, deletes, renames or writes the file
// afterwards meets it written.
//
// The one writer of the program finishes every write it was given before
// the program exits. A write that fails logs the line it was given.
class KyFileWriter : public KyThread {
public:
    static KyFileWriter& instance();
    ~KyFileWriter() override;

    // Queues size bytes of data to be written to the file at diskPath (a
    // resolved path); failureLine, when not empty, is logged as it stands
    // if the write fails.
    void write(const KyString& diskPath, const void* data, u32 size, const KyString& failureLine);
    // Returns once no write to diskPath is under way; at once when none is.
    void waitFor(const KyString& diskPath);
    // Returns once every write asked for has been made.
    void waitForAll();

    void run() override;

private:
    KyFileWriter();
    KyFileWriter(const KyFileWriter&) = delete;
    KyFileWriter& operator=(const KyFileWriter&) = delete;

    struct Job {
        KyString path;
        std::string bytes;
        KyString failureLine;
    };

    // Guards the queue and the busy flag.
    KyMutex m_jobsMutex;
    // Taken while the thread is started or waited for, so that two threads
    // never do either at once.
    KyMutex m_threadMutex;
    // The writes asked for; the first one is being made while busy.
    std::deque<Job> m_jobs;
    bool m_busy;
    // Writes not made yet: read without the lock for the common case of
    // none.
    std::atomic<u32> m_pending;
};

#endif

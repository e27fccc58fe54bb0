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
// the program exits. When its thread cannot be started the writes are made
// at once on the calling thread, in order, with one line in the log for as
// long as threads cannot be made.
//
// A write that fails logs the line it was given, in the log and on the
// console (logAlert), but never from the writer's thread, where it could
// land inside a line another thread is writing: the line waits for the next
// write asked for or the next waitForAll, and is logged by the thread that
// calls them (logFailures).
class KyFileWriter : public KyThread {
public:
    static KyFileWriter& instance();
    ~KyFileWriter() override;

    // Queues size bytes of data to be written to the file at diskPath (a
    // resolved path); failureLine, when not empty, is logged as it stands
    // if the write fails. Logs the failures met so far (logFailures).
    void write(const KyString& diskPath, const void* data, u32 size, const KyString& failureLine);
    // Returns once no write to diskPath is under way; at once when none is.
    void waitFor(const KyString& diskPath);
    // Returns once every write asked for has been made, then logs the
    // failures met (logFailures).
    void waitForAll();
    // Logs, on the calling thread, the failure lines of the writes that
    // failed since the last call, on the console as well.
    void logFailures();

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

    // Makes the queued writes on the calling thread, when no thread could
    // be started for them.
    void writeInPlace();

    // Guards the queue, the busy flag and the failure lines.
    KyMutex m_jobsMutex;
    // Taken while the thread is started or waited for, so that two threads
    // never do either at once.
    KyMutex m_threadMutex;
    // The writes asked for; the first one is being made while busy.
    std::deque<Job> m_jobs;
    bool m_busy;
    // The failure lines not logged yet.
    std::string m_failures;
    // Set while threads cannot be started (the writes are made in place),
    // so that this is logged once.
    bool m_inPlace;
    // Writes not made yet: read without the lock for the common case of
    // none.
    std::atomic<u32> m_pending;
};

#endif

#include "core/KyFileWriter.h"

#include "core/KyFile.h"
#include "core/KyLog.h"

#include <cstdlib>

namespace {

void finishWrites()
{
    KyFileWriter::instance().waitForAll();
}

} // namespace

KyFileWriter& KyFileWriter::instance()
{
    // Never deleted, so that whatever resolves a path while the program
    // ends still finds it; the writes are finished when the program exits.
    static KyFileWriter* writer = [] {
        KyFileWriter* made = new KyFileWriter;
        std::atexit(finishWrites);
        return made;
    }();
    return *writer;
}

KyFileWriter::KyFileWriter() : m_busy(false), m_inPlace(false), m_pending(0) {}

KyFileWriter::~KyFileWriter()
{
    // run() reads the queue: every write is made before the writer goes.
    waitForAll();
}

void KyFileWriter::write(const KyString& diskPath, const void* data, u32 size, const KyString& failureLine)
{
    Job job;
    job.path = diskPath;
    if (data && size > 0)
        job.bytes.assign(static_cast<const char*>(data), size);
    job.failureLine = failureLine;
    KyMutexLock threadLock(m_threadMutex);
    bool idle = false;
    {
        KyMutexLock lock(m_jobsMutex);
        m_jobs.push_back(job);
        ++m_pending;
        idle = !m_busy;
        m_busy = true;
    }
    // A thread that found the queue empty has ended (or is ending): start
    // joins it and runs a new one.
    if (idle) {
        start();
        if (hasThread())
            m_inPlace = false;
        else
            writeInPlace();
    }
    logFailures();
}

void KyFileWriter::writeInPlace()
{
    if (!m_inPlace)
        logPrint("[KyFileWriter] no thread for the writes: files are written as they are asked for\n");
    m_inPlace = true;
    // Nothing else is queued: no thread was running. run() empties the queue
    // and clears the busy flag as the thread would.
    run();
}

void KyFileWriter::run()
{
    for (;;) {
        Job job;
        {
            KyMutexLock lock(m_jobsMutex);
            if (m_jobs.empty()) {
                m_busy = false;
                return;
            }
            job = m_jobs.front();
        }
        const bool written = KyFile::writeDiskAtomically(job.path, job.bytes.data(), u32(job.bytes.size()));
        KyMutexLock lock(m_jobsMutex);
        if (!written)
            m_failures.append(job.failureLine.c_str(), job.failureLine.length());
        m_jobs.pop_front();
        --m_pending;
    }
}

void KyFileWriter::waitFor(const KyString& diskPath)
{
    if (m_pending.load() == 0)
        return;
    bool queued = false;
    {
        KyMutexLock lock(m_jobsMutex);
        for (const Job& job : m_jobs)
            queued = queued || job.path == diskPath;
    }
    if (queued)
        waitForAll();
}

void KyFileWriter::waitForAll()
{
    {
        KyMutexLock threadLock(m_threadMutex);
        wait();
    }
    logFailures();
}

void KyFileWriter::logFailures()
{
    std::string lines;
    {
        KyMutexLock lock(m_jobsMutex);
        lines.swap(m_failures);
    }
    // The files written are the player's: a failure is told on the console
    // too, the log being on the disk that may have refused them.
    if (!lines.empty())
        logAlert("%s", lines.c_str());
}

#include "platform/KyImgPrefetch.h"

#include "core/KyFile.h"
#include "core/KyPath.h"
#include "os/KyOsLog.h"
#include "os/KyOsThread.h"
#include "platform/KyImg.h"

#include <algorithm>
#include <cstdio>

namespace {

// The whole file, or false when it cannot be read.
bool readFile(const KyString& diskPath, std::vector<char>& bytes)
{
    std::FILE* file = std::fopen(diskPath.c_str(), "rb");
    if (!file)
        return false;
    char block[64 * 1024];
    size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.insert(bytes.end(), block, block + n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

} // namespace

KyImgPrefetch& KyImgPrefetch::instance()
{
    static KyImgPrefetch prefetch;
    return prefetch;
}

KyImgPrefetch::KyImgPrefetch() : m_done(KyOsThread::createSignal()) {}

KyImgPrefetch::~KyImgPrefetch()
{
    clear();
    KyOsThread::closeSignal(m_done);
}

KyImgPrefetch::Worker::~Worker()
{
    // run() reads the owner's jobs: the thread ends before the worker goes.
    wait();
}

void KyImgPrefetch::request(const KyString& path)
{
    const std::string key(path.c_str());
    if (m_jobs.count(key) || !KyImg::isPictureName(path))
        return;
    // The file KyImg::load would read.
    KyPath file;
    if (!KyImg::fileFor(path, file))
        return;
    std::unique_ptr<Job> job(new Job);
    job->file = file;
    job->diskPath = KyFile::resolvePath(file);
    job->type = KyPath(file.toLower()).extension();
    Worker* idle = nullptr;
    {
        KyMutexLock lock(m_mutex);
        m_queue.push_back(job.get());
        m_jobs[key] = std::move(job);
        for (std::unique_ptr<Worker>& worker : m_workers) {
            if (!worker->busy) {
                idle = worker.get();
                break;
            }
        }
        if (!idle && m_workers.size() < KyThread::workerLimit()) {
            m_workers.emplace_back(new Worker(*this));
            idle = m_workers.back().get();
        }
        if (idle)
            idle->busy = true;
    }
    // A worker that found the queue empty has ended, or is ending: start
    // waits for it and runs it again.
    if (idle)
        idle->start();
}

KyImgPrefetch::Job* KyImgPrefetch::nextJob(Worker& worker)
{
    KyMutexLock lock(m_mutex);
    if (m_queue.empty()) {
        worker.busy = false;
        return nullptr;
    }
    Job* job = m_queue.front();
    m_queue.erase(m_queue.begin());
    return job;
}

void KyImgPrefetch::read(Job& job)
{
    std::vector<char> bytes;
    std::unique_ptr<KyImgResult> picture;
    std::string log;
    if (readFile(job.diskPath, bytes)) {
        KyString stream(bytes.data(), u32(bytes.size()));
        stream.seek(0);
        KyOsLog::Capture capture(log);
        picture = KyImg::read(job.type, &stream, KyString());
    }
    KyMutexLock lock(m_mutex);
    job.picture = std::move(picture);
    job.log = log;
    job.done = true;
    KyOsThread::setSignal(m_done);
}

void KyImgPrefetch::Worker::run()
{
    while (Job* job = m_owner.nextJob(*this))
        m_owner.read(*job);
}

bool KyImgPrefetch::take(const KyString& path, std::unique_ptr<KyImgResult>& picture, std::string& log)
{
    std::map<std::string, std::unique_ptr<Job>>::iterator found = m_jobs.find(path.c_str());
    if (found == m_jobs.end())
        return false;
    Job& job = *found->second;
    // The language may have changed since: a picture read from another file
    // than load would read now is dropped.
    KyPath file;
    const bool same = KyImg::fileFor(path, file) && file == job.file;
    bool readHere = false;
    {
        KyMutexLock lock(m_mutex);
        std::vector<Job*>::iterator queued = std::find(m_queue.begin(), m_queue.end(), &job);
        if (queued != m_queue.end()) {
            m_queue.erase(queued);
            readHere = true;
        }
    }
    if (!readHere)
        waitForDone(job);
    else if (same)
        read(job);
    if (!same) {
        m_jobs.erase(found);
        return false;
    }
    // A file that could not be read is read again by the caller, which
    // reports it as usual.
    const bool read = job.picture != nullptr;
    picture = std::move(job.picture);
    log = job.log;
    m_jobs.erase(found);
    return read;
}

void KyImgPrefetch::waitForDone(Job& job)
{
    for (;;) {
        {
            KyMutexLock lock(m_mutex);
            if (job.done)
                return;
            KyOsThread::clearSignal(m_done);
        }
        KyOsThread::waitSignal(m_done, 100);
    }
}

void KyImgPrefetch::finish()
{
    for (;;) {
        Job* job = nullptr;
        {
            KyMutexLock lock(m_mutex);
            if (m_queue.empty())
                break;
            job = m_queue.front();
            m_queue.erase(m_queue.begin());
        }
        read(*job);
    }
    for (std::unique_ptr<Worker>& worker : m_workers)
        worker->wait();
}

void KyImgPrefetch::clear()
{
    {
        KyMutexLock lock(m_mutex);
        m_queue.clear();
    }
    m_workers.clear();
    m_jobs.clear();
}

#include "platform/KyImgPrefetch.h"

#include "core/KyFile.h"
#include "os/KyOsLog.h"
#include "os/KyOsThread.h"
#include "platform/KyImg.h"

#include <cstdio>
#include <vector>

namespace {

// The whole file, or false when it cannot be read (or is no regular file:
// opened as every file the engine reads, a FIFO never holds up a worker).
bool readFile(const KyString& diskPath, std::vector<char>& bytes)
{
    std::FILE* file = KyFile::openDisk(diskPath, KyFile::ModeRead);
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
    static KyImgPrefetch* const prefetch = new KyImgPrefetch;
    return *prefetch;
}

KyImgPrefetch::KyImgPrefetch() : m_done(KyOsThread::createSignal()) {}

void KyImgPrefetch::request(const KyString& path)
{
    const std::string key(path.c_str());
    if (m_jobs.count(key) || !KyImg::isPictureName(path))
        return;
    // The file KyImg::load would read.
    KyPath file;
    if (!KyImg::fileFor(path, file))
        return;
    std::shared_ptr<Job> job(new Job);
    job->file = file;
    job->diskPath = KyFile::resolvePath(file);
    job->type = KyPath(file.toLower()).extension();
    m_jobs[key] = job;
    m_group.add([this, job] {
        if (claim(*job))
            read(*job);
    });
}

bool KyImgPrefetch::claim(Job& job)
{
    KyMutexLock lock(m_mutex);
    if (job.started)
        return false;
    job.started = true;
    return true;
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

bool KyImgPrefetch::take(const KyString& path, std::unique_ptr<KyImgResult>& picture, std::string& log)
{
    std::map<std::string, std::shared_ptr<Job>>::iterator found = m_jobs.find(path.c_str());
    if (found == m_jobs.end())
        return false;
    const std::shared_ptr<Job> job = found->second;
    m_jobs.erase(found);
    // The language may have changed since: a picture read from another file
    // than load would read now is dropped.
    KyPath file;
    const bool same = KyImg::fileFor(path, file) && file == job->file;
    if (claim(*job)) {
        if (same)
            read(*job);
    } else {
        waitForDone(*job);
    }
    if (!same)
        return false;
    // A file that could not be read is read again by the caller, which
    // reports it as usual.
    const bool read = job->picture != nullptr;
    picture = std::move(job->picture);
    log = job->log;
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
    m_group.finish();
}

void KyImgPrefetch::clear()
{
    // A job holds its own record, and the prefetch outlives it.
    m_group.drop();
    m_jobs.clear();
}

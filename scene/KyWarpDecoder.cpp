#include "scene/KyWarpDecoder.h"

#include <algorithm>

u32 KyFileReadStream::read(void* out, u32 n)
{
    const u32 got = m_file.readAt(m_at, out, n);
    m_at += got;
    return got;
}

bool KyFileReadStream::seek(u32 pos)
{
    m_at = pos;
    return true;
}

KyWarpDecoder::KyWarpDecoder(KyFile& file, const KyString& format)
    : m_file(file), m_fileSize(file.GetFileSize()), m_format(format), m_next(0), m_finished(false)
{
}

KyWarpDecoder::~KyWarpDecoder()
{
    m_mutex.Lock();
    m_next = m_jobs.size();
    m_mutex.Unlock();
    m_workers.clear();
}

KyWarpDecoder::Worker::~Worker()
{
    // run() reads the decoder: the thread ends before the worker goes.
    wait();
}

void KyWarpDecoder::request(u32 position)
{
    KyMutexLock lock(m_mutex);
    if (m_byPosition.count(position))
        return;
    m_finished = false;
    m_byPosition[position] = m_jobs.size();
    m_jobs.emplace_back(new Job{position, false, KyWarpBloc::Pictures()});
}

void KyWarpDecoder::start()
{
    size_t queued = 0;
    {
        KyMutexLock lock(m_mutex);
        queued = m_jobs.size() - m_next;
    }
    const size_t wanted = std::min<size_t>(KyThread::workerLimit(), queued / 2);
    while (m_workers.size() < wanted) {
        m_workers.emplace_back(new Worker(*this));
        m_workers.back()->start();
    }
}

KyWarpDecoder::Job* KyWarpDecoder::nextJob()
{
    KyMutexLock lock(m_mutex);
    if (m_next >= m_jobs.size())
        return nullptr;
    return m_jobs[m_next++].get();
}

void KyWarpDecoder::read(Job& job)
{
    KyFileReadStream stream(m_file, m_fileSize);
    KyWarpBloc::readPictures(stream, job.position, m_format, job.pictures);
}

void KyWarpDecoder::Worker::run()
{
    while (Job* job = m_decoder.nextJob())
        m_decoder.read(*job);
}

void KyWarpDecoder::finish()
{
    while (Job* job = nextJob())
        read(*job);
    for (std::unique_ptr<Worker>& worker : m_workers)
        worker->wait();
    m_workers.clear();
    m_finished = true;
}

bool KyWarpDecoder::take(u32 position, KyWarpBloc::Pictures& pictures)
{
    if (!m_finished)
        return false;
    std::unordered_map<u32, size_t>::const_iterator found = m_byPosition.find(position);
    if (found == m_byPosition.end())
        return false;
    Job& job = *m_jobs[found->second];
    if (job.taken)
        return false;
    job.taken = true;
    pictures = std::move(job.pictures);
    return true;
}

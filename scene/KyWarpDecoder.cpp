#include "scene/KyWarpDecoder.h"

#include "core/KyFileReadStream.h"

KyWarpDecoder::KyWarpDecoder(KyFile& file, const KyString& format, KyWorkerPool::Priority priority)
    : m_file(file), m_fileSize(file.GetFileSize()), m_format(format), m_finished(false), m_group(priority)
{
}

KyWarpDecoder::~KyWarpDecoder()
{
    // The jobs being read go only once their threads are done with them.
    m_group.cancel();
}

void KyWarpDecoder::request(u32 position)
{
    if (m_byPosition.count(position))
        return;
    m_finished = false;
    m_byPosition[position] = m_jobs.size();
    m_jobs.emplace_back(new Job{position, false, KyWarpBloc::Pictures()});
    Job* job = m_jobs.back().get();
    m_group.add([this, job] { read(*job); });
}

void KyWarpDecoder::read(Job& job)
{
    KyFileReadStream stream(m_file, m_fileSize);
    KyWarpBloc::readPictures(stream, job.position, m_format, job.pictures);
}

void KyWarpDecoder::finish()
{
    m_group.finish();
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

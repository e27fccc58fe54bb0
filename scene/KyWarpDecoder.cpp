#include "scene/KyWarpDecoder.h"

#include "core/KyFileReadStream.h"

KyWarpDecoder::KyWarpDecoder(const std::shared_ptr<KyFile>& file, const KyString& format,
                             KyWorkerPool::Priority priority)
    : m_source(new Source{file, file->GetFileSize(), format}), m_finished(false), m_group(priority)
{
}

KyWarpDecoder::~KyWarpDecoder()
{
    // The jobs being read own what they read and go when they end.
    m_group.drop();
}

void KyWarpDecoder::request(u32 position)
{
    if (m_byPosition.count(position))
        return;
    m_finished = false;
    m_byPosition[position] = m_jobs.size();
    std::shared_ptr<Job> job(new Job{position, false, KyWarpBloc::Pictures()});
    m_jobs.push_back(job);
    std::shared_ptr<const Source> source = m_source;
    m_group.add([source, job] { read(*source, *job); });
}

void KyWarpDecoder::read(const Source& source, Job& job)
{
    KyFileReadStream stream(*source.file, source.size);
    KyWarpBloc::readPictures(stream, job.position, source.format, job.pictures);
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

#include "net/KyAdsPictures.h"

#include "core/KyFile.h"
#include "core/KyPath.h"
#include "core/KyStream.h"
#include "os/KyOsLog.h"
#include "platform/KyImg.h"
#include "platform/KyImgInput.h"

#include <algorithm>
#include <cstdio>

namespace {

// Bytes of the files a set's pictures may read in all, besides a few bytes
// a pixel of the budget: their headers and what else a reader walks
// through. Readers read only what their pictures need, so a set comes near
// it only when its files hold far more than their pictures.
const u64 kBytesPerPixel = 8;
const u64 kBytesPerFile = 64 * 1024;

// A file read through the stream interface, straight from the runtime: the
// worker reads by disk path, with nothing of the main thread's file layer.
// It ends where the set's allowance of bytes ends.
class DiskStream : public KyStream {
public:
    DiskStream(std::FILE* file, u64& allowance) : m_file(file), m_allowance(allowance), m_ranOut(false) {}
    ~DiskStream() override { std::fclose(m_file); }

    u32 write(const void*, u32) override { return 0; }
    u32 read(void* out, u32 n) override
    {
        if (n > m_allowance) {
            n = u32(m_allowance);
            m_ranOut = true;
        }
        const u32 got = u32(std::fread(out, 1, n, m_file));
        m_allowance -= got;
        return got;
    }
    bool seek(u32 pos) override { return std::fseek(m_file, long(pos), SEEK_SET) == 0; }
    u32 tell() const override
    {
        const long at = std::ftell(m_file);
        return at < 0 ? 0 : u32(at);
    }
    bool eof() const override { return std::feof(m_file) != 0; }
    // Whether a read asked for more than the allowance left.
    bool ranOut() const { return m_ranOut; }

private:
    std::FILE* m_file;
    u64& m_allowance;
    bool m_ranOut;
};

} // namespace

KyAdsPictures::KyAdsPictures(KyWorkerPool& pool)
    : m_keep(false)
    , m_maxSide(0)
    , m_maxPixels(0)
    , m_started(false)
    , m_stepped(false)
    , m_pool(pool)
    , m_next(0)
    , m_readPixels(0)
    , m_maxBytes(0)
    , m_bytesLeft(0)
    , m_done(true)
    , m_cancel(false)
    , m_whole(false)
    , m_pixels(0)
    , m_job(KyWorkerPool::Ahead, pool)
{
}

KyAdsPictures::~KyAdsPictures()
{
    cancel();
}

void KyAdsPictures::start(const std::vector<Source>& sources, bool keep, u32 maxSide, u64 maxPixels)
{
    cancel();
    m_sources = sources;
    m_keep = keep;
    m_maxSide = maxSide;
    m_maxPixels = maxPixels;
    m_started = true;
    m_next = 0;
    m_readPixels = 0;
    m_maxBytes = kBytesPerPixel * maxPixels + kBytesPerFile * sources.size();
    m_bytesLeft = m_maxBytes;
    m_readFailure = "";
    m_readLog.clear();
    m_done = false;
    m_cancel = false;
    m_whole = false;
    m_failure = "";
    m_log.clear();
    m_pixels = 0;
    m_pictures.clear();
    m_pictures.resize(sources.size());
    // A job would wait for a thread that never comes.
    m_stepped = m_pool.threadLimit() == 0;
    if (m_stepped)
        return;
    m_job.setPriority(KyWorkerPool::Ahead);
    m_job.add([this] { readAll(); });
}

bool KyAdsPictures::isDone()
{
    // Threads the system refused earlier are asked for again: the shortage
    // may have passed.
    if (m_started && !m_stepped)
        m_job.poll();
    KyMutexLock lock(m_mutex);
    return m_done;
}

void KyAdsPictures::step()
{
    if (!m_started || !m_stepped || isDone())
        return;
    bool more = false;
    {
        KyOsLog::Capture capture(m_readLog);
        more = readNext();
    }
    if (!more)
        publish();
}

void KyAdsPictures::hurry()
{
    if (m_started && !m_stepped)
        m_job.setPriority(KyWorkerPool::Now);
}

void KyAdsPictures::finish()
{
    if (!m_started)
        return;
    if (!m_stepped) {
        m_job.finish();
        return;
    }
    while (!isDone())
        step();
}

void KyAdsPictures::cancel()
{
    {
        KyMutexLock lock(m_mutex);
        m_cancel = true;
    }
    m_job.cancel();
    m_started = false;
    m_stepped = false;
    m_sources.clear();
    m_pictures.clear();
}

bool KyAdsPictures::cancelled()
{
    KyMutexLock lock(m_mutex);
    return m_cancel;
}

std::unique_ptr<KyImgResult> KyAdsPictures::take(u32 i)
{
    if (i >= m_pictures.size())
        return nullptr;
    return std::move(m_pictures[i]);
}

void KyAdsPictures::readAll()
{
    {
        KyOsLog::Capture capture(m_readLog);
        while (readNext()) {
        }
    }
    publish();
}

bool KyAdsPictures::readNext()
{
    if (m_next >= m_sources.size() || m_readFailure.length() > 0 || cancelled())
        return false;
    const size_t i = m_next++;
    const Source& source = m_sources[i];
    std::unique_ptr<KyImgResult> picture;
    bool overBudget = false;
    bool overBytes = false;
    if (std::FILE* file = KyFile::openDisk(source.diskPath, KyFile::ModeRead)) {
        DiskStream stream(file, m_bytesLeft);
        KyImgInput::Limit limit(m_maxSide, m_maxPixels - m_readPixels);
        picture = KyImg::read(KyPath(source.diskPath.toLower()).extension(), &stream, KyString());
        overBudget = limit.refused();
        overBytes = stream.ranOut();
    }
    if (overBytes)
        m_readFailure.format("%s takes the pictures of the advert set past %llu bytes", source.path.c_str(),
                             static_cast<unsigned long long>(m_maxBytes));
    else if (overBudget)
        m_readFailure.format("%s is larger than the advert budget allows (%u x %u pixels a picture, %llu in all)",
                             source.path.c_str(), m_maxSide, m_maxSide, static_cast<unsigned long long>(m_maxPixels));
    else if (!picture || picture->format() == 13 || picture->cutShort())
        m_readFailure.format("%s is not a whole picture", source.path.c_str());
    else
        m_readPixels += u64(picture->width()) * picture->height();
    if (m_keep && m_readFailure.length() == 0) {
        KyMutexLock lock(m_mutex);
        m_pictures[i] = std::move(picture);
    }
    return m_next < m_sources.size() && m_readFailure.length() == 0;
}

void KyAdsPictures::publish()
{
    KyMutexLock lock(m_mutex);
    m_whole = m_readFailure.length() == 0 && m_next == m_sources.size() && !m_cancel;
    m_failure = m_readFailure;
    m_log = m_readLog;
    m_pixels = m_readPixels;
    m_done = true;
}

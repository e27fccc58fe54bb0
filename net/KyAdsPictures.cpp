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

KyAdsPictures::KyAdsPictures()
    : m_keep(false)
    , m_maxSide(0)
    , m_maxPixels(0)
    , m_started(false)
    , m_done(true)
    , m_cancel(false)
    , m_whole(false)
    , m_pixels(0)
    , m_job(KyWorkerPool::Ahead)
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
    m_done = false;
    m_cancel = false;
    m_whole = false;
    m_failure = "";
    m_log.clear();
    m_pixels = 0;
    m_pictures.clear();
    m_pictures.resize(sources.size());
    m_job.add([this] { readAll(); });
}

bool KyAdsPictures::isDone()
{
    // A pool without threads reads nothing until asked to finish.
    if (m_started && KyWorkerPool::instance().threadLimit() == 0)
        finish();
    KyMutexLock lock(m_mutex);
    return m_done;
}

void KyAdsPictures::finish()
{
    if (m_started)
        m_job.finish();
}

void KyAdsPictures::cancel()
{
    {
        KyMutexLock lock(m_mutex);
        m_cancel = true;
    }
    m_job.cancel();
    m_started = false;
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
    std::string log;
    KyString failure;
    u64 pixels = 0;
    const u64 maxBytes = kBytesPerPixel * m_maxPixels + kBytesPerFile * m_sources.size();
    u64 bytesLeft = maxBytes;
    {
        KyOsLog::Capture capture(log);
        for (size_t i = 0; i < m_sources.size() && failure.length() == 0 && !cancelled(); ++i) {
            const Source& source = m_sources[i];
            std::unique_ptr<KyImgResult> picture;
            bool overBudget = false;
            bool overBytes = false;
            if (std::FILE* file = KyFile::openDisk(source.diskPath, KyFile::ModeRead)) {
                DiskStream stream(file, bytesLeft);
                KyImgInput::Limit limit(m_maxSide, m_maxPixels - pixels);
                picture = KyImg::read(KyPath(source.diskPath.toLower()).extension(), &stream, KyString());
                overBudget = limit.refused();
                overBytes = stream.ranOut();
            }
            if (overBytes)
                failure.format("%s takes the pictures of the advert set past %llu bytes", source.path.c_str(),
                               static_cast<unsigned long long>(maxBytes));
            else if (overBudget)
                failure.format("%s is larger than the advert budget allows (%u x %u pixels a picture, %llu in "
                               "all)",
                               source.path.c_str(), m_maxSide, m_maxSide, static_cast<unsigned long long>(m_maxPixels));
            else if (!picture || picture->format() == 13 || picture->cutShort())
                failure.format("%s is not a whole picture", source.path.c_str());
            else
                pixels += u64(picture->width()) * picture->height();
            if (m_keep && failure.length() == 0) {
                KyMutexLock lock(m_mutex);
                m_pictures[i] = std::move(picture);
            }
        }
    }
    KyMutexLock lock(m_mutex);
    m_whole = failure.length() == 0 && !m_cancel;
    m_failure = failure;
    m_log = log;
    m_pixels = pixels;
    m_done = true;
}

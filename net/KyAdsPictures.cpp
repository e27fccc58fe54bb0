#include "net/KyAdsPictures.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyMutex.h"
#include "core/KyPath.h"
#include "core/KyStream.h"
#include "os/KyOsLog.h"
#include "platform/KyImg.h"
#include "platform/KyImgInput.h"

#include <cstdio>
#include <sys/stat.h>

namespace {

// A file read through the stream interface, straight from the runtime: the
// worker reads by disk path, with nothing of the main thread's file layer.
class DiskStream : public KyStream {
public:
    explicit DiskStream(std::FILE* file) : m_file(file) {}
    ~DiskStream() override { std::fclose(m_file); }

    u32 write(const void*, u32) override { return 0; }
    u32 read(void* out, u32 n) override { return u32(std::fread(out, 1, n, m_file)); }
    bool seek(u32 pos) override { return std::fseek(m_file, long(pos), SEEK_SET) == 0; }
    u32 tell() const override
    {
        const long at = std::ftell(m_file);
        return at < 0 ? 0 : u32(at);
    }
    bool eof() const override { return std::feof(m_file) != 0; }

private:
    std::FILE* m_file;
};

} // namespace

struct KyAdsPictures::Reading {
    // Who reads: the job on a worker, or the owner's frames.
    enum Reader { Nobody, Job, Frames };

    Reading(const std::vector<Source>& sources, bool keep, u32 maxSide, u64 maxPixels, u64 maxBytes)
        : sources(sources), keep(keep), maxSide(maxSide), maxPixels(maxPixels), maxBytes(maxBytes),
          bytesLeft(maxBytes), pictures(sources.size())
    {
    }

    // Whether the reading is who's to read: the first to ask keeps it.
    bool claim(Reader who)
    {
        KyMutexLock lock(mutex);
        if (reader == Nobody)
            reader = who;
        return reader == who && !done;
    }
    // Reads for who, when the reading is who's: the next source, or every
    // source left (toTheEnd); the verdict is published once nothing more is
    // to be read.
    void readFor(Reader who, bool toTheEnd);
    // Reads the next source; false when nothing more is to be read.
    bool readNext();
    // Reads source i; the line saying why it is not whole, empty when it is.
    KyString readOne(size_t i, std::unique_ptr<KyImgResult>& picture);
    // The reading has ended: its verdict goes to the owner.
    void publish();
    bool cancelled()
    {
        KyMutexLock lock(mutex);
        return cancel;
    }

    const std::vector<Source> sources;
    const bool keep;
    const u32 maxSide;
    const u64 maxPixels;
    const u64 maxBytes;
    // The reader's own while it reads.
    size_t next = 0;
    u64 pixelsRead = 0;
    u64 bytesLeft;
    bool all = true;
    KyString firstFailure;
    std::string logged;

    // Guards what follows while a worker reads.
    KyMutex mutex;
    Reader reader = Nobody;
    bool cancel = false;
    bool done = false;
    bool whole = false;
    KyString failure;
    std::string log;
    u64 pixels = 0;
    std::vector<std::unique_ptr<KyImgResult>> pictures;
};

bool KyAdsPictures::Reading::readNext()
{
    if (next >= sources.size() || (!keep && !all) || cancelled())
        return false;
    const size_t i = next++;
    std::unique_ptr<KyImgResult> picture;
    {
        KyOsLog::Capture capture(logged);
        const KyString why = readOne(i, picture);
        if (why.length() > 0) {
            all = false;
            if (firstFailure.length() == 0)
                firstFailure = why;
            // A page shows without it.
            if (keep)
                logPrint("[KyAds::show] %s is not drawn: %s\n", sources[i].path.c_str(), why.c_str());
        }
    }
    if (keep && picture) {
        KyMutexLock lock(mutex);
        pictures[i] = std::move(picture);
    }
    return next < sources.size() && (keep || all);
}

void KyAdsPictures::Reading::readFor(Reader who, bool toTheEnd)
{
    if (!claim(who))
        return;
    bool more = readNext();
    while (more && toTheEnd)
        more = readNext();
    if (!more)
        publish();
}

void KyAdsPictures::Reading::publish()
{
    KyMutexLock lock(mutex);
    whole = all && next == sources.size() && !cancel;
    failure = firstFailure;
    log = logged;
    pixels = pixelsRead;
    done = true;
}

KyString KyAdsPictures::Reading::readOne(size_t i, std::unique_ptr<KyImgResult>& picture)
{
    const Source& source = sources[i];
    KyString why;
    std::FILE* file = KyFile::openDisk(source.diskPath, KyFile::ModeRead);
    struct stat info;
    if (!file || fstat(fileno(file), &info) != 0) {
        if (file)
            std::fclose(file);
        why.format("%s is not a whole picture", source.path.c_str());
        return why;
    }
    const u64 size = u64(info.st_size);
    DiskStream stream(file);
    KyImgInput::Limit limit(maxSide, maxPixels - pixelsRead, bytesLeft);
    picture = KyImg::read(KyPath(source.diskPath.toLower()).extension(), &stream, KyString());
    bytesLeft = limit.bytesLeft();
    if (limit.ranOutOfBytes())
        why.format("%s takes the pictures of the advert set past %llu bytes", source.path.c_str(),
                   static_cast<unsigned long long>(maxBytes));
    else if (limit.refused())
        why.format("%s is larger than the advert budget allows (%u x %u pixels a picture, %llu in all)",
                   source.path.c_str(), maxSide, maxSide, static_cast<unsigned long long>(maxPixels));
    else if (!picture || picture->format() == 13 || picture->cutShort())
        why.format("%s is not a whole picture", source.path.c_str());
    else if (u64(stream.tell()) != size)
        // What follows a picture is nothing any page shows.
        why.format("%s is not a whole picture: its file goes on past it", source.path.c_str());
    else
        pixelsRead += u64(picture->width()) * picture->height();
    if (why.length() > 0)
        picture.reset();
    return why;
}

KyAdsPictures::KyAdsPictures(KyWorkerPool& pool) : m_pool(pool), m_job(KyWorkerPool::Ahead, pool) {}

KyAdsPictures::~KyAdsPictures()
{
    cancel();
}

void KyAdsPictures::start(const std::vector<Source>& sources, bool keep, u32 maxSide, u64 maxPixels, u64 maxBytes)
{
    cancel();
    m_reading = std::make_shared<Reading>(sources, keep, maxSide, maxPixels, maxBytes);
    m_job.setPriority(KyWorkerPool::Ahead);
    std::shared_ptr<Reading> reading = m_reading;
    m_job.add([reading] { reading->readFor(Reading::Job, true); });
}

const std::vector<KyAdsPictures::Source>& KyAdsPictures::sources() const
{
    static const std::vector<Source> none;
    // Set when the reading is made and never changed: any thread may read them.
    return m_reading ? m_reading->sources : none;
}

bool KyAdsPictures::isDone()
{
    if (!m_reading)
        return false;
    // Threads the system refused earlier are asked for again: the shortage
    // may have passed.
    m_job.poll();
    KyMutexLock lock(m_reading->mutex);
    return m_reading->done;
}

void KyAdsPictures::step()
{
    if (!m_reading || isDone())
        return;
    {
        KyMutexLock lock(m_reading->mutex);
        if (m_reading->reader == Reading::Job || (m_reading->reader == Reading::Nobody && !m_pool.isThreadless()))
            return;
    }
    m_reading->readFor(Reading::Frames, false);
}

void KyAdsPictures::hurry()
{
    if (m_reading)
        m_job.setPriority(KyWorkerPool::Now);
}

void KyAdsPictures::finish()
{
    if (!m_reading)
        return;
    m_job.finish();
    // What the frames began they end here.
    m_reading->readFor(Reading::Frames, true);
}

void KyAdsPictures::cancel()
{
    if (m_reading) {
        KyMutexLock lock(m_reading->mutex);
        m_reading->cancel = true;
    }
    // The job not started goes; the one running ends on its own.
    m_job.drop();
    m_reading.reset();
}

bool KyAdsPictures::isWhole() const
{
    if (!m_reading)
        return false;
    KyMutexLock lock(m_reading->mutex);
    return m_reading->done && m_reading->whole;
}

KyString KyAdsPictures::failure() const
{
    if (!m_reading)
        return KyString();
    KyMutexLock lock(m_reading->mutex);
    return m_reading->failure;
}

std::string KyAdsPictures::log() const
{
    if (!m_reading)
        return std::string();
    KyMutexLock lock(m_reading->mutex);
    return m_reading->log;
}

u64 KyAdsPictures::pixels() const
{
    if (!m_reading)
        return 0;
    KyMutexLock lock(m_reading->mutex);
    return m_reading->pixels;
}

std::unique_ptr<KyImgResult> KyAdsPictures::take(u32 i)
{
    if (!m_reading)
        return nullptr;
    KyMutexLock lock(m_reading->mutex);
    if (!m_reading->done || i >= m_reading->pictures.size())
        return nullptr;
    return std::move(m_reading->pictures[i]);
}

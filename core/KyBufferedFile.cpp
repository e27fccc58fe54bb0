#include "core/KyBufferedFile.h"

#include <algorithm>
#include <cstring>
#include <new>

// ---- reader thread --------------------------------------------------------

KyBufferedFileReader::KyBufferedFileReader()
    : m_quit(0)
    , m_fileSize(0)
    , m_sectorSize(0)
    , m_owner(nullptr)
{
}

KyBufferedFileReader::~KyBufferedFileReader()
{
    // run() uses this object's members: end it before they go.
    setQuit();
    requestStop();
    wait();
}

void KyBufferedFileReader::prepare(KyBufferedFile* owner, u32 fileSize, u32 sectorSize)
{
    m_owner = owner;
    m_fileSize = fileSize;
    m_sectorSize = sectorSize;
    m_quitMutex.Lock();
    m_quit = 0;
    m_quitMutex.Unlock();
}

void KyBufferedFileReader::setQuit()
{
    m_quitMutex.Lock();
    m_quit = 1;
    m_quitMutex.Unlock();
}

bool KyBufferedFileReader::quit()
{
    m_quitMutex.Lock();
    bool value = m_quit != 0;
    m_quitMutex.Unlock();
    return value;
}

void KyBufferedFileReader::run()
{
    if (!m_owner || m_sectorSize == 0)
        return;
    // Sectors in file order, a run at a time; those loaded or claimed by the
    // reading thread are skipped.
    std::vector<u8> buffer(size_t(std::min<u64>(u64(runSectors) * m_sectorSize, m_fileSize)));
    u32 next = 0;
    u32 first = 0;
    u32 count = 0;
    while (!quit() && m_owner->nextPendingRun(next, runSectors, &first, &count)) {
        m_owner->readSectors(first, count, buffer.data());
        m_owner->publishRun(first, count, buffer.data());
        next = first + count;
    }
}

// ---- buffered file --------------------------------------------------------

KyBufferedFile::KyBufferedFile()
    : m_data(nullptr)
    , m_fileSize(0)
    , m_sectorSize(2048)
    , m_pendingCount(0)
    , m_allLoaded(false)
{
}

KyBufferedFile::~KyBufferedFile()
{
    close();
}

bool KyBufferedFile::Open_2(const KyString& path, u32 mode)
{
    close();
    // Read-only: opening the disk file in a write mode would truncate it.
    if (mode != ModeRead)
        return false;
    if (!m_inner.Open_2(path, ModeRead))
        return false;

    u32 size = m_inner.GetFileSize();
    u32 count = u32((u64(size) + m_sectorSize - 1) / m_sectorSize);
    m_data = new (std::nothrow) u8[size == 0 ? 1 : size];
    m_loaded.reset(new (std::nothrow) std::atomic<bool>[count == 0 ? 1 : count]);
    if (!m_data || !m_loaded) {
        delete[] m_data;
        m_data = nullptr;
        m_loaded.reset();
        m_inner.close();
        return false;
    }
    m_fileSize = size;
    for (u32 i = 0; i < count; ++i)
        m_loaded[i].store(false, std::memory_order_relaxed);
    m_mutex.Lock();
    for (u32 i = 0; i < count; ++i) {
        u32 offset = i * m_sectorSize;
        u32 length = size - offset < m_sectorSize ? size - offset : m_sectorSize;
        m_sectors.pushBack(new Sector{offset, length, 1, 0});
    }
    m_pendingCount = count;
    m_allLoaded.store(count == 0, std::memory_order_release);
    m_mutex.Unlock();

    m_reader.prepare(this, m_fileSize, m_sectorSize);
    m_reader.start();
    return true;
}

bool KyBufferedFile::isOpen() const
{
    return m_inner.isOpen();
}

void KyBufferedFile::close()
{
    m_reader.setQuit();
    m_reader.requestStop();
    m_reader.wait();

    m_inner.close();
    delete[] m_data;
    m_data = nullptr;
    m_position = 0;
    for (u32 i = 0; i < m_sectors.count(); ++i)
        delete m_sectors[i];
    m_sectors.clear();
    m_fileSize = 0;
    m_pendingCount = 0;
    m_allLoaded.store(false, std::memory_order_release);
    m_loaded.reset();
    m_claimed.clear();
}

void KyBufferedFile::readSectors(u32 first, u32 count, u8* out) const
{
    const u64 offset = u64(first) * m_sectorSize;
    const u64 end = std::min<u64>(offset + u64(count) * m_sectorSize, m_fileSize);
    const u32 length = u32(end - offset);
    const u32 got = m_inner.readAt(u32(offset), out, length);
    // A file that shrank or failed since it was opened reads as zeros
    // rather than as whatever the memory held.
    if (got < length)
        std::memset(out + got, 0, length - got);
}

void KyBufferedFile::sectorLoaded(Sector& sector)
{
    sector.pending = 0;
    sector.claimed = 0;
    m_loaded[sector.offset / m_sectorSize].store(true, std::memory_order_release);
    if (--m_pendingCount == 0)
        m_allLoaded.store(true, std::memory_order_release);
}

bool KyBufferedFile::rangeLoaded(u32 begin, u32 end) const
{
    const u32 last = (end - 1) / m_sectorSize;
    for (u32 i = begin / m_sectorSize; i <= last; ++i) {
        if (!m_loaded[i].load(std::memory_order_acquire))
            return false;
    }
    return true;
}

bool KyBufferedFile::nextPendingRun(u32 from, u32 maxCount, u32* first, u32* count)
{
    KyMutexLock hold(m_mutex);
    const u32 sectors = m_sectors.count();
    u32 i = from;
    while (i < sectors && (!m_sectors[i]->pending || m_sectors[i]->claimed))
        ++i;
    if (i >= sectors || m_pendingCount == 0)
        return false;
    u32 j = i;
    while (j < sectors && j - i < maxCount && m_sectors[j]->pending && !m_sectors[j]->claimed)
        ++j;
    *first = i;
    *count = j - i;
    return true;
}

void KyBufferedFile::publishRun(u32 first, u32 count, const u8* bytes)
{
    KyMutexLock hold(m_mutex);
    const u32 runOffset = first * m_sectorSize;
    for (u32 i = first; i < first + count && i < m_sectors.count(); ++i) {
        Sector& sector = *m_sectors[i];
        // Loaded meanwhile, or being loaded, by the reading thread: its
        // bytes are that thread's.
        if (!sector.pending || sector.claimed)
            continue;
        std::memcpy(m_data + sector.offset, bytes + (sector.offset - runOffset), sector.length);
        sectorLoaded(sector);
    }
}

void KyBufferedFile::loadRange(u32 begin, u32 end)
{
    m_claimed.clear();
    {
        KyMutexLock hold(m_mutex);
        const u32 last = std::min((end - 1) / m_sectorSize, m_sectors.count() - 1);
        for (u32 i = begin / m_sectorSize; i <= last; ++i) {
            Sector& sector = *m_sectors[i];
            if (sector.pending && !sector.claimed) {
                sector.claimed = 1;
                m_claimed.push_back(i);
            }
        }
    }
    if (m_claimed.empty())
        return;
    // Claimed sectors are this thread's alone until published: each run of
    // them is read with one call, straight into the data.
    for (size_t k = 0; k < m_claimed.size();) {
        size_t run = k + 1;
        while (run < m_claimed.size() && m_claimed[run] == m_claimed[run - 1] + 1)
            ++run;
        readSectors(m_claimed[k], u32(run - k), m_data + size_t(m_claimed[k]) * m_sectorSize);
        k = run;
    }
    KyMutexLock hold(m_mutex);
    for (u32 index : m_claimed)
        sectorLoaded(*m_sectors[index]);
}

u32 KyBufferedFile::read(void* out, u32 n)
{
    if (m_position >= m_fileSize || n == 0)
        return 0;
    if (n > m_fileSize - m_position)
        n = m_fileSize - m_position;
    const u32 end = m_position + n;
    if (!m_allLoaded.load(std::memory_order_acquire) && !rangeLoaded(m_position, end))
        loadRange(m_position, end);
    // Loaded bytes are never written again, so they are copied without the lock.
    std::memcpy(out, m_data + m_position, n);
    m_position = end;
    return n;
}

u32 KyBufferedFile::write(const void*, u32)
{
    return 0;
}

bool KyBufferedFile::seek(u32 offset)
{
    if (offset >= m_fileSize)
        return false;
    m_position = offset;
    return true;
}

u32 KyBufferedFile::tell() const
{
    return m_position;
}

bool KyBufferedFile::eof() const
{
    return m_position >= m_fileSize;
}

u32 KyBufferedFile::sectorState(u32 position, u32* index)
{
    KyMutexLock hold(m_mutex);
    u32 i = position / m_sectorSize;
    if (index)
        *index = i;
    return i < m_sectors.count() ? m_sectors[i]->pending : 0;
}

u32 KyBufferedFile::pendingCount()
{
    KyMutexLock hold(m_mutex);
    return m_pendingCount;
}

bool KyBufferedFile::sectorAt(u32 index, Sector* sector)
{
    KyMutexLock hold(m_mutex);
    if (index >= m_sectors.count())
        return false;
    if (sector)
        *sector = *m_sectors[index];
    return true;
}

#include "core/KyBufferedFile.h"

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
    // Sectors in file order; those already loaded by the reading thread are
    // skipped inside loadSector.
    for (u64 position = 0; !quit(); position += m_sectorSize) {
        if (m_owner->pendingCount() == 0 || position >= m_fileSize)
            return;
        m_owner->loadSector(u32(position / m_sectorSize));
    }
}

// ---- buffered file --------------------------------------------------------

KyBufferedFile::KyBufferedFile()
    : m_data(nullptr)
    , m_fileSize(0)
    , m_sectorSize(2048)
    , m_pendingCount(0)
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
    m_data = new (std::nothrow) u8[size == 0 ? 1 : size];
    if (!m_data) {
        m_inner.close();
        return false;
    }
    m_fileSize = size;

    u32 count = u32((u64(size) + m_sectorSize - 1) / m_sectorSize);
    m_mutex.Lock();
    for (u32 i = 0; i < count; ++i) {
        u32 offset = i * m_sectorSize;
        u32 length = size - offset < m_sectorSize ? size - offset : m_sectorSize;
        m_sectors.pushBack(new Sector{offset, length, 1});
    }
    m_pendingCount = count;
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
}

void KyBufferedFile::loadSector(u32 index)
{
    KyMutexLock hold(m_mutex);
    if (index >= m_sectors.count())
        return;
    Sector* sector = m_sectors[index];
    // Tested again under the lock: the other thread may have loaded it
    // since its state was last read.
    if (!sector->pending)
        return;
    u32 got = 0;
    if (m_inner.seek(sector->offset))
        got = m_inner.read(m_data + sector->offset, sector->length);
    // A file that shrank or failed since it was opened reads as zeros
    // rather than as whatever the memory held.
    if (got < sector->length)
        std::memset(m_data + sector->offset + got, 0, sector->length - got);
    sector->pending = 0;
    --m_pendingCount;
}

u32 KyBufferedFile::read(void* out, u32 n)
{
    if (m_position >= m_fileSize || n == 0)
        return 0;
    if (n > m_fileSize - m_position)
        n = m_fileSize - m_position;
    u32 end = m_position + n;

    if (pendingCount() != 0) {
        u32 index;
        for (u64 cursor = m_position; cursor < end; cursor = u64(index + 1) * m_sectorSize) {
            if (sectorState(u32(cursor), &index))
                loadSector(index);
        }
    }
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

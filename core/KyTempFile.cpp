#include "core/KyTempFile.h"

#include "os/KyOsDir.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Named as KyFile::isTemporaryName reads it: a name no person gives a copy,
// so the game's own leftovers can be told from the player's files.
const char kTemporarySuffix[] = ".kytmp~XXXXXX";

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

int makeTemporary(std::string& name)
{
    int fd;
    do {
        fd = mkostemp(&name[0], O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

KyTempFile::KyTempFile()
    : m_fd(-1)
    , m_error(0)
    , m_size(0)
{
}

KyTempFile::~KyTempFile()
{
    discard();
}

bool KyTempFile::open(const KyString& diskPath)
{
    discard();
    m_error = 0;
    m_size = 0;
    m_path = diskPath;
    if (diskPath.length() == 0)
        return fail(ENOENT);
    std::string name = std::string(diskPath.c_str(), diskPath.length()) + kTemporarySuffix;
    int fd = makeTemporary(name);
    // Folders are made only when a file is written into them.
    if (fd < 0 && errno == ENOENT) {
        const std::string folder = folderOf(name);
        if (!folder.empty() && KyOsDir::makePath(folder.c_str())) {
            name = std::string(diskPath.c_str(), diskPath.length()) + kTemporarySuffix;
            fd = makeTemporary(name);
        }
    }
    if (fd < 0)
        return fail(errno);
    m_fd = fd;
    m_temporary = KyString(name.c_str());
    // mkstemp makes the file private; the player's files are ordinary ones.
    if (fchmod(m_fd, 0644) != 0)
        return fail(errno);
    return true;
}

bool KyTempFile::write(const void* data, u32 n)
{
    if (m_fd < 0)
        return false;
    const u8* bytes = static_cast<const u8*>(data);
    u32 written = 0;
    while (written < n) {
        const ssize_t done = ::write(m_fd, bytes + written, n - written);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return fail(done < 0 ? errno : ENOSPC);
        written += u32(done);
    }
    m_size += n;
    return true;
}

bool KyTempFile::makeDurable()
{
    if (m_fd < 0)
        return false;
    if (fsync(m_fd) != 0)
        return fail(errno);
    return true;
}

bool KyTempFile::commit()
{
    if (m_fd < 0)
        return false;
    const int fd = m_fd;
    m_fd = -1;
    // A close can report a write the system deferred and could not make.
    if (::close(fd) != 0)
        return fail(errno);
    if (std::rename(m_temporary.c_str(), m_path.c_str()) != 0)
        return fail(errno);
    m_temporary = "";
    return true;
}

void KyTempFile::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (m_temporary.length() > 0)
        unlink(m_temporary.c_str());
    m_temporary = "";
}

bool KyTempFile::failedForRoom() const
{
    return m_error == ENOSPC || m_error == EDQUOT;
}

bool KyTempFile::fail(int error)
{
    m_error = error;
    discard();
    return false;
}

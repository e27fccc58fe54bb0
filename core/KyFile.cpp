#include "core/KyFile.h"

#include "core/KyCore.h"
#include "core/KyDirectory.h"
#include "core/KyFileWriter.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "core/KyTempFile.h"
#include "os/KyOsDir.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Folders nested deeper than this are not searched: a link that points back
// up the tree would otherwise make the search endless.
const u32 kMaxSearchDepth = 16;

const u32 kCopyBlockSize = 64 * 1024;

// A temporary file is named after the file it becomes, this mark and six
// letters or digits that mkstemp chooses: a name no person gives a copy, so
// the game's own leftovers can be told from the player's files.
const char kTemporaryMark[] = ".kytmp~";
const char kTemporaryRandom[] = "XXXXXX";

const char* openFlags(u32 mode, int& flags)
{
    switch (mode) {
    case KyFile::ModeRead:
        flags = O_RDONLY;
        return "rb";
    case KyFile::ModeWrite:
        flags = O_WRONLY | O_CREAT | O_TRUNC;
        return "wb";
    case KyFile::ModeAppend:
        flags = O_WRONLY | O_CREAT | O_APPEND;
        return "ab";
    default:
        return nullptr;
    }
}

bool sameFile(const char* a, const char* b)
{
    struct stat infoA;
    struct stat infoB;
    return stat(a, &infoA) == 0 && stat(b, &infoB) == 0 && infoA.st_dev == infoB.st_dev &&
           infoA.st_ino == infoB.st_ino;
}

bool startsWith(const KyString& text, const KyString& prefix)
{
    return text.length() >= prefix.length() && text.compareN(prefix, prefix.length()) == 0;
}

KyString rest(const KyString& text, u32 from)
{
    return text.substr(from, text.length() - from);
}

// A game path as resolvePath reads it: its separators made one '/' each,
// a leading "./" replaced by base.
KyPath spelledOut(const KyString& path, const KyString& base)
{
    KyPath result(path);
    if (result.length() > 0 && result.at(0) == '.' && result.at(1) == '/')
        result = KyPath(base + rest(result, 2));
    return result;
}

} // namespace

KyFile::KyFile()
    : m_mode(ModeClosed)
    , m_file(nullptr)
{
}

KyFile::KyFile(const KyString& path)
    : KyFile()
{
    Open_2(path, ModeRead);
}

KyFile::~KyFile()
{
    close();
}

bool KyFile::Open_2(const KyString& path, u32 mode)
{
    // Opening again must not leak the handle already held.
    close();
    m_path = path;
    KyPath disk = resolvePath(m_path);
    m_file = openDiskMakingFolders(disk, mode);
    if (!m_file) {
        logPrint("[KyFile::Open_2] Le fichier %s n'existe pas.\n", disk.c_str());
        return false;
    }
    m_position = 0;
    m_mode = mode;
    return true;
}

bool KyFile::isOpen() const
{
    return m_file != nullptr;
}

void KyFile::close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_position = 0;
    m_mode = ModeClosed;
}

u32 KyFile::write(const void* data, u32 n)
{
    if (!m_file || !data || n == 0)
        return 0;
    return static_cast<u32>(std::fwrite(data, 1, n, m_file));
}

u32 KyFile::read(void* out, u32 n)
{
    if (!m_file || !out || n == 0)
        return 0;
    return static_cast<u32>(std::fread(out, 1, n, m_file));
}

u32 KyFile::readAt(u32 offset, void* out, u32 n) const
{
    if (!m_file || !out)
        return 0;
    const int descriptor = fileno(m_file);
    u32 done = 0;
    while (done < n) {
        const ssize_t got = pread(descriptor, static_cast<u8*>(out) + done, n - done, off_t(offset) + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += u32(got);
    }
    return done;
}

bool KyFile::seek(u32 pos)
{
    if (!m_file)
        return false;
    return std::fseek(m_file, static_cast<long>(pos), SEEK_SET) == 0;
}

u32 KyFile::tell() const
{
    if (!m_file)
        return 0;
    long pos = std::ftell(m_file);
    if (pos < 0)
        return 0;
    return pos > static_cast<long>(UINT32_MAX) ? UINT32_MAX : static_cast<u32>(pos);
}

bool KyFile::eof() const
{
    return m_file && std::feof(m_file) != 0;
}

u32 KyFile::GetFileSize()
{
    if (!m_file)
        return 0;
    long saved = std::ftell(m_file);
    std::fseek(m_file, 0, SEEK_END);
    long size = std::ftell(m_file);
    if (saved >= 0)
        std::fseek(m_file, saved, SEEK_SET);
    if (std::ferror(m_file) || saved < 0 || size < 0)
        return 0;
    return size > static_cast<long>(UINT32_MAX) ? UINT32_MAX : static_cast<u32>(size);
}

bool KyFile::flush()
{
    return m_file && std::fflush(m_file) == 0 && !std::ferror(m_file);
}

KyPath KyFile::resolvePath(const KyString& path, const KyString& base)
{
    KyPath result = spelledOut(path, base);
    if (result.length() == 0)
        return result;

    const KyString& prefix = KyCore::userDataPrefix();
    if (startsWith(result, prefix)) {
        KyString relative = rest(result, prefix.length());
        KyPath userData = KyCore::userDataPath(relative);
        // Without a user-data folder the file still goes somewhere: next to
        // the program, rather than to an empty path that opens nothing.
        result = userData.length() > 0 ? userData : KyPath(relative);
    }

    if (result.at(1) != ':' && result.at(2) != '/')
        result = KyCore::absolutePath(result);

    // A file still being written in the background is met written.
    KyFileWriter::instance().waitFor(result);
    KyCore* core = KySingleton<KyCore>::instance();
    if (core && core->recursiveSearch) {
        KyPath found = searchPath(result);
        if (found.length() > 0)
            result = found;
    }
    return result;
}

bool KyFile::isUserDataPath(const KyString& path)
{
    return startsWith(spelledOut(path, KyString()), KyCore::userDataPrefix());
}

KyPath KyFile::searchPath(const KyString& path)
{
    return searchPathFrom(KyPath(path), 0);
}

KyPath KyFile::searchPathFrom(const KyPath& path, u32 depth)
{
    if (path.length() == 0)
        return KyPath();
    if (isReadable(path))
        return path;
    if (depth >= kMaxSearchDepth)
        return KyPath();

    KyCore* core = KySingleton<KyCore>::instance();
    KyPath folder = path.directory();
    KyPath name = path.fileName();
    KyDirectory listing;
    // A path without a folder part lies in the current folder.
    if (!core || !listing.findFirst(folder.length() > 0 ? KyString(folder) : KyString(".")))
        return KyPath();
    while (listing.findNext()) {
        if ((listing.entryAttributes() & KyDirectory::AttributeFolder) == 0)
            continue;
        KyString entry = listing.entryName();
        if (entry == "." || entry == ".." || !core->isSettingValue(entry))
            continue;
        KyPath candidate(folder + KyString("/") + entry + KyString("/") + name);
        if (folder.length() == 0)
            candidate = KyPath(entry + KyString("/") + name);
        KyPath found = searchPathFrom(candidate, depth + 1);
        if (found.length() > 0)
            return found;
    }
    return KyPath();
}

bool KyFile::exists(const KyString& path)
{
    return isReadable(resolvePath(path));
}

bool KyFile::isReadable(const KyString& diskPath)
{
    std::FILE* file = openDisk(diskPath, ModeRead);
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

bool KyFile::regularFileSize(const KyString& diskPath, u64& size)
{
    struct stat info;
    if (diskPath.length() == 0 || stat(diskPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    size = u64(info.st_size);
    return true;
}

std::FILE* KyFile::openDisk(const KyString& diskPath, u32 mode)
{
    int flags = 0;
    const char* how = openFlags(mode, flags);
    if (!how || diskPath.length() == 0)
        return nullptr;
    // A path read must hold a regular file. Looking first keeps a FIFO from
    // being opened at all (the open would wait for a writer); the
    // non-blocking open covers a path that changes in between, and a FIFO
    // written to without a reader fails at once.
    struct stat info;
    if (mode == ModeRead && (stat(diskPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)))
        return nullptr;
    int fd;
    do {
        fd = ::open(diskPath.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return nullptr;
    const bool usable = fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode) &&
                        (mode != ModeRead || S_ISREG(info.st_mode));
    // Once open, reads and writes wait as usual.
    const int status = usable ? fcntl(fd, F_GETFL) : -1;
    std::FILE* file = nullptr;
    if (status >= 0 && fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0)
        file = fdopen(fd, how);
    if (!file)
        ::close(fd);
    return file;
}

std::FILE* KyFile::openDiskMakingFolders(const KyString& diskPath, u32 mode)
{
    std::FILE* file = openDisk(diskPath, mode);
    if (file || (mode != ModeWrite && mode != ModeAppend) || errno != ENOENT)
        return file;
    // Folders are made where a file is written into them, not before.
    const KyPath folder = KyPath(diskPath).directory();
    if (folder.length() == 0 || !KyOsDir::makePath(folder.c_str()))
        return nullptr;
    return openDisk(diskPath, mode);
}

bool KyFile::DeleteFile(const KyString& path)
{
    return deleteDiskFile(resolvePath(path));
}

bool KyFile::deleteDiskFile(const KyString& diskPath)
{
    // unlink, not remove: a folder is never taken for a file.
    if (unlink(diskPath.c_str()) != 0) {
        logPrint("[KyFile::DeleteFile] Deletation of file : %s failed.\n", diskPath.c_str());
        return false;
    }
    return true;
}

bool KyFile::renameFile(const KyString& from, const KyString& to)
{
    KyPath source = resolvePath(from);
    KyPath destination = resolvePath(to);
    return std::rename(source.c_str(), destination.c_str()) == 0;
}

bool KyFile::copyFile(const KyString& from, const KyString& to)
{
    KyFile source;
    if (!source.Open_2(from, ModeRead))
        return false;
    KyPath destinationDisk = resolvePath(to);
    // Opening the destination for writing would empty the source itself.
    if (sameFile(resolvePath(from).c_str(), destinationDisk.c_str()))
        return true;
    KyFile destination;
    if (!destination.Open_2(to, ModeWrite))
        return false;

    std::vector<u8> block(kCopyBlockSize);
    bool complete = true;
    for (;;) {
        u32 n = source.read(block.data(), kCopyBlockSize);
        if (n == 0)
            break;
        if (destination.write(block.data(), n) != n) {
            complete = false;
            break;
        }
    }
    complete = complete && !std::ferror(source.m_file) && destination.flush();
    destination.close();
    source.close();
    // Half a copy is worse than none; only a regular file is removed (the
    // destination may be a device).
    struct stat info;
    if (!complete && lstat(destinationDisk.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        unlink(destinationDisk.c_str());
    return complete;
}

bool KyFile::isTemporaryName(const KyString& name, KyString& base)
{
    const u32 mark = sizeof(kTemporaryMark) - 1;
    const u32 random = sizeof(kTemporaryRandom) - 1;
    const u32 n = name.length();
    if (n <= mark + random)
        return false;
    const u32 markAt = n - random - mark;
    if (name.substr(markAt, mark) != kTemporaryMark)
        return false;
    for (u32 i = n - random; i < n; ++i) {
        const char c = name.at(i);
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    base = name.substr(0, markAt);
    return true;
}

bool KyFile::writeAtomically(const KyString& path, const void* data, u32 size)
{
    return writeDiskAtomically(resolvePath(path), data, size);
}

void KyFile::writeAtomicallyLater(const KyString& path, const void* data, u32 size, const KyString& failureLine)
{
    const KyPath disk = resolvePath(path);
    if (disk.length() == 0 || (size > 0 && !data)) {
        if (failureLine.length() > 0)
            logAlert("%s", failureLine.c_str());
        return;
    }
    KyFileWriter::instance().write(disk, data, size, failureLine);
}

bool KyFile::writeDiskAtomically(const KyString& diskPath, const void* data, u32 size)
{
    if (diskPath.length() == 0 || (size > 0 && !data))
        return false;
    KyTempFile file;
    return file.open(diskPath) && file.write(data, size) && file.makeDurable() && file.commit();
}

bool KyFile::syncDiskFile(const KyString& diskPath)
{
    int fd;
    do {
        fd = ::open(diskPath.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    const bool synced = fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool KyFile::freeSpace(const KyString& path, u64& bytes)
{
    // The folder may not be made yet: the nearest one that is tells.
    KyPath disk = resolvePath(path);
    while (disk.length() > 0 && !KyOsDir::entryExists(disk.c_str())) {
        // A folder's path keeps its last '/': without it, the step up is
        // the folder's own folder, not the folder again.
        KyPath up = disk.at(disk.length() - 1) == '/' ? KyPath(KyString(disk.c_str(), disk.length() - 1)) : disk;
        up = up.directory();
        if (up.length() >= disk.length())
            break;
        disk = up;
    }
    std::uint64_t free = 0;
    if (!KyOsDir::freeSpace(disk.length() > 0 ? disk.c_str() : ".", free))
        return false;
    bytes = free;
    return true;
}

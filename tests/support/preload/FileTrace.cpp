// Preloaded into the game executable (LD_PRELOAD) by the end-to-end runs
// that check which thread does what file work: every file operation the
// game, the C++ library and SDL call is written, one line each, into the
// file named by KY_FILE_TRACE:
//
//   main 4242 open-r /home/x/Documents/.../Ads/index.xml
//   worker 4250 rename /home/x/.../options.xml.kytmp~a1b2c3 -> /home/x/.../options.xml
//
// The thread is "main" when its id is the process's, else "worker"; a
// relative path is written from the working folder. Each line is one
// write(2) on a file opened in append mode at load, so the lines of threads
// never mix. The C library's own inner calls (fopen's open, remove's
// unlink) are not seen: the entry point the caller used is.
//
// The close of a regular file says how far into it the reads and writes
// went ("close 4096 PATH": the offset at the close).
//
// With KY_STALL_OPEN=TEXT (and KY_STALL_SECONDS, 20 by default), an open
// made by a thread other than the main one, of a path holding TEXT, waits
// that long first, between the lines "stall-begin PATH" and "stall-end
// PATH"; a process that ends meanwhile leaves the first without the second.
//
// Built unsanitized: it only stands before the system's calls.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

int traceFd = -1;
const char* stallText = nullptr;
unsigned stallSeconds = 20;

long threadId()
{
    return syscall(SYS_gettid);
}

size_t append(char* line, size_t at, size_t size, const char* text)
{
    while (*text && at + 1 < size)
        line[at++] = *text++;
    return at;
}

// An absolute form of path: relative ones from dirFd's folder (or the
// working folder).
void absolutePath(int dirFd, const char* path, char* out, size_t size)
{
    out[0] = 0;
    if (!path)
        return;
    size_t at = 0;
    if (path[0] != '/') {
        char base[4096];
        long length = -1;
        if (dirFd == AT_FDCWD) {
            length = syscall(SYS_getcwd, base, sizeof base);
            // The system call counts the final zero.
            length = length > 0 ? length - 1 : -1;
        } else {
            char link[64];
            std::snprintf(link, sizeof link, "/proc/self/fd/%d", dirFd);
            length = syscall(SYS_readlink, link, base, sizeof base - 1);
        }
        if (length > 0) {
            base[length] = 0;
            at = append(out, at, size, base);
            at = append(out, at, size, "/");
        }
    }
    at = append(out, at, size, path);
    out[at] = 0;
}

void fdPath(int fd, char* out, size_t size)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const long length = syscall(SYS_readlink, link, out, size - 1);
    out[length > 0 ? length : 0] = 0;
}

void record(const char* operation, const char* path, const char* second = nullptr)
{
    if (traceFd < 0)
        return;
    const int saved = errno;
    const long tid = threadId();
    char line[8192 + 256];
    size_t at = append(line, 0, sizeof line, tid == getpid() ? "main " : "worker ");
    char number[32];
    std::snprintf(number, sizeof number, "%ld ", tid);
    at = append(line, at, sizeof line, number);
    at = append(line, at, sizeof line, operation);
    at = append(line, at, sizeof line, " ");
    at = append(line, at, sizeof line, path);
    if (second) {
        at = append(line, at, sizeof line, " -> ");
        at = append(line, at, sizeof line, second);
    }
    line[at++] = '\n';
    syscall(SYS_write, traceFd, line, at);
    errno = saved;
}

void recordAt(const char* operation, int dirFd, const char* path)
{
    if (traceFd < 0)
        return;
    char full[4096];
    absolutePath(dirFd, path, full, sizeof full);
    record(operation, full);
}

void recordFd(const char* operation, int fd)
{
    if (traceFd < 0)
        return;
    char path[4096];
    fdPath(fd, path, sizeof path);
    record(operation, path);
}

// A regular file's close, with its offset then.
void recordClose(int fd)
{
    struct stat info;
    if (traceFd < 0 || fd == traceFd || syscall(SYS_fstat, fd, &info) != 0 || !S_ISREG(info.st_mode))
        return;
    const long offset = syscall(SYS_lseek, fd, 0L, SEEK_CUR);
    char path[4096];
    fdPath(fd, path, sizeof path);
    char operation[48];
    std::snprintf(operation, sizeof operation, "close %ld", offset < 0 ? 0L : offset);
    record(operation, path);
}

// The stall of a worker's open of a path that holds the text given.
void maybeStall(const char* full)
{
    if (!stallText || threadId() == getpid() || !std::strstr(full, stallText))
        return;
    record("stall-begin", full);
    timespec left = {time_t(stallSeconds), 0};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
    }
    record("stall-end", full);
}

const char* openKind(int flags)
{
    return (flags & O_ACCMODE) != O_RDONLY || (flags & (O_CREAT | O_TRUNC)) ? "open-w" : "open-r";
}

void recordOpen(int dirFd, const char* path, int flags)
{
    if (traceFd < 0)
        return;
    char full[4096];
    absolutePath(dirFd, path, full, sizeof full);
    record(openKind(flags), full);
    maybeStall(full);
}

void recordFopen(const char* path, const char* mode)
{
    if (traceFd < 0)
        return;
    char full[4096];
    absolutePath(AT_FDCWD, path, full, sizeof full);
    const bool writes = mode && (std::strchr(mode, 'w') || std::strchr(mode, 'a') || std::strchr(mode, '+'));
    record(writes ? "fopen-w" : "fopen-r", full);
    maybeStall(full);
}

template <class Function>
Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool hasMode(int flags)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
}

__attribute__((constructor)) void openTrace()
{
    const char* path = std::getenv("KY_FILE_TRACE");
    if (path && *path)
        traceFd = int(syscall(SYS_openat, AT_FDCWD, path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    stallText = std::getenv("KY_STALL_OPEN");
    if (stallText && !*stallText)
        stallText = nullptr;
    if (const char* seconds = std::getenv("KY_STALL_SECONDS"))
        stallSeconds = unsigned(std::strtoul(seconds, nullptr, 10));
}

} // namespace

#define KY_OPEN_MODE(flags)                                                                                            \
    mode_t mode = 0;                                                                                                   \
    if (hasMode(flags)) {                                                                                              \
        va_list arguments;                                                                                             \
        va_start(arguments, flags);                                                                                    \
        mode = va_arg(arguments, mode_t);                                                                              \
        va_end(arguments);                                                                                             \
    }

extern "C" {

int open(const char* path, int flags, ...)
{
    KY_OPEN_MODE(flags)
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    recordOpen(AT_FDCWD, path, flags);
    return real(path, flags, mode);
}

int open64(const char* path, int flags, ...)
{
    KY_OPEN_MODE(flags)
    static const auto real = next<int (*)(const char*, int, ...)>("open64");
    recordOpen(AT_FDCWD, path, flags);
    return real(path, flags, mode);
}

int openat(int dirFd, const char* path, int flags, ...)
{
    KY_OPEN_MODE(flags)
    static const auto real = next<int (*)(int, const char*, int, ...)>("openat");
    recordOpen(dirFd, path, flags);
    return real(dirFd, path, flags, mode);
}

int openat64(int dirFd, const char* path, int flags, ...)
{
    KY_OPEN_MODE(flags)
    static const auto real = next<int (*)(int, const char*, int, ...)>("openat64");
    recordOpen(dirFd, path, flags);
    return real(dirFd, path, flags, mode);
}

int creat(const char* path, mode_t mode)
{
    static const auto real = next<int (*)(const char*, mode_t)>("creat");
    recordOpen(AT_FDCWD, path, O_WRONLY | O_CREAT | O_TRUNC);
    return real(path, mode);
}

int creat64(const char* path, mode_t mode)
{
    static const auto real = next<int (*)(const char*, mode_t)>("creat64");
    recordOpen(AT_FDCWD, path, O_WRONLY | O_CREAT | O_TRUNC);
    return real(path, mode);
}

FILE* fopen(const char* path, const char* mode)
{
    static const auto real = next<FILE* (*)(const char*, const char*)>("fopen");
    recordFopen(path, mode);
    return real(path, mode);
}

FILE* fopen64(const char* path, const char* mode)
{
    static const auto real = next<FILE* (*)(const char*, const char*)>("fopen64");
    recordFopen(path, mode);
    return real(path, mode);
}

FILE* freopen(const char* path, const char* mode, FILE* stream)
{
    static const auto real = next<FILE* (*)(const char*, const char*, FILE*)>("freopen");
    if (path)
        recordFopen(path, mode);
    return real(path, mode, stream);
}

FILE* freopen64(const char* path, const char* mode, FILE* stream)
{
    static const auto real = next<FILE* (*)(const char*, const char*, FILE*)>("freopen64");
    if (path)
        recordFopen(path, mode);
    return real(path, mode, stream);
}

// The temporary-file makers fill in their template: the line names the file
// they made.
int mkstemp(char* pattern)
{
    static const auto real = next<int (*)(char*)>("mkstemp");
    const int fd = real(pattern);
    recordAt("mkstemp", AT_FDCWD, pattern);
    return fd;
}

int mkstemp64(char* pattern)
{
    static const auto real = next<int (*)(char*)>("mkstemp64");
    const int fd = real(pattern);
    recordAt("mkstemp", AT_FDCWD, pattern);
    return fd;
}

int mkostemp(char* pattern, int flags)
{
    static const auto real = next<int (*)(char*, int)>("mkostemp");
    const int fd = real(pattern, flags);
    recordAt("mkstemp", AT_FDCWD, pattern);
    return fd;
}

int mkstemps(char* pattern, int suffix)
{
    static const auto real = next<int (*)(char*, int)>("mkstemps");
    const int fd = real(pattern, suffix);
    recordAt("mkstemp", AT_FDCWD, pattern);
    return fd;
}

int mkostemps(char* pattern, int suffix, int flags)
{
    static const auto real = next<int (*)(char*, int, int)>("mkostemps");
    const int fd = real(pattern, suffix, flags);
    recordAt("mkstemp", AT_FDCWD, pattern);
    return fd;
}

int rename(const char* from, const char* to)
{
    static const auto real = next<int (*)(const char*, const char*)>("rename");
    if (traceFd >= 0) {
        char a[4096], b[4096];
        absolutePath(AT_FDCWD, from, a, sizeof a);
        absolutePath(AT_FDCWD, to, b, sizeof b);
        record("rename", a, b);
    }
    return real(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to)
{
    static const auto real = next<int (*)(int, const char*, int, const char*)>("renameat");
    if (traceFd >= 0) {
        char a[4096], b[4096];
        absolutePath(fromDir, from, a, sizeof a);
        absolutePath(toDir, to, b, sizeof b);
        record("rename", a, b);
    }
    return real(fromDir, from, toDir, to);
}

int unlink(const char* path)
{
    static const auto real = next<int (*)(const char*)>("unlink");
    recordAt("unlink", AT_FDCWD, path);
    return real(path);
}

int unlinkat(int dirFd, const char* path, int flags)
{
    static const auto real = next<int (*)(int, const char*, int)>("unlinkat");
    recordAt((flags & AT_REMOVEDIR) ? "rmdir" : "unlink", dirFd, path);
    return real(dirFd, path, flags);
}

int remove(const char* path)
{
    static const auto real = next<int (*)(const char*)>("remove");
    recordAt("remove", AT_FDCWD, path);
    return real(path);
}

int mkdir(const char* path, mode_t mode)
{
    static const auto real = next<int (*)(const char*, mode_t)>("mkdir");
    recordAt("mkdir", AT_FDCWD, path);
    return real(path, mode);
}

int mkdirat(int dirFd, const char* path, mode_t mode)
{
    static const auto real = next<int (*)(int, const char*, mode_t)>("mkdirat");
    recordAt("mkdir", dirFd, path);
    return real(dirFd, path, mode);
}

int rmdir(const char* path)
{
    static const auto real = next<int (*)(const char*)>("rmdir");
    recordAt("rmdir", AT_FDCWD, path);
    return real(path);
}

int fsync(int fd)
{
    static const auto real = next<int (*)(int)>("fsync");
    recordFd("fsync", fd);
    return real(fd);
}

int fdatasync(int fd)
{
    static const auto real = next<int (*)(int)>("fdatasync");
    recordFd("fdatasync", fd);
    return real(fd);
}

int syncfs(int fd)
{
    static const auto real = next<int (*)(int)>("syncfs");
    recordFd("syncfs", fd);
    return real(fd);
}

int close(int fd)
{
    static const auto real = next<int (*)(int)>("close");
    recordClose(fd);
    return real(fd);
}

int fclose(FILE* stream)
{
    static const auto real = next<int (*)(FILE*)>("fclose");
    struct stat info;
    if (stream && traceFd >= 0 && syscall(SYS_fstat, fileno(stream), &info) == 0 && S_ISREG(info.st_mode)) {
        // Written bytes reach the file and read-ahead is given back, so the
        // offset is where the caller's reads and writes went.
        std::fflush(stream);
        recordClose(fileno(stream));
    }
    return real(stream);
}

DIR* opendir(const char* path)
{
    static const auto real = next<DIR* (*)(const char*)>("opendir");
    recordAt("opendir", AT_FDCWD, path);
    return real(path);
}

int stat(const char* path, struct stat* buffer)
{
    static const auto real = next<int (*)(const char*, struct stat*)>("stat");
    recordAt("stat", AT_FDCWD, path);
    return real(path, buffer);
}

int lstat(const char* path, struct stat* buffer)
{
    static const auto real = next<int (*)(const char*, struct stat*)>("lstat");
    recordAt("stat", AT_FDCWD, path);
    return real(path, buffer);
}

int stat64(const char* path, struct stat64* buffer)
{
    static const auto real = next<int (*)(const char*, struct stat64*)>("stat64");
    recordAt("stat", AT_FDCWD, path);
    return real(path, buffer);
}

int lstat64(const char* path, struct stat64* buffer)
{
    static const auto real = next<int (*)(const char*, struct stat64*)>("lstat64");
    recordAt("stat", AT_FDCWD, path);
    return real(path, buffer);
}

int access(const char* path, int mode)
{
    static const auto real = next<int (*)(const char*, int)>("access");
    recordAt("stat", AT_FDCWD, path);
    return real(path, mode);
}

} // extern "C"

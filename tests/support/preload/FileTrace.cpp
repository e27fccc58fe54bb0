// Preloaded into the game executable (LD_PRELOAD) by the end-to-end runs
// that check which thread does what file work: every file operation the
// game, the C++ library and SDL call is written, one line each, into the
// file named by KY_FILE_TRACE:
//
//   main 4242 open-r /home/x/Documents/.../Ads/index.xml
//   worker 4250 rename /home/x/.../options.xml.kytmp~a1b2c3 -> /home/x/.../options.xml
//
// The thread is "main" when its id is the process's, else "worker"; a
// relative path is written from its folder. Each line is one write(2) on a
// file opened in append mode at load, so the lines of threads never mix.
// The C library's own inner calls (fopen's open, remove's unlink) are not
// seen: the entry point the caller used is. The close of a regular file
// says how far into it the reads and writes went ("close 4096 PATH").
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

bool onMainThread()
{
    return syscall(SYS_gettid) == getpid();
}

// The path a folder descriptor (or the working folder) stands for.
void folderOf(int dirFd, char* out, size_t size)
{
    long length;
    if (dirFd == AT_FDCWD) {
        // The system call counts the final zero.
        length = syscall(SYS_getcwd, out, size) - 1;
    } else {
        char link[64];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", dirFd);
        length = syscall(SYS_readlink, link, out, size - 1);
    }
    out[length > 0 ? length : 0] = 0;
}

// An absolute form of a path given relative to dirFd.
void absolutePath(int dirFd, const char* path, char* out, size_t size)
{
    char base[4096] = "";
    if (path && path[0] != '/')
        folderOf(dirFd, base, sizeof base);
    std::snprintf(out, size, "%s%s%s", base, base[0] ? "/" : "", path ? path : "");
}

void writeLine(const char* operation, const char* path, const char* second = nullptr)
{
    if (traceFd < 0)
        return;
    const int saved = errno;
    char line[8192 + 256];
    const int n = std::snprintf(line, sizeof line, "%s %ld %s %s%s%s\n", onMainThread() ? "main" : "worker",
                                long(syscall(SYS_gettid)), operation, path, second ? " -> " : "",
                                second ? second : "");
    if (n > 0)
        syscall(SYS_write, traceFd, line, size_t(n) < sizeof line ? size_t(n) : sizeof line - 1);
    errno = saved;
}

// An operation on a path; an open (mayStall) made by a worker of a path
// holding the stall's text waits first.
void record(const char* operation, int dirFd, const char* path, bool mayStall = false)
{
    if (traceFd < 0)
        return;
    char full[4096];
    absolutePath(dirFd, path, full, sizeof full);
    writeLine(operation, full);
    if (!mayStall || !stallText || onMainThread() || !std::strstr(full, stallText))
        return;
    writeLine("stall-begin", full);
    timespec left = {time_t(stallSeconds), 0};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
    }
    writeLine("stall-end", full);
}

void recordRename(int fromDir, const char* from, int toDir, const char* to)
{
    if (traceFd < 0)
        return;
    char a[4096], b[4096];
    absolutePath(fromDir, from, a, sizeof a);
    absolutePath(toDir, to, b, sizeof b);
    writeLine("rename", a, b);
}

void recordFd(const char* operation, int fd)
{
    if (traceFd < 0)
        return;
    char path[4096];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    const long length = syscall(SYS_readlink, path, path, sizeof path - 1);
    path[length > 0 ? length : 0] = 0;
    writeLine(operation, path);
}

// A regular file's close, with its offset then.
void recordClose(int fd)
{
    struct stat info;
    if (traceFd < 0 || fd == traceFd || syscall(SYS_fstat, fd, &info) != 0 || !S_ISREG(info.st_mode))
        return;
    const long offset = syscall(SYS_lseek, fd, 0L, SEEK_CUR);
    char operation[48];
    std::snprintf(operation, sizeof operation, "close %ld", offset < 0 ? 0L : offset);
    recordFd(operation, fd);
}

const char* openKind(int flags)
{
    return (flags & O_ACCMODE) != O_RDONLY || (flags & (O_CREAT | O_TRUNC)) ? "open-w" : "open-r";
}

const char* fopenKind(const char* mode)
{
    return mode && (std::strchr(mode, 'w') || std::strchr(mode, 'a') || std::strchr(mode, '+')) ? "fopen-w"
                                                                                                 : "fopen-r";
}

template <class Function>
Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
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

// A call recorded before it is made: its name, what it returns, its
// parameters and arguments, and the recording.
#define KY_TRACED(type, name, parameters, arguments, recording)                                                     \
    type name parameters                                                                                           \
    {                                                                                                              \
        static const auto real = next<type(*) parameters>(#name);                                                  \
        recording;                                                                                                 \
        return real arguments;                                                                                     \
    }

// The opens take a mode only when they may create the file.
#define KY_TRACED_OPEN(name, dirParameter, dirArgument, dirFd)                                                      \
    int name(dirParameter const char* path, int flags, ...)                                                        \
    {                                                                                                              \
        mode_t mode = 0;                                                                                           \
        if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {                                               \
            va_list arguments;                                                                                     \
            va_start(arguments, flags);                                                                            \
            mode = va_arg(arguments, mode_t);                                                                      \
            va_end(arguments);                                                                                     \
        }                                                                                                          \
        static const auto real = next<int (*)(dirParameter const char*, int, ...)>(#name);                        \
        record(openKind(flags), dirFd, path, true);                                                                  \
        return real(dirArgument path, flags, mode);                                                                \
    }

// The temporary-file makers fill in their template: the line names the
// file they made.
#define KY_TRACED_MAKER(name, parameters, arguments)                                                                \
    int name parameters                                                                                            \
    {                                                                                                              \
        static const auto real = next<int(*) parameters>(#name);                                                   \
        const int fd = real arguments;                                                                             \
        record("mkstemp", AT_FDCWD, pattern);                                                                      \
        return fd;                                                                                                 \
    }

#define KY_COMMA ,

extern "C" {

KY_TRACED_OPEN(open, , , AT_FDCWD)
KY_TRACED_OPEN(open64, , , AT_FDCWD)
KY_TRACED_OPEN(openat, int dirFd KY_COMMA, dirFd KY_COMMA, dirFd)
KY_TRACED_OPEN(openat64, int dirFd KY_COMMA, dirFd KY_COMMA, dirFd)
KY_TRACED(int, creat, (const char* path, mode_t mode), (path, mode), record("open-w", AT_FDCWD, path, true))
KY_TRACED(int, creat64, (const char* path, mode_t mode), (path, mode), record("open-w", AT_FDCWD, path, true))
KY_TRACED(FILE*, fopen, (const char* path, const char* mode), (path, mode),
          record(fopenKind(mode), AT_FDCWD, path, true))
KY_TRACED(FILE*, fopen64, (const char* path, const char* mode), (path, mode),
          record(fopenKind(mode), AT_FDCWD, path, true))
KY_TRACED(FILE*, freopen, (const char* path, const char* mode, FILE* stream), (path, mode, stream),
          if (path) record(fopenKind(mode), AT_FDCWD, path, true))
KY_TRACED(FILE*, freopen64, (const char* path, const char* mode, FILE* stream), (path, mode, stream),
          if (path) record(fopenKind(mode), AT_FDCWD, path, true))
KY_TRACED_MAKER(mkstemp, (char* pattern), (pattern))
KY_TRACED_MAKER(mkstemp64, (char* pattern), (pattern))
KY_TRACED_MAKER(mkostemp, (char* pattern, int flags), (pattern, flags))
KY_TRACED_MAKER(mkstemps, (char* pattern, int suffix), (pattern, suffix))
KY_TRACED_MAKER(mkostemps, (char* pattern, int suffix, int flags), (pattern, suffix, flags))

KY_TRACED(int, renameat, (int fromDir, const char* from, int toDir, const char* to), (fromDir, from, toDir, to),
          recordRename(fromDir, from, toDir, to))
KY_TRACED(int, rename, (const char* from, const char* to), (from, to), recordRename(AT_FDCWD, from, AT_FDCWD, to))
KY_TRACED(int, unlink, (const char* path), (path), record("unlink", AT_FDCWD, path))
KY_TRACED(int, unlinkat, (int dirFd, const char* path, int flags), (dirFd, path, flags),
          record((flags & AT_REMOVEDIR) ? "rmdir" : "unlink", dirFd, path))
KY_TRACED(int, remove, (const char* path), (path), record("remove", AT_FDCWD, path))
KY_TRACED(int, mkdir, (const char* path, mode_t mode), (path, mode), record("mkdir", AT_FDCWD, path))
KY_TRACED(int, mkdirat, (int dirFd, const char* path, mode_t mode), (dirFd, path, mode),
          record("mkdir", dirFd, path))
KY_TRACED(int, rmdir, (const char* path), (path), record("rmdir", AT_FDCWD, path))
KY_TRACED(int, fsync, (int fd), (fd), recordFd("fsync", fd))
KY_TRACED(int, fdatasync, (int fd), (fd), recordFd("fdatasync", fd))
KY_TRACED(int, syncfs, (int fd), (fd), recordFd("syncfs", fd))
KY_TRACED(int, close, (int fd), (fd), recordClose(fd))
// Written bytes reach the file and read-ahead is given back first, so the
// offset is where the caller's reads and writes went.
KY_TRACED(int, fclose, (FILE* stream), (stream),
          if (stream && traceFd >= 0) { std::fflush(stream); recordClose(fileno(stream)); })
KY_TRACED(DIR*, opendir, (const char* path), (path), record("opendir", AT_FDCWD, path))
KY_TRACED(int, stat, (const char* path, struct stat* buffer), (path, buffer), record("stat", AT_FDCWD, path))
KY_TRACED(int, lstat, (const char* path, struct stat* buffer), (path, buffer), record("stat", AT_FDCWD, path))
KY_TRACED(int, stat64, (const char* path, struct stat64* buffer), (path, buffer), record("stat", AT_FDCWD, path))
KY_TRACED(int, lstat64, (const char* path, struct stat64* buffer), (path, buffer), record("stat", AT_FDCWD, path))
KY_TRACED(int, access, (const char* path, int mode), (path, mode), record("stat", AT_FDCWD, path))

} // extern "C"

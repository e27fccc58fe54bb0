#include "os/KyOsLog.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace KyOsLog {

int print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int written = printV(format, args);
    va_end(args);
    return written;
}

namespace {

thread_local std::string* t_capture = nullptr;

// The console's descriptor, -1 when none is kept.
std::atomic<int> g_console{-1};

// Appends the formatted message to text; what vsnprintf counted.
int appendFormatted(std::string& text, const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed > 0) {
        const size_t start = text.size();
        text.resize(start + size_t(needed) + 1);
        std::vsnprintf(&text[start], size_t(needed) + 1, format, args);
        text.resize(start + size_t(needed));
    }
    return needed;
}

// One write a line where the system allows it, so that lines of threads do
// not mix on the console.
void writeAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += size_t(n);
    }
}

} // namespace

Capture::Capture(std::string& text) : m_previous(t_capture)
{
    t_capture = &text;
}

Capture::~Capture()
{
    t_capture = m_previous;
}

int printV(const char* format, va_list args)
{
    if (t_capture)
        return appendFormatted(*t_capture, format, args);
    int written = std::vprintf(format, args);
    std::fflush(stdout);
    return written;
}

bool keepConsole(int fd)
{
    const int kept = fd < 0 ? -1 : fcntl(fd, F_DUPFD_CLOEXEC, 0);
    const int previous = g_console.exchange(kept);
    if (previous >= 0)
        ::close(previous);
    return fd < 0 || kept >= 0;
}

int alert(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int written = alertV(format, args);
    va_end(args);
    return written;
}

int alertV(const char* format, va_list args)
{
    std::string text;
    appendFormatted(text, format, args);
    const int written = print("%s", text.c_str());
    const int console = g_console.load();
    if (console >= 0) {
        writeAll(console, text);
    } else {
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    }
    return written;
}

} // namespace KyOsLog

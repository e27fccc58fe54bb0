#include "os/KyOsLog.h"

#include <cstdio>

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
    if (t_capture) {
        va_list copy;
        va_copy(copy, args);
        const int needed = std::vsnprintf(nullptr, 0, format, copy);
        va_end(copy);
        if (needed > 0) {
            const size_t start = t_capture->size();
            t_capture->resize(start + size_t(needed) + 1);
            std::vsnprintf(&(*t_capture)[start], size_t(needed) + 1, format, args);
            t_capture->resize(start + size_t(needed));
        }
        return needed;
    }
    int written = std::vprintf(format, args);
    std::fflush(stdout);
    return written;
}

} // namespace KyOsLog

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

int printV(const char* format, va_list args)
{
    int written = std::vprintf(format, args);
    std::fflush(stdout);
    return written;
}

} // namespace KyOsLog

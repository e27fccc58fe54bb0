#include "core/KyLog.h"

#include <cstdarg>
#include <cstdio>

int logPrint(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int written = std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
    return written;
}

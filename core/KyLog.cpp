#include "core/KyLog.h"

#include "os/KyOsLog.h"

#include <cstdarg>

int logPrint(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int written = KyOsLog::printV(format, args);
    va_end(args);
    return written;
}

int logAlert(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int written = KyOsLog::alertV(format, args);
    va_end(args);
    return written;
}

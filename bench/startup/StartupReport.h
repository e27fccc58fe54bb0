#ifndef BENCH_STARTUP_REPORT_H
#define BENCH_STARTUP_REPORT_H

// How a program started by the start-up benchmark reports its first frame:
// the monotonic clock (shared by every process of the machine) read once
// the frame is shown, in nanoseconds, written as text to the descriptor
// named by KY_STARTUP_REPORT_FD; then the process ends without its
// shutdown, which is not part of the start-up.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace startupreport {

[[noreturn]] inline void shown()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const char* fd = std::getenv("KY_STARTUP_REPORT_FD");
    if (fd) {
        char line[64];
        const int n = std::snprintf(line, sizeof line, "%lld\n",
                                    (long long)now.tv_sec * 1000000000LL + (long long)now.tv_nsec);
        if (n > 0 && write(std::atoi(fd), line, size_t(n)) != n)
            _exit(3);
    }
    _exit(0);
}

} // namespace startupreport

#endif

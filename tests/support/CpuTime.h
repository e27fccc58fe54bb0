#ifndef KY_TEST_CPU_TIME_H
#define KY_TEST_CPU_TIME_H

#include <ctime>

// The CPU time of the calling thread, in seconds. Unlike the wall clock it
// does not run while the thread waits for a core, so a time budget measured
// with it holds on a machine whose every core is busy.
inline double threadCpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

#endif

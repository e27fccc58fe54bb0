#include "os/KyOsClock.h"

#include <atomic>
#include <time.h>

namespace {

std::atomic<KyOsClock::Source> g_source{nullptr};
std::atomic<std::uint64_t> g_fakeNow{0};

std::uint64_t realClock()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000u;
}

std::uint64_t fakeClock() { return g_fakeNow.load(); }

} // namespace

namespace KyOsClock {

std::uint64_t microseconds()
{
    Source s = g_source.load();
    return s ? s() : realClock();
}

std::uint64_t realMicroseconds() { return realClock(); }

std::uint32_t tickCount() { return static_cast<std::uint32_t>(microseconds() / 1000u); }

void install(Source source) { g_source.store(source); }

void installFake(std::uint64_t startMicroseconds)
{
    g_fakeNow.store(startMicroseconds);
    g_source.store(&fakeClock);
}

void setFake(std::uint64_t us) { g_fakeNow.store(us); }

void advanceFake(std::uint64_t us) { g_fakeNow.fetch_add(us); }

} // namespace KyOsClock

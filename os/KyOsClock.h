#ifndef KY_OS_CLOCK_H
#define KY_OS_CLOCK_H

#include <cstdint>

// The engine's time source: a monotonic clock in microseconds. Tests install
// a fake clock so time-dependent code runs without sleeping.
namespace KyOsClock {

typedef std::uint64_t (*Source)();

// Microseconds of the monotonic clock (or of the installed fake clock).
std::uint64_t microseconds();
// Microseconds of the monotonic clock itself, whatever clock is installed:
// for bounds that hold in real time even while a scripted run holds its
// clock.
std::uint64_t realMicroseconds();
// Milliseconds since an arbitrary start, as the tick count gives them.
std::uint32_t tickCount();

// Installs a clock function; null restores the real clock.
void install(Source source);

// A settable fake clock for tests: installFake() makes microseconds() return
// the value set with setFake()/advanceFake().
void installFake(std::uint64_t startMicroseconds = 0);
void setFake(std::uint64_t microseconds);
void advanceFake(std::uint64_t microseconds);

} // namespace KyOsClock

#endif

#ifndef BENCH_STATISTICS_H
#define BENCH_STATISTICS_H

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

// The minimum over repetitions is the figure least disturbed by other work
// on the machine: register it with ->ComputeStatistics("min", benchMinimum)
// and run with --benchmark_repetitions=N.
inline double benchMinimum(const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

typedef std::chrono::steady_clock BenchClock;

inline double nanosecondsSince(BenchClock::time_point start)
{
    return std::chrono::duration<double, std::nano>(BenchClock::now() - start).count();
}

inline double benchMedian(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A figure against its floor, both taken in turns in the same run: the
// median of each over the turns (as counter name and "floor" with the same
// unit suffix) and the ratio of the medians.
inline void reportAgainstFloor(benchmark::State& state, const std::string& name, const std::vector<double>& figure,
                               const std::vector<double>& floor)
{
    const double f = benchMedian(figure);
    const double b = benchMedian(floor);
    const size_t unit = name.rfind('_');
    state.counters[name] = f;
    state.counters["floor" + (unit == std::string::npos ? std::string() : name.substr(unit))] = b;
    state.counters["ratio"] = b > 0.0 ? f / b : 0.0;
}

#endif

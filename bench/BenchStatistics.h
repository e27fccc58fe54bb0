#ifndef BENCH_STATISTICS_H
#define BENCH_STATISTICS_H

#include <algorithm>
#include <vector>

// The minimum over repetitions is the figure least disturbed by other work
// on the machine: register it with ->ComputeStatistics("min", benchMinimum)
// and run with --benchmark_repetitions=N.
inline double benchMinimum(const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

#endif

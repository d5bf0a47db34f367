#pragma once
// What both DSP editor benchmarks time with: the mean of repeated runs, and
// the number of measured rounds from the command line.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace dsp_bench {

// Seconds per run of `run`, over `repeats` runs back to back.
template <class F> double SecondsPerRun(F&& run, int repeats) {
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < repeats; ++r)
        run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
           repeats;
}

// "--rounds N" (at least 1), else `fallback`.
inline int RoundsArgument(int argc, char** argv, int fallback) {
    for (int a = 1; a + 1 < argc; ++a)
        if (std::strcmp(argv[a], "--rounds") == 0)
            return std::max(1, std::atoi(argv[a + 1]));
    return fallback;
}

} // namespace dsp_bench

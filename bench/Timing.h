// Wall-time measurement shared by the benchmarks.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

// Median wall time of `runs` calls of work, in milliseconds.
template <typename Work>
double medianMs(int runs, Work work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto stop = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

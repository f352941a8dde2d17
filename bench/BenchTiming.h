#pragma once
// Timing helpers shared by the benchmark programs.
#include <algorithm>
#include <chrono>
#include <vector>

namespace glint::bench {

using Clock = std::chrono::steady_clock;

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace glint::bench

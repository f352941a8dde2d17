#pragma once
// Timing helpers shared by the benchmark programs.
#include <time.h>

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

// CPU time of the calling thread, in seconds: unlike the wall time, it leaves out the time
// other processes of a shared machine had the core.
inline double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Wall and thread CPU time since it was made.
class Stopwatch {
  public:
    double wallSeconds() const { return secondsSince(wall_); }
    double cpuSeconds() const { return threadCpuSeconds() - cpu_; }

  private:
    Clock::time_point wall_ = Clock::now();
    double cpu_ = threadCpuSeconds();
};

// Repeated timings of one thing: median and best wall time, median CPU time.
class Timing {
  public:
    void add(const Stopwatch& watch) {
        wall_.push_back(watch.wallSeconds());
        cpu_.push_back(watch.cpuSeconds());
    }
    double median() const { return bench::median(wall_); }
    double best() const { return *std::min_element(wall_.begin(), wall_.end()); }
    double cpuMedian() const { return bench::median(cpu_); }

  private:
    std::vector<double> wall_;
    std::vector<double> cpu_;
};

}  // namespace glint::bench

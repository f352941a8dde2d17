#pragma once
// Converts the planned files on a pool of worker threads (one file per thread at a time)
// while the calling thread feeds the progress view.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "OutputPlan.h"
#include "ProgressView.h"
#include "engine/RowKernel.h"
#include "io/output/EncoderSettings.h"

namespace glint {

class BatchRunner {
public:
    BatchRunner(std::vector<PlannedFile> plan, const RowValues& values,
                const EncoderSettings& encoder, bool force, int jobs);
    ~BatchRunner();
    BatchRunner(const BatchRunner&) = delete;
    BatchRunner& operator=(const BatchRunner&) = delete;

    // Runs every file to its end; returns the number of files that failed.
    int run(ProgressView& view);

private:
    struct Slot {
        std::atomic<std::int32_t> done{0};
        std::atomic<std::int32_t> total{0};
        std::atomic<bool> running{false};
        std::atomic<bool> finished{false};
    };

    void work();
    ConvertOutcome convertOne(std::size_t index);
    BatchSnapshot snapshot(int finished, int failed) const;

    std::vector<PlannedFile> plan_;
    RowValues values_;
    EncoderSettings encoder_;
    bool force_;
    int jobs_;
    std::unique_ptr<Slot[]> slots_;
    std::vector<ConvertOutcome> outcomes_;
    std::atomic<std::size_t> next_{0};
    std::mutex mutex_;
    std::condition_variable doneSignal_;
    std::deque<std::size_t> doneQueue_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace glint

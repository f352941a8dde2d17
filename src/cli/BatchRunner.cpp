#include "BatchRunner.h"

#include <algorithm>
#include <thread>

namespace glint {

namespace {
constexpr auto kTick = std::chrono::milliseconds(100);
}

BatchRunner::BatchRunner(std::vector<PlannedFile> plan, const RowValues& values,
                         const EncoderSettings& encoder, bool force, int jobs)
    : plan_(std::move(plan)),
      values_(values),
      encoder_(encoder),
      force_(force),
      jobs_(std::max(1, jobs)),
      slots_(std::make_unique<Slot[]>(plan_.size())),
      outcomes_(plan_.size()) {}

BatchRunner::~BatchRunner() = default;

ConvertOutcome BatchRunner::convertOne(std::size_t index) {
    const PlannedFile& file = plan_[index];
    if (!file.error.isEmpty()) {
        ConvertOutcome outcome;
        outcome.error = file.error;
        return outcome;
    }
    ConvertRequest request;
    request.input = file.input;
    request.output = file.output;
    request.format = file.format;
    request.values = values_;
    request.encoder = encoder_;
    request.force = force_;
    Slot& slot = slots_[index];
    return convertFile(request, [&slot](std::int32_t done, std::int32_t total) {
        slot.total.store(total, std::memory_order_relaxed);
        slot.done.store(done, std::memory_order_relaxed);
    });
}

void BatchRunner::work() {
    for (;;) {
        const std::size_t index = next_.fetch_add(1);
        if (index >= plan_.size()) return;
        slots_[index].running = true;
        ConvertOutcome outcome = convertOne(index);
        {
            const std::lock_guard lock(mutex_);
            outcomes_[index] = std::move(outcome);
            slots_[index].finished = true;
            doneQueue_.push_back(index);
        }
        doneSignal_.notify_one();
    }
}

BatchSnapshot BatchRunner::snapshot(int finished, int failed) const {
    BatchSnapshot s;
    s.total = static_cast<int>(plan_.size());
    s.finished = finished;
    s.failed = failed;
    s.elapsedSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    double work = finished;
    for (std::size_t i = 0; i < plan_.size(); ++i) {
        const Slot& slot = slots_[i];
        if (!slot.running || slot.finished) continue;
        const std::int32_t total = slot.total.load(std::memory_order_relaxed);
        const double fraction =
            total > 0 ? double(slot.done.load(std::memory_order_relaxed)) / total : 0.0;
        work += fraction;
        s.running.push_back({plan_[i].input, fraction});
    }
    s.overall = s.total > 0 ? work / s.total : 1.0;
    return s;
}

int BatchRunner::run(ProgressView& view) {
    start_ = std::chrono::steady_clock::now();
    const std::size_t threadCount = std::min<std::size_t>(std::size_t(jobs_), plan_.size());
    std::vector<std::thread> threads;
    threads.reserve(threadCount);
    for (std::size_t t = 0; t < threadCount; ++t) threads.emplace_back([this] { work(); });

    int finished = 0;
    int failed = 0;
    while (finished < static_cast<int>(plan_.size())) {
        std::vector<std::size_t> done;
        {
            std::unique_lock lock(mutex_);
            doneSignal_.wait_for(lock, kTick, [this] { return !doneQueue_.empty(); });
            done.assign(doneQueue_.begin(), doneQueue_.end());
            doneQueue_.clear();
        }
        for (const std::size_t index : done) {
            ++finished;
            FileReport report;
            report.input = plan_[index].input;
            report.output = plan_[index].output;
            {
                const std::lock_guard lock(mutex_);
                report.outcome = outcomes_[index];
            }
            if (!report.outcome.ok) ++failed;
            view.fileDone(report, snapshot(finished, failed));
        }
        view.update(snapshot(finished, failed));
    }
    for (std::thread& t : threads) t.join();
    view.finish(snapshot(finished, failed));
    return failed;
}

}  // namespace glint

#include "BatchRunner.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "NameText.h"

namespace glint {

namespace {
constexpr auto kTick = std::chrono::milliseconds(100);
// Files taken from the feed ahead of the workers. The feed goes on when half are taken, and
// reports wait to be shown in numbers too: the threads hand files on in batches, not one by
// one, which costs more than a missing file does.
constexpr std::size_t kQueuedPerWorker = 16;
constexpr std::size_t kMostReports = 256;
}  // namespace

BatchRunner::BatchRunner(BatchFeed& feed, const ConvertRequest& settings, int jobs)
    : feed_(feed),
      settings_(settings),
      jobs_(std::max(1, jobs)),
      slots_(std::make_unique<Slot[]>(std::size_t(jobs_))) {}

BatchRunner::~BatchRunner() = default;

std::size_t BatchRunner::queueLength() const { return std::size_t(jobs_) * kQueuedPerWorker; }

void BatchRunner::takeFromFeed() {
    BatchItem item;
    const std::size_t most = queueLength();
    while (feed_.next(item)) {
        std::unique_lock lock(mutex_);
        if (queue_.size() >= most) taken_.wait(lock, [&] { return queue_.size() <= most / 2; });
        queue_.push_back(std::move(item));
        ++fed_;
        queued_.notify_one();
    }
    const std::lock_guard lock(mutex_);
    feedEnded_ = true;
    viewCalled_ = true;
    queued_.notify_all();
    finished_.notify_one();
}

FileReport BatchRunner::convert(BatchItem& item, Slot& slot) const {
    FileReport report;
    report.input = item.shown;
    report.output = nameText(item.output);
    if (!item.error.isEmpty()) {
        report.outcome.error = item.error;
        return report;
    }
    if (!item.picture.isOpen()) {
        if (Status st = PictureFile::open(item.input, item.picture); st.failed()) {
            report.outcome.error = QString::fromStdString(st.reason());
            return report;
        }
    }
    ConvertRequest request = settings_;
    request.output = item.output;
    report.outcome =
        convertFile(item.picture, request, [&slot](std::int32_t done, std::int32_t total) {
            slot.total.store(total, std::memory_order_relaxed);
            slot.done.store(done, std::memory_order_relaxed);
        });
    return report;
}

void BatchRunner::work(Slot& slot) {
    for (;;) {
        BatchItem item;
        {
            std::unique_lock lock(mutex_);
            queued_.wait(lock, [this] {
                return (!queue_.empty() && reports_.size() < kMostReports) ||
                       (queue_.empty() && feedEnded_);
            });
            if (queue_.empty()) return;
            item = std::move(queue_.front());
            queue_.pop_front();
            if (queue_.size() == queueLength() / 2) taken_.notify_one();
            slot.done.store(0, std::memory_order_relaxed);
            slot.total.store(0, std::memory_order_relaxed);
            slot.shown = item.shown;
            slot.busy = true;
        }
        FileReport report = convert(item, slot);
        item = BatchItem();  // the input is closed before the file is reported
        const std::lock_guard lock(mutex_);
        slot.busy = false;
        reports_.push_back(std::move(report));
        // The view is woken for a batch of reports, and when no file follows; otherwise it
        // looks at every tick.
        if (reports_.size() >= kMostReports / 2 || (queue_.empty() && feedEnded_)) {
            viewCalled_ = true;
            finished_.notify_one();
        }
    }
}

BatchSnapshot BatchRunner::snapshot(int finished, int failed) {
    BatchSnapshot s;
    s.finished = finished;
    s.failed = failed;
    s.elapsedSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    double work = finished;
    const std::lock_guard lock(mutex_);
    s.totalKnown = feedEnded_ || feed_.expected() >= 0;
    s.total = feedEnded_ ? fed_ : std::max<int>(fed_, int(feed_.expected()));
    for (int i = 0; i < jobs_; ++i) {
        const Slot& slot = slots_[std::size_t(i)];
        if (!slot.busy) continue;
        const std::int32_t total = slot.total.load(std::memory_order_relaxed);
        const double fraction =
            total > 0 ? double(slot.done.load(std::memory_order_relaxed)) / total : 0.0;
        work += fraction;
        s.running.push_back({slot.shown, fraction});
    }
    s.overall = s.total > 0 ? std::min(1.0, work / s.total) : 1.0;
    return s;
}

int BatchRunner::run(ProgressView& view) {
    start_ = std::chrono::steady_clock::now();
    std::thread feeder([this] { takeFromFeed(); });
    // No more workers than files, when the number of files is known.
    const std::int64_t expected = feed_.expected();
    const int workerCount =
        expected < 0 ? jobs_ : int(std::clamp<std::int64_t>(expected, 1, jobs_));
    std::vector<std::thread> workers;
    workers.reserve(std::size_t(workerCount));
    for (int i = 0; i < workerCount; ++i)
        workers.emplace_back([this, i] { work(slots_[std::size_t(i)]); });

    int finished = 0;
    int failed = 0;
    for (bool over = false; !over;) {
        std::deque<FileReport> reports;
        {
            std::unique_lock lock(mutex_);
            finished_.wait_for(lock, kTick, [this] { return viewCalled_; });
            viewCalled_ = false;
            reports.swap(reports_);
            over = feedEnded_ && fed_ == finished + int(reports.size());
        }
        queued_.notify_all();  // workers may wait for room for their reports
        finished += int(reports.size());
        failed += int(std::count_if(reports.begin(), reports.end(),
                                    [](const FileReport& r) { return !r.outcome.ok; }));
        // One look at the workers for the whole batch of reports, taken as it ends.
        const BatchSnapshot now = snapshot(finished, failed);
        for (const FileReport& report : reports) view.fileDone(report, now);
        if (!over) view.update(now);
    }
    feeder.join();
    for (std::thread& t : workers) t.join();
    view.finish(snapshot(finished, failed));
    return failed;
}

}  // namespace glint

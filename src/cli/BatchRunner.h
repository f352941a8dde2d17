#pragma once
// Converts the files of a batch on a pool of worker threads (one file per thread at a time)
// while one thread takes them from the feed and the calling thread feeds the progress view.
// Files are taken from the feed only a few ahead of the workers, and each is forgotten once it
// is reported: the work per file does not grow with the batch.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "BatchFeed.h"
#include "FileConverter.h"
#include "ProgressView.h"

namespace glint {

class BatchRunner {
  public:
    // Every file is converted as `settings` say, to the output the feed gives it.
    BatchRunner(BatchFeed& feed, const ConvertRequest& settings, int jobs);
    ~BatchRunner();
    BatchRunner(const BatchRunner&) = delete;
    BatchRunner& operator=(const BatchRunner&) = delete;

    // Runs every file to its end; returns the number of files that failed.
    int run(ProgressView& view);
    // After run(): how many inputs of several frames had only their first written, and the
    // first of them as shown.
    struct FramesLeftOut {
        std::int64_t inputs = 0;
        QString first;
    };
    const FramesLeftOut& framesLeftOut() const { return framesLeftOut_; }

  private:
    struct Slot {  // one worker's file
        std::atomic<std::int32_t> done{0};
        std::atomic<std::int32_t> total{0};
        bool busy = false;  // busy and shown: under mutex_
        QString shown;
    };

    std::size_t queueLength() const;
    void takeFromFeed();
    void work(Slot& slot);
    FileReport convert(BatchItem& item, Slot& slot) const;
    BatchSnapshot snapshot(int finished, int failed);

    BatchFeed& feed_;
    ConvertRequest settings_;
    int jobs_;
    std::unique_ptr<Slot[]> slots_;
    std::mutex mutex_;
    std::condition_variable queued_;    // an item was queued, reports were taken, the feed ended
    std::condition_variable taken_;     // the queue is half empty
    std::condition_variable finished_;  // reports are waiting
    std::deque<BatchItem> queue_;
    std::deque<FileReport> reports_;
    int fed_ = 0;  // items taken from the feed so far
    bool feedEnded_ = false;
    bool viewCalled_ = false;  // reports should be shown now, not at the next tick
    std::chrono::steady_clock::time_point start_;
    FramesLeftOut framesLeftOut_;  // the calling thread's
};

}  // namespace glint

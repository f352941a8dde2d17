#pragma once
// The yield of a running render to the event loop after every source row. Pending events are
// delivered and run to completion in it: events posted by this thread at once, everything that
// came from outside (the window system, other threads, sockets) as soon as the watch has seen
// it (tens of microseconds), and timers at most kTimerSlack after they fell due. Running the
// event loop costs a poll() system call, about as long as drawing a narrow row, so the loop
// runs only when the watch has seen something or kTimerSlack has passed since it last ran; on a
// busy machine that keeps the watcher thread waiting, nothing waits longer than that either.
// Without a watch (another event loop than GLib's, a second window) every yield runs it.
#include <chrono>
#include <cstdint>
#include <memory>

namespace glint {

class PendingEventWatch;

class EventYield {
  public:
    using Clock = std::chrono::steady_clock;
    // Where the yield reads the time: the steady clock, or a test's clock.
    using Now = Clock::time_point (*)();

    // How long a timer that falls due may wait for its yield: well under Qt's own timer slack.
    static constexpr std::chrono::microseconds kTimerSlack{500};

    explicit EventYield(
        std::chrono::microseconds timerSlack = kTimerSlack, Now now = [] { return Clock::now(); });
    ~EventYield();
    EventYield(const EventYield&) = delete;
    EventYield& operator=(const EventYield&) = delete;

    void yield();

    // How many yields ran the event loop; whether a watch lets the others skip it.
    std::uint64_t loopRuns() const { return loopRuns_; }
    bool watching() const { return watch_ != nullptr; }

  private:
    void runLoop();

    std::unique_ptr<PendingEventWatch> watch_;
    std::chrono::microseconds timerSlack_;
    Now now_;
    Clock::time_point nextRun_{};
    std::uint64_t loopRuns_ = 0;
};

}  // namespace glint

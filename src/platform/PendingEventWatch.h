#pragma once
// Tells, without a system call, whether the main thread's event loop may have something to
// deliver from outside this thread: input from the window system, events posted by other
// threads, a readable socket. The GLib event loop that Qt runs on the main thread polls a set of
// descriptors (its wake-up descriptor, which every posted or queued event writes to, and those
// of the socket notifiers); a poll function of ours hands that set to a watcher thread, which
// waits on it and raises a flag when one becomes readable, then rests until the event loop has
// run (see leftLoop). Posted events of the main thread itself and timers are not covered here
// (see EventYield).
#include <poll.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace glint {

class PendingEventWatch {
  public:
    // Starts the watch of the calling (main) thread's GLib event loop; empty when Qt runs
    // another event loop there or another watch is active.
    static std::unique_ptr<PendingEventWatch> start();
    ~PendingEventWatch();
    PendingEventWatch(const PendingEventWatch&) = delete;
    PendingEventWatch& operator=(const PendingEventWatch&) = delete;

    // The event loop has run once since the start, so its descriptors are known (main thread).
    bool ready() const { return !recorded_.empty(); }
    // True when a descriptor became readable since the event loop last ran.
    bool pending() const { return pending_.load(std::memory_order_acquire); }
    // Around a run of the event loop: what is readable before it is dealt with there, the
    // watch goes on with what comes after.
    void enteringLoop();
    void leftLoop();

    // The event loop's descriptors, from its poll function (main thread).
    void record(const pollfd* fds, unsigned count);

  private:
    PendingEventWatch();
    void run();
    void poke();

    int wakeFd_ = -1;  // wakes the watcher: a new descriptor set, a rearm, or the end
    std::atomic<bool> pending_{false};
    std::mutex mutex_;
    std::condition_variable armed_;
    std::vector<pollfd> recorded_;  // what the event loop polled last (main thread only)
    std::vector<pollfd> loopFds_;   // the same, for the watcher (guarded by mutex_)
    bool watching_ = true;          // the watcher waits on the descriptors (guarded by mutex_)
    bool stop_ = false;             // guarded by mutex_
    std::thread thread_;
};

}  // namespace glint

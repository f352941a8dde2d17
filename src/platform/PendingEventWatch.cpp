#include "PendingEventWatch.h"

#include <glib.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <system_error>

namespace glint {

namespace {

// GLib's poll descriptors are poll()'s on Unix: the set is handed over as it is.
static_assert(sizeof(GPollFD) == sizeof(pollfd) && offsetof(GPollFD, fd) == offsetof(pollfd, fd) &&
              offsetof(GPollFD, events) == offsetof(pollfd, events) &&
              offsetof(GPollFD, revents) == offsetof(pollfd, revents));

std::atomic<PendingEventWatch*> activeWatch{nullptr};

gint pollHook(GPollFD* fds, guint count, gint timeout) {
    if (PendingEventWatch* watch = activeWatch.load(std::memory_order_acquire)) {
        watch->record(reinterpret_cast<const pollfd*>(fds), count);
    }
    return g_poll(fds, count, timeout);
}

bool sameSet(const std::vector<pollfd>& known, const pollfd* fds, unsigned count) {
    if (known.size() != count) return false;
    for (unsigned i = 0; i < count; ++i) {
        if (known[i].fd != fds[i].fd || known[i].events != fds[i].events) return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<PendingEventWatch> PendingEventWatch::start() {
    // Qt runs the main thread's GLib loop on the default context; other loops are not watched.
    const QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() != app->thread()) return nullptr;
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr || !dispatcher->inherits("QEventDispatcherGlib")) return nullptr;
    GMainContext* context = g_main_context_default();
    if (g_main_context_get_poll_func(context) != g_poll || activeWatch.load() != nullptr) {
        return nullptr;
    }
    std::unique_ptr<PendingEventWatch> watch(new PendingEventWatch());
    if (watch->wakeFd_ < 0) return nullptr;
    activeWatch.store(watch.get(), std::memory_order_release);
    g_main_context_set_poll_func(context, pollHook);
    try {
        watch->thread_ = std::thread([w = watch.get()] { w->run(); });
    } catch (const std::system_error&) {
        return nullptr;  // no thread to spare: the yield runs the event loop every time
    }
    return watch;
}

PendingEventWatch::PendingEventWatch() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

PendingEventWatch::~PendingEventWatch() {
    if (activeWatch.load() == this) {
        g_main_context_set_poll_func(g_main_context_default(), g_poll);
        activeWatch.store(nullptr, std::memory_order_release);
    }
    if (thread_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        armed_.notify_one();
        poke();
        thread_.join();
    }
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void PendingEventWatch::poke() {
    const std::uint64_t one = 1;
    // Nonblocking: a counter that is already set wakes the watcher just the same.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void PendingEventWatch::record(const pollfd* fds, unsigned count) {
    if (!sameSet(recorded_, fds, count)) {
        recorded_.assign(fds, fds + count);
        {
            const std::lock_guard lock(mutex_);
            loopFds_ = recorded_;
        }
        // The watcher takes the new set: a watcher that polls is woken by the poke, one that
        // waits for its first set by the notification.
        armed_.notify_one();
        poke();
    }
}

// The watcher may poll while the event loop runs; that race loses nothing and costs at most one
// needless run of the loop. Cleared before the loop polls, the flag only misses what the loop
// itself then sees. What arrives after the loop's poll is seen by the watcher: it is still
// watching, or, stopped, it is rearmed below and its next poll finds the descriptor readable.
// Data the loop did deliver may still be reported when the watcher saw it first: the next
// yield then runs the loop once without need.
void PendingEventWatch::enteringLoop() { pending_.store(false, std::memory_order_release); }

void PendingEventWatch::leftLoop() {
    {
        const std::lock_guard lock(mutex_);
        if (watching_) return;
        watching_ = true;
    }
    armed_.notify_one();
}

void PendingEventWatch::run() {
    std::vector<pollfd> fds;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            armed_.wait(lock, [this] { return stop_ || (watching_ && !loopFds_.empty()); });
            if (stop_) return;
            fds.assign(1, pollfd{wakeFd_, POLLIN, 0});
            fds.insert(fds.end(), loopFds_.begin(), loopFds_.end());
        }
        for (pollfd& f : fds) f.revents = 0;
        const int ready = ::poll(fds.data(), fds.size(), -1);
        if (ready < 0 && errno == EINTR) continue;
        if (fds[0].revents != 0) {
            std::uint64_t counter = 0;
            [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &counter, sizeof counter);
        }
        // A failed poll counts as pending: the yield then runs the event loop, as without a watch.
        // After one readable descriptor the watcher stops until the event loop has run: poll()
        // reports a descriptor for as long as it holds data, and only the event loop reads it,
        // so polling on would spin this thread without news until then.
        const bool readable =
            ready < 0 ||
            std::any_of(fds.begin() + 1, fds.end(), [](const pollfd& f) { return f.revents != 0; });
        if (readable) {
            const std::lock_guard lock(mutex_);
            watching_ = false;
            pending_.store(true, std::memory_order_release);
        }
    }
}

}  // namespace glint

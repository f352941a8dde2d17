// The render's yield: every pending event is delivered, posted events at once, input on the
// event loop's descriptors through the watch, timers within the slack; with nothing pending it
// skips the event loop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/EventYield.h"

namespace {

using namespace std::chrono_literals;
using glint::EventYield;

constexpr int kDeadlineMs = 10000;
// So long that only the watch can make a yield run the event loop.
constexpr std::chrono::microseconds kNoSlack = 1h;

// Yields until `done` holds or the deadline passes; true when it held.
bool yieldUntil(EventYield& yield, const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > kDeadlineMs) return false;
        yield.yield();
    }
    return true;
}

void postToMainThread(std::atomic<bool>& flag) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&flag] { flag = true; }, Qt::QueuedConnection);
}

class EventYieldTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!yield.watching()) {
            if (qEnvironmentVariableIsSet("QT_NO_GLIB")) GTEST_SKIP() << "no GLib event loop";
            FAIL() << "the yield does not watch Qt's GLib event loop";
        }
        yield.yield();  // the first yield runs the loop, which shows the watch its descriptors
    }
    EventYield yield{kNoSlack};
};

TEST_F(EventYieldTest, DeliversWhatThisThreadPostedInTheNextYield) {
    std::atomic<bool> delivered{false};
    postToMainThread(delivered);
    yield.yield();
    EXPECT_TRUE(delivered);
}

// Input from the window system comes like this: on a descriptor that the event loop polls,
// not as an event posted to this thread.
TEST_F(EventYieldTest, DeliversInputOnADescriptorThroughTheWatch) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    int activations = 0;
    QSocketNotifier notifier(fds[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char byte = 0;
        if (::read(fds[0], &byte, 1) == 1) ++activations;
    });
    // Registering the notifier wakes the event loop: the watch sees that, a yield runs the loop,
    // and the loop polls the new descriptor from then on.
    for (int round = 1; round <= 3; ++round) {  // the watch goes on after each delivery
        std::thread writer([&fds] { ASSERT_EQ(::write(fds[1], "x", 1), 1); });
        writer.join();
        EXPECT_TRUE(yieldUntil(yield, [&] { return activations == round; })) << round;
    }
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST_F(EventYieldTest, SkipsTheLoopWhenNothingIsPending) {
    constexpr int kYields = 20000;
    const std::uint64_t runs = yield.loopRuns();
    for (int n = 0; n < kYields; ++n) yield.yield();
    // A stray event of the platform may come in; a loop run per yield would be 20000.
    EXPECT_LT(yield.loopRuns() - runs, 10u);
}

// The yield's time, moved by the test.
EventYield::Clock::time_point testNow;

TEST(EventYieldTimerTest, ATimerThatFellDueFiresInTheFirstYieldAfterTheSlack) {
    testNow = EventYield::Clock::now();
    EventYield yield(EventYield::kTimerSlack, [] { return testNow; });
    yield.yield();  // runs the event loop, the next run is due a slack later
    bool fired = false;
    QTimer::singleShot(1ms, [&fired] { fired = true; });
    std::this_thread::sleep_for(5ms);  // the timer falls due
    testNow += EventYield::kTimerSlack;
    yield.yield();
    EXPECT_TRUE(fired);
}

}  // namespace

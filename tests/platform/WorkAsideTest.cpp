// Work done aside: the window's events go on while it runs, and it is over when runAside
// returns.
#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/WorkAside.h"

namespace glint {
namespace {

using namespace std::chrono_literals;

TEST(WorkAside, EventsGoOnWhileTheWorkRunsAndItIsDoneOnReturn) {
    std::atomic<bool> timerRan{false};
    bool sawTimer = false;
    bool done = false;
    QTimer::singleShot(0, [&timerRan] { timerRan = true; });
    runAside([&] {
        // Waits for the timer, which only the event loop of the calling thread can run.
        for (int waited = 0; !timerRan && waited < 10000; ++waited)
            std::this_thread::sleep_for(1ms);
        sawTimer = timerRan;
        done = true;
    });
    EXPECT_TRUE(sawTimer);
    EXPECT_TRUE(done);
}

}  // namespace
}  // namespace glint

// The memory budget that files encoded from a whole picture share.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "io/output/MemoryBudget.h"

namespace glint {
namespace {

TEST(MemoryBudget, ANeedWaitsUntilThereIsRoomAndAnOversizedOneRunsAlone) {
    MemoryBudget budget(100);
    budget.take(60);
    budget.take(40);  // fits exactly
    std::atomic<int> stage{0};
    std::thread second([&] {
        budget.take(30);
        stage = 1;
        budget.take(500);  // more than the whole budget: waits until it is alone
        stage = 2;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(stage, 0);
    budget.give(40);
    while (stage < 1) std::this_thread::yield();
    budget.give(60);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(stage, 1);  // the 30 it took first are still taken
    budget.give(30);
    second.join();
    EXPECT_EQ(stage, 2);
}

}  // namespace
}  // namespace glint

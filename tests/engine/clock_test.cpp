#include "engine/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "engine/ram_recovery.h"

namespace vantrel {
namespace {

using Steady = std::chrono::steady_clock;

void countResult(void* data, const void*) {
    ++*static_cast<std::atomic<int>*>(data);
}

// Closing the window stops the pool while worker 2 is inside the one-second processor sample of
// the real system-figures job: the sample's sleep gives way to the stop request.
TEST(ClockTest, AStopDuringASampleEndsTheJobPromptlyWithoutForce) {
    TMTCore core;
    TRoutineTable routines;
    TRamRecovery engine(core, routines, nullptr);
    std::atomic<int> results{0};
    routines.SysInfoResultRoutine = core.RegisterRoutine(kNotificationWorker, countResult, &results);
    core.StartThreads(kWorkerCount, false);
    void* nothing = nullptr;
    ASSERT_TRUE(core.Post(routines.SysInfoRoutine, classOf<TPointerT>(), &nothing));
    sleepMs(200);  // well inside the sample's second
    auto begin = Steady::now();
    core.StopThreads();
    auto took = Steady::now() - begin;
    // About 100 ms at most; the bound is wide for a loaded machine, and far below the second the
    // sleep would otherwise last.
    EXPECT_LT(took, std::chrono::milliseconds(600));
    EXPECT_EQ(core.ForcedTerminations(), 0);
    EXPECT_EQ(results.load(), 0);  // a cut-short sample is not shown
}

TEST(ClockTest, OutsideAJobTheSleepLastsItsFullTime) {
    auto begin = Steady::now();
    systemClock().sleep(60);
    EXPECT_GE(Steady::now() - begin, std::chrono::milliseconds(55));
}

}  // namespace
}  // namespace vantrel

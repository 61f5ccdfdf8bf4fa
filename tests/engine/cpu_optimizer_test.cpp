#include "engine/cpu_optimizer.h"

#include <gtest/gtest.h>

#include "jobs/types.h"
#include "support/fake_process_system.h"

namespace vantrel {
namespace {

constexpr uint32_t kNormal = 0x20;
constexpr uint32_t kIdle = 0x40;

using test::FakeProcessSystem;
using test::kRefusesAll;

class RecordedNotices final : public CpuOptimizerNotices {
  public:
    void avoided() override { ++avoidedCount; }
    void optimized(uint32_t window) override { windows.push_back(window); }
    int avoidedCount = 0;
    std::vector<uint32_t> windows;
};

class CpuOptimizerTest : public ::testing::Test {
  protected:
    void tick(int times = 1) {
        for (int i = 0; i < times; ++i)
            optimizer.Run(param, system, notices);
    }

    TCpuOptimizer optimizer;
    TCpuOptimizationParam param;
    FakeProcessSystem system;
    RecordedNotices notices;
};

TEST_F(CpuOptimizerTest, LevelsGiveTheirClasses) {
    EXPECT_EQ(PriorityClassForLevel(0), 0x8000u);
    EXPECT_EQ(PriorityClassForLevel(1), 0x80u);
    EXPECT_EQ(PriorityClassForLevel(2), 0x100u);
    EXPECT_EQ(PriorityClassForLevel(3), 0x8000u);  // never from the control: the mildest boost
    EXPECT_EQ(PriorityClassForLevel(-1), 0x8000u);
}

TEST_F(CpuOptimizerTest, AProgramThatStaysInFrontIsBoostedOnce) {
    auto a = system.program(10, 100);
    param.Level = 1;
    system.front = 10;
    tick(20);
    EXPECT_EQ(a->priorityClass, 0x80u);
    EXPECT_EQ(notices.windows, std::vector<uint32_t>{10});
    EXPECT_EQ(optimizer.PrevProcessId, 100u);
    EXPECT_EQ(optimizer.PrevPriorityClass, kNormal);
    EXPECT_EQ(system.prioritySets.size(), 1u);
    // Read with the query right alone, changed with the set right alone.
    EXPECT_EQ(system.opens,
              (std::vector<std::pair<uint32_t, uint32_t>>{{100, kAccessQuery}, {100, kAccessSetPriority}}));
}

// A handle with the top bit of its low half set is sign-extended in a 64-bit process: the
// notice carries the low 32 bits, from which the full handle comes back.
TEST_F(CpuOptimizerTest, AHighWindowHandleTravelsAsItsLow32Bits) {
    const uintptr_t window = HandleFromCardinal(0xFFFF1234u);
    auto a = system.program(window, 100);
    system.front = window;
    tick();
    EXPECT_EQ(a->priorityClass, kAboveNormalPriorityClass);
    ASSERT_EQ(notices.windows, std::vector<uint32_t>{0xFFFF1234u});
    EXPECT_EQ(HandleFromCardinal(notices.windows[0]), window);
}

TEST_F(CpuOptimizerTest, TheNextProgramIsBoostedAndThePreviousOneRestored) {
    auto a = system.program(10, 100);
    auto b = system.program(20, 200, kIdle);
    param.Level = 2;
    system.front = 10;
    tick();
    system.front = 20;
    tick();
    EXPECT_EQ(a->priorityClass, kNormal);
    EXPECT_EQ(b->priorityClass, 0x100u);
    EXPECT_EQ(optimizer.PrevPriorityClass, kIdle);
    EXPECT_EQ(notices.windows, (std::vector<uint32_t>{10, 20}));
}

TEST_F(CpuOptimizerTest, OwnWindowBetweenTwoVisitsRestoresAndDoesNotBoostAgain) {
    auto a = system.program(10, 100);
    system.program(1, system.self);
    system.front = 10;
    tick();
    EXPECT_EQ(a->priorityClass, 0x8000u);
    system.front = 1;  // this program's own window
    tick();
    EXPECT_EQ(a->priorityClass, kNormal);
    EXPECT_EQ(optimizer.PrevProcessId, 100u);
    system.front = 10;
    tick(3);
    EXPECT_EQ(a->priorityClass, kNormal);
    EXPECT_EQ(notices.windows, std::vector<uint32_t>{10});
}

TEST(CpuOptimizerWaitTest, CountsRefreshSecondsRoundedHalvesToEven) {
    struct Case {
        int32_t intervalMs;
        int32_t activeSeconds;
        int boostedOnRun;               // 0: never within 40 runs
        std::vector<int32_t> counters;  // the counter before each run up to the boost
    };
    for (const Case& c :
         {Case{2000, 10, 6, {0, 2, 4, 6, 8, 10}}, Case{3000, 10, 5, {0, 3, 6, 9, 12}},
          Case{500, 10, 0, {0, 0, 0, 0}}, Case{1500, 3, 3, {0, 2, 4}}, Case{2500, 4, 3, {0, 2, 4}}}) {
        TCpuOptimizer optimizer;
        FakeProcessSystem system;
        RecordedNotices notices;
        auto a = system.program(10, 100);
        system.front = 10;
        TCpuOptimizationParam p;
        p.WaitForActive = true;
        p.ActiveSeconds = c.activeSeconds;
        p.IntervalMs = c.intervalMs;
        int boosted = 0;
        std::vector<int32_t> seen;
        for (int run = 1; run <= 40 && !boosted; ++run) {
            seen.push_back(optimizer.ActiveCounter);
            optimizer.Run(p, system, notices);
            if (!notices.windows.empty())
                boosted = run;
        }
        EXPECT_EQ(boosted, c.boostedOnRun) << c.intervalMs;
        seen.resize(std::min(seen.size(), c.counters.size()));
        EXPECT_EQ(seen, c.counters) << c.intervalMs;
        if (boosted) {
            EXPECT_EQ(optimizer.ActiveCounter, 0);
            EXPECT_EQ(a->priorityClass, 0x8000u);
        }
    }
}

TEST_F(CpuOptimizerTest, TheCounterIsSharedAcrossForegroundChanges) {
    auto a = system.program(10, 100);
    auto b = system.program(20, 200);
    param.WaitForActive = true;
    param.ActiveSeconds = 4;
    param.IntervalMs = 2000;
    system.front = 10;
    tick(2);  // 0 -> 2 -> 4
    system.front = 20;
    tick();  // 4 is not below 4: B is boosted at once
    EXPECT_EQ(notices.windows, std::vector<uint32_t>{20});
    EXPECT_EQ(a->priorityClass, kNormal);
    EXPECT_EQ(b->priorityClass, 0x8000u);
}

TEST_F(CpuOptimizerTest, AvoidedProgramsAreNotBoostedButThePreviousOneIsRestored) {
    auto a = system.program(10, 100);
    auto b = system.program(20, 200);
    auto c = system.program(30, 300);
    system.front = 10;
    tick();
    param.SkipIfAvoided = true;
    param.AvoidedRunning = true;
    system.front = 20;
    tick(3);
    EXPECT_EQ(notices.avoidedCount, 3);  // each run would otherwise have boosted B
    EXPECT_EQ(a->priorityClass, kNormal);
    EXPECT_EQ(b->priorityClass, kNormal);
    EXPECT_EQ(notices.windows, std::vector<uint32_t>{10});

    // With waiting, one note after each full count.
    param.WaitForActive = true;
    param.ActiveSeconds = 4;
    param.IntervalMs = 2000;
    system.front = 30;
    tick(6);
    EXPECT_EQ(notices.avoidedCount, 3 + 2);
    EXPECT_EQ(c->priorityClass, kNormal);

    // Skipping is asked for but nothing avoided runs: boosted.
    param.AvoidedRunning = false;
    param.WaitForActive = false;
    tick();
    EXPECT_EQ(c->priorityClass, 0x8000u);
}

TEST_F(CpuOptimizerTest, AProgramThatCannotBeOpenedStillGivesAHistoryRow) {
    auto a = system.program(10, 100);
    auto locked = system.program(20, 200);
    locked->refuses = kRefusesAll;
    system.front = 10;
    tick();
    system.front = 20;
    tick();
    EXPECT_EQ(optimizer.PrevProcessId, 200u);
    EXPECT_EQ(notices.windows, (std::vector<uint32_t>{10, 20}));
    EXPECT_EQ(a->priorityClass, kNormal);
    EXPECT_EQ(locked->priorityClass, kNormal);

    // Its class was never read: nothing is restored onto it later.
    auto c = system.program(30, 300);
    system.prioritySets.clear();
    system.front = 30;
    tick();
    EXPECT_EQ(system.prioritySets, (std::vector<std::pair<uint32_t, uint32_t>>{{300, 0x8000}}));
}

TEST_F(CpuOptimizerTest, ARestoreNeverReachesAProcessThatReusedTheBoostedId) {
    auto a = system.program(10, 100);
    system.front = 10;
    tick();
    EXPECT_EQ(a->priorityClass, 0x8000u);
    // A ends; another program is given its id.
    a->alive = false;
    system.closeWindow(10);
    auto reuser = system.program(11, 100, kIdle);
    auto c = system.program(30, 300);
    system.front = 30;
    tick();
    EXPECT_EQ(reuser->priorityClass, kIdle);
    EXPECT_EQ(c->priorityClass, 0x8000u);
}

TEST_F(CpuOptimizerTest, NoWindowInFrontDoesNothing) {
    system.program(10, 100);
    system.front = 0;
    tick();
    system.front = 99;  // not a window
    tick();
    EXPECT_TRUE(system.prioritySets.empty());
    EXPECT_TRUE(notices.windows.empty());
}

}  // namespace
}  // namespace vantrel

#include "engine/cpu_optimizer.h"

#include <gtest/gtest.h>

#include <map>

#include "jobs/types.h"

namespace vantrel {
namespace {

constexpr uint32_t kNormal = 0x20;
constexpr uint32_t kIdle = 0x40;

// A process object; handles keep it, so a handle outlives the id it was opened by.
struct FakeProcess {
    uint32_t id = 0;
    uint32_t cls = kNormal;
    bool alive = true;
    bool opensForQuery = true;
    bool opensForSet = true;
};

class FakeForeground final : public ForegroundSystem {
  public:
    class Handle final : public PriorityHandle {
      public:
        Handle(FakeForeground& owner, std::shared_ptr<FakeProcess> p) : owner_(owner), p_(std::move(p)) {}
        uint32_t priorityClass() override { return p_->alive ? p_->cls : 0; }
        bool setPriorityClass(uint32_t c) override {
            owner_.sets.push_back({p_->id, c});
            if (!p_->alive)
                return false;
            p_->cls = c;
            return true;
        }

      private:
        FakeForeground& owner_;
        std::shared_ptr<FakeProcess> p_;
    };

    uintptr_t foregroundWindow() override { return front; }
    bool isWindow(uintptr_t w) override { return windows.count(w) != 0; }
    uint32_t windowProcessId(uintptr_t w) override { return windows.count(w) ? windows[w] : 0; }
    uint32_t currentProcessId() override { return self; }
    std::unique_ptr<PriorityHandle> openProcess(uint32_t id, uint32_t access) override {
        auto it = table.find(id);
        if (it == table.end())
            return nullptr;
        auto& p = it->second;
        if ((access == kProcessQueryInformation && !p->opensForQuery) ||
            (access == kProcessSetInformation && !p->opensForSet))
            return nullptr;
        return std::make_unique<Handle>(*this, p);
    }

    // A program with one window.
    std::shared_ptr<FakeProcess> program(uintptr_t window, uint32_t id, uint32_t cls = kNormal) {
        auto p = std::make_shared<FakeProcess>();
        p->id = id;
        p->cls = cls;
        table[id] = p;
        windows[window] = id;
        return p;
    }

    uintptr_t front = 0;
    uint32_t self = 1;
    std::map<uintptr_t, uint32_t> windows;
    std::map<uint32_t, std::shared_ptr<FakeProcess>> table;
    std::vector<std::pair<uint32_t, uint32_t>> sets;
};

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
    FakeForeground system;
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
    EXPECT_EQ(a->cls, 0x80u);
    EXPECT_EQ(notices.windows, std::vector<uint32_t>{10});
    EXPECT_EQ(optimizer.PrevProcessId, 100u);
    EXPECT_EQ(optimizer.PrevPriorityClass, kNormal);
    EXPECT_EQ(system.sets.size(), 1u);
}

// A handle with the top bit of its low half set is sign-extended in a 64-bit process: the
// notice carries the low 32 bits, from which the full handle comes back.
TEST_F(CpuOptimizerTest, AHighWindowHandleTravelsAsItsLow32Bits) {
    const uintptr_t window = HandleFromCardinal(0xFFFF1234u);
    auto a = system.program(window, 100);
    system.front = window;
    tick();
    EXPECT_EQ(a->cls, kAboveNormalPriorityClass);
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
    EXPECT_EQ(a->cls, kNormal);
    EXPECT_EQ(b->cls, 0x100u);
    EXPECT_EQ(optimizer.PrevPriorityClass, kIdle);
    EXPECT_EQ(notices.windows, (std::vector<uint32_t>{10, 20}));
}

TEST_F(CpuOptimizerTest, OwnWindowBetweenTwoVisitsRestoresAndDoesNotBoostAgain) {
    auto a = system.program(10, 100);
    system.program(1, system.self);
    system.front = 10;
    tick();
    EXPECT_EQ(a->cls, 0x8000u);
    system.front = 1;  // this program's own window
    tick();
    EXPECT_EQ(a->cls, kNormal);
    EXPECT_EQ(optimizer.PrevProcessId, 100u);
    system.front = 10;
    tick(3);
    EXPECT_EQ(a->cls, kNormal);
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
        FakeForeground system;
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
            EXPECT_EQ(a->cls, 0x8000u);
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
    EXPECT_EQ(a->cls, kNormal);
    EXPECT_EQ(b->cls, 0x8000u);
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
    EXPECT_EQ(a->cls, kNormal);
    EXPECT_EQ(b->cls, kNormal);
    EXPECT_EQ(notices.windows, std::vector<uint32_t>{10});

    // With waiting, one note after each full count.
    param.WaitForActive = true;
    param.ActiveSeconds = 4;
    param.IntervalMs = 2000;
    system.front = 30;
    tick(6);
    EXPECT_EQ(notices.avoidedCount, 3 + 2);
    EXPECT_EQ(c->cls, kNormal);

    // Skipping is asked for but nothing avoided runs: boosted.
    param.AvoidedRunning = false;
    param.WaitForActive = false;
    tick();
    EXPECT_EQ(c->cls, 0x8000u);
}

TEST_F(CpuOptimizerTest, AProgramThatCannotBeOpenedStillGivesAHistoryRow) {
    auto a = system.program(10, 100);
    auto locked = system.program(20, 200);
    locked->opensForQuery = false;
    locked->opensForSet = false;
    system.front = 10;
    tick();
    system.front = 20;
    tick();
    EXPECT_EQ(optimizer.PrevProcessId, 200u);
    EXPECT_EQ(notices.windows, (std::vector<uint32_t>{10, 20}));
    EXPECT_EQ(a->cls, kNormal);
    EXPECT_EQ(locked->cls, kNormal);

    // Its class was never read: nothing is restored onto it later.
    auto c = system.program(30, 300);
    system.sets.clear();
    system.front = 30;
    tick();
    EXPECT_EQ(system.sets, (std::vector<std::pair<uint32_t, uint32_t>>{{300, 0x8000}}));
}

TEST_F(CpuOptimizerTest, ARestoreNeverReachesAProcessThatReusedTheBoostedId) {
    auto a = system.program(10, 100);
    system.front = 10;
    tick();
    EXPECT_EQ(a->cls, 0x8000u);
    // A ends; another program is given its id.
    a->alive = false;
    system.windows.erase(10);
    auto reuser = system.program(11, 100, kIdle);
    auto c = system.program(30, 300);
    system.front = 30;
    tick();
    EXPECT_EQ(reuser->cls, kIdle);
    EXPECT_EQ(c->cls, 0x8000u);
}

TEST_F(CpuOptimizerTest, NoWindowInFrontDoesNothing) {
    system.program(10, 100);
    system.front = 0;
    tick();
    system.front = 99;  // not a window
    tick();
    EXPECT_TRUE(system.sets.empty());
    EXPECT_TRUE(notices.windows.empty());
}

}  // namespace
}  // namespace vantrel

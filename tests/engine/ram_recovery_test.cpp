#include "engine/ram_recovery.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "jobs/gui_sync.h"
#include "platform/system.h"
#include "support/trace_capture.h"

namespace vantrel {
namespace {

using test::TraceCapture;

constexpr uint32_t kPage = 4096;
constexpr uint32_t kBlock = 40960;

// What a heap was asked and what it held. The heap of a run records here, so that the test can
// look after the run has destroyed it.
struct HeapRecord {
    std::function<bool(size_t size, int attempt)> refuse = [](size_t, int) { return false; };
    std::vector<size_t> attempts;
    int live = 0;
    int released = 0;
    size_t maxLive = 0;
    int destroyed = 0;
    int liveWhenDestroyed = 0;
};

// Hands out one scratch buffer for every block (the run only writes zeros into it) and refuses
// what the record says. A private one gives back whatever it still holds when destroyed.
class FakeHeap final : public Heap {
  public:
    FakeHeap(HeapRecord& record, bool isPrivate) : r_(record), private_(isPrivate) {}
    ~FakeHeap() override {
        if (!private_)
            return;
        ++r_.destroyed;
        r_.liveWhenDestroyed = r_.live;
        r_.live = 0;
    }
    void* allocZeroed(size_t bytes) noexcept override {
        r_.attempts.push_back(bytes);
        if (r_.refuse(bytes, int(r_.attempts.size())))
            return nullptr;
        if (scratch_.size() < bytes)
            scratch_.resize(bytes);
        ++r_.live;
        r_.maxLive = std::max(r_.maxLive, size_t(r_.live));
        return scratch_.data();
    }
    bool release(void*) noexcept override {
        --r_.live;
        ++r_.released;
        return true;
    }

  private:
    HeapRecord& r_;
    bool private_;
    std::vector<char> scratch_;
};

class FakeClipboard final : public Clipboard {
  public:
    bool heldByOther = false;
    bool emptied = false;
    bool open() noexcept override { return !heldByOther; }
    bool empty() noexcept override { return emptied = true; }
    bool close() noexcept override { return true; }
};

struct RecoveryRun {
    HeapRecord heap;         // the run's own heap
    HeapRecord processHeap;  // where the run claims when it cannot have one of its own
    bool ownHeap = true;
    FakeClipboard clipboard;
    uint32_t now = 1000;
    uint32_t step = 0;  // ms the clock moves on each reading
    std::vector<uint32_t> reports;
    std::vector<int32_t> reportTargets;
    std::function<bool()> stop = [] { return false; };

    void recover(int64_t amount, int32_t notifyThread = 1, bool clearClipboard = false) {
        TRamRecoveryParam p;
        p.Amount = amount;
        p.Notify.ThreadIndex = notifyThread;
        p.ClearClipboard = clearClipboard;
        FakeHeap process(processHeap, false);
        RamRecoveryEnv env{[this]() -> std::unique_ptr<Heap> {
                               return ownHeap ? std::make_unique<FakeHeap>(heap, true) : nullptr;
                           },
                           process,
                           clipboard,
                           [] { return kPage; },
                           [this] { return now += step; },
                           [this](const TRoutine& r, uint32_t v) {
                               reports.push_back(v);
                               reportTargets.push_back(r.ThreadIndex);
                           },
                           [this] { return stop(); }};
        RecoverRamRun(p, env);
    }
};

// The blocks come from a heap of the run's own, which is destroyed whole at the end instead of
// being given back 26,215 times.
TEST(RamRecoveryTest, ClaimsWholeBlocksCoveringTheAmountAndDestroysTheHeapHoldingThem) {
    RecoveryRun run;
    run.recover(1073741824);
    EXPECT_EQ(run.heap.attempts.size(), 26215u);
    EXPECT_EQ(run.heap.maxLive, 26215u);
    EXPECT_EQ(run.heap.destroyed, 1);
    EXPECT_EQ(run.heap.liveWhenDestroyed, 26215);
    EXPECT_EQ(run.heap.released, 0);
    EXPECT_TRUE(run.processHeap.attempts.empty());
    EXPECT_EQ(run.reports, (std::vector<uint32_t>{0, 1073741824}));  // the clock stood still
}

// Without a heap of its own the run still does its work, from the process heap, and gives every
// block back there.
TEST(RamRecoveryTest, WithoutAHeapOfItsOwnTheRunReleasesEveryBlockOfTheProcessHeap) {
    RecoveryRun run;
    run.ownHeap = false;
    run.processHeap.refuse = [](size_t size, int attempt) { return size == kBlock && attempt > 100; };
    run.recover(int64_t(200) * kBlock);
    EXPECT_EQ(run.processHeap.maxLive, size_t(100 + 2 * 100));
    EXPECT_EQ(run.processHeap.released, 300);
    EXPECT_EQ(run.processHeap.live, 0);
    EXPECT_EQ(run.processHeap.destroyed, 0);
    EXPECT_EQ(run.reports.back(), 200 * kBlock);
}

TEST(RamRecoveryTest, ReportsProgressOnlyWhenMoreThan200MsHavePassed) {
    RecoveryRun run;
    run.step = 50;  // one reading per block, one more after each report
    run.recover(int64_t(12) * kBlock);
    EXPECT_EQ(run.reports, (std::vector<uint32_t>{0, 5 * kBlock, 10 * kBlock, 12 * kBlock}));
    EXPECT_EQ(run.reportTargets, (std::vector<int32_t>{1, 1, 1, 1}));
}

TEST(RamRecoveryTest, ARefusedBlockHalvesTheSizeForTheRestOfTheRun) {
    RecoveryRun run;
    run.heap.refuse = [](size_t size, int attempt) { return size == kBlock && attempt >= 200; };
    run.recover(int64_t(1000) * kBlock);
    // 199 full blocks, then half-size blocks for the remaining 801 full blocks' worth.
    EXPECT_EQ(run.heap.maxLive, size_t(199 + 2 * 801));
    EXPECT_EQ(run.heap.attempts.at(199), kBlock);
    for (size_t i = 200; i < run.heap.attempts.size(); ++i)
        ASSERT_EQ(run.heap.attempts[i], kBlock / 2) << i;
    EXPECT_EQ(run.heap.live, 0);
    EXPECT_EQ(run.reports.back(), 1000 * kBlock);
}

TEST(RamRecoveryTest, AHeapThatRefusesEverythingEndsAfterFifteenHalvings) {
    RecoveryRun run;
    run.heap.refuse = [](size_t, int) { return true; };
    run.recover(int64_t(64) << 20);
    EXPECT_EQ(run.heap.attempts, (std::vector<size_t>{40960, 20480, 10240, 5120, 2560, 1280, 640, 320, 160,
                                                      80, 40, 20, 10, 5, 2}));
    EXPECT_EQ(run.heap.maxLive, 0u);
    EXPECT_EQ(run.reports, (std::vector<uint32_t>{0, 64u << 20}));
}

TEST(RamRecoveryTest, TheBlockTableGrowsWhenSmallBlocksNeedMoreSlots) {
    struct Case {
        const char* name;
        int64_t amount;
        size_t refuseFrom;  // sizes at or above this are refused
        size_t expectedBlocks;
    };
    const Case cases[] = {
        // Smaller than one block: the table starts with no slot at all.
        {"below one block", 1000, SIZE_MAX, 1},
        // 10 blocks' worth gives 100 slots, but 640-byte blocks need 640 of them.
        {"tiny blocks", int64_t(10) * kBlock, 1280, 640},
    };
    for (const Case& c : cases) {
        RecoveryRun run;
        run.heap.refuse = [&c](size_t size, int) { return size >= c.refuseFrom; };
        run.recover(c.amount);
        EXPECT_EQ(run.heap.maxLive, c.expectedBlocks) << c.name;
        EXPECT_EQ(run.heap.live, 0) << c.name;
        EXPECT_EQ(run.reports.back(), uint32_t(c.amount)) << c.name;
    }
}

TEST(RamRecoveryTest, NothingToClaimOrAnUnusableAmount) {
    {
        RecoveryRun run;
        run.recover(0, 1, true);
        EXPECT_TRUE(run.clipboard.emptied);
        EXPECT_TRUE(run.reports.empty());
        EXPECT_TRUE(run.heap.attempts.empty());
    }
    {
        TraceCapture trace;
        RecoveryRun run;
        run.recover(-4096);
        EXPECT_TRUE(run.reports.empty());
        EXPECT_TRUE(run.heap.attempts.empty());
        EXPECT_EQ(trace.messages(), std::vector<std::wstring>{L"Assertion failure"});
        EXPECT_EQ(trace.units(), std::vector<std::string>{"FreeRam"});
    }
}

TEST(RamRecoveryTest, AClipboardHeldByAnotherProgramKeepsItsContents) {
    RecoveryRun run;
    run.clipboard.heldByOther = true;
    run.recover(kBlock, 1, true);
    EXPECT_FALSE(run.clipboard.emptied);
    EXPECT_EQ(run.reports.back(), kBlock);  // the run goes on
}

TEST(RamRecoveryTest, AnUnregisteredNotifyGetsNoFinalReport) {
    RecoveryRun run;
    run.step = 50;
    run.recover(int64_t(6) * kBlock, -1);
    EXPECT_EQ(run.reports, (std::vector<uint32_t>{0, 5 * kBlock}));
}

TEST(RamRecoveryTest, TheFinalReportOfAnAmountAbove4GiBCarriesItsLow32Bits) {
    RecoveryRun run;
    run.heap.refuse = [](size_t, int) { return true; };
    const int64_t amount = (int64_t(5) << 30) + 123;
    run.recover(amount);
    EXPECT_EQ(run.reports.back(), uint32_t((1u << 30) + 123));
}

TEST(RamRecoveryTest, AStopRequestEndsTheRunBetweenBlocksAndReleasesWhatIsHeld) {
    RecoveryRun run;
    int blocks = 0;
    run.stop = [&] { return run.heap.live >= 50 && ++blocks; };
    run.recover(int64_t(1000) * kBlock);
    EXPECT_EQ(run.heap.maxLive, 50u);
    EXPECT_EQ(run.heap.live, 0);
}

// The real job on the real pool and heap. The receiver follows the notification pattern: its
// display step runs on the GUI thread.
struct ProgressSink {
    TMTCore* core = nullptr;
    std::vector<uint32_t> values;  // GUI thread only
    static void Receive(void* data, const void* param) {
        auto* self = static_cast<ProgressSink*>(data);
        uint32_t v = *static_cast<const uint32_t*>(param);
        self->core->Synchronize([self, v] { self->values.push_back(v); });
    }
};

TEST(RamRecoveryPoolTest, APostedRecoveryReportsToItsNotifyRoutineAndReleasesTheWaiter) {
    InitGuiThread();
    ProgressSink sink;
    TMTCore core;
    sink.core = &core;
    TRoutineTable routines;
    TRamRecovery engine(core, routines, nullptr);
    TRoutine progress = core.RegisterRoutine(kNotificationWorker, ProgressSink::Receive, &sink);
    core.StartThreads(kWorkerCount, false);
    TRamRecoveryParam p;
    p.Amount = int64_t(64) << 20;
    p.Notify = progress;
    core.Post(routines.RamRecoveryRoutine, classOf<TRamRecoveryParamT>(), &p);
    WaitWithMessages(*routines.RamRecoveryRoutine.DoneEvent);
    // The final report was posted before the job ended; let worker 1 deliver it.
    while (sink.values.empty() || sink.values.back() != uint32_t(p.Amount))
        WaitWithMessages(*progress.DoneEvent);
    ASSERT_GE(sink.values.size(), 2u);
    EXPECT_EQ(sink.values.front(), 0u);
    EXPECT_EQ(sink.values.back(), uint32_t(p.Amount));
}

TEST(RamRecoveryPoolTest, StoppingThePoolEndsARunningRecoveryWithoutForce) {
    TMTCore core;
    TRoutineTable routines;
    TRamRecovery engine(core, routines, nullptr);
    core.StartThreads(kWorkerCount, false);
    TRamRecoveryParam p;
    p.Amount = int64_t(64) << 30;  // far more than the run will get to before the stop
    core.Post(routines.RamRecoveryRoutine, classOf<TRamRecoveryParamT>(), &p);
    sleepMs(30);
    auto start = std::chrono::steady_clock::now();
    core.StopThreads();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(core.ForcedTerminations(), 0);
    // Nothing is left held: the heap serves a large block at once.
    void* block = processHeap().allocZeroed(size_t(256) << 20);
    EXPECT_NE(block, nullptr);
    processHeap().release(block);
}

}  // namespace
}  // namespace vantrel

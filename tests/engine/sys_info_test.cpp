#include "engine/sys_info.h"

#include <gtest/gtest.h>

#include <mutex>

#include "engine/engine_jobs.h"
#include "engine/ram_recovery.h"
#include "platform/sync.h"

namespace vantrel {
namespace {

TEST(SysInfoTest, MemoryFiguresTruncateToWholeMegabytesAndPercent) {
    MemoryStatus s;
    s.totalPhys = 3221225472ull;
    s.availPhys = 1073741824ull;
    s.totalPageFile = 6442450943ull;  // one byte short of 6144 MB
    s.availPageFile = 1048575ull;     // one byte short of 1 MB
    s.memoryLoad = 67;
    TSysInfoParam info;
    FillMemoryFigures(info, s);
    EXPECT_EQ(info.TotalPhysMB, 3072);
    EXPECT_EQ(info.AvailPhysMB, 1024);
    EXPECT_EQ(info.AvailPhysPercent, 33);
    EXPECT_EQ(info.TotalPageFileMB, 6143);
    EXPECT_EQ(info.AvailPageFileMB, 0);
    EXPECT_EQ(info.MemoryLoad, 67u);

    // Above 4 GB the product of bytes and 100 needs 64 bits.
    s.totalPhys = 64ull << 30;
    s.availPhys = (64ull << 30) - 1;
    FillMemoryFigures(info, s);
    EXPECT_EQ(info.TotalPhysMB, 65536);
    EXPECT_EQ(info.AvailPhysPercent, 99);

    // A failed memory query reports no total: no division by zero.
    FillMemoryFigures(info, MemoryStatus{});
    EXPECT_EQ(info.AvailPhysPercent, 0);
}

TEST(SysInfoTest, UptimeSplitsTheTickCount) {
    struct Case {
        uint32_t ticks;
        uint32_t d, h, m, s;
    };
    for (Case c : {Case{90061001, 1, 1, 1, 1}, Case{0, 0, 0, 0, 0}, Case{86399999, 0, 23, 59, 59},
                   Case{4294967295u, 49, 17, 2, 47}}) {
        TSysInfoParam info;
        FillUptime(info, c.ticks);
        EXPECT_EQ(info.UpDays, c.d) << c.ticks;
        EXPECT_EQ(info.UpHours, c.h) << c.ticks;
        EXPECT_EQ(info.UpMinutes, c.m) << c.ticks;
        EXPECT_EQ(info.UpSeconds, c.s) << c.ticks;
    }
}

class FixedFigures final : public SystemFigures {
  public:
    MemoryStatus memory() override {
        MemoryStatus s;
        s.totalPhys = 2147483648ull;
        s.availPhys = 536870912ull;
        return s;
    }
    uint32_t tickCount() override { return 90061001; }
};

class FixedCpu final : public CpuSource {
  public:
    class NoRegistry final : public PerfDataRegistry {
      public:
        long query(const std::wstring&, uint8_t*, uint32_t&) override { return 2; }
        void close() override {}
    };
    class InstantClock final : public Clock {
      public:
        uint64_t now100ns() override { return t += 5000000; }
        void sleep(uint32_t) override {}
        uint64_t t = 0;
    };
    PlatformVersion platform() override { return {PlatformVersion::kNtFamily, 10}; }
    std::optional<std::vector<ProcessorTimes>> processorTimes() override {
        // 2,500,000 busy units per sample over 5,000,000 elapsed: 50 %.
        busy += 2500000;
        return std::vector<ProcessorTimes>{{0, busy, 0}};
    }
    PerfDataRegistry& perfData() override { return registry; }
    std::optional<uint32_t> dynDataValue(const std::wstring&, const std::wstring&) override {
        return std::nullopt;
    }
    Clock& clock() override { return clock_; }
    int64_t busy = 0;
    NoRegistry registry;
    InstantClock clock_;
};

struct Received {
    std::mutex m;
    std::vector<TSysInfoParam> params;
    Event got{false, false};
};

void receive(void* data, const void* param) {
    auto* r = static_cast<Received*>(data);
    {
        std::lock_guard g(r->m);
        r->params.push_back(*static_cast<const TSysInfoParam*>(param));
    }
    r->got.set();
}

TEST(SysInfoTest, CollectSysInfoKeepsTheRecordAndPostsACopyToWorkerOne) {
    TMTCore core;
    TRoutineTable routines;
    TRamRecovery engine(core, routines, nullptr);
    Received received;
    routines.SysInfoResultRoutine = core.RegisterRoutine(kNotificationWorker, &receive, &received);
    core.StartThreads(kWorkerCount, false);

    FixedFigures figures;
    FixedCpu cpu;
    CollectSysInfoRun(engine, figures, cpu);
    ASSERT_TRUE(received.got.wait(5000));
    core.StopThreads();

    EXPECT_EQ(engine.SysInfo.TotalPhysMB, 2048);
    EXPECT_EQ(engine.SysInfo.AvailPhysPercent, 25);
    EXPECT_EQ(engine.SysInfo.UpDays, 1u);
    EXPECT_EQ(engine.SysInfo.CpuUsage, 50);
    std::lock_guard g(received.m);
    ASSERT_EQ(received.params.size(), 1u);
    EXPECT_EQ(received.params[0].AvailPhysMB, 512);
    EXPECT_EQ(received.params[0].UpSeconds, 1u);
    EXPECT_EQ(received.params[0].CpuUsage, 50);
}

void listNothing(void*, const void*) {}

TEST(SysInfoTest, TheEngineObjectRegistersItsFourRoutines) {
    TMTCore core;
    TRoutineTable routines;
    TRamRecovery engine(core, routines, &listNothing);
    EXPECT_EQ(routines.RamRecoveryRoutine.ThreadIndex, kOptimizationWorker);
    EXPECT_EQ(routines.SysInfoRoutine.ThreadIndex, kInformationWorker);
    EXPECT_EQ(routines.SysInfoRoutine.Proc, &CollectSysInfo);
    EXPECT_EQ(routines.CpuOptimizationRoutine.ThreadIndex, kOptimizationWorker);
    EXPECT_EQ(routines.CpuOptimizationRoutine.Proc, &OptimizeCpu);
    EXPECT_EQ(routines.ProcessListRoutine.ThreadIndex, kInformationWorker);
    EXPECT_EQ(routines.ProcessListRoutine.Proc, &listNothing);
    for (const TRoutine* r : {&routines.RamRecoveryRoutine, &routines.SysInfoRoutine,
                              &routines.CpuOptimizationRoutine, &routines.ProcessListRoutine}) {
        EXPECT_EQ(r->Data, &engine);
        EXPECT_NE(r->DoneEvent, nullptr);
    }
    // Without a process-list procedure that routine stays unregistered.
    TRoutineTable other;
    TRamRecovery withoutList(core, other, nullptr);
    EXPECT_EQ(other.ProcessListRoutine.ThreadIndex, -1);
}

}  // namespace
}  // namespace vantrel

#include <windows.h>

#include <winperf.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <thread>

#include "engine/cpu_optimizer.h"
#include "engine/cpu_usage.h"
#include "engine/sys_info.h"
#include "jobs/types.h"
#include "support/child_process_win.h"

namespace vantrel {
namespace {

// The parser's byte positions are those of the SDK's structures, in both bitnesses.
static_assert(offsetof(PERF_DATA_BLOCK, TotalByteLength) == perf_layout::kBlockTotalByteLength);
static_assert(offsetof(PERF_DATA_BLOCK, HeaderLength) == perf_layout::kBlockHeaderLength);
static_assert(offsetof(PERF_DATA_BLOCK, NumObjectTypes) == perf_layout::kBlockNumObjectTypes);
static_assert(offsetof(PERF_DATA_BLOCK, PerfTime100nSec) == perf_layout::kBlockPerfTime100nSec);
static_assert(sizeof(PERF_DATA_BLOCK) == perf_layout::kBlockSize);
static_assert(offsetof(PERF_OBJECT_TYPE, DefinitionLength) == perf_layout::kObjectDefinitionLength);
static_assert(offsetof(PERF_OBJECT_TYPE, HeaderLength) == perf_layout::kObjectHeaderLength);
static_assert(offsetof(PERF_OBJECT_TYPE, ObjectNameTitleIndex) == perf_layout::kObjectNameTitleIndex);
static_assert(offsetof(PERF_OBJECT_TYPE, NumCounters) == perf_layout::kObjectNumCounters);
static_assert(offsetof(PERF_OBJECT_TYPE, NumInstances) == perf_layout::kObjectNumInstances);
static_assert(sizeof(PERF_OBJECT_TYPE) == perf_layout::kObjectSize);
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterNameTitleIndex) ==
              perf_layout::kCounterNameTitleIndex);
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterSize) == perf_layout::kCounterSizeField);
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterOffset) == perf_layout::kCounterOffset);
static_assert(sizeof(PERF_COUNTER_DEFINITION) == perf_layout::kCounterDefinitionSize);
static_assert(offsetof(PERF_INSTANCE_DEFINITION, NameOffset) == perf_layout::kInstanceNameOffset);
static_assert(offsetof(PERF_INSTANCE_DEFINITION, NameLength) == perf_layout::kInstanceNameLength);
static_assert(sizeof(PERF_INSTANCE_DEFINITION) == perf_layout::kInstanceSize);

TEST(EngineWinTest, SystemFiguresMatchTheSystemAndTheLoadSeesABusyThread) {
    EXPECT_TRUE(currentPlatformVersion().isNt());
    EXPECT_GE(currentPlatformVersion().major, 6u);

    std::atomic<bool> stop{false};
    std::thread spinner([&stop] {
        volatile unsigned n = 0;
        while (!stop)
            n = n + 1;
    });
    TSysInfoParam info = SampleSysInfo(systemFigures(), systemCpuSource());
    stop = true;
    spinner.join();

    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof(ms);
    ASSERT_TRUE(::GlobalMemoryStatusEx(&ms));
    EXPECT_EQ(info.TotalPhysMB, int32_t(ms.ullTotalPhys / 1048576));
    EXPECT_GT(info.AvailPhysMB, 0);
    EXPECT_LE(info.AvailPhysPercent, 100);
    EXPECT_GT(info.TotalPageFileMB, 0);
    SYSTEM_INFO si{};
    ::GetSystemInfo(&si);
    // One of the processors was busy for the whole second.
    EXPECT_GE(info.CpuUsage, int32_t(100 / si.dwNumberOfProcessors / 2));
    EXPECT_LE(info.CpuUsage, 100);
}

TEST(EngineWinTest, ThePerformanceDataRegistryAnswers) {
    TPerfObject processor(kProcessorObjectIndex);
    EXPECT_TRUE(processor.Read());
    EXPECT_GT(processor.PerfTime100nSec(), 0u);
}

class NoteRecorder final : public CpuOptimizerNotices {
  public:
    void avoided() override { ++avoidedCount; }
    void optimized(uint32_t window) override { windows.push_back(window); }
    int avoidedCount = 0;
    std::vector<uint32_t> windows;
};

// The window in front once it belongs to the process, or null.
HWND waitForFront(DWORD process) {
    for (int i = 0; i < 200; ++i) {
        HWND front = ::GetForegroundWindow();
        DWORD owner = 0;
        if (front)
            ::GetWindowThreadProcessId(front, &owner);
        if (owner == process)
            return front;
        ::Sleep(25);
    }
    return nullptr;
}

TEST(EngineWinTest, TheOptimizerBoostsTheProgramInFrontAndRestoresItAfterwards) {
    TCpuOptimizer optimizer;
    NoteRecorder notes;
    TCpuOptimizationParam param;
    param.Level = 1;

    test::ChildProcess a(L"engine_test_window.exe", L"Optimizer A");
    ASSERT_TRUE(a.started());
    HWND aWindow = waitForFront(a.id());
    ASSERT_NE(aWindow, nullptr);
    optimizer.Run(param, systemProcesses(), notes);
    EXPECT_EQ(::GetPriorityClass(a.handle()), DWORD(HIGH_PRIORITY_CLASS));
    ASSERT_EQ(notes.windows, std::vector<uint32_t>{uint32_t(reinterpret_cast<uintptr_t>(aWindow))});
    // The 32-bit notice names the very window again.
    EXPECT_EQ(reinterpret_cast<HWND>(HandleFromCardinal(notes.windows[0])), aWindow);

    test::ChildProcess b(L"engine_test_window.exe", L"Optimizer B");
    ASSERT_TRUE(b.started());
    HWND bWindow = waitForFront(b.id());
    ASSERT_NE(bWindow, nullptr);
    param.Level = 0;
    optimizer.Run(param, systemProcesses(), notes);
    EXPECT_EQ(::GetPriorityClass(a.handle()), DWORD(NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(::GetPriorityClass(b.handle()), DWORD(ABOVE_NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(notes.windows.size(), 2u);

    // The window program ends by itself once its window is closed.
    ASSERT_TRUE(::PostMessageW(bWindow, WM_CLOSE, 0, 0));
    EXPECT_EQ(::WaitForSingleObject(b.handle(), 5000), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace vantrel

#include "engine/ram_recovery.h"

#include <cstring>
#include <vector>

#include "engine/engine_jobs.h"
#include "platform/system.h"
#include "platform/trace_log.h"

namespace vantrel {

namespace {
constexpr const char* kUnit = "FreeRam";
constexpr uint32_t kReportIntervalMs = 200;
constexpr uint32_t kPagesPerBlock = 10;
}  // namespace

void RecoverRamRun(const TRamRecoveryParam& param, const RamRecoveryEnv& env) {
    if (param.ClearClipboard) {
        // A clipboard held open by another program keeps its contents.
        if (env.clipboard.open()) {
            env.clipboard.empty();
            env.clipboard.close();
        }
    }
    if (param.Amount == 0)
        return;
    const uint32_t page = env.pageSize();
    if (page == 0)
        return;
    uint32_t blockSize = page * kPagesPerBlock;

    // One slot per block held; the table grows when halved blocks need more slots than this.
    std::vector<void*> table;
    try {
        int64_t slots = param.Amount / int64_t(blockSize) * 10;
        if (param.Amount < 0 || uint64_t(slots) > table.max_size())
            throw std::length_error("block table");
        table.reserve(size_t(slots));
    } catch (...) {
        VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
        return;
    }
    // Freed one by one, tens of thousands of small blocks leave the process heap holding the
    // address space they took, in pieces: a 32-bit process would be left unable to allocate any
    // large block. A heap of the run's own is destroyed whole instead.
    std::unique_ptr<Heap> runHeap = env.createHeap ? env.createHeap() : nullptr;
    Heap& heap = runHeap ? *runHeap : env.heap;

    uint64_t allocated = 0;
    env.report(param.Notify, 0);
    uint32_t lastReport = env.tickCount();
    while (int64_t(allocated) < param.Amount) {
        if (env.stopRequested())
            break;
        void* block = heap.allocZeroed(blockSize);
        if (!block) {
            blockSize /= 2;
            if (blockSize < 2)
                break;
            continue;
        }
        try {
            table.push_back(block);
        } catch (...) {
            // No memory left even for the table: stop claiming, keep what is held.
            heap.release(block);
            break;
        }
        // Written once more so that every page is backed by physical memory.
        std::memset(block, 0, blockSize);
        allocated += blockSize;
        if (uint32_t(env.tickCount() - lastReport) > kReportIntervalMs) {
            env.report(param.Notify, uint32_t(allocated));
            lastReport = env.tickCount();
        }
    }
    if (runHeap)
        runHeap.reset();  // every block at once
    else
        for (void* block : table)
            heap.release(block);
    if (param.Notify.ThreadIndex != -1)
        env.report(param.Notify, uint32_t(uint64_t(param.Amount)));
}

TRamRecovery::TRamRecovery(TMTCore& core, TRoutineTable& routines, TRoutineProc listProcesses)
    : core_(core), routines_(routines) {
    routines.RamRecoveryRoutine = core.RegisterRoutine(kOptimizationWorker, &TRamRecovery::RecoverRam, this);
    routines.SysInfoRoutine = core.RegisterRoutine(kInformationWorker, &CollectSysInfo, this);
    routines.CpuOptimizationRoutine = core.RegisterRoutine(kOptimizationWorker, &OptimizeCpu, this);
    if (listProcesses)
        routines.ProcessListRoutine = core.RegisterRoutine(kInformationWorker, listProcesses, this);
}

void TRamRecovery::RecoverRam(void* Data, const void* Param) {
    auto* self = static_cast<TRamRecovery*>(Data);
    RamRecoveryEnv env{
        [] { return createPrivateHeap(); },
        processHeap(),
        systemClipboard(),
        [] { return pageSize(); },
        [] { return tickCount(); },
        [self](const TRoutine& notify, uint32_t value) {
            self->core_.Post(notify, classOf<TCardinalT>(), &value);
        },
        [] { return StopRequested(); },
    };
    RecoverRamRun(*static_cast<const TRamRecoveryParam*>(Param), env);
}

}  // namespace vantrel

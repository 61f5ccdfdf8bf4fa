#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/sys_info_param.h"
#include "jobs/routines.h"
#include "jobs/thread_core.h"
#include "jobs/types.h"

namespace vantrel {

class Heap;
class Clipboard;

struct TRamRecoveryParam {
    int64_t Amount = 0;  // bytes to claim; 0 claims nothing
    TRoutine Notify;     // receives progress; ThreadIndex -1 suppresses the final report
    bool ClearClipboard = false;
};
class TRamRecoveryParamT : public TValueT<TRamRecoveryParam> {};

// What one recovery run needs from the system, so that tests can give it doubles.
struct RamRecoveryEnv {
    // Makes the heap of one run, whose destruction gives back every block and the address space
    // they took at once. Where it gives none, the run claims from `heap` and releases each block.
    std::function<std::unique_ptr<Heap>()> createHeap;
    Heap& heap;
    Clipboard& clipboard;
    std::function<uint32_t()> pageSize;
    std::function<uint32_t()> tickCount;
    // Posts one progress value to the notify routine.
    std::function<void(const TRoutine&, uint32_t)> report;
    // True when the run must end early (the pool is stopping).
    std::function<bool()> stopRequested;
};

// Claims Amount bytes in zero-filled blocks of ten pages, reporting progress, then releases it all.
// In a 32-bit process a large run ends at the limit of the address space; the heap of the run is
// destroyed at its end, so that the whole address space is there again afterwards.
void RecoverRamRun(const TRamRecoveryParam& param, const RamRecoveryEnv& env);

// The engine object: data of the engine's routines, registered on construction.
class TRamRecovery {
  public:
    // Registers RamRecoveryRoutine, SysInfoRoutine, CpuOptimizationRoutine and ProcessListRoutine,
    // in that order. The process list lives in a library built on this one, so its procedure is
    // handed in; with nullptr ProcessListRoutine stays unregistered.
    TRamRecovery(TMTCore& core, TRoutineTable& routines, TRoutineProc listProcesses);
    TRamRecovery(const TRamRecovery&) = delete;
    TRamRecovery& operator=(const TRamRecovery&) = delete;

    // The procedure of RamRecoveryRoutine.
    static void RecoverRam(void* Data, const void* Param);

    TMTCore& Core() noexcept { return core_; }
    TRoutineTable& Routines() noexcept { return routines_; }

    // The last system figures collected; written only on worker 2 (CollectSysInfo).
    TSysInfoParam SysInfo;

  private:
    TMTCore& core_;
    TRoutineTable& routines_;
};

}  // namespace vantrel

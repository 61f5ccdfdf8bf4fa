#pragma once

#include "jobs/thread_core.h"

namespace vantrel {

// The contract between the engine and the windows: eleven routines, each unregistered
// (ThreadIndex -1) until RegisterRoutine fills it.
struct TRoutineTable {
    // Worker 0: optimizations.
    TRoutine RamRecoveryRoutine;
    TRoutine CpuOptimizationRoutine;
    // Worker 2: information gathering.
    TRoutine SysInfoRoutine;
    TRoutine ProcessListRoutine;
    // Worker 1: notifications to the windows.
    TRoutine ProgressRoutine;
    TRoutine SysInfoResultRoutine;
    TRoutine CpuOptimizedRoutine;
    TRoutine CpuAvoidedRoutine;
    TRoutine ProcessListBeginRoutine;
    TRoutine AddProcessRoutine;
    TRoutine ProcessListEndRoutine;
};

inline constexpr int32_t kOptimizationWorker = 0;
inline constexpr int32_t kNotificationWorker = 1;
inline constexpr int32_t kInformationWorker = 2;
inline constexpr int32_t kWorkerCount = 3;

}  // namespace vantrel

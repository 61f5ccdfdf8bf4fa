#pragma once

#include <memory>

#include "engine/ram_recovery.h"
#include "jobs/routines.h"
#include "jobs/thread_core.h"
#include "shell/app_instances.h"

namespace vantrel {

class TraceLog;

// The objects that live for the whole process, made before the entry reads its command line:
// the trace log (the previous run's "debug.log" deleted), MTCore with no threads yet, the routine
// table with every routine unregistered, and RamRecovery, which registers the engine's routines.
// They go in the reverse order; the single-instance registration, when there is one, goes last.
class ProcessObjects {
  public:
    // listProcesses: the procedure of ProcessListRoutine (the process-list job).
    explicit ProcessObjects(TRoutineProc listProcesses);
    ProcessObjects(const ProcessObjects&) = delete;
    ProcessObjects& operator=(const ProcessObjects&) = delete;
    ~ProcessObjects();

    TraceLog& Log() noexcept { return log_; }
    TMTCore& MTCore() noexcept { return core_; }
    TRoutineTable& Routines() noexcept { return routines_; }
    TRamRecovery& RamRecovery() noexcept { return ramRecovery_; }

    // Keeps the single-instance guard until every other object has gone.
    TAppInstances& AdoptGuard(std::unique_ptr<TAppInstances> guard);
    TAppInstances* Guard() noexcept { return guard_.get(); }

  private:
    // Declared first, so destroyed last.
    std::unique_ptr<TAppInstances> guard_;
    TraceLog& log_;
    TMTCore core_;
    TRoutineTable routines_;
    TRamRecovery ramRecovery_;
};

}  // namespace vantrel

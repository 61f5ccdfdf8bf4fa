#include "engine/engine_jobs.h"

#include "engine/ram_recovery.h"

namespace vantrel {

void CollectSysInfoRun(TRamRecovery& engine, SystemFigures& figures, CpuSource& cpu) {
    // Only this worker writes the record; the window gets a copy.
    engine.SysInfo = SampleSysInfo(figures, cpu);
    // A sample cut short by a stop request is not shown: the window is going away.
    if (StopRequested())
        return;
    engine.Core().Post(engine.Routines().SysInfoResultRoutine, classOf<TSysInfoParamT>(), &engine.SysInfo);
}

void CollectSysInfo(void* Data, const void*) {
    CollectSysInfoRun(*static_cast<TRamRecovery*>(Data), systemFigures(), systemCpuSource());
}

void RoutineCpuNotices::avoided() {
    int32_t nothing = 0;
    engine_.Core().Post(engine_.Routines().CpuAvoidedRoutine, classOf<TIntegerT>(), &nothing);
}

void RoutineCpuNotices::optimized(uint32_t window) {
    engine_.Core().Post(engine_.Routines().CpuOptimizedRoutine, classOf<TCardinalT>(), &window);
}

void OptimizeCpu(void* Data, const void* Param) {
    auto& engine = *static_cast<TRamRecovery*>(Data);
    RoutineCpuNotices notices(engine);
    processCpuOptimizer().Run(*static_cast<const TCpuOptimizationParam*>(Param), systemProcesses(), notices);
}

}  // namespace vantrel

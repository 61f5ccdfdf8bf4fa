#pragma once

#include "engine/cpu_optimizer.h"
#include "engine/sys_info.h"

namespace vantrel {

class TRamRecovery;

// The procedure of SysInfoRoutine (worker 2): samples the system figures into the engine object
// and posts a copy to SysInfoResultRoutine. Param is ignored.
void CollectSysInfo(void* Data, const void* Param);
// The same run with the system given.
void CollectSysInfoRun(TRamRecovery& engine, SystemFigures& figures, CpuSource& cpu);

// The procedure of CpuOptimizationRoutine (worker 0); Param is a TCpuOptimizationParam.
void OptimizeCpu(void* Data, const void* Param);

// Notes of the optimizer posted to the main window's routines on worker 1.
class RoutineCpuNotices final : public CpuOptimizerNotices {
  public:
    explicit RoutineCpuNotices(TRamRecovery& engine) : engine_(engine) {}
    void avoided() override;
    void optimized(uint32_t window) override;

  private:
    TRamRecovery& engine_;
};

}  // namespace vantrel

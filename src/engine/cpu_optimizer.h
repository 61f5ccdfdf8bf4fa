#pragma once

#include <cstdint>
#include <memory>

#include "jobs/types.h"
#include "platform/processes.h"

namespace vantrel {

struct TCpuOptimizationParam {
    bool WaitForActive = false;  // boost only programs that have been in front a while
    int32_t ActiveSeconds = 10;
    int32_t IntervalMs = 2000;  // the refresh interval the job is posted with
    bool SkipIfAvoided = false;
    bool AvoidedRunning = false;  // a program of the avoid list runs now
    int32_t Level = 0;            // 0, 1 or 2
};
class TCpuOptimizationParamT : public TValueT<TCpuOptimizationParam> {};

inline constexpr uint32_t kAboveNormalPriorityClass = 0x8000;
inline constexpr uint32_t kHighPriorityClass = 0x80;
inline constexpr uint32_t kRealtimePriorityClass = 0x100;

// The priority class a level gives; a level the control cannot produce gets the mildest boost.
uint32_t PriorityClassForLevel(int32_t Level);

// Where the optimizer's notes go (worker 1 in the program).
class CpuOptimizerNotices {
  public:
    virtual ~CpuOptimizerNotices() = default;
    // Nothing was boosted because a program of the avoid list is running.
    virtual void avoided() = 0;
    // The program of this window was boosted (or would have been, had it let itself be opened).
    virtual void optimized(uint32_t window) = 0;
};

// Boosts the program in front and gives the previous one its class back. The state lives between
// runs; only one thread runs it.
class TCpuOptimizer {
  public:
    void Run(const TCpuOptimizationParam& param, ProcessSystem& system, CpuOptimizerNotices& notices);

    uint32_t PrevProcessId = 0;      // the process boosted last
    uint32_t PrevPriorityClass = 0;  // its class before the boost; 0: nothing to restore
    int32_t ActiveCounter = 0;       // seconds counted towards ActiveSeconds

  private:
    // The boosted process itself, held open so that a restore can never reach another process
    // that has since been given the same id.
    std::unique_ptr<Process> prevProcess_;
};

// The optimizer state of the process, used by OptimizeCpu.
TCpuOptimizer& processCpuOptimizer();

}  // namespace vantrel

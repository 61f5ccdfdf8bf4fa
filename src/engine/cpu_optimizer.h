#pragma once

#include <cstdint>
#include <memory>

#include "jobs/types.h"

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

inline constexpr uint32_t kProcessQueryInformation = 0x400;
inline constexpr uint32_t kProcessSetInformation = 0x200;
inline constexpr uint32_t kAboveNormalPriorityClass = 0x8000;
inline constexpr uint32_t kHighPriorityClass = 0x80;
inline constexpr uint32_t kRealtimePriorityClass = 0x100;

// The priority class a level gives; a level the control cannot produce gets the mildest boost.
uint32_t PriorityClassForLevel(int32_t Level);

// An opened process, closed when destroyed.
class PriorityHandle {
  public:
    virtual ~PriorityHandle() = default;
    // 0 when the class cannot be read.
    virtual uint32_t priorityClass() = 0;
    virtual bool setPriorityClass(uint32_t priorityClass) = 0;
};

// What the optimizer reads and changes in the system. Window handles travel as numbers.
class ForegroundSystem {
  public:
    virtual ~ForegroundSystem() = default;
    virtual uintptr_t foregroundWindow() = 0;
    virtual bool isWindow(uintptr_t window) = 0;
    virtual uint32_t windowProcessId(uintptr_t window) = 0;
    virtual uint32_t currentProcessId() = 0;
    // Null when the process cannot be opened with these rights.
    virtual std::unique_ptr<PriorityHandle> openProcess(uint32_t processId, uint32_t access) = 0;
};

ForegroundSystem& systemForeground();

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
    void Run(const TCpuOptimizationParam& param, ForegroundSystem& system, CpuOptimizerNotices& notices);

    uint32_t PrevProcessId = 0;      // the process boosted last
    uint32_t PrevPriorityClass = 0;  // its class before the boost; 0: nothing to restore
    int32_t ActiveCounter = 0;       // seconds counted towards ActiveSeconds

  private:
    // The boosted process itself, held open so that a restore can never reach another process
    // that has since been given the same id.
    std::unique_ptr<PriorityHandle> prevProcess_;
};

// The optimizer state of the process, used by OptimizeCpu.
TCpuOptimizer& processCpuOptimizer();

}  // namespace vantrel

#include "engine/cpu_optimizer.h"

#include "engine/cpu_usage.h"

namespace vantrel {

uint32_t PriorityClassForLevel(int32_t Level) {
    switch (Level) {
        case 1:
            return kHighPriorityClass;
        case 2:
            return kRealtimePriorityClass;
        default:
            return kAboveNormalPriorityClass;
    }
}

void TCpuOptimizer::Run(const TCpuOptimizationParam& param,
                        ProcessSystem& system,
                        CpuOptimizerNotices& notices) {
    const uintptr_t window = system.foregroundWindow();
    if (!window || !system.isWindow(window))
        return;
    const uint32_t process = system.windowProcessId(window);
    if (process == PrevProcessId)
        return;  // the boosted program is still in front

    // Repeated on every run until another program is boosted; harmless once done.
    if (PrevPriorityClass != 0 && prevProcess_)
        prevProcess_->setPriorityClass(PrevPriorityClass);

    // The program itself is never boosted; PrevProcessId keeps naming the previous program.
    if (process == system.currentProcessId())
        return;

    if (param.WaitForActive && ActiveCounter < param.ActiveSeconds) {
        ActiveCounter += RoundHalfEven(double(param.IntervalMs) / 1000.0);
        return;
    }
    ActiveCounter = 0;

    if (param.SkipIfAvoided && param.AvoidedRunning) {
        notices.avoided();
        return;
    }

    PrevProcessId = process;
    prevProcess_.reset();
    // A class that cannot be read is not restored later: a made-up class would be worse.
    PrevPriorityClass = 0;
    if (auto query = system.open(process, kAccessQuery))
        PrevPriorityClass = query->priorityClass();
    if (auto set = system.open(process, kAccessSetPriority)) {
        set->setPriorityClass(PriorityClassForLevel(param.Level));
        if (PrevPriorityClass != 0)
            prevProcess_ = std::move(set);
    }
    // Handles are 32-bit values even in a 64-bit process: the low half is the whole handle, and
    // HandleFromCardinal gives it back sign-extended.
    notices.optimized(uint32_t(window));
}

TCpuOptimizer& processCpuOptimizer() {
    static TCpuOptimizer optimizer;
    return optimizer;
}

}  // namespace vantrel

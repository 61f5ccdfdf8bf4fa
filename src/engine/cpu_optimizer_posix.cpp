#include "engine/cpu_optimizer.h"

namespace vantrel {

namespace {

// The host build has no windows: there is never a program in front, so nothing is boosted.
class NoForegroundSystem final : public ForegroundSystem {
  public:
    uintptr_t foregroundWindow() override { return 0; }
    bool isWindow(uintptr_t) override { return false; }
    uint32_t windowProcessId(uintptr_t) override { return 0; }
    uint32_t currentProcessId() override { return 0; }
    std::unique_ptr<PriorityHandle> openProcess(uint32_t, uint32_t) override { return nullptr; }
};

}  // namespace

ForegroundSystem& systemForeground() {
    static NoForegroundSystem system;
    return system;
}

}  // namespace vantrel

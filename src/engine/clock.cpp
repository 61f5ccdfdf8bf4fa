#include "engine/clock.h"

#include <chrono>

#include "jobs/thread_core.h"

namespace vantrel {

namespace {
class SteadyClock final : public Clock {
  public:
    uint64_t now100ns() override {
        auto t = std::chrono::steady_clock::now().time_since_epoch();
        return uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(t).count() / 100);
    }
    // Inside a job the sleep ends at its worker's stop request, so a closing window never has to
    // end a sampling worker by force.
    void sleep(uint32_t ms) override { WaitForStopRequest(ms); }
};
}  // namespace

Clock& systemClock() {
    static SteadyClock clock;
    return clock;
}

}  // namespace vantrel

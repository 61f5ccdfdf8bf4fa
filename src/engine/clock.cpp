#include "engine/clock.h"

#include <chrono>

#include "platform/sync.h"

namespace vantrel {

namespace {
class SteadyClock final : public Clock {
  public:
    uint64_t now100ns() override {
        auto t = std::chrono::steady_clock::now().time_since_epoch();
        return uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(t).count() / 100);
    }
    void sleep(uint32_t ms) override { sleepMs(ms); }
};
}  // namespace

Clock& systemClock() {
    static SteadyClock clock;
    return clock;
}

}  // namespace vantrel

#pragma once

#include <cstdint>

namespace vantrel {

// Elapsed time and sleeping, so that samplers can be driven by doubles.
class Clock {
  public:
    virtual ~Clock() = default;
    // A monotonic time in 100-ns units.
    virtual uint64_t now100ns() = 0;
    virtual void sleep(uint32_t ms) = 0;
};

Clock& systemClock();

}  // namespace vantrel

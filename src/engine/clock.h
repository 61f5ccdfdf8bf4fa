#pragma once

#include <cstdint>

namespace vantrel {

// Elapsed time and sleeping, so that samplers can be driven by doubles.
class Clock {
  public:
    virtual ~Clock() = default;
    // A monotonic time in 100-ns units.
    virtual uint64_t now100ns() = 0;
    // Sleeps for ms, or less when the job that sleeps is asked to stop (see StopRequested).
    virtual void sleep(uint32_t ms) = 0;
};

Clock& systemClock();

}  // namespace vantrel

#pragma once

#include <cstdint>

#include "engine/cpu_usage.h"
#include "engine/sys_info_param.h"
#include "platform/system.h"

namespace vantrel {

// The memory and uptime figures a sample is built from.
class SystemFigures {
  public:
    virtual ~SystemFigures() = default;
    virtual MemoryStatus memory() = 0;
    // Milliseconds since the system started (32 bits: starts again after 49.7 days).
    virtual uint32_t tickCount() = 0;
};

SystemFigures& systemFigures();

// Fills the memory fields from one memory status and the uptime fields from T.
void FillMemoryFigures(TSysInfoParam& info, const MemoryStatus& status);
void FillUptime(TSysInfoParam& info, uint32_t tickCountMs);

// One sample: memory, uptime, then the processor load (which takes about a second).
TSysInfoParam SampleSysInfo(SystemFigures& figures, CpuSource& cpu);

}  // namespace vantrel

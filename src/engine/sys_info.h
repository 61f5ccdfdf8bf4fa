#pragma once

#include <cstdint>

#include "engine/cpu_usage.h"
#include "jobs/types.h"
#include "platform/system.h"

namespace vantrel {

// One sample of the system figures, posted by copy to the main window. MB = 1,048,576 bytes;
// every division truncates.
struct TSysInfoParam {
    int32_t TotalPhysMB = 0;
    int32_t AvailPhysMB = 0;
    int32_t AvailPhysPercent = 0;
    int32_t TotalPageFileMB = 0;  // the commit limit
    int32_t AvailPageFileMB = 0;
    uint32_t MemoryLoad = 0;  // the system's own percentage of memory in use
    uint32_t UpDays = 0;
    uint32_t UpHours = 0;
    uint32_t UpMinutes = 0;
    uint32_t UpSeconds = 0;
    int32_t CpuUsage = kInvalidCpuUsage;  // percent; outside 0..100 when there is no valid sample
};
class TSysInfoParamT : public TValueT<TSysInfoParam> {};

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

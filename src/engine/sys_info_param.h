#pragma once

#include <cstdint>

#include "jobs/types.h"

namespace vantrel {

// The figure that stands for "no valid sample": the display keeps its last processor figures.
inline constexpr int32_t kInvalidCpuUsage = -1;

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

}  // namespace vantrel

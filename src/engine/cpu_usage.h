#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/clock.h"
#include "engine/perf_data.h"
#include "engine/platform_version.h"
#include "engine/sys_info_param.h"

namespace vantrel {

// One entry of the processor performance table (information class 8), 100-ns units; the kernel
// time includes the idle time.
struct ProcessorTimes {
    int64_t IdleTime = 0;
    int64_t KernelTime = 0;
    int64_t UserTime = 0;
};

// What the processor-load sampler reads from the system.
class CpuSource {
  public:
    virtual ~CpuSource() = default;
    virtual PlatformVersion platform() = 0;
    // The processor table, one entry per processor; nothing when the call is missing or fails.
    virtual std::optional<std::vector<ProcessorTimes>> processorTimes() = 0;
    virtual PerfDataRegistry& perfData() = 0;
    // A 4-byte value of a statistics key of the old consumer systems; nothing when the key cannot
    // be opened or the value cannot be read.
    virtual std::optional<uint32_t> dynDataValue(const std::wstring& key, const std::wstring& value) = 0;
    virtual Clock& clock() = 0;
};

CpuSource& systemCpuSource();

// Nearest integer, halves to the even neighbour (50.5 gives 50, 51.5 gives 52).
int32_t RoundHalfEven(double value);

// The load between two samples of the processor table, in percent: the busy time (kernel + user
// - idle) summed over every processor, over the elapsed time times the number of processors.
// Invalid when the samples do not match or no time has passed.
int32_t LoadFromProcessorTimes(const std::vector<ProcessorTimes>& first,
                               const std::vector<ProcessorTimes>& second,
                               uint64_t elapsed100ns);

// The processor load over one second, by the branch the platform calls for; kInvalidCpuUsage when
// the measurement fails.
int32_t GetCpuUsage(CpuSource& source);

// The pieces of the branches, for the platforms that predate the current call.
inline constexpr uint32_t kProcessorObjectIndex = 238;
inline constexpr uint32_t kProcessorTimeCounterIndex = 240;
inline constexpr const wchar_t* kDynStartKey = L"PerfStats\\StartStat";
inline constexpr const wchar_t* kDynDataKey = L"PerfStats\\StatData";
inline constexpr const wchar_t* kDynStopKey = L"PerfStats\\StartStop";
inline constexpr const wchar_t* kDynCpuValue = L"KERNEL\\CPUUsage";

}  // namespace vantrel

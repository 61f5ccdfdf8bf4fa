#include "engine/cpu_usage.h"

#include <cfenv>
#include <cmath>

namespace vantrel {

namespace {

constexpr uint32_t kSampleIntervalMs = 1000;

int32_t currentCallBranch(CpuSource& source) {
    Clock& clock = source.clock();
    auto first = source.processorTimes();
    uint64_t t1 = clock.now100ns();
    if (!first)
        return kInvalidCpuUsage;
    clock.sleep(kSampleIntervalMs);
    auto second = source.processorTimes();
    uint64_t t2 = clock.now100ns();
    if (!second)
        return kInvalidCpuUsage;
    return LoadFromProcessorTimes(*first, *second, t2 - t1);
}

int32_t perfDataBranch(CpuSource& source) {
    auto sample = [&source]() -> std::optional<std::pair<uint64_t, uint64_t>> {
        TPerfObject object(kProcessorObjectIndex, source.perfData());
        auto value = FindCounterValue(object, L"", kProcessorTimeCounterIndex);
        if (!value)
            return std::nullopt;
        return std::make_pair(object.PerfTime100nSec(), *value);
    };
    auto first = sample();
    if (!first)
        return kInvalidCpuUsage;
    source.clock().sleep(kSampleIntervalMs);
    auto second = sample();
    if (!second || second->first <= first->first)
        return kInvalidCpuUsage;
    // The counter counts idle time; the busy share is what is left.
    double idle = double(int64_t(second->second - first->second)) / double(second->first - first->first);
    double load = std::trunc((1.0 - idle) * 100.0);
    if (!(load >= 0.0 && load <= 100.0))
        return kInvalidCpuUsage;
    return int32_t(load);
}

int32_t consumerBranch(CpuSource& source) {
    // Reading the start key starts the statistic, the stop key stops it.
    source.dynDataValue(kDynStartKey, kDynCpuValue);
    auto value = source.dynDataValue(kDynDataKey, kDynCpuValue);
    source.dynDataValue(kDynStopKey, kDynCpuValue);
    if (!value || *value > 100)
        return kInvalidCpuUsage;
    return int32_t(*value);
}

}  // namespace

int32_t RoundHalfEven(double value) {
    // nearbyint rounds in the current mode; the default mode is to nearest, ties to even.
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    double r = std::nearbyint(value);
    std::fesetround(mode);
    return int32_t(r);
}

int32_t LoadFromProcessorTimes(const std::vector<ProcessorTimes>& first,
                               const std::vector<ProcessorTimes>& second,
                               uint64_t elapsed100ns) {
    if (first.empty() || first.size() != second.size() || elapsed100ns == 0)
        return kInvalidCpuUsage;
    int64_t busy = 0;
    for (size_t i = 0; i < first.size(); ++i) {
        int64_t busy1 = first[i].KernelTime + first[i].UserTime - first[i].IdleTime;
        int64_t busy2 = second[i].KernelTime + second[i].UserTime - second[i].IdleTime;
        busy += busy2 - busy1;
    }
    double percent = double(busy) * 100.0 / (double(elapsed100ns) * double(first.size()));
    if (!std::isfinite(percent))
        return kInvalidCpuUsage;
    // The counters and the clock tick with different granularity; the share stays within bounds.
    if (percent < 0.0)
        percent = 0.0;
    if (percent > 100.0)
        percent = 100.0;
    return RoundHalfEven(percent);
}

int32_t GetCpuUsage(CpuSource& source) {
    try {
        const PlatformVersion v = source.platform();
        if (v.isNt())
            return v.major > 4 ? currentCallBranch(source) : perfDataBranch(source);
        if (v.isConsumer())
            return consumerBranch(source);
    } catch (...) {
        // A failed measurement is no figure, not an error for the user.
    }
    return kInvalidCpuUsage;
}

}  // namespace vantrel

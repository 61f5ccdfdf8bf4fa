#include "engine/sys_info.h"

namespace vantrel {

namespace {

constexpr uint64_t kMB = 1048576;

int32_t toMB(uint64_t bytes) {
    return int32_t(bytes / kMB);
}

class PlatformSystemFigures final : public SystemFigures {
  public:
    MemoryStatus memory() override { return memoryStatus(); }
    uint32_t tickCount() override { return vantrel::tickCount(); }
};

}  // namespace

SystemFigures& systemFigures() {
    static PlatformSystemFigures figures;
    return figures;
}

void FillMemoryFigures(TSysInfoParam& info, const MemoryStatus& status) {
    info.TotalPhysMB = toMB(status.totalPhys);
    info.AvailPhysMB = toMB(status.availPhys);
    // A failed memory query reports no total; the percentage is then 0, not a division by zero.
    info.AvailPhysPercent = status.totalPhys ? int32_t(status.availPhys * 100 / status.totalPhys) : 0;
    info.TotalPageFileMB = toMB(status.totalPageFile);
    info.AvailPageFileMB = toMB(status.availPageFile);
    info.MemoryLoad = status.memoryLoad;
}

void FillUptime(TSysInfoParam& info, uint32_t t) {
    info.UpDays = t / 86400000u;
    info.UpHours = (t % 86400000u) / 3600000u;
    info.UpMinutes = (t % 3600000u) / 60000u;
    info.UpSeconds = (t % 60000u) / 1000u;
}

TSysInfoParam SampleSysInfo(SystemFigures& figures, CpuSource& cpu) {
    TSysInfoParam info;
    FillMemoryFigures(info, figures.memory());
    FillUptime(info, figures.tickCount());
    info.CpuUsage = GetCpuUsage(cpu);
    return info;
}

}  // namespace vantrel

#include <fstream>
#include <sstream>

#include "engine/cpu_usage.h"

namespace vantrel {

namespace {

// The host has no performance-data registry: every query fails.
class NoPerfDataRegistry final : public PerfDataRegistry {
  public:
    long query(const std::wstring&, uint8_t*, uint32_t& size) override {
        size = 0;
        return 2;  // ERROR_FILE_NOT_FOUND
    }
    void close() override {}
};

// The host's processor table comes from /proc/stat ("cpuN user nice system idle iowait irq
// softirq steal ..." in clock ticks), shaped like the system call's: kernel time includes idle.
class ProcStatCpuSource final : public CpuSource {
  public:
    PlatformVersion platform() override { return currentPlatformVersion(); }

    std::optional<std::vector<ProcessorTimes>> processorTimes() override {
        std::ifstream in("/proc/stat");
        if (!in)
            return std::nullopt;
        std::vector<ProcessorTimes> out;
        std::string line;
        constexpr int64_t k100nsPerTick = 100000;  // USER_HZ is 100 on Linux
        while (std::getline(in, line)) {
            if (line.compare(0, 3, "cpu") != 0 || line.size() < 4 || line[3] == ' ')
                continue;
            std::istringstream fields(line.substr(line.find(' ')));
            int64_t user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0;
            fields >> user >> nice >> system >> idle >> iowait >> irq >> softirq;
            ProcessorTimes t;
            t.IdleTime = (idle + iowait) * k100nsPerTick;
            t.UserTime = (user + nice) * k100nsPerTick;
            t.KernelTime = (system + irq + softirq) * k100nsPerTick + t.IdleTime;
            out.push_back(t);
        }
        if (out.empty())
            return std::nullopt;
        return out;
    }

    PerfDataRegistry& perfData() override { return systemPerfDataRegistry(); }
    std::optional<uint32_t> dynDataValue(const std::wstring&, const std::wstring&) override {
        return std::nullopt;
    }
    Clock& clock() override { return systemClock(); }
};

}  // namespace

PerfDataRegistry& systemPerfDataRegistry() {
    static NoPerfDataRegistry registry;
    return registry;
}

CpuSource& systemCpuSource() {
    static ProcStatCpuSource source;
    return source;
}

}  // namespace vantrel

// Times one process-list pass over the real process table and over a table of 2,000 processes
// kept in memory, and one system-figures sample without its one-second sleep.
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "engine/cpu_usage.h"
#include "engine/sys_info.h"
#include "procinfo/process_list.h"

using namespace vantrel;

namespace {

class CountingSink final : public ProcessListSink {
  public:
    void begin() override {}
    void add(const TAddProcToListParam& row) override {
        ++rows;
        chars += row.Path.size();
    }
    void end() override {}
    size_t rows = 0;
    size_t chars = 0;
};

class MemoryProcess final : public OpenedProcess {
  public:
    explicit MemoryProcess(uint32_t id) : id_(id) {}
    std::optional<ProcessMemory> memory() override { return ProcessMemory{uint64_t(id_) * 4096, 0}; }
    std::wstring baseName() override { return L"process.exe"; }
    std::wstring fileName() override { return L"C:\\Program Files\\Some Vendor\\Some Product\\process.exe"; }
    uint32_t priorityClass() override { return 0x20; }
    std::optional<MemoryRegion> queryRegion(uint64_t) override { return std::nullopt; }
    std::optional<ProcessTimes> times() override { return std::nullopt; }
    bool emptyWorkingSet() override { return false; }

  private:
    uint32_t id_;
};

// 2,000 processes that answer at once: what the pass itself costs.
class MemoryProcessSystem final : public ProcessSystem {
  public:
    std::optional<uint32_t> enumProcesses(uint32_t* ids, uint32_t capacity) override {
        uint32_t n = 0;
        for (uint32_t i = 0; i < kCount && n < capacity; ++i)
            ids[n++] = 8 + 4 * i;
        return n * 4;
    }
    std::unique_ptr<OpenedProcess> open(uint32_t id, uint32_t) override {
        return std::make_unique<MemoryProcess>(id);
    }
    std::optional<std::vector<ToolhelpEntry>> snapshot() override { return std::nullopt; }
    std::pair<uint64_t, uint64_t> applicationAddressRange() override { return {0, 0}; }
    static constexpr uint32_t kCount = 2000;
};

// The real sampler with its sleep taken out.
class NoSleepCpuSource final : public CpuSource {
  public:
    class NoSleepClock final : public Clock {
      public:
        uint64_t now100ns() override { return systemClock().now100ns() + offset; }
        void sleep(uint32_t ms) override { offset += uint64_t(ms) * 10000; }
        uint64_t offset = 0;
    };
    PlatformVersion platform() override { return systemCpuSource().platform(); }
    std::optional<std::vector<ProcessorTimes>> processorTimes() override {
        return systemCpuSource().processorTimes();
    }
    PerfDataRegistry& perfData() override { return systemCpuSource().perfData(); }
    std::optional<uint32_t> dynDataValue(const std::wstring& k, const std::wstring& v) override {
        return systemCpuSource().dynDataValue(k, v);
    }
    Clock& clock() override { return clock_; }
    NoSleepClock clock_;
};

template <class F>
double microsecondsPer(int runs, F&& f) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        f();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / runs;
}

}  // namespace

int main() {
    CountingSink real;
    double realUs = microsecondsPer(20, [&] {
        real = CountingSink();
        ListProcessesRun(systemProcesses(), true, real);
    });
    std::printf("process list, real table:        %9.1f us per pass (%zu rows)\n", realUs, real.rows);

    MemoryProcessSystem table;
    CountingSink many;
    double manyUs = microsecondsPer(50, [&] {
        many = CountingSink();
        ListProcessesRun(table, true, many);
    });
    std::printf("process list, 2,000 in memory:   %9.1f us per pass (%zu rows)\n", manyUs, many.rows);

    NoSleepCpuSource cpu;
    TSysInfoParam info;
    double sampleUs = microsecondsPer(200, [&] { info = SampleSysInfo(systemFigures(), cpu); });
    std::printf("system figures, without sleep:   %9.1f us per sample (load %d %%)\n", sampleUs,
                info.CpuUsage);
    return 0;
}

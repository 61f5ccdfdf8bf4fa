// Times one process-list pass over the real process table and over a table of 2,000 processes
// kept in memory, and one system-figures sample without its one-second sleep.
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "engine/cpu_usage.h"
#include "engine/sys_info.h"
#include "procinfo/process_list.h"
#include "support/fake_process_system.h"

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

    // 2,000 processes that answer at once: what the pass itself costs.
    test::FakeProcessSystem table;
    for (uint32_t i = 0; i < 2000; ++i) {
        table.add({.id = 8 + 4 * i,
                   .path = L"C:\\Program Files\\Some Vendor\\Some Product\\process.exe",
                   .workingSet = uint64_t(i) * 4096});
    }
    CountingSink many;
    double manyUs = microsecondsPer(50, [&] {
        many = CountingSink();
        table.opens.clear();
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

#include "procinfo/process_list.h"

#include <algorithm>
#include <limits>

#include "engine/platform_version.h"
#include "engine/ram_recovery.h"
#include "jobs/thread_core.h"

namespace vantrel {

namespace {

constexpr size_t kMaxPath = 260;
constexpr size_t kMaxExeText = 261;

int32_t toKB(uint64_t bytes) {
    return int32_t(std::min<uint64_t>(bytes / 1024, uint64_t(std::numeric_limits<int32_t>::max())));
}

// Each pass ends early, without its end notice, when the pool is stopping: an incomplete pass
// must not sweep away the rows it did not reach.
bool listNt(ProcessSystem& system, ProcessListSink& sink, const std::function<bool()>& stop) {
    auto ids = EnumAllProcessIds(system);
    if (!ids)
        return true;
    for (uint32_t id : *ids) {
        if (stop())
            return false;
        if (id == 0)
            continue;
        auto process = system.open(id, kAccessQuery);
        if (!process)
            continue;
        auto memory = process->memory();
        int32_t memoryKB = memory ? toKB(memory->WorkingSetSize) : 0;
        std::wstring path = process->imagePath().substr(0, kMaxPath);
        std::wstring name = processImageName(id, path);
        int32_t priority = int32_t(process->priorityClass());
        AddProcToList(sink, CardinalToStr(id), path, name, memoryKB, priority);
    }
    return true;
}

bool listToolhelp(ProcessSystem& system, ProcessListSink& sink, const std::function<bool()>& stop) {
    auto entries = system.snapshot();
    if (!entries)
        return true;
    for (const ProcessEntry& entry : *entries) {
        if (stop())
            return false;
        std::wstring exe = entry.ExeFile.substr(0, std::min(entry.ExeFile.find(L'\0'), kMaxExeText));
        std::wstring name = imageNameFromPath(exe);
        auto process = system.open(entry.ProcessId, kAccessQuery | kAccessReadMemory);
        if (!process)
            continue;
        int32_t memoryKB = GetPrivateBytesKB(*process, system);
        int32_t priority = int32_t(process->priorityClass());
        AddProcToList(sink, CardinalToStr(entry.ProcessId), exe, name, memoryKB, priority);
    }
    return true;
}

// Rows and notices posted to the main window's routines.
class RoutineProcessListSink final : public ProcessListSink {
  public:
    explicit RoutineProcessListSink(TRamRecovery& engine) : engine_(engine) {}
    void begin() override { notice(engine_.Routines().ProcessListBeginRoutine); }
    void add(const TAddProcToListParam& row) override {
        engine_.Core().Post(engine_.Routines().AddProcessRoutine, classOf<TAddProcToListParamT>(), &row);
    }
    void end() override { notice(engine_.Routines().ProcessListEndRoutine); }

  private:
    void notice(const TRoutine& routine) {
        int32_t nothing = 0;
        engine_.Core().Post(routine, classOf<TIntegerT>(), &nothing);
    }
    TRamRecovery& engine_;
};

}  // namespace

std::wstring CardinalToStr(uint32_t value) {
    try {
        std::wstring text;
        while (value != 0) {
            text.insert(text.begin(), wchar_t(L'0' + value % 10));
            value /= 10;
        }
        return text;
    } catch (...) {
        return L"0";
    }
}

bool AddProcToList(ProcessListSink& sink,
                   const std::wstring& ProcessId,
                   const std::wstring& Path,
                   const std::wstring& Name,
                   int32_t MemoryKB,
                   int32_t PriorityClass) {
    if (Path.empty() || ProcessId == L"4")
        return false;
    sink.add(TAddProcToListParam{ProcessId, Path, Name, MemoryKB, PriorityClass});
    return true;
}

int32_t GetPrivateBytesKB(Process& process, ProcessSystem& system) {
    auto [lowest, highest] = system.applicationAddressRange();
    // Summed in 64 bits: a large process would wrap a 32-bit sum.
    uint64_t sum = 0;
    uint64_t address = lowest;
    while (address <= highest) {
        auto region = process.queryRegion(address);
        if (!region)
            break;
        if (region->Type == kMemPrivate && region->State == kMemCommit)
            sum += region->RegionSize;
        uint64_t next = region->BaseAddress + region->RegionSize;
        // A region that does not move the walk forward would repeat for ever.
        if (next <= address)
            break;
        address = next;
    }
    return toKB(sum);
}

void ListProcessesRun(ProcessSystem& system,
                      bool ntFamily,
                      ProcessListSink& sink,
                      const std::function<bool()>& stop) {
    sink.begin();
    const bool complete = ntFamily ? listNt(system, sink, stop) : listToolhelp(system, sink, stop);
    if (complete)
        sink.end();
}

void ListProcesses(void* Data, const void*) {
    RoutineProcessListSink sink(*static_cast<TRamRecovery*>(Data));
    try {
        ListProcessesRun(systemProcesses(), currentPlatformVersion().isNt(), sink, &StopRequested);
    } catch (...) {
        // The run ends without its end notice; the next refresh tick lists again.
    }
}

}  // namespace vantrel

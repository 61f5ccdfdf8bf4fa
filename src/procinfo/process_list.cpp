#include "procinfo/process_list.h"

#include <algorithm>
#include <limits>

#include "engine/platform_version.h"
#include "engine/ram_recovery.h"

namespace vantrel {

namespace {

constexpr size_t kMaxPath = 260;
constexpr size_t kMaxExeText = 261;

int32_t toKB(uint64_t bytes) {
    return int32_t(std::min<uint64_t>(bytes / 1024, uint64_t(std::numeric_limits<int32_t>::max())));
}

void listNt(ProcessSystem& system, ProcessListSink& sink) {
    auto ids = EnumAllProcessIds(system);
    if (!ids)
        return;
    for (uint32_t id : *ids) {
        if (id == 0)
            continue;
        auto process = system.open(id, kProcessQueryInfo | kProcessVmRead);
        if (!process)
            continue;
        auto memory = process->memory();
        int32_t memoryKB = memory ? toKB(memory->WorkingSetSize) : 0;
        std::wstring name = process->baseName();
        if (name.empty())
            name = L"System";
        std::wstring path = process->fileName().substr(0, kMaxPath);
        int32_t priority = int32_t(process->priorityClass());
        AddProcToList(sink, CardinalToStr(id), path, name, memoryKB, priority);
    }
}

void listToolhelp(ProcessSystem& system, ProcessListSink& sink) {
    auto entries = system.snapshot();
    if (!entries)
        return;
    for (const ToolhelpEntry& entry : *entries) {
        std::wstring exe = entry.ExeFile.substr(0, std::min(entry.ExeFile.find(L'\0'), kMaxExeText));
        std::wstring name = imageNameFromPath(exe);
        auto process = system.open(entry.ProcessId, kProcessQueryInfo | kProcessVmRead);
        if (!process)
            continue;
        int32_t memoryKB = GetPrivateBytesKB(*process, system);
        int32_t priority = int32_t(process->priorityClass());
        AddProcToList(sink, CardinalToStr(entry.ProcessId), exe, name, memoryKB, priority);
    }
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

int32_t GetPrivateBytesKB(OpenedProcess& process, ProcessSystem& system) {
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

void ListProcessesRun(ProcessSystem& system, bool ntFamily, ProcessListSink& sink) {
    sink.begin();
    if (ntFamily)
        listNt(system, sink);
    else
        listToolhelp(system, sink);
    sink.end();
}

void ListProcesses(void* Data, const void*) {
    RoutineProcessListSink sink(*static_cast<TRamRecovery*>(Data));
    try {
        ListProcessesRun(systemProcesses(), currentPlatformVersion().isNt(), sink);
    } catch (...) {
        // The run ends without its end notice; the next refresh tick lists again.
    }
}

}  // namespace vantrel

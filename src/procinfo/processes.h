#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

inline constexpr uint32_t kProcessVmRead = 0x10;
inline constexpr uint32_t kProcessQueryInfo = 0x400;
inline constexpr uint32_t kProcessAllAccess = 0x1FFFFF;

// One region of a process's address space, as VirtualQueryEx reports it.
struct MemoryRegion {
    uint64_t BaseAddress = 0;
    uint64_t RegionSize = 0;
    uint32_t State = 0;  // 0x1000: committed
    uint32_t Type = 0;   // 0x20000: private
};
inline constexpr uint32_t kMemCommit = 0x1000;
inline constexpr uint32_t kMemPrivate = 0x20000;

// The processor times of a process, 100-ns units.
struct ProcessTimes {
    uint64_t CreationTime = 0;
    uint64_t BusyTime = 0;  // kernel + user
};

struct ProcessMemory {
    uint64_t WorkingSetSize = 0;
    uint64_t PagefileUsage = 0;
};

// An opened process; the handle is closed when the object is destroyed.
class OpenedProcess {
  public:
    virtual ~OpenedProcess() = default;
    virtual std::optional<ProcessMemory> memory() = 0;
    // The image file name without folder; empty when it cannot be read.
    virtual std::wstring baseName() = 0;
    // The full image path (at most 260 characters); empty when it cannot be read.
    virtual std::wstring fileName() = 0;
    virtual uint32_t priorityClass() = 0;
    virtual std::optional<MemoryRegion> queryRegion(uint64_t address) = 0;
    virtual std::optional<ProcessTimes> times() = 0;
    virtual bool emptyWorkingSet() = 0;
};

// One entry of a Toolhelp process snapshot.
struct ToolhelpEntry {
    uint32_t ProcessId = 0;
    std::wstring ExeFile;  // up to its terminating zero, at most 261 characters
};

// The process table of the system.
class ProcessSystem {
  public:
    virtual ~ProcessSystem() = default;
    // EnumProcesses into ids (capacity entries): the number of bytes written, or nothing when the
    // call fails.
    virtual std::optional<uint32_t> enumProcesses(uint32_t* ids, uint32_t capacity) = 0;
    virtual std::unique_ptr<OpenedProcess> open(uint32_t processId, uint32_t access) = 0;
    // A Toolhelp process snapshot; nothing when it cannot be taken.
    virtual std::optional<std::vector<ToolhelpEntry>> snapshot() = 0;
    // The processor times of every process in one call, keyed by process id; nothing where the
    // system has no such call (the times are then read per process).
    virtual std::optional<std::vector<std::pair<uint32_t, ProcessTimes>>> allProcessTimes() {
        return std::nullopt;
    }
    // The lowest and highest application addresses.
    virtual std::pair<uint64_t, uint64_t> applicationAddressRange() = 0;
};

ProcessSystem& systemProcesses();

// Every process id of the system: the buffer grows until the ids fit, so no process is left out
// however many run.
std::optional<std::vector<uint32_t>> EnumAllProcessIds(ProcessSystem& system);

// The image file name of a full image path: everything after the last backslash, or the whole
// text when there is none.
std::wstring imageNameFromPath(const std::wstring& path);

}  // namespace vantrel

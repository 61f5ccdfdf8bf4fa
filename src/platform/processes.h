#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// What a caller means to do with an opened process. Each is granted by the least rights that
// allow it, so that elevated, protected and 64-bit processes still answer the queries they can.
inline constexpr uint32_t kAccessQuery = 0x1;        // image path, priority class, memory, times
inline constexpr uint32_t kAccessReadMemory = 0x2;   // the address-space walk
inline constexpr uint32_t kAccessSetPriority = 0x4;  // a new priority class
inline constexpr uint32_t kAccessTrim = 0x8;         // emptying the working set
inline constexpr uint32_t kAccessTerminate = 0x10;
inline constexpr uint32_t kAccessWait = 0x20;  // waiting for the process to end

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
    uint64_t CreationTime = 0;  // tells a process from a later one given the same id
    uint64_t BusyTime = 0;      // kernel + user
};

struct ProcessMemory {
    uint64_t WorkingSetSize = 0;
    uint64_t PagefileUsage = 0;
};

enum class WaitResult { Ended, TimedOut, Failed };

// An opened process; the handle is closed when the object is destroyed. A call the handle's
// rights do not allow fails like any other.
class Process {
  public:
    virtual ~Process() = default;
    virtual std::optional<ProcessMemory> memory() = 0;
    // The full path of the image; empty when it cannot be read.
    virtual std::wstring imagePath() = 0;
    // 0 when the class cannot be read.
    virtual uint32_t priorityClass() = 0;
    virtual bool setPriorityClass(uint32_t priorityClass) = 0;
    virtual std::optional<MemoryRegion> queryRegion(uint64_t address) = 0;
    virtual std::optional<ProcessTimes> times() = 0;
    virtual bool emptyWorkingSet() = 0;
    virtual bool terminate(uint32_t exitCode) = 0;
    virtual WaitResult wait(uint32_t timeoutMs) = 0;
};

// One process of a snapshot of the process table.
struct ProcessEntry {
    uint32_t ProcessId = 0;
    uint32_t ParentProcessId = 0;
    // The image as the table names it: the file name on the NT family, the full path on the old
    // consumer family; at most 260 characters.
    std::wstring ExeFile;
    uint64_t CreationTime = 0;         // 100-ns units since 1601; 0 where the table lacks it
    std::optional<uint64_t> BusyTime;  // kernel + user, where the table carries it
};

// A top-level window, as the window enumeration finds it. Handles travel as numbers.
struct WindowInfo {
    uintptr_t Handle = 0;
    uint32_t ProcessId = 0;
    bool Visible = false;
    uintptr_t Owner = 0;
    uint32_t ExStyle = 0;
};
inline constexpr uint32_t kWsExToolWindow = 0x80;
inline constexpr uint32_t kWsExAppWindow = 0x40000;

// Everything the program does to other processes and their windows.
class ProcessSystem {
  public:
    virtual ~ProcessSystem() = default;

    // EnumProcesses into ids (capacity entries): the number of bytes written, or nothing when the
    // call fails.
    virtual std::optional<uint32_t> enumProcesses(uint32_t* ids, uint32_t capacity) = 0;
    // A snapshot of every process; nothing when none can be taken.
    virtual std::optional<std::vector<ProcessEntry>> snapshot() = 0;
    // Opens a process for the kAccess* purposes given; null when the system refuses.
    virtual std::unique_ptr<Process> open(uint32_t processId, uint32_t access) = 0;
    virtual uint32_t currentProcessId() = 0;
    // The lowest and highest application addresses.
    virtual std::pair<uint64_t, uint64_t> applicationAddressRange() = 0;

    virtual uintptr_t foregroundWindow() = 0;
    virtual bool isWindow(uintptr_t window) = 0;
    // 0 when the window is gone.
    virtual uint32_t windowProcessId(uintptr_t window) = 0;
    // Every top-level window, in the order the system gives them (front to back).
    virtual std::vector<WindowInfo> topLevelWindows() = 0;
    virtual uintptr_t desktopWindow() = 0;
    // At most maxChars characters of the window's title. Never waits on the window's thread, so a
    // hung program (or this program's own busy GUI thread) cannot block the caller.
    virtual std::wstring windowTitle(uintptr_t window, size_t maxChars) = 0;
    // ShowWindow with SW_RESTORE; true when the window was visible before.
    virtual bool restoreWindow(uintptr_t window) = 0;
};

ProcessSystem& systemProcesses();

// Every process id of the system: the buffer grows until the ids fit, so no process is left out
// however many run.
std::optional<std::vector<uint32_t>> EnumAllProcessIds(ProcessSystem& system);

// The image file name of a full image path: everything after the last backslash, or the whole
// text when there is none.
std::wstring imageNameFromPath(std::wstring_view path);

// The name a process goes by: its image file name where its path could be read, otherwise the
// name the process table gives it, otherwise the system's own names: "System Idle Process" for id
// 0 and "System" for any other.
std::wstring processImageName(uint32_t processId, std::wstring_view path, std::wstring_view tableName = {});

// A running process with its path where it can be read (empty otherwise).
struct RunningProcess {
    uint32_t ProcessId = 0;
    uint32_t ParentProcessId = 0;
    std::wstring Name;
    std::wstring Path;
    uint64_t CreationTime = 0;
};
// Every process of a snapshot, in its order; empty when no snapshot can be taken.
std::vector<RunningProcess> RunningProcesses(ProcessSystem& system);

// The window tests of an application's main window: visible, without an owner (or owned by the
// desktop), and not a tool window unless also marked as an application window.
bool IsApplicationWindow(const WindowInfo& window, uintptr_t desktop);
// The non-empty titles (at most maxChars each) of every application window.
std::vector<std::wstring> ApplicationWindowTitles(ProcessSystem& system, size_t maxChars = 1024);
// The first application window of a process, front to back.
std::optional<uintptr_t> FirstApplicationWindow(ProcessSystem& system, uint32_t processId);

}  // namespace vantrel

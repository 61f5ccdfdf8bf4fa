#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/handles_win.h"
#include "platform/ntdll_win.h"
#include "platform/processes.h"

namespace vantrel {

namespace {

constexpr DWORD kPathCapacities[] = {MAX_PATH + 1, 1024, 32768};
constexpr size_t kMaxTableName = MAX_PATH;
constexpr ULONG kSystemProcessInformation = 5;
constexpr LONG kInfoLengthMismatch = LONG(0xC0000004);
constexpr size_t kMaxTableBytes = size_t(64) << 20;

uint64_t fileTime(const FILETIME& t) {
    return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

HWND toHwnd(uintptr_t window) {
    return reinterpret_cast<HWND>(window);
}

uintptr_t fromHwnd(HWND window) {
    return reinterpret_cast<uintptr_t>(window);
}

// The least rights for each purpose. PROCESS_QUERY_LIMITED_INFORMATION is enough for the path,
// the class, the times, the memory figures and (with the quota right) trimming, and it is granted
// on elevated and protected processes where the full query right is refused.
DWORD rightsFor(uint32_t access) {
    DWORD rights = 0;
    if (access & kAccessQuery)
        rights |= PROCESS_QUERY_LIMITED_INFORMATION;
    if (access & kAccessReadMemory)
        rights |= PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;  // VirtualQueryEx needs the full right
    if (access & kAccessSetPriority)
        rights |= PROCESS_SET_INFORMATION;
    if (access & kAccessTrim)
        rights |= PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_SET_QUOTA;
    if (access & kAccessTerminate)
        rights |= PROCESS_TERMINATE;
    if (access & kAccessWait)
        rights |= SYNCHRONIZE;
    return rights;
}

std::optional<uint64_t> creationTimeOf(HANDLE process) {
    FILETIME creation, exit, kernel, user;
    if (!::GetProcessTimes(process, &creation, &exit, &kernel, &user))
        return std::nullopt;
    return fileTime(creation);
}

class WinProcess final : public Process {
  public:
    WinProcess(HANDLE process, DWORD id) : process_(process), id_(id) {}

    std::optional<ProcessMemory> memory() override {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof(counters);
        if (!::GetProcessMemoryInfo(process_.get(), &counters, sizeof(counters)))
            return std::nullopt;
        return ProcessMemory{counters.WorkingSetSize, counters.PagefileUsage};
    }

    std::wstring imagePath() override {
        // Works across bitnesses; the module call of a 32-bit program fails on a 64-bit process.
        std::vector<wchar_t> path;
        for (DWORD capacity : kPathCapacities) {
            path.resize(capacity);
            DWORD size = capacity;
            if (::QueryFullProcessImageNameW(process_.get(), 0, path.data(), &size))
                return std::wstring(path.data(), size);
            if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
                break;
        }
        return moduleFileName();
    }

    uint32_t priorityClass() override { return ::GetPriorityClass(process_.get()); }
    bool setPriorityClass(uint32_t priorityClass) override {
        return ::SetPriorityClass(process_.get(), priorityClass) != 0;
    }

    std::optional<MemoryRegion> queryRegion(uint64_t address) override {
        MEMORY_BASIC_INFORMATION info{};
        if (address > UINTPTR_MAX ||
            ::VirtualQueryEx(process_.get(), reinterpret_cast<LPCVOID>(uintptr_t(address)), &info,
                             sizeof(info)) == 0)
            return std::nullopt;
        return MemoryRegion{uint64_t(reinterpret_cast<uintptr_t>(info.BaseAddress)),
                            uint64_t(info.RegionSize), info.State, info.Type};
    }

    std::optional<ProcessTimes> times() override {
        FILETIME creation, exit, kernel, user;
        if (!::GetProcessTimes(process_.get(), &creation, &exit, &kernel, &user))
            return std::nullopt;
        return ProcessTimes{fileTime(creation), fileTime(kernel) + fileTime(user)};
    }

    bool emptyWorkingSet() override { return ::EmptyWorkingSet(process_.get()) != 0; }
    bool terminate(uint32_t exitCode) override { return ::TerminateProcess(process_.get(), exitCode) != 0; }

    WaitResult wait(uint32_t timeoutMs) override {
        switch (::WaitForSingleObject(process_.get(), timeoutMs)) {
            case WAIT_OBJECT_0:
                return WaitResult::Ended;
            case WAIT_TIMEOUT:
                return WaitResult::TimedOut;
            default:
                return WaitResult::Failed;
        }
    }

  private:
    // The older call, for systems without the image-name call: it needs the full query and read
    // rights, so the process is opened again for it, and the new handle must name the same
    // process (an id can have been given to another one meanwhile).
    std::wstring moduleFileName() {
        KernelHandle modules(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id_));
        if (!modules)
            return {};
        auto mine = creationTimeOf(process_.get());
        if (mine && creationTimeOf(modules.get()) != mine)
            return {};
        std::vector<wchar_t> path(kPathCapacities[std::size(kPathCapacities) - 1]);
        DWORD n = ::GetModuleFileNameExW(modules.get(), nullptr, path.data(), DWORD(path.size()));
        return std::wstring(path.data(), std::min<size_t>(n, path.size()));
    }

    KernelHandle process_;
    DWORD id_;
};

// The process table in one call, with every process's times.
std::optional<std::vector<ProcessEntry>> systemProcessTable() {
    auto query = ntQuerySystemInformation();
    if (!query)
        return std::nullopt;
    std::vector<uint64_t> buffer(size_t(1) << 15);  // 8-byte aligned, as the entries need
    LONG status;
    ULONG returned = 0;
    for (;;) {
        status = query(kSystemProcessInformation, buffer.data(), ULONG(buffer.size() * 8), &returned);
        if (status != kInfoLengthMismatch || buffer.size() * 8 >= kMaxTableBytes)
            break;
        buffer.resize(std::max<size_t>(buffer.size() * 2, returned / 8 + 1024));
    }
    if (status < 0)
        return std::nullopt;
    const auto* base = reinterpret_cast<const uint8_t*>(buffer.data());
    const size_t size = std::min<size_t>(returned ? returned : buffer.size() * 8, buffer.size() * 8);
    std::vector<ProcessEntry> out;
    for (size_t at = 0; at + sizeof(SYSTEM_PROCESS_INFORMATION) <= size;) {
        const auto* e = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(base + at);
        ProcessEntry entry;
        entry.ProcessId = uint32_t(reinterpret_cast<uintptr_t>(e->UniqueProcessId));
        entry.ParentProcessId = uint32_t(reinterpret_cast<uintptr_t>(e->InheritedFromUniqueProcessId));
        entry.CreationTime = uint64_t(e->CreateTime.QuadPart);
        entry.BusyTime = uint64_t(e->UserTime.QuadPart + e->KernelTime.QuadPart);
        // The name lies in the same buffer; one that points elsewhere is left out.
        const auto* name = reinterpret_cast<const uint8_t*>(e->ImageName.Buffer);
        const size_t nameBytes = e->ImageName.Length;
        if (name && name >= base && name <= base + size && nameBytes <= size_t(base + size - name)) {
            const size_t chars = std::min(nameBytes / sizeof(wchar_t), kMaxTableName);
            entry.ExeFile.assign(reinterpret_cast<const wchar_t*>(name), chars);
        }
        out.push_back(std::move(entry));
        if (e->NextEntryOffset == 0)
            break;
        at += e->NextEntryOffset;
    }
    return out;
}

std::optional<std::vector<ProcessEntry>> toolhelpSnapshot() {
    // The snapshot's failure value is INVALID_HANDLE_VALUE, as for files.
    FileHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap)
        return std::nullopt;
    std::vector<ProcessEntry> entries;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snap.get(), &entry); more;
         more = ::Process32NextW(snap.get(), &entry)) {
        size_t length = 0;
        while (length < kMaxTableName && entry.szExeFile[length] != L'\0')
            ++length;
        ProcessEntry e;
        e.ProcessId = entry.th32ProcessID;
        e.ParentProcessId = entry.th32ParentProcessID;
        e.ExeFile.assign(entry.szExeFile, length);
        entries.push_back(std::move(e));
        entry.dwSize = sizeof(entry);
    }
    return entries;
}

BOOL CALLBACK collectWindow(HWND window, LPARAM param) {
    auto& out = *reinterpret_cast<std::vector<WindowInfo>*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    out.push_back({fromHwnd(window), process, ::IsWindowVisible(window) != 0,
                   fromHwnd(::GetWindow(window, GW_OWNER)),
                   uint32_t(::GetWindowLongPtrW(window, GWL_EXSTYLE))});
    return TRUE;
}

class WinProcessSystem final : public ProcessSystem {
  public:
    std::optional<uint32_t> enumProcesses(uint32_t* ids, uint32_t capacity) override {
        DWORD returned = 0;
        if (!::EnumProcesses(reinterpret_cast<DWORD*>(ids), capacity * sizeof(DWORD), &returned))
            return std::nullopt;
        return uint32_t(returned);
    }

    std::optional<std::vector<ProcessEntry>> snapshot() override {
        // The system call gives creation and processor times with the table; the consumer family
        // has only the Toolhelp snapshot.
        if (auto table = systemProcessTable())
            return table;
        return toolhelpSnapshot();
    }

    std::unique_ptr<Process> open(uint32_t processId, uint32_t access) override {
        const DWORD rights = rightsFor(access);
        HANDLE h = ::OpenProcess(rights, FALSE, processId);
        // Systems before the limited right refuse it as an unknown one: the full right instead.
        if (!h && (rights & PROCESS_QUERY_LIMITED_INFORMATION) && ::GetLastError() != ERROR_ACCESS_DENIED &&
            processId != 0) {
            h = ::OpenProcess(
                (rights & ~DWORD(PROCESS_QUERY_LIMITED_INFORMATION)) | PROCESS_QUERY_INFORMATION, FALSE,
                processId);
        }
        if (!h)
            return nullptr;
        return std::make_unique<WinProcess>(h, processId);
    }

    uint32_t currentProcessId() override { return ::GetCurrentProcessId(); }

    std::pair<uint64_t, uint64_t> applicationAddressRange() override {
        SYSTEM_INFO info{};
        ::GetSystemInfo(&info);
        return {uint64_t(reinterpret_cast<uintptr_t>(info.lpMinimumApplicationAddress)),
                uint64_t(reinterpret_cast<uintptr_t>(info.lpMaximumApplicationAddress))};
    }

    uintptr_t foregroundWindow() override { return fromHwnd(::GetForegroundWindow()); }
    bool isWindow(uintptr_t window) override { return ::IsWindow(toHwnd(window)) != 0; }
    uint32_t windowProcessId(uintptr_t window) override {
        DWORD process = 0;
        if (!::GetWindowThreadProcessId(toHwnd(window), &process))
            return 0;
        return process;
    }

    std::vector<WindowInfo> topLevelWindows() override {
        std::vector<WindowInfo> out;
        ::EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&out));
        return out;
    }

    uintptr_t desktopWindow() override { return fromHwnd(::GetDesktopWindow()); }

    // InternalGetWindowText reads the title the system keeps for every window and never sends
    // WM_GETTEXT. GetWindowText would send it for this program's own windows, so a worker asking
    // while the GUI thread waits for that worker would deadlock; SendMessageTimeout would cost its
    // timeout on every hung window and still read nothing from it.
    std::wstring windowTitle(uintptr_t window, size_t maxChars) override {
        const int capacity = int(std::min<size_t>(maxChars, INT_MAX - 1)) + 1;
        std::vector<wchar_t> text(size_t(capacity), L'\0');
        int n = ::InternalGetWindowText(toHwnd(window), text.data(), capacity);
        return std::wstring(text.data(), size_t(std::clamp(n, 0, capacity - 1)));
    }

    bool restoreWindow(uintptr_t window) override { return ::ShowWindow(toHwnd(window), SW_RESTORE) != 0; }
};

}  // namespace

ProcessSystem& systemProcesses() {
    static WinProcessSystem system;
    return system;
}

}  // namespace vantrel

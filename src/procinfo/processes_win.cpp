#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include "platform/handles_win.h"
#include "procinfo/processes.h"

namespace vantrel {

namespace {

constexpr DWORD kNameBuffer = 261;

uint64_t fileTime(const FILETIME& t) {
    return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

class WinOpenedProcess final : public OpenedProcess {
  public:
    explicit WinOpenedProcess(HANDLE process) : process_(process) {}

    std::optional<ProcessMemory> memory() override {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof(counters);
        if (!::GetProcessMemoryInfo(process_.get(), &counters, sizeof(counters)))
            return std::nullopt;
        return ProcessMemory{counters.WorkingSetSize, counters.PagefileUsage};
    }

    std::wstring baseName() override {
        wchar_t name[kNameBuffer];
        DWORD n = ::GetModuleBaseNameW(process_.get(), nullptr, name, kNameBuffer);
        if (n != 0)
            return std::wstring(name, n);
        // A 32-bit program cannot read the modules of a 64-bit process; the image name can still
        // be had from the full image path.
        std::wstring path = imagePath();
        size_t slash = path.rfind(L'\\');
        return slash == std::wstring::npos ? path : path.substr(slash + 1);
    }

    std::wstring fileName() override {
        wchar_t path[kNameBuffer];
        DWORD n = ::GetModuleFileNameExW(process_.get(), nullptr, path, kNameBuffer);
        if (n != 0)
            return std::wstring(path, n);
        return imagePath();
    }

    uint32_t priorityClass() override { return ::GetPriorityClass(process_.get()); }

    std::optional<MemoryRegion> queryRegion(uint64_t address) override {
        MEMORY_BASIC_INFORMATION info{};
        if (::VirtualQueryEx(process_.get(), reinterpret_cast<LPCVOID>(uintptr_t(address)), &info,
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

  private:
    std::wstring imagePath() {
        wchar_t path[kNameBuffer];
        DWORD size = kNameBuffer;
        if (!::QueryFullProcessImageNameW(process_.get(), 0, path, &size))
            return {};
        return std::wstring(path, size);
    }

    KernelHandle process_;
};

class WinProcessSystem final : public ProcessSystem {
  public:
    std::optional<uint32_t> enumProcesses(uint32_t* ids, uint32_t capacity) override {
        DWORD returned = 0;
        if (!::EnumProcesses(reinterpret_cast<DWORD*>(ids), capacity * sizeof(DWORD), &returned))
            return std::nullopt;
        return uint32_t(returned);
    }

    std::unique_ptr<OpenedProcess> open(uint32_t processId, uint32_t access) override {
        HANDLE h = ::OpenProcess(access, FALSE, processId);
        if (!h)
            return nullptr;
        return std::make_unique<WinOpenedProcess>(h);
    }

    std::optional<std::vector<ToolhelpEntry>> snapshot() override {
        // The snapshot's failure value is INVALID_HANDLE_VALUE, as for files.
        FileHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snap)
            return std::nullopt;
        std::vector<ToolhelpEntry> entries;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = ::Process32FirstW(snap.get(), &entry); more;
             more = ::Process32NextW(snap.get(), &entry)) {
            size_t length = 0;
            while (length < MAX_PATH && entry.szExeFile[length] != L'\0')
                ++length;
            entries.push_back({entry.th32ProcessID, std::wstring(entry.szExeFile, length)});
            entry.dwSize = sizeof(entry);
        }
        return entries;
    }

    std::pair<uint64_t, uint64_t> applicationAddressRange() override {
        SYSTEM_INFO info{};
        ::GetSystemInfo(&info);
        return {uint64_t(reinterpret_cast<uintptr_t>(info.lpMinimumApplicationAddress)),
                uint64_t(reinterpret_cast<uintptr_t>(info.lpMaximumApplicationAddress))};
    }
};

}  // namespace

ProcessSystem& systemProcesses() {
    static WinProcessSystem system;
    return system;
}

}  // namespace vantrel

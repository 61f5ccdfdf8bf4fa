#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/handles_win.h"
#include "platform/ntdll_win.h"
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
        return imageNameFromPath(imagePath());
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

    std::optional<std::vector<std::pair<uint32_t, ProcessTimes>>> allProcessTimes() override {
        // The process information class (5) reports the times of every process at once; per-process
        // queries of other processes' times are coarse or missing on some systems (Wine).
        using Fn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
        static const auto query = ntdllProc<Fn>("NtQuerySystemInformation");
        if (!query)
            return std::nullopt;
        constexpr LONG kInfoLengthMismatch = LONG(0xC0000004);
        std::vector<uint64_t> buffer(1 << 15);  // 8-byte aligned
        LONG status;
        for (;;) {
            ULONG needed = 0;
            status = query(5, buffer.data(), ULONG(buffer.size() * 8), &needed);
            if (status != kInfoLengthMismatch || buffer.size() >= (64u << 20) / 8)
                break;
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed / 8 + 1024));
        }
        if (status < 0)
            return std::nullopt;
        // CreateTime, UserTime and KernelTime sit at 32, 40 and 48 in both bitnesses.
        std::vector<std::pair<uint32_t, ProcessTimes>> out;
        const auto* base = reinterpret_cast<const uint8_t*>(buffer.data());
        const size_t size = buffer.size() * 8;
        for (size_t at = 0; at + sizeof(SYSTEM_PROCESS_INFORMATION) <= size;) {
            const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(base + at);
            int64_t create, user, kernel;
            std::memcpy(&create, base + at + 32, 8);
            std::memcpy(&user, base + at + 40, 8);
            std::memcpy(&kernel, base + at + 48, 8);
            out.push_back({uint32_t(reinterpret_cast<uintptr_t>(entry->UniqueProcessId)),
                           ProcessTimes{uint64_t(create), uint64_t(user + kernel)}});
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
        return out;
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

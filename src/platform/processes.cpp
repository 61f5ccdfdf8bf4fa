#include "platform/processes.h"

#include <algorithm>

namespace vantrel {

namespace {
constexpr uint32_t kInitialIdCount = 1025;
constexpr uint32_t kMaxIdCount = 1u << 22;
}  // namespace

std::optional<std::vector<uint32_t>> EnumAllProcessIds(ProcessSystem& system) {
    std::vector<uint32_t> ids(kInitialIdCount);
    for (;;) {
        auto bytes = system.enumProcesses(ids.data(), uint32_t(ids.size()));
        if (!bytes)
            return std::nullopt;
        const uint32_t count = *bytes / 4;
        // A full buffer may have cut the list short: ask again with room to spare.
        if (count < ids.size() || ids.size() >= kMaxIdCount) {
            ids.resize(std::min<size_t>(count, ids.size()));
            return ids;
        }
        ids.resize(ids.size() * 2);
    }
}

std::wstring imageNameFromPath(std::wstring_view path) {
    const size_t slash = path.rfind(L'\\');
    return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::wstring processImageName(uint32_t processId, std::wstring_view path, std::wstring_view tableName) {
    if (std::wstring name = imageNameFromPath(path); !name.empty())
        return name;
    if (std::wstring name = imageNameFromPath(tableName); !name.empty())
        return name;
    return processId == 0 ? L"System Idle Process" : L"System";
}

std::vector<RunningProcess> RunningProcesses(ProcessSystem& system) {
    std::vector<RunningProcess> out;
    auto entries = system.snapshot();
    if (!entries)
        return out;
    out.reserve(entries->size());
    for (const ProcessEntry& entry : *entries) {
        RunningProcess p{entry.ProcessId, entry.ParentProcessId, {}, {}, entry.CreationTime};
        // The idle process is no process that could be opened.
        if (entry.ProcessId != 0) {
            if (auto process = system.open(entry.ProcessId, kAccessQuery)) {
                p.Path = process->imagePath();
                if (p.CreationTime == 0) {
                    if (auto times = process->times())
                        p.CreationTime = times->CreationTime;
                }
            }
        }
        p.Name = processImageName(entry.ProcessId, p.Path, entry.ExeFile);
        out.push_back(std::move(p));
    }
    return out;
}

bool IsApplicationWindow(const WindowInfo& window, uintptr_t desktop) {
    if (!window.Visible)
        return false;
    if (window.Owner != 0 && window.Owner != desktop)
        return false;
    return (window.ExStyle & kWsExToolWindow) == 0 || (window.ExStyle & kWsExAppWindow) != 0;
}

std::vector<std::wstring> ApplicationWindowTitles(ProcessSystem& system, size_t maxChars) {
    std::vector<std::wstring> titles;
    const uintptr_t desktop = system.desktopWindow();
    for (const WindowInfo& window : system.topLevelWindows()) {
        if (!IsApplicationWindow(window, desktop))
            continue;
        std::wstring title = system.windowTitle(window.Handle, maxChars);
        if (!title.empty())
            titles.push_back(std::move(title));
    }
    return titles;
}

std::optional<uintptr_t> FirstApplicationWindow(ProcessSystem& system, uint32_t processId) {
    const uintptr_t desktop = system.desktopWindow();
    for (const WindowInfo& window : system.topLevelWindows()) {
        if (window.ProcessId == processId && IsApplicationWindow(window, desktop))
            return window.Handle;
    }
    return std::nullopt;
}

}  // namespace vantrel

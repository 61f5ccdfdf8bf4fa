#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/processes.h"

namespace vantrel {

namespace {

// The host's process table from /proc, shaped like the Windows calls, so that the host build
// lists real processes (its benchmark measures a real pass). The host has no windows.
std::wstring widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

constexpr uint64_t k100nsPerTick = 100000;  // USER_HZ is 100 on Linux

struct StatFields {
    std::string command;
    uint32_t parent = 0;
    uint64_t busyTicks = 0;
    uint64_t startTicks = 0;
};

std::optional<StatFields> readStat(const std::string& dir) {
    std::ifstream in(dir + "/stat");
    std::string line;
    if (!std::getline(in, line))
        return std::nullopt;
    // The command may hold spaces and parentheses; it ends at the last closing parenthesis.
    const size_t open = line.find('(');
    const size_t close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open || close + 2 > line.size())
        return std::nullopt;
    StatFields out;
    out.command = line.substr(open + 1, close - open - 1);
    std::istringstream fields(line.substr(close + 2));
    std::string f;
    for (int i = 3; i <= 22 && fields >> f; ++i) {
        const uint64_t v = std::strtoull(f.c_str(), nullptr, 10);
        if (i == 4)
            out.parent = uint32_t(v);
        else if (i == 14 || i == 15)
            out.busyTicks += v;
        else if (i == 22)
            out.startTicks = v;
    }
    return out;
}

class ProcProcess final : public Process {
  public:
    explicit ProcProcess(uint32_t id) : dir_("/proc/" + std::to_string(id)) {}

    std::optional<ProcessMemory> memory() override {
        std::ifstream in(dir_ + "/statm");
        uint64_t size = 0, resident = 0;
        if (!(in >> size >> resident))
            return std::nullopt;
        const uint64_t page = uint64_t(::sysconf(_SC_PAGESIZE));
        return ProcessMemory{resident * page, size * page};
    }
    std::wstring imagePath() override {
        char buf[PATH_MAX];
        ssize_t n = ::readlink((dir_ + "/exe").c_str(), buf, sizeof(buf));
        return n > 0 ? widen(std::string(buf, size_t(n))) : std::wstring();
    }
    uint32_t priorityClass() override { return 0x20; }  // the host has no classes; all are normal
    bool setPriorityClass(uint32_t) override { return false; }
    std::optional<MemoryRegion> queryRegion(uint64_t) override { return std::nullopt; }
    std::optional<ProcessTimes> times() override {
        auto stat = readStat(dir_);
        if (!stat)
            return std::nullopt;
        return ProcessTimes{stat->startTicks * k100nsPerTick, stat->busyTicks * k100nsPerTick};
    }
    bool emptyWorkingSet() override { return false; }
    // Nothing on the host ends or waits for another process through this interface.
    bool terminate(uint32_t) override { return false; }
    WaitResult wait(uint32_t) override { return WaitResult::Failed; }

  private:
    std::string dir_;
};

// Every numeric entry of /proc, in directory order.
template <class Each>
bool forEachProcessId(Each&& each) {
    DIR* dir = ::opendir("/proc");
    if (!dir)
        return false;
    while (dirent* e = ::readdir(dir)) {
        char* end = nullptr;
        unsigned long id = std::strtoul(e->d_name, &end, 10);
        if (end == e->d_name || *end != '\0')
            continue;
        if (!each(uint32_t(id)))
            break;
    }
    ::closedir(dir);
    return true;
}

class ProcProcessSystem final : public ProcessSystem {
  public:
    std::optional<uint32_t> enumProcesses(uint32_t* ids, uint32_t capacity) override {
        uint32_t count = 0;
        const bool ok = forEachProcessId([&](uint32_t id) {
            if (count == capacity)
                return false;
            ids[count++] = id;
            return true;
        });
        if (!ok)
            return std::nullopt;
        return count * 4;
    }
    std::optional<std::vector<ProcessEntry>> snapshot() override {
        std::vector<ProcessEntry> out;
        const bool ok = forEachProcessId([&](uint32_t id) {
            if (auto stat = readStat("/proc/" + std::to_string(id))) {
                out.push_back({id, stat->parent, widen(stat->command), stat->startTicks * k100nsPerTick,
                               stat->busyTicks * k100nsPerTick});
            }
            return true;
        });
        if (!ok)
            return std::nullopt;
        return out;
    }
    std::unique_ptr<Process> open(uint32_t processId, uint32_t) override {
        if (processId == 0 || ::access(("/proc/" + std::to_string(processId)).c_str(), F_OK) != 0)
            return nullptr;
        return std::make_unique<ProcProcess>(processId);
    }
    uint32_t currentProcessId() override { return uint32_t(::getpid()); }
    std::pair<uint64_t, uint64_t> applicationAddressRange() override { return {0, 0}; }

    uintptr_t foregroundWindow() override { return 0; }
    bool isWindow(uintptr_t) override { return false; }
    uint32_t windowProcessId(uintptr_t) override { return 0; }
    std::vector<WindowInfo> topLevelWindows() override { return {}; }
    uintptr_t desktopWindow() override { return 0; }
    std::wstring windowTitle(uintptr_t, size_t) override { return {}; }
    bool restoreWindow(uintptr_t) override { return false; }
};

}  // namespace

ProcessSystem& systemProcesses() {
    static ProcProcessSystem system;
    return system;
}

}  // namespace vantrel

#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "procinfo/processes.h"

namespace vantrel {

namespace {

// The host's process table from /proc, shaped like the process-status functions, so that the
// host build lists real processes (its benchmark measures a real pass).
std::wstring widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

class ProcOpenedProcess final : public OpenedProcess {
  public:
    explicit ProcOpenedProcess(uint32_t id) : dir_("/proc/" + std::to_string(id)) {}

    std::optional<ProcessMemory> memory() override {
        std::ifstream in(dir_ + "/statm");
        uint64_t size = 0, resident = 0;
        if (!(in >> size >> resident))
            return std::nullopt;
        const uint64_t page = uint64_t(::sysconf(_SC_PAGESIZE));
        return ProcessMemory{resident * page, size * page};
    }
    std::wstring baseName() override {
        std::string path = link();
        size_t slash = path.rfind('/');
        return widen(slash == std::string::npos ? path : path.substr(slash + 1));
    }
    std::wstring fileName() override { return widen(link()); }
    uint32_t priorityClass() override { return 0x20; }  // the host has no classes; all are normal
    std::optional<MemoryRegion> queryRegion(uint64_t) override { return std::nullopt; }
    std::optional<ProcessTimes> times() override {
        std::ifstream in(dir_ + "/stat");
        std::string line;
        if (!std::getline(in, line))
            return std::nullopt;
        // Fields after the command (which may contain spaces) start at its closing parenthesis.
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string f;
        uint64_t utime = 0, stime = 0, start = 0;
        for (int i = 3; i <= 22 && fields >> f; ++i) {
            if (i == 14)
                utime = std::strtoull(f.c_str(), nullptr, 10);
            else if (i == 15)
                stime = std::strtoull(f.c_str(), nullptr, 10);
            else if (i == 22)
                start = std::strtoull(f.c_str(), nullptr, 10);
        }
        return ProcessTimes{start * 100000, (utime + stime) * 100000};
    }
    bool emptyWorkingSet() override { return false; }

  private:
    std::string link() {
        char buf[PATH_MAX];
        ssize_t n = ::readlink((dir_ + "/exe").c_str(), buf, sizeof(buf));
        return n > 0 ? std::string(buf, size_t(n)) : std::string();
    }
    std::string dir_;
};

class ProcProcessSystem final : public ProcessSystem {
  public:
    std::optional<uint32_t> enumProcesses(uint32_t* ids, uint32_t capacity) override {
        DIR* dir = ::opendir("/proc");
        if (!dir)
            return std::nullopt;
        uint32_t count = 0;
        while (dirent* e = ::readdir(dir)) {
            char* end = nullptr;
            unsigned long id = std::strtoul(e->d_name, &end, 10);
            if (end == e->d_name || *end != '\0')
                continue;
            if (count == capacity)
                break;
            ids[count++] = uint32_t(id);
        }
        ::closedir(dir);
        return count * 4;
    }
    std::unique_ptr<OpenedProcess> open(uint32_t processId, uint32_t) override {
        if (::access(("/proc/" + std::to_string(processId)).c_str(), F_OK) != 0)
            return nullptr;
        return std::make_unique<ProcOpenedProcess>(processId);
    }
    std::optional<std::vector<ToolhelpEntry>> snapshot() override { return std::nullopt; }
    std::pair<uint64_t, uint64_t> applicationAddressRange() override { return {0, 0}; }
};

}  // namespace

ProcessSystem& systemProcesses() {
    static ProcProcessSystem system;
    return system;
}

}  // namespace vantrel

#include "platform/system.h"

#include <fcntl.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

namespace vantrel {

namespace {
std::string narrow(std::wstring_view text) {
    std::string out;
    for (wchar_t c : text) {
        auto u = static_cast<uint32_t>(c);
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (u >> 18));
            out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}
}  // namespace

MemoryStatus memoryStatus() {
    struct sysinfo si {};
    MemoryStatus r;
    if (::sysinfo(&si) != 0)
        return r;
    r.totalPhys = static_cast<uint64_t>(si.totalram) * si.mem_unit;
    r.availPhys = static_cast<uint64_t>(si.freeram + si.bufferram) * si.mem_unit;
    r.totalPageFile = r.totalPhys + static_cast<uint64_t>(si.totalswap) * si.mem_unit;
    r.availPageFile = r.availPhys + static_cast<uint64_t>(si.freeswap) * si.mem_unit;
    r.memoryLoad = r.totalPhys ? static_cast<uint32_t>(100 - r.availPhys * 100 / r.totalPhys) : 0;
    r.totalVirtual = r.availVirtual = uint64_t(1) << 47;
    return r;
}

uint32_t pageSize() noexcept {
    return static_cast<uint32_t>(::sysconf(_SC_PAGESIZE));
}

uint32_t tickCount() noexcept {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000 +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000);
}

namespace {
class PosixHeap final : public Heap {
  public:
    void* allocZeroed(size_t bytes) noexcept override { return std::calloc(1, bytes); }
    bool release(void* block) noexcept override {
        std::free(block);
        return true;
    }
};

// The host has no clipboard of its own; the Windows build is where it is real.
class NoClipboard final : public Clipboard {
  public:
    bool open() noexcept override { return false; }
    bool empty() noexcept override { return false; }
    bool close() noexcept override { return false; }
};
}  // namespace

Heap& processHeap() noexcept {
    static PosixHeap heap;
    return heap;
}

Clipboard& systemClipboard() noexcept {
    static NoClipboard clipboard;
    return clipboard;
}

std::string toAnsi(std::wstring_view text) {
    return narrow(text);
}

std::wstring executablePath() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return {};
    return std::wstring(buf, buf + n);
}

std::wstring executableDirectory() {
    std::wstring path = executablePath();
    return path.substr(0, path.find_last_of(L'/') + 1);
}

std::wstring localDateTimeText() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    char buf[64];
    std::strftime(buf, sizeof(buf), "%Y-%m-%d %H:%M:%S", &tm);
    std::string s(buf);
    return std::wstring(s.begin(), s.end());
}

bool appendToFile(const std::wstring& path, std::string_view bytes) noexcept {
    int fd = ::open(narrow(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    ::close(fd);
    return n == static_cast<ssize_t>(bytes.size());
}

bool deleteFile(const std::wstring& path) noexcept {
    return ::unlink(narrow(path).c_str()) == 0;
}

std::string readFile(const std::wstring& path) {
    std::ifstream in(narrow(path), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace vantrel

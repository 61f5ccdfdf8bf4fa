#include "platform/system.h"

#include <fcntl.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <vector>

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

// Frees whatever it still holds when destroyed, as a destroyed Windows heap gives back its blocks.
class PosixPrivateHeap final : public Heap {
  public:
    PosixPrivateHeap() = default;
    PosixPrivateHeap(const PosixPrivateHeap&) = delete;
    PosixPrivateHeap& operator=(const PosixPrivateHeap&) = delete;
    ~PosixPrivateHeap() override {
        for (void* block : blocks_)
            std::free(block);
    }
    void* allocZeroed(size_t bytes) noexcept override {
        void* block = std::calloc(1, bytes);
        if (!block)
            return nullptr;
        try {
            blocks_.push_back(block);
        } catch (...) {
            std::free(block);
            return nullptr;
        }
        return block;
    }
    bool release(void* block) noexcept override {
        // Blocks are usually given back in reverse order, when at all.
        for (size_t i = blocks_.size(); i-- > 0;) {
            if (blocks_[i] == block) {
                blocks_[i] = blocks_.back();
                blocks_.pop_back();
                std::free(block);
                return true;
            }
        }
        return false;
    }

  private:
    std::vector<void*> blocks_;
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

std::unique_ptr<Heap> createPrivateHeap() noexcept {
    try {
        return std::make_unique<PosixPrivateHeap>();
    } catch (...) {
        return nullptr;
    }
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

size_t toAnsi(std::wstring_view text, char* out, size_t capacity) noexcept {
    size_t n = 0;
    for (wchar_t c : text) {
        auto u = static_cast<uint32_t>(c);
        char bytes[4];
        size_t k = 0;
        if (u < 0x80) {
            bytes[k++] = static_cast<char>(u);
        } else if (u < 0x800) {
            bytes[k++] = static_cast<char>(0xC0 | (u >> 6));
            bytes[k++] = static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            bytes[k++] = static_cast<char>(0xE0 | (u >> 12));
            bytes[k++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            bytes[k++] = static_cast<char>(0x80 | (u & 0x3F));
        } else {
            bytes[k++] = static_cast<char>(0xF0 | (u >> 18));
            bytes[k++] = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            bytes[k++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            bytes[k++] = static_cast<char>(0x80 | (u & 0x3F));
        }
        if (n + k > capacity)
            break;
        for (size_t i = 0; i < k; ++i)
            out[n++] = bytes[i];
    }
    return n;
}

size_t localDateTimeText(wchar_t* out, size_t capacity) noexcept {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    char buf[64];
    size_t n = std::strftime(buf, sizeof(buf), "%Y-%m-%d %H:%M:%S", &tm);
    if (n > capacity)
        n = capacity;
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<wchar_t>(buf[i]);
    return n;
}

bool AppendFile::open(const std::wstring& path) noexcept {
    close();
    try {
        handle_ = ::open(narrow(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    } catch (...) {
        handle_ = kClosed;
    }
    if (handle_ < 0)
        handle_ = kClosed;
    return isOpen();
}

bool AppendFile::append(std::string_view bytes) noexcept {
    return isOpen() &&
           ::write(int(handle_), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

void AppendFile::close() noexcept {
    if (isOpen())
        ::close(int(handle_));
    handle_ = kClosed;
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

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantrel {

// The figures of one GlobalMemoryStatusEx call, byte counts as the system gives them.
struct MemoryStatus {
    uint32_t memoryLoad = 0;
    uint64_t totalPhys = 0;
    uint64_t availPhys = 0;
    uint64_t totalPageFile = 0;
    uint64_t availPageFile = 0;
    uint64_t totalVirtual = 0;
    uint64_t availVirtual = 0;
};

MemoryStatus memoryStatus();
uint32_t pageSize() noexcept;
// Milliseconds since the system started; wraps after 49.7 days.
uint32_t tickCount() noexcept;

// The process heap, for blocks whose failure must be reported rather than end the process.
class Heap {
  public:
    virtual ~Heap() = default;
    // A zero-filled block, or null when the heap cannot supply it.
    virtual void* allocZeroed(size_t bytes) noexcept = 0;
    virtual bool release(void* block) noexcept = 0;
};
Heap& processHeap() noexcept;

// The system clipboard, opened without an owner window.
class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual bool open() noexcept = 0;
    virtual bool empty() noexcept = 0;
    virtual bool close() noexcept = 0;
};
Clipboard& systemClipboard() noexcept;

// Text in the ANSI code page (UTF-8 on hosts without one).
std::string toAnsi(std::wstring_view text);
// The full path of the running executable.
std::wstring executablePath();
// The folder of the running executable, with a trailing separator.
std::wstring executableDirectory();
// The current local date and time in the user's short-date and long-time formats.
std::wstring localDateTimeText();

// Appends bytes to a file, creating it when missing; false when nothing could be written.
bool appendToFile(const std::wstring& path, std::string_view bytes) noexcept;
bool deleteFile(const std::wstring& path) noexcept;
std::string readFile(const std::wstring& path);

}  // namespace vantrel

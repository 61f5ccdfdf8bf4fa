#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

// A heap for blocks whose failure must be reported rather than end the process.
class Heap {
  public:
    virtual ~Heap() = default;
    // A zero-filled block, or null when the heap cannot supply it.
    virtual void* allocZeroed(size_t bytes) noexcept = 0;
    virtual bool release(void* block) noexcept = 0;
};
Heap& processHeap() noexcept;
// A heap of its own for one thread's use. Destroying it gives back every block still held, and
// the address space they took, in one call; null when no heap can be made.
std::unique_ptr<Heap> createPrivateHeap() noexcept;

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

// Bounded forms that take no heap memory, for the trace log: it must write when memory is
// exhausted, and a thread ended by force while logging must leave no heap lock taken. Each
// returns the length written, at most capacity (a text that does not fit is cut).
size_t toAnsi(std::wstring_view text, char* out, size_t capacity) noexcept;
// The current local date and time in the user's short-date and long-time formats.
size_t localDateTimeText(wchar_t* out, size_t capacity) noexcept;

// A file held open for appending, created when missing; others may read or delete it meanwhile.
class AppendFile {
  public:
    AppendFile() noexcept = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile() { close(); }

    bool open(const std::wstring& path) noexcept;
    bool isOpen() const noexcept { return handle_ != kClosed; }
    // False when not everything could be written.
    bool append(std::string_view bytes) noexcept;
    void close() noexcept;

  private:
    static constexpr intptr_t kClosed = -1;  // INVALID_HANDLE_VALUE and the invalid descriptor
    intptr_t handle_ = kClosed;
};

// Appends bytes to a file, creating it when missing; false when nothing could be written.
bool appendToFile(const std::wstring& path, std::string_view bytes) noexcept;
bool deleteFile(const std::wstring& path) noexcept;
std::string readFile(const std::wstring& path);

}  // namespace vantrel

#include "platform/system.h"

#include <windows.h>

#include <algorithm>

#include "platform/handles_win.h"

namespace vantrel {

MemoryStatus memoryStatus() {
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof(ms);
    MemoryStatus r;
    if (!::GlobalMemoryStatusEx(&ms))
        return r;
    r.memoryLoad = ms.dwMemoryLoad;
    r.totalPhys = ms.ullTotalPhys;
    r.availPhys = ms.ullAvailPhys;
    r.totalPageFile = ms.ullTotalPageFile;
    r.availPageFile = ms.ullAvailPageFile;
    r.totalVirtual = ms.ullTotalVirtual;
    r.availVirtual = ms.ullAvailVirtual;
    return r;
}

uint32_t pageSize() noexcept {
    SYSTEM_INFO si{};
    ::GetSystemInfo(&si);
    return si.dwPageSize;
}

uint32_t tickCount() noexcept {
    // The 32-bit count is the contract (it wraps like the system's own).
    return static_cast<uint32_t>(::GetTickCount64());
}

namespace {
class WinHeap final : public Heap {
  public:
    void* allocZeroed(size_t bytes) noexcept override {
        // Without HEAP_GENERATE_EXCEPTIONS a failure is a null result, never a raised exception.
        return ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
    }
    bool release(void* block) noexcept override { return ::HeapFree(::GetProcessHeap(), 0, block) != 0; }
};

// Serialisation is left out: only the thread that made the heap uses it.
class PrivateWinHeap final : public Heap {
  public:
    explicit PrivateWinHeap(HANDLE heap) : heap_(heap) {}
    PrivateWinHeap(const PrivateWinHeap&) = delete;
    PrivateWinHeap& operator=(const PrivateWinHeap&) = delete;
    ~PrivateWinHeap() override { ::HeapDestroy(heap_); }
    void* allocZeroed(size_t bytes) noexcept override {
        return ::HeapAlloc(heap_, HEAP_ZERO_MEMORY | HEAP_NO_SERIALIZE, bytes);
    }
    bool release(void* block) noexcept override { return ::HeapFree(heap_, HEAP_NO_SERIALIZE, block) != 0; }

  private:
    HANDLE heap_;
};

class WinClipboard final : public Clipboard {
  public:
    bool open() noexcept override { return ::OpenClipboard(nullptr) != 0; }
    bool empty() noexcept override { return ::EmptyClipboard() != 0; }
    bool close() noexcept override { return ::CloseClipboard() != 0; }
};
}  // namespace

Heap& processHeap() noexcept {
    static WinHeap heap;
    return heap;
}

std::unique_ptr<Heap> createPrivateHeap() noexcept {
    // Growable, reserving nothing up front beyond what the first blocks need.
    HANDLE heap = ::HeapCreate(HEAP_NO_SERIALIZE, 0, 0);
    if (!heap)
        return nullptr;
    try {
        return std::make_unique<PrivateWinHeap>(heap);
    } catch (...) {
        ::HeapDestroy(heap);
        return nullptr;
    }
}

Clipboard& systemClipboard() noexcept {
    static WinClipboard clipboard;
    return clipboard;
}

std::string toAnsi(std::wstring_view text) {
    if (text.empty())
        return {};
    int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                  nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                              nullptr);
    return out;
}

std::wstring executablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring executableDirectory() {
    std::wstring path = executablePath();
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

size_t toAnsi(std::wstring_view text, char* out, size_t capacity) noexcept {
    auto convert = [&](size_t n) {
        return ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(n), out,
                                     static_cast<int>(capacity), nullptr, nullptr);
    };
    if (text.empty() || capacity == 0)
        return 0;
    if (int written = convert(text.size()); written > 0)
        return size_t(written);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return 0;
    // Too long: the longest start of the text that fits, found by halving.
    size_t fits = 0, tooLong = text.size();
    while (tooLong - fits > 1) {
        size_t middle = fits + (tooLong - fits) / 2;
        (convert(middle) > 0 ? fits : tooLong) = middle;
    }
    if (fits > 0 && IS_HIGH_SURROGATE(text[fits - 1]))
        --fits;  // a pair is not cut in half
    return fits > 0 ? size_t(std::max(convert(fits), 0)) : 0;
}

size_t localDateTimeText(wchar_t* out, size_t capacity) noexcept {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    int date =
        ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, out, static_cast<int>(capacity));
    if (date <= 0 || size_t(date) >= capacity)
        return 0;
    // The counts include the terminating zero; the date's becomes the separating space.
    out[date - 1] = L' ';
    int time =
        ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, out + date, static_cast<int>(capacity) - date);
    return time > 0 ? size_t(date + time - 1) : size_t(date - 1);
}

bool AppendFile::open(const std::wstring& path) noexcept {
    close();
    HANDLE h =
        ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = reinterpret_cast<intptr_t>(h);
    return isOpen();
}

bool AppendFile::append(std::string_view bytes) noexcept {
    DWORD written = 0;
    return isOpen() &&
           ::WriteFile(reinterpret_cast<HANDLE>(handle_), bytes.data(), static_cast<DWORD>(bytes.size()),
                       &written, nullptr) &&
           written == bytes.size();
}

void AppendFile::close() noexcept {
    if (isOpen())
        ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kClosed;
}

bool appendToFile(const std::wstring& path, std::string_view bytes) noexcept {
    FileHandle f(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f)
        return false;
    DWORD written = 0;
    return ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool deleteFile(const std::wstring& path) noexcept {
    return ::DeleteFileW(path.c_str()) != 0;
}

std::string readFile(const std::wstring& path) {
    FileHandle f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string out;
    if (!f)
        return out;
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(f.get(), buf, sizeof(buf), &n, nullptr) && n > 0)
        out.append(buf, n);
    return out;
}

}  // namespace vantrel

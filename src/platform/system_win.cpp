#include "platform/system.h"

#include <windows.h>

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

std::wstring localDateTimeText() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    wchar_t date[128] = {};
    wchar_t time[128] = {};
    ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 128);
    ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 128);
    return std::wstring(date) + L" " + time;
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

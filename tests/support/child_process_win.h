#pragma once

#include <windows.h>

#include <string>

namespace vantrel::test {

// A program beside the test executable, started for one test and ended with it.
class ChildProcess {
  public:
    ChildProcess(const std::wstring& exeName, const std::wstring& arguments, DWORD flags = 0) {
        wchar_t self[MAX_PATH];
        DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring dir(self, n);
        path_ = dir.substr(0, dir.rfind(L'\\') + 1) + exeName;
        std::wstring command = L"\"" + path_ + L"\" " + arguments;
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        if (!::CreateProcessW(path_.c_str(), command.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                              &si, &info_))
            info_ = {};
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (info_.hProcess) {
            ::TerminateProcess(info_.hProcess, 0);
            ::WaitForSingleObject(info_.hProcess, 5000);
            ::CloseHandle(info_.hProcess);
            ::CloseHandle(info_.hThread);
        }
    }
    bool started() const noexcept { return info_.hProcess != nullptr; }
    DWORD id() const noexcept { return info_.dwProcessId; }
    HANDLE handle() const noexcept { return info_.hProcess; }
    const std::wstring& path() const noexcept { return path_; }

  private:
    std::wstring path_;
    PROCESS_INFORMATION info_{};
};

// Wine runs the Windows build in the tests; a few effects (trimming) it only acknowledges.
inline bool runningUnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

}  // namespace vantrel::test

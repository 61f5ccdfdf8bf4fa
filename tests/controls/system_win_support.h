#pragma once

// Helpers of the system-control tests under Wine: pumping messages, starting the helper
// process and real X input through xdotool.
#include <windows.h>

#include <functional>
#include <string>

namespace vantrel::test {

// Dispatches messages until done() holds or the time is up; returns done().
inline bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}

inline void pumpFor(DWORD ms) {
    pumpUntil([] { return false; }, ms);
}

// Starts a program with a command line; returns the process handle (null on failure).
inline HANDLE startProcess(const std::wstring& commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return nullptr;
    ::CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Waits for a process while this thread's windows keep answering; the exit code, or -1.
inline long waitExit(HANDLE process, DWORD timeoutMs = 20000) {
    DWORD code = 0;
    const bool ended =
        pumpUntil([&] { return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, timeoutMs);
    const bool read = ended && ::GetExitCodeProcess(process, &code);
    ::CloseHandle(process);
    return read ? static_cast<long>(code) : -1;
}

inline long runProcess(const std::wstring& commandLine) {
    HANDLE p = startProcess(commandLine);
    return p ? waitExit(p) : -1;
}

// Wine starts Unix programs through "start /unix"; xdotool sends real X input to the virtual
// desktop, as a user's keyboard and mouse would.
inline long xdotool(const std::wstring& arguments) {
    return runProcess(L"start.exe /wait /unix /usr/bin/xdotool " + arguments);
}

// The folder of the test executable, where the helper programs are built.
inline std::wstring testProgramDirectory() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

}  // namespace vantrel::test

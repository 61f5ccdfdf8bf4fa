// A second process for the system-control tests: it probes or holds a global hotkey so that the
// tests can see what another program is allowed to take.
//   system_helper probe <value>          exit code 1 when the combination is free, 0 when not
//   system_helper hold <value> <name>    registers it, signals "<name>-ready", waits for
//                                        "<name>-quit"; exit code 0, or 3 when it was refused
#include <windows.h>

#include <cwchar>
#include <string>

#include "controls/hotkey_manager.h"

int wmain(int argc, wchar_t** argv) {
    using namespace vantrel;
    if (argc < 3)
        return 2;
    const std::wstring mode = argv[1];
    const auto value = static_cast<HotKeyValue>(std::wcstoul(argv[2], nullptr, 10));
    if (mode == L"probe")
        return IsHotKeyAvailable(value) ? 1 : 0;
    if (mode != L"hold" || argc < 4)
        return 2;
    const std::wstring name = argv[3];
    THotKeyManager manager(CreateWindowHotKeySystem());
    const bool held = manager.AddHotKey(value) != 0;
    HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, (name + L"-ready").c_str());
    HANDLE quit = ::CreateEventW(nullptr, TRUE, FALSE, (name + L"-quit").c_str());
    ::SetEvent(ready);
    const DWORD deadline = ::GetTickCount() + 60000;
    while (held && ::GetTickCount() < deadline) {
        if (::MsgWaitForMultipleObjects(1, &quit, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0)
            break;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
    }
    ::CloseHandle(ready);
    ::CloseHandle(quit);
    return held ? 0 : 3;
}

// A program the Wine tests have opened (by the shortcut form, or as the web browser): it appends
// "opened cwd=<its working folder> args=<its arguments>" to the file named by VANTREL_TEST_LOG.
#include <windows.h>

#include <string>

#include "platform/system.h"

int wmain(int argc, wchar_t** argv) {
    wchar_t path[1024] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"VANTREL_TEST_LOG", path, 1024);
    if (n == 0 || n >= 1024)
        return 2;
    wchar_t cwd[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    std::wstring line = L"opened cwd=" + std::wstring(cwd) + L" args=";
    for (int i = 1; i < argc; ++i)
        line += (i > 1 ? L" " : L"") + std::wstring(argv[i]);
    return vantrel::appendToFile(path, vantrel::toAnsi(line) + "\r\n") ? 0 : 1;
}

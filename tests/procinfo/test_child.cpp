// A process for the process tests to find, measure and trim: "idle <MB>" commits and touches that
// much memory and then sleeps; "busy" spins. Either runs until the test ends it.
#include <windows.h>

#include <cstdlib>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wcscmp(argv[1], L"busy") == 0) {
        volatile unsigned long long n = 0;
        for (;;)
            n = n + 1;
    }
    const size_t mb = argc >= 3 ? size_t(std::wcstoul(argv[2], nullptr, 10)) : 32;
    auto* memory = static_cast<char*>(::VirtualAlloc(nullptr, mb << 20, MEM_COMMIT, PAGE_READWRITE));
    if (memory) {
        for (size_t i = 0; i < (mb << 20); i += 4096)
            memory[i] = 1;
    }
    for (;;)
        ::Sleep(1000);
}

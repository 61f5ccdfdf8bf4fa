#include "update/windows_version.h"

#include <windows.h>

#include <vector>

namespace vantrel {

namespace {
std::wstring trimmed(const wchar_t* text) {
    std::wstring s = text;
    const auto first = s.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return {};
    return s.substr(first, s.find_last_not_of(L" \t") - first + 1);
}

std::optional<uint32_t> kernelProductVersionHigh() {
    wchar_t path[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH - 16)
        return std::nullopt;
    const std::wstring kernel = std::wstring(path) + L"\\kernel32.dll";
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(kernel.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<unsigned char> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!::GetFileVersionInfoW(kernel.c_str(), 0, size, block.data()) ||
        !::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info)
        return std::nullopt;
    return info->dwProductVersionMS;
}
}  // namespace

WindowsVersionFacts readWindowsVersionFacts() {
    WindowsVersionFacts f;
    // The system as it presents itself to this program: the manifest names the systems it knows.
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"  // the codes are defined by what it reports
    if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
        f.workstation = info.wProductType == VER_NT_WORKSTATION;
    } else {
        info = {};
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    }
#pragma GCC diagnostic pop
    f.platformId = info.dwPlatformId;
    f.major = info.dwMajorVersion;
    f.minor = info.dwMinorVersion;
    f.serviceRelease = trimmed(info.szCSDVersion);
    SYSTEM_INFO si{};
    ::GetNativeSystemInfo(&si);
    f.processorArchitecture = si.wProcessorArchitecture;
    f.secondRelease = ::GetSystemMetrics(SM_SERVERR2);
    if (f.platformId == WindowsVersionFacts::kConsumerFamily)
        f.kernelProductVersionHigh = kernelProductVersionHigh();
    return f;
}

}  // namespace vantrel

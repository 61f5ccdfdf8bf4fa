#include "engine/platform_version.h"

#include <windows.h>

#include "platform/ntdll_win.h"

namespace vantrel {

namespace {
PlatformVersion readPlatformVersion() {
    PlatformVersion v;
    // RtlGetVersion is not subject to the compatibility shims that make GetVersionExW report an
    // older system to programs without a manifest entry for the newer one.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    auto rtlGetVersion = ntdllProc<RtlGetVersionFn>("RtlGetVersion");
    if (!(rtlGetVersion && rtlGetVersion(&info) == 0)) {
        info = {};
        info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"  // the fallback on systems without ntdll's call
        ::GetVersionExW(&info);
#pragma GCC diagnostic pop
    }
    v.platformId = info.dwPlatformId;
    v.major = info.dwMajorVersion;
    return v;
}
}  // namespace

const PlatformVersion& currentPlatformVersion() {
    static const PlatformVersion version = readPlatformVersion();
    return version;
}

}  // namespace vantrel

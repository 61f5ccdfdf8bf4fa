#include "update/windows_version.h"

namespace vantrel {

int WindowsVersionCode(const WindowsVersionFacts& f) {
    if (f.platformId == WindowsVersionFacts::kConsumerFamily) {
        if (f.minor < 10)
            return 1;  // 95, with or without "B" or "C"
        if (f.minor < 90) {
            if (f.kernelProductVersionHigh == (4u << 16 | 90u))
                return 4;
            if (f.serviceRelease == L"A" || f.serviceRelease == L"B")
                return 2;  // 98 Second Edition
            return 3;      // 98
        }
        return f.minor == 90 ? 4 : 0;  // Me
    }
    if (f.platformId != WindowsVersionFacts::kNtFamily)
        return 0;
    const auto pick = [&](int workstation, int server) { return f.workstation ? workstation : server; };
    switch (f.major) {
        case 4:
            return 5;
        case 5:
            switch (f.minor) {
                case 0:
                    return 6;
                case 1:
                    return 7;
                case 2:
                    if (f.secondRelease != 0)
                        return 8;  // Server 2003 R2
                    if (f.processorArchitecture != WindowsVersionFacts::kArchitectureX86 && f.workstation)
                        return 7;  // XP x64
                    return 8;
                default:
                    return 0;
            }
        case 6:
            switch (f.minor) {
                case 0:
                    return pick(11, 12);
                case 1:
                    return pick(13, 14);
                case 2:
                    return pick(15, 16);
                default:
                    return 0;
            }
        default:
            return 0;
    }
}

}  // namespace vantrel

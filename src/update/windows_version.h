#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

// What the links say about the running system, as the system reports it.
struct WindowsVersionFacts {
    static constexpr uint32_t kConsumerFamily = 1;  // VER_PLATFORM_WIN32_WINDOWS
    static constexpr uint32_t kNtFamily = 2;        // VER_PLATFORM_WIN32_NT
    static constexpr uint16_t kArchitectureX86 = 0;

    uint32_t platformId = 0;
    uint32_t major = 0;
    uint32_t minor = 0;
    std::wstring serviceRelease;                        // the service-release text, trimmed
    bool workstation = false;                           // false also when the product type could not be read
    uint16_t processorArchitecture = kArchitectureX86;  // of the machine, not of the process
    int secondRelease = 0;                              // the second-release (R2) system metric
    // The high part of the system kernel file's product version (0x0004005A is 4.90); read only
    // on the consumer family.
    std::optional<uint32_t> kernelProductVersionHigh;
};

// The running system's facts.
WindowsVersionFacts readWindowsVersionFacts();

// The code the links carry for a system: 1 to 16 for the systems up to Windows 8 and Server 2012,
// 0 for every other.
int WindowsVersionCode(const WindowsVersionFacts& facts);

}  // namespace vantrel

#pragma once

#include <cstdint>

namespace vantrel {

// Which family of the system runs the program, read once at start: it chooses how the processor
// load is sampled and how processes are listed.
struct PlatformVersion {
    static constexpr uint32_t kConsumerFamily = 1;  // VER_PLATFORM_WIN32_WINDOWS
    static constexpr uint32_t kNtFamily = 2;        // VER_PLATFORM_WIN32_NT

    uint32_t platformId = kNtFamily;
    uint32_t major = 0;

    bool isNt() const noexcept { return platformId == kNtFamily; }
    bool isConsumer() const noexcept { return platformId == kConsumerFamily; }
};

// The running system's identification; the same value for the life of the process.
const PlatformVersion& currentPlatformVersion();

}  // namespace vantrel

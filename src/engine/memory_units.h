#pragma once

#include <cstdint>

namespace vantrel {

// MB means 1,048,576 bytes.
inline constexpr int64_t kBytesPerMegabyte = 1048576;

// A megabyte figure as bytes, in signed 64-bit arithmetic (no 32-bit wrap-around).
constexpr int64_t MegabytesToBytes(int64_t megabytes) {
    return megabytes * kBytesPerMegabyte;
}

// The installed memory in MB, rounded to the nearest whole MB (4,294,836,224 bytes give 4096);
// every other MB figure taken from a byte count is truncated.
constexpr int64_t InstalledMegabytes(uint64_t totalPhysBytes) {
    constexpr uint64_t mb = uint64_t(kBytesPerMegabyte);
    return int64_t(totalPhysBytes / mb + (totalPhysBytes % mb >= mb / 2 ? 1 : 0));
}

}  // namespace vantrel

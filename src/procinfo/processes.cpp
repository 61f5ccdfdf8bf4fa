#include "procinfo/processes.h"

#include <algorithm>

namespace vantrel {

namespace {
constexpr uint32_t kInitialIdCount = 1025;
constexpr uint32_t kMaxIdCount = 1u << 22;
}  // namespace

std::wstring imageNameFromPath(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::optional<std::vector<uint32_t>> EnumAllProcessIds(ProcessSystem& system) {
    std::vector<uint32_t> ids(kInitialIdCount);
    for (;;) {
        auto bytes = system.enumProcesses(ids.data(), uint32_t(ids.size()));
        if (!bytes)
            return std::nullopt;
        const uint32_t count = *bytes / 4;
        // A full buffer may have cut the list short: ask again with room to spare.
        if (count < ids.size() || ids.size() >= kMaxIdCount) {
            ids.resize(std::min<size_t>(count, ids.size()));
            return ids;
        }
        ids.resize(ids.size() * 2);
    }
}

}  // namespace vantrel

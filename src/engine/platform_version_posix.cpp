#include "engine/platform_version.h"

namespace vantrel {

// The host build samples a processor-times table like current systems do (see cpu_usage_posix).
const PlatformVersion& currentPlatformVersion() {
    static const PlatformVersion version{PlatformVersion::kNtFamily, 10};
    return version;
}

}  // namespace vantrel

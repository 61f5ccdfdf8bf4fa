#pragma once

#include <optional>

namespace vantrel {

// Dispatches every message waiting for the calling thread without blocking. A quit request stops
// the dispatch and its exit code is returned, for the caller to post again once it no longer
// waits (posting it at once would wake every message-aware wait immediately).
std::optional<int> dispatchPendingMessages();

}  // namespace vantrel

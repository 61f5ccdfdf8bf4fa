#pragma once

namespace vantrel {

// Dispatches every message waiting for the calling thread without blocking. A quit request is
// left in the queue for the message loop that owns it.
void dispatchPendingMessages();

}  // namespace vantrel

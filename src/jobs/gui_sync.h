#pragma once

#include <functional>

#include "platform/sync.h"

namespace vantrel {

// Makes the calling thread the GUI thread: the thread on which RunOnGuiThread runs its calls.
void InitGuiThread();
bool IsGuiThread() noexcept;

// Runs fn on the GUI thread and waits until it has run (at once when called on it). Returns false,
// and fn never runs, when `abandon` is signalled first or there is no GUI thread.
bool RunOnGuiThread(const std::function<void()>& fn, Event& abandon);

// Blocks the GUI thread until event is signalled while still dispatching its messages (and the
// calls of RunOnGuiThread).
void WaitWithMessages(Event& event);

// Dispatches what is pending for the GUI thread, without waiting.
void ProcessMessages();

}  // namespace vantrel

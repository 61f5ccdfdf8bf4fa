#pragma once

#include <functional>

#include "jobs/thread_core.h"
#include "platform/sync.h"

namespace vantrel {

// Makes the calling thread the GUI thread: the thread on which RunOnGuiThread runs its calls.
void InitGuiThread();
// Ends that role (at program end); later calls of RunOnGuiThread from other threads fail.
void EndGuiThread();
bool IsGuiThread() noexcept;

// Runs fn on the GUI thread and waits until it has run (at once when called on it). Returns false,
// and fn never runs, when `abandon` is signalled first, or when there is no GUI thread (logged: a
// notification that arrives before the windows are ready is a fault of the start order).
bool RunOnGuiThread(const std::function<void()>& fn, Event& abandon);

// How a wait for a job ended. Only kDone means that the routine ran to its end; every other value
// means that the job did not run and never will, and the caller undoes what it prepared for it.
enum class TWaitResult {
    kDone,     // the routine's done event was set: a run of it ended
    kDropped,  // no job of the routine is waiting or running: it was refused or dropped
    kStopped,  // the pool is stopping: queued jobs never run, a running one may be ended
    kFailed,   // the wait itself failed
};

// Blocks the GUI thread until a run of Routine has ended, while still dispatching its messages
// (through the program's message pump, so dialogs keep their keyboard) and the calls of
// RunOnGuiThread. Also returns as soon as the job can no longer finish; see TWaitResult.
TWaitResult WaitWithMessages(const TRoutine& Routine);

// The same for a plain event: kDone when it was signalled, kFailed when the wait failed.
TWaitResult WaitWithMessages(Event& event);

// Dispatches what is pending for the GUI thread, without waiting.
void ProcessMessages();

}  // namespace vantrel

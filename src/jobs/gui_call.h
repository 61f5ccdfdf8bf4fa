#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "jobs/gui_sync.h"
#include "platform/sync.h"
#include "platform/trace_log.h"

namespace vantrel::detail {

// One call handed to the GUI thread. Shared by the waiting worker and the GUI thread, so either
// may let go first: a worker that gives up marks it abandoned and the GUI thread skips it.
struct GuiCall {
    enum State { kPending, kRunning, kDone, kAbandoned };
    std::function<void()> fn;
    std::atomic<int> state{kPending};
    Event done{true, false};

    // On the GUI thread.
    void run() {
        int expected = kPending;
        if (!state.compare_exchange_strong(expected, kRunning))
            return;
        try {
            fn();
        } catch (...) {
            VANTREL_ASSERT_FAILED(L"Assertion failure", "MThreading");
        }
        state = kDone;
        done.set();
    }

    // On the worker, after the call was queued: true when it ran.
    bool await(Event& abandon) {
        if (waitAny(done, abandon) == 0)
            return true;
        int expected = kPending;
        if (state.compare_exchange_strong(expected, kAbandoned))
            return false;
        done.wait();  // the GUI thread is inside it already: let it finish
        return true;
    }
};

// Whether a wait for a run of r is over. Tested in this order, so that a run that ended just before
// a stop or a drop still counts as done; a set done event is taken (it is auto-reset).
inline std::optional<TWaitResult> jobWaitOutcome(const TRoutine& r) {
    if (r.DoneEvent->wait(0))
        return TWaitResult::kDone;
    if (r.State->Stopping.wait(0))
        return TWaitResult::kStopped;
    // A run sets the done event before it stops counting, so nothing pending and no event means
    // the job was refused at its post or dropped from the queue.
    if (r.State->Pending.load() <= 0)
        return r.DoneEvent->wait(0) ? TWaitResult::kDone : TWaitResult::kDropped;
    return std::nullopt;
}

inline void reportNoGuiThread() {
    VANTREL_ASSERT_FAILED(L"GUI thread not set up", "MThreading");
}

}  // namespace vantrel::detail

#include "jobs/gui_sync.h"

#include <deque>
#include <mutex>

#include "jobs/gui_call.h"

namespace vantrel {

// The host build has no window messages: the GUI thread's queue holds the calls of
// RunOnGuiThread, and WaitWithMessages/ProcessMessages run them.
namespace {
std::mutex gMutex;
std::deque<std::shared_ptr<detail::GuiCall>> gQueue;
std::atomic<uint32_t> gGuiThreadId{0};
Event gQueued{false, false};

std::shared_ptr<detail::GuiCall> takeOne() {
    std::lock_guard g(gMutex);
    if (gQueue.empty())
        return nullptr;
    auto call = gQueue.front();
    gQueue.pop_front();
    return call;
}
}  // namespace

void InitGuiThread() {
    gGuiThreadId = currentThreadId();
}

void EndGuiThread() {
    if (!IsGuiThread())
        return;
    {
        std::lock_guard g(gMutex);
        gGuiThreadId = 0;
    }
    ProcessMessages();  // calls already queued still run
}

bool IsGuiThread() noexcept {
    return gGuiThreadId == currentThreadId();
}

bool RunOnGuiThread(const std::function<void()>& fn, Event& abandon) {
    if (IsGuiThread()) {
        fn();
        return true;
    }
    auto call = std::make_shared<detail::GuiCall>();
    call->fn = fn;
    {
        std::lock_guard g(gMutex);
        // Tested under the queue's lock, so that EndGuiThread runs every call it lets in.
        if (!gGuiThreadId) {
            detail::reportNoGuiThread();
            return false;
        }
        gQueue.push_back(call);
    }
    gQueued.set();
    return call->await(abandon);
}

void ProcessMessages() {
    while (auto call = takeOne())
        call->run();
}

TWaitResult WaitWithMessages(Event& event) {
    for (;;) {
        ProcessMessages();
        int signalled = waitAny(event, gQueued);
        if (signalled == 0)
            return TWaitResult::kDone;
        if (signalled < 0)
            return TWaitResult::kFailed;
    }
}

TWaitResult WaitWithMessages(const TRoutine& Routine) {
    if (!Routine.DoneEvent)
        return TWaitResult::kDropped;  // never registered: its post was refused
    if (!Routine.State)
        return WaitWithMessages(*Routine.DoneEvent);
    for (;;) {
        ProcessMessages();
        if (auto outcome = detail::jobWaitOutcome(Routine))
            return *outcome;
        int signalled = waitAny({Routine.DoneEvent, &Routine.State->Stopping, &gQueued});
        if (signalled == 0)
            return TWaitResult::kDone;
        if (signalled < 0)
            return TWaitResult::kFailed;
    }
}

}  // namespace vantrel

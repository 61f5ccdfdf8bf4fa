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
bool IsGuiThread() noexcept {
    return gGuiThreadId == currentThreadId();
}

bool RunOnGuiThread(const std::function<void()>& fn, Event& abandon) {
    if (IsGuiThread()) {
        fn();
        return true;
    }
    if (!gGuiThreadId)
        return false;
    auto call = std::make_shared<detail::GuiCall>();
    call->fn = fn;
    {
        std::lock_guard g(gMutex);
        gQueue.push_back(call);
    }
    gQueued.set();
    return call->await(abandon);
}

void ProcessMessages() {
    while (auto call = takeOne())
        call->run();
}

void WaitWithMessages(Event& event) {
    for (;;) {
        ProcessMessages();
        if (waitAny(event, gQueued) != 1)
            return;
    }
}

}  // namespace vantrel

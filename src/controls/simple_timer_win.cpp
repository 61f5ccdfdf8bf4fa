#include "controls/simple_timer_win.h"

#include <map>

#include "controls/tray_icon.h"
#include "platform/handles_win.h"
#include "platform/process_shared.h"
#include "platform/trace_log.h"
#include "platform/window_class_win.h"

namespace vantrel {

// One hidden window per process, made with the first timer and destroyed with the last. Each
// timer runs under a number of its own, never reused while the process lives, so that a WM_TIMER
// still queued for a timer that is gone finds nothing, not even a new timer that happens to sit
// at the old one's address.
class TSimpleTimerHandler : public ProcessShared<TSimpleTimerHandler> {
  public:
    HWND window() const noexcept { return window_.get(); }
    UINT_PTR add(TSimpleTimer* timer) {
        UINT_PTR id = nextId_++;
        while (id == 0 || timers_.count(id))
            id = nextId_++;
        timers_[id] = timer;
        return id;
    }
    void remove(UINT_PTR id) { timers_.erase(id); }
    int running = 0;

  private:
    TSimpleTimerHandler() {
        HINSTANCE inst = ensureWindowClass(kClass, &TSimpleTimerHandler::windowProc);
        window_.reset(::CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst, nullptr));
    }

    static LRESULT CALLBACK windowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
        if (msg == WM_TIMER && instance_) {
            auto it = instance_->timers_.find(static_cast<UINT_PTR>(wp));
            if (it != instance_->timers_.end()) {
                try {
                    it->second->fire();
                } catch (...) {
                    VANTREL_ASSERT_FAILED(L"Assertion failure", "simple_timer");
                    return ::DefWindowProcW(wnd, msg, wp, lp);
                }
            }
            return 0;
        }
        if (IsHandlerGuardedMessage(msg) && instance_ && instance_->window_.get() == wnd)
            return 1;
        return ::DefWindowProcW(wnd, msg, wp, lp);
    }

    static constexpr wchar_t kClass[] = L"VantrelSimpleTimer";
    WindowHandle window_;
    std::map<UINT_PTR, TSimpleTimer*> timers_;
    // Shared by all handler windows of the process: a message left for an earlier window's
    // timer cannot reach a later one either.
    static inline UINT_PTR nextId_ = 1;
    friend class ProcessShared<TSimpleTimerHandler>;
};

TSimpleTimer::TSimpleTimer() {
    TSimpleTimerHandler& handler = TSimpleTimerHandler::acquire();
    try {
        id_ = handler.add(this);
    } catch (...) {
        TSimpleTimerHandler::release();
        throw;
    }
}

TSimpleTimer::TSimpleTimer(uint32_t interval, TNotifyEvent onTimer) : TSimpleTimer() {
    interval_ = interval;
    onTimer_ = std::move(onTimer);
}

TSimpleTimer::~TSimpleTimer() {
    Stop();
    if (auto* h = TSimpleTimerHandler::instance())
        h->remove(id_);
    TSimpleTimerHandler::release();
}

bool TSimpleTimer::Start() {
    if (interval_ == 0)
        return false;
    if (running_)
        Stop(false);
    auto* h = TSimpleTimerHandler::instance();
    if (!h || !::SetTimer(h->window(), id_, interval_, nullptr))
        return false;
    enabled_ = true;
    running_ = true;
    ++h->running;
    return true;
}

void TSimpleTimer::Stop(bool disable) {
    if (disable)
        enabled_ = false;
    auto* h = TSimpleTimerHandler::instance();
    if (running_ && h && ::KillTimer(h->window(), id_)) {
        running_ = false;
        --h->running;
    }
}

void TSimpleTimer::SetInterval(uint32_t interval) {
    if (interval == interval_)
        return;
    interval_ = interval;
    if (enabled_) {
        if (interval_ == 0)
            Stop(false);
        else
            Start();
    }
}

void TSimpleTimer::SetOnTimer(TNotifyEvent onTimer) {
    onTimer_ = std::move(onTimer);
    if (!onTimer_ && running_)
        Stop();
}

int TSimpleTimer::RunningCount() noexcept {
    auto* h = TSimpleTimerHandler::instance();
    return h ? h->running : 0;
}

void TSimpleTimer::fire() {
    if (AutoDisable)
        Stop();
    if (onTimer_)
        onTimer_(*this);
}

}  // namespace vantrel

#include "controls/simple_timer_win.h"

#include <exception>
#include <set>

#include "controls/tray_icon.h"
#include "platform/handles_win.h"
#include "platform/trace_log.h"

namespace vantrel {

// One hidden window per process, made with the first timer and destroyed with the last. It
// keeps the set of live timers so that a WM_TIMER still queued for a timer that is gone finds
// nothing instead of a dangling object.
class TSimpleTimerHandler {
  public:
    static TSimpleTimerHandler& acquire() {
        if (!instance_)
            instance_ = new TSimpleTimerHandler;
        ++instance_->refs_;
        return *instance_;
    }
    static void release() {
        if (instance_ && --instance_->refs_ == 0) {
            delete instance_;
            instance_ = nullptr;
        }
    }
    static TSimpleTimerHandler* instance() noexcept { return instance_; }

    HWND window() const noexcept { return window_.get(); }
    void add(TSimpleTimer* timer) { timers_.insert(timer); }
    void remove(TSimpleTimer* timer) { timers_.erase(timer); }
    int running = 0;

  private:
    TSimpleTimerHandler() {
        HINSTANCE inst = ::GetModuleHandleW(nullptr);
        WNDCLASSW wc{};
        if (!::GetClassInfoW(inst, kClass, &wc)) {
            wc.lpfnWndProc = &TSimpleTimerHandler::windowProc;
            wc.hInstance = inst;
            wc.lpszClassName = kClass;
            ::RegisterClassW(&wc);
        }
        window_.reset(::CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst, nullptr));
    }

    static LRESULT CALLBACK windowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
        if (msg == WM_TIMER && instance_) {
            auto* timer = reinterpret_cast<TSimpleTimer*>(wp);
            if (instance_->timers_.count(timer)) {
                try {
                    timer->fire();
                } catch (const std::exception&) {
                    VANTREL_ASSERT_FAILED(L"Assertion failure", "simple_timer");
                }
            }
            return 0;
        }
        if (IsHandlerGuardedMessage(msg) && instance_ && instance_->window_.get() == wnd)
            return 1;
        return ::DefWindowProcW(wnd, msg, wp, lp);
    }

    static constexpr wchar_t kClass[] = L"VantrelSimpleTimer";
    static inline TSimpleTimerHandler* instance_ = nullptr;
    WindowHandle window_;
    std::set<TSimpleTimer*> timers_;
    int refs_ = 0;
};

TSimpleTimer::TSimpleTimer() {
    TSimpleTimerHandler::acquire().add(this);
}

TSimpleTimer::TSimpleTimer(uint32_t interval, TNotifyEvent onTimer) : TSimpleTimer() {
    interval_ = interval;
    onTimer_ = std::move(onTimer);
}

TSimpleTimer::~TSimpleTimer() {
    Stop();
    if (auto* h = TSimpleTimerHandler::instance())
        h->remove(this);
    TSimpleTimerHandler::release();
}

bool TSimpleTimer::Start() {
    if (interval_ == 0)
        return false;
    if (running_)
        Stop(false);
    auto* h = TSimpleTimerHandler::instance();
    if (!h || !::SetTimer(h->window(), reinterpret_cast<UINT_PTR>(this), interval_, nullptr))
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
    if (running_ && h && ::KillTimer(h->window(), reinterpret_cast<UINT_PTR>(this))) {
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

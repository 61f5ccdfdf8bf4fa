#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace vantrel {

// A light timer without a window of its own: every timer of the process runs on the one hidden
// window of TSimpleTimerHandler, under an id of its own.
class TSimpleTimer {
  public:
    using TNotifyEvent = std::function<void(TSimpleTimer& sender)>;

    TSimpleTimer();
    TSimpleTimer(uint32_t interval, TNotifyEvent onTimer);
    TSimpleTimer(const TSimpleTimer&) = delete;
    TSimpleTimer& operator=(const TSimpleTimer&) = delete;
    ~TSimpleTimer();

    // False for a zero interval or when the system refuses; a running timer restarts.
    bool Start();
    // Stops the system timer; with disable false, Enabled stays as it was.
    void Stop(bool disable = true);

    bool Enabled() const noexcept { return enabled_; }
    uint32_t Interval() const noexcept { return interval_; }
    // A running timer restarts with the new interval (or stops, staying enabled, at 0).
    void SetInterval(uint32_t interval);
    // Removing the handler of a running timer stops it.
    void SetOnTimer(TNotifyEvent onTimer);

    // When set, the timer stops itself before each OnTimer.
    bool AutoDisable = false;

    // Timers the system is running for this process.
    static int RunningCount() noexcept;
    // The id the system timer runs under.
    UINT_PTR Id() const noexcept { return id_; }

  private:
    friend class TSimpleTimerHandler;
    void fire();

    UINT_PTR id_ = 0;
    uint32_t interval_ = 1000;
    bool enabled_ = false;
    bool running_ = false;
    TNotifyEvent onTimer_;
};

}  // namespace vantrel

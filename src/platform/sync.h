#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>

namespace vantrel {

inline constexpr uint32_t kInfinite = 0xFFFFFFFF;

// A kernel event on Windows (so that message-aware waits can include it), a condition variable
// elsewhere.
class Event {
  public:
    Event(bool manualReset, bool initialState);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event();

    bool valid() const noexcept;
    bool set() noexcept;
    bool reset() noexcept;
    // True when the event was signalled within the time.
    bool wait(uint32_t timeoutMs = kInfinite) noexcept;
    // The HANDLE on Windows; null elsewhere.
    void* native() const noexcept;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// Waits until one of the events is signalled and returns its index (the lowest when several are);
// -1 means timeout or failure. At most four events.
int waitAny(std::initializer_list<Event*> events, uint32_t timeoutMs = kInfinite) noexcept;
inline int waitAny(Event& first, Event& second, uint32_t timeoutMs = kInfinite) noexcept {
    return waitAny({&first, &second}, timeoutMs);
}

// A recursive lock that a thread ended by force hands on instead of keeping for ever: a kernel
// mutex on Windows (the next waiter receives it abandoned), a mutex elsewhere, where threads are
// never ended by force. What the lock guards must therefore stay usable at every step.
class Lock {
  public:
    Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    ~Lock();
    void lock() noexcept;
    void unlock() noexcept;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

class LockGuard {
  public:
    explicit LockGuard(Lock& lock) noexcept : lock_(lock) { lock_.lock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;
    ~LockGuard() { lock_.unlock(); }

  private:
    Lock& lock_;
};

// A started thread. The object owns the thread handle; destroying it does not stop the thread.
class Thread {
  public:
    // Starts body at once with the default stack size; null when the thread could not be created.
    static std::unique_ptr<Thread> start(std::function<void()> body);
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    ~Thread();

    // True when the thread has ended within the time.
    bool join(uint32_t timeoutMs = kInfinite) noexcept;
    // True while the handle still names a thread object.
    bool handleValid() const noexcept;
    // Ends the thread without letting it clean up; false where the platform cannot.
    bool terminate() noexcept;
    uint32_t id() const noexcept;

    struct Impl;

  private:
    explicit Thread(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

uint32_t currentThreadId() noexcept;
void sleepMs(uint32_t ms) noexcept;

}  // namespace vantrel

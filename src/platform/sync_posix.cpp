#include "platform/sync.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vantrel {

namespace {
// Events that waitAny watches notify this shared condition as well.
std::mutex gAnyMutex;
std::condition_variable gAnyCv;
}  // namespace

struct Event::Impl {
    std::mutex m;
    std::condition_variable cv;
    bool manual = false;
    bool state = false;
};

Event::Event(bool manualReset, bool initialState) : impl_(std::make_unique<Impl>()) {
    impl_->manual = manualReset;
    impl_->state = initialState;
}
Event::~Event() = default;
bool Event::valid() const noexcept {
    return true;
}
bool Event::set() noexcept {
    {
        // Notified under the lock: a waiter that wakes may destroy the event at once.
        std::lock_guard g(impl_->m);
        impl_->state = true;
        impl_->cv.notify_all();
    }
    { std::lock_guard g(gAnyMutex); }
    gAnyCv.notify_all();
    return true;
}
bool Event::reset() noexcept {
    std::lock_guard g(impl_->m);
    impl_->state = false;
    return true;
}

bool Event::wait(uint32_t timeoutMs) noexcept {
    std::unique_lock g(impl_->m);
    auto ready = [&] { return impl_->state; };
    if (timeoutMs == kInfinite)
        impl_->cv.wait(g, ready);
    else if (!impl_->cv.wait_for(g, std::chrono::milliseconds(timeoutMs), ready))
        return false;
    if (!impl_->manual)
        impl_->state = false;
    return true;
}
void* Event::native() const noexcept {
    return nullptr;
}

int waitAny(std::initializer_list<Event*> events, uint32_t timeoutMs) noexcept {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto signalled = [&events]() -> int {
        int i = 0;
        for (Event* e : events) {
            if (e->wait(0))
                return i;
            ++i;
        }
        return -1;
    };
    std::unique_lock g(gAnyMutex);
    for (;;) {
        if (int i = signalled(); i >= 0)
            return i;
        // Short slices keep a set that races with the check from being missed for long.
        auto slice = std::chrono::steady_clock::now() + std::chrono::milliseconds(10);
        if (timeoutMs != kInfinite && slice > deadline)
            slice = deadline;
        gAnyCv.wait_until(g, slice);
        if (timeoutMs != kInfinite && std::chrono::steady_clock::now() >= deadline)
            return signalled();
    }
}

struct Lock::Impl {
    std::recursive_mutex m;
};
Lock::Lock() : impl_(std::make_unique<Impl>()) {}
Lock::~Lock() = default;
void Lock::lock() noexcept {
    impl_->m.lock();
}
void Lock::unlock() noexcept {
    impl_->m.unlock();
}

struct Thread::Impl {
    struct State {
        Event done{true, false};
        uint32_t id = 0;
    };
    std::thread thread;
    // Shared with the running body, which may outlive this object once it is detached.
    std::shared_ptr<State> state = std::make_shared<State>();
};

std::unique_ptr<Thread> Thread::start(std::function<void()> body) {
    auto impl = std::make_unique<Impl>();
    auto state = impl->state;
    Event started(true, false);
    impl->thread = std::thread([state, &started, body = std::move(body)] {
        state->id = currentThreadId();
        started.set();
        body();
        state->done.set();
    });
    started.wait();
    return std::unique_ptr<Thread>(new Thread(std::move(impl)));
}

Thread::Thread(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Thread::~Thread() {
    if (impl_->thread.joinable()) {
        if (impl_->state->done.wait(0))
            impl_->thread.join();
        else
            impl_->thread.detach();  // the thread outlives its owner, as a Windows thread would
    }
}
bool Thread::join(uint32_t timeoutMs) noexcept {
    return impl_->state->done.wait(timeoutMs);
}
bool Thread::handleValid() const noexcept {
    return true;
}
bool Thread::terminate() noexcept {
    return false;
}
uint32_t Thread::id() const noexcept {
    return impl_->state->id;
}

uint32_t currentThreadId() noexcept {
    return static_cast<uint32_t>(::syscall(SYS_gettid));
}
void sleepMs(uint32_t ms) noexcept {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace vantrel

#include "platform/sync.h"

#include <windows.h>

#include <process.h>

#include "platform/handles_win.h"

namespace vantrel {

struct Event::Impl {
    KernelHandle handle;
};

Event::Event(bool manualReset, bool initialState)
    : impl_(std::make_unique<Impl>(
          Impl{KernelHandle(::CreateEventW(nullptr, manualReset, initialState, nullptr))})) {}
Event::~Event() = default;
bool Event::valid() const noexcept {
    return impl_->handle.valid();
}
bool Event::set() noexcept {
    return ::SetEvent(impl_->handle.get()) != 0;
}
bool Event::reset() noexcept {
    return ::ResetEvent(impl_->handle.get()) != 0;
}
bool Event::wait(uint32_t timeoutMs) noexcept {
    return ::WaitForSingleObject(impl_->handle.get(), timeoutMs) == WAIT_OBJECT_0;
}
void* Event::native() const noexcept {
    return impl_->handle.get();
}

int waitAny(Event& first, Event& second, uint32_t timeoutMs) noexcept {
    HANDLE handles[2] = {first.native(), second.native()};
    DWORD r = ::WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
    if (r == WAIT_OBJECT_0)
        return 0;
    if (r == WAIT_OBJECT_0 + 1)
        return 1;
    return -1;
}

struct Lock::Impl {
    CRITICAL_SECTION cs;
};

Lock::Lock() : impl_(std::make_unique<Impl>()) {
    ::InitializeCriticalSection(&impl_->cs);
}
Lock::~Lock() {
    ::DeleteCriticalSection(&impl_->cs);
}
void Lock::lock() noexcept {
    ::EnterCriticalSection(&impl_->cs);
}
void Lock::unlock() noexcept {
    ::LeaveCriticalSection(&impl_->cs);
}

struct Thread::Impl {
    KernelHandle handle;
    uint32_t id = 0;
};

namespace {
unsigned __stdcall threadEntry(void* arg) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
    (*body)();
    return 0;
}
}  // namespace

std::unique_ptr<Thread> Thread::start(std::function<void()> body) {
    auto arg = std::make_unique<std::function<void()>>(std::move(body));
    unsigned id = 0;
    // _beginthreadex keeps the C runtime's per-thread state right.
    auto h = reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, threadEntry, arg.get(), 0, &id));
    if (!h)
        return nullptr;
    arg.release();
    auto impl = std::make_unique<Impl>();
    impl->handle.reset(h);
    impl->id = id;
    return std::unique_ptr<Thread>(new Thread(std::move(impl)));
}

Thread::Thread(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Thread::~Thread() = default;
bool Thread::join(uint32_t timeoutMs) noexcept {
    return ::WaitForSingleObject(impl_->handle.get(), timeoutMs) == WAIT_OBJECT_0;
}
bool Thread::handleValid() const noexcept {
    DWORD flags = 0;
    return ::GetHandleInformation(impl_->handle.get(), &flags) != 0;
}
bool Thread::terminate() noexcept {
    return ::TerminateThread(impl_->handle.get(), 0) != 0;
}
uint32_t Thread::id() const noexcept {
    return impl_->id;
}

uint32_t currentThreadId() noexcept {
    return ::GetCurrentThreadId();
}
void sleepMs(uint32_t ms) noexcept {
    ::Sleep(ms);
}

}  // namespace vantrel

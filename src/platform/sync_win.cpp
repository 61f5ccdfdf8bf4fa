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

int waitAny(std::initializer_list<Event*> events, uint32_t timeoutMs) noexcept {
    HANDLE handles[4] = {};
    DWORD count = 0;
    for (Event* e : events) {
        if (count == 4)
            return -1;
        handles[count++] = e->native();
    }
    DWORD r = ::WaitForMultipleObjects(count, handles, FALSE, timeoutMs);
    if (r < WAIT_OBJECT_0 + count)
        return int(r - WAIT_OBJECT_0);
    return -1;
}

struct Lock::Impl {
    KernelHandle mutex;
    CRITICAL_SECTION fallback;  // only when no mutex could be created
};

Lock::Lock() : impl_(std::make_unique<Impl>()) {
    impl_->mutex.reset(::CreateMutexW(nullptr, FALSE, nullptr));
    if (!impl_->mutex)
        ::InitializeCriticalSection(&impl_->fallback);
}
Lock::~Lock() {
    if (!impl_->mutex)
        ::DeleteCriticalSection(&impl_->fallback);
}
void Lock::lock() noexcept {
    // WAIT_ABANDONED also hands the mutex over: its owner was ended by force.
    if (impl_->mutex)
        ::WaitForSingleObject(impl_->mutex.get(), INFINITE);
    else
        ::EnterCriticalSection(&impl_->fallback);
}
void Lock::unlock() noexcept {
    if (impl_->mutex)
        ::ReleaseMutex(impl_->mutex.get());
    else
        ::LeaveCriticalSection(&impl_->fallback);
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

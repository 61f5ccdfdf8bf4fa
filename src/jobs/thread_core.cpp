#include "jobs/thread_core.h"

#include <string>

#include "jobs/gui_sync.h"
#include "platform/trace_log.h"

namespace vantrel {

namespace {
constexpr const char* kUnit = "MThreading";
thread_local TThreadObj* tCurrentWorker = nullptr;

void freeParam(TJobNode* node) {
    if (!node->Param)
        return;
    try {
        node->ParamType->Dispose(node->Param);
    } catch (...) {
        VANTREL_ASSERT_FAILED(std::to_wstring(reinterpret_cast<uintptr_t>(node->Param)), kUnit);
    }
    ::operator delete(node->Param);
    node->Param = nullptr;
}

void freeChain(TJobNode* node) {
    while (node) {
        TJobNode* next = node->Next;
        freeParam(node);
        delete node;
        node = next;
    }
}
}  // namespace

bool StopRequested() noexcept {
    return tCurrentWorker && tCurrentWorker->Terminated.load();
}

TThreadObj::TThreadObj(TMTCore& core, int32_t index) : Index(index), core_(core) {}

TThreadObj::~TThreadObj() {
    freeChain(Current);
    freeChain(Head);
}

void TThreadObj::WakeLocked() {
    Idle = false;
    WakeEvent.set();
}

void TThreadObj::ThreadProc() {
    tCurrentWorker = this;
    for (;;) {
        QueueLock.lock();
        // Tested under the lock, after which a stop request always finds the event to set.
        if (Terminated) {
            QueueLock.unlock();
            break;
        }
        if (!Head) {
            Idle = true;
            WakeEvent.reset();
            QueueLock.unlock();
            WakeEvent.wait();
            continue;
        }
        Current = Head;
        Head = nullptr;
        Tail = nullptr;
        QueueLock.unlock();

        while (Current && !Terminated) {
            TJobNode* node = Current;
            if (node->DoneEvent)
                node->DoneEvent->reset();
            try {
                node->Proc(node->Data, node->Param);
            } catch (...) {
                VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
            }
            if (!node->DoneEvent || !node->DoneEvent->set())
                VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
            freeParam(node);
            Current = node->Next;
            delete node;
        }
    }
    tCurrentWorker = nullptr;
    // The object may be gone after this call; nothing of it is touched again.
    core_.ThreadFinished(Index);
}

TMTCore::TMTCore() = default;

TMTCore::~TMTCore() {
    StopThreads();
    for (int32_t i = 0; i < Events.Count(); ++i) {
        if (auto ev = Events.Value<void*>(i))
            delete static_cast<Event*>(*ev);
    }
    Events.Clear();
}

TRoutine TMTCore::RegisterRoutine(int32_t ThreadIndex, TRoutineProc Proc, void* Data) {
    TRoutine r;
    r.ThreadIndex = ThreadIndex;
    r.Proc = Proc;
    r.Data = Data;
    auto* done = new (std::nothrow) Event(false, false);
    if (done && done->valid()) {
        void* p = done;
        Events.Add(&p);
        r.DoneEvent = done;
    } else {
        delete done;
    }
    return r;
}

TThreadObj* TMTCore::slot(int32_t index) {
    auto v = Threads.Value<void*>(index);
    return v ? static_cast<TThreadObj*>(*v) : nullptr;
}

void TMTCore::StartThreads(int32_t Count, bool Wait) {
    std::vector<std::shared_ptr<Thread>> handles;
    {
        LockGuard guard(CoreLock);
        if (started_)
            return;
        started_ = true;
        stopping_.reset();
        Threads.Clear();
        workerCount_ = Count;
        for (int32_t i = 0; i < Count; ++i) {
            auto* obj = new TThreadObj(*this, i);
            void* p = obj;
            Threads.Add(&p);
            // Started while CoreLock is held: the worker takes no core lock before its first job.
            obj->Handle = Thread::start([obj] { obj->ThreadProc(); });
            if (!obj->Handle) {
                VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
                void* none = nullptr;
                Threads.SetItem(i, &none);
                delete obj;
                continue;
            }
            handles.push_back(obj->Handle);
            sleepMs(1);
        }
    }
    if (Wait) {
        for (auto& h : handles)
            h->join();
    }
}

void TMTCore::Post(const TRoutine& Routine, TTypeClass ParamType, const void* Param) {
    // The slot is read and the node queued under CoreLock, so that a worker ending meanwhile
    // cannot free the object under the post (lock order: core, then worker).
    LockGuard guard(CoreLock);
    void* raw = nullptr;
    if (!Threads.Get(Routine.ThreadIndex, &raw)) {
        VANTREL_ASSERT_FAILED(L"Couldn't get thread object", kUnit);
        return;
    }
    if (Routine.ThreadIndex >= workerCount_) {
        VANTREL_ASSERT_FAILED(L"Invalid thread index: " + std::to_wstring(Routine.ThreadIndex), kUnit);
        return;
    }
    void* block = nullptr;
    try {
        size_t size = ParamType->Size();
        if (size) {
            block = ::operator new(size);
            try {
                ParamType->Copy(Param, block);
            } catch (...) {
                ::operator delete(block);
                throw;
            }
        }
    } catch (...) {
        VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
        return;
    }
    auto* node =
        new (std::nothrow) TJobNode{Routine.Proc, Routine.Data, block, ParamType, Routine.DoneEvent, nullptr};
    auto* obj = static_cast<TThreadObj*>(raw);
    if (!node || !obj) {
        // The worker has ended: the job is dropped.
        VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
        if (node) {
            freeParam(node);
            delete node;
        } else if (block) {
            ParamType->Dispose(block);
            ::operator delete(block);
        }
        return;
    }
    LockGuard queue(obj->QueueLock);
    if (!obj->Head)
        obj->Head = node;
    else
        obj->Tail->Next = node;
    obj->Tail = node;
    if (obj->Idle)
        obj->WakeLocked();
}

void TMTCore::ThreadFinished(int32_t Index) {
    LockGuard guard(CoreLock);
    if (Index >= 0 && Index < Threads.Count()) {
        if (TThreadObj* obj = slot(Index)) {
            delete obj;
            void* none = nullptr;
            Threads.SetItem(Index, &none);
        }
    }
    for (int32_t i = 0; i < Threads.Count(); ++i) {
        if (slot(i))
            return;
    }
    Threads.Clear();
    started_ = false;
}

void TMTCore::StopThreads() {
    // Releases workers waiting in Synchronize before they are asked to end.
    stopping_.set();
    int32_t count;
    {
        LockGuard guard(CoreLock);
        count = Threads.Count();
    }
    auto requestStop = [this](int32_t i) -> bool {
        LockGuard guard(CoreLock);
        if (i >= Threads.Count())
            return false;
        TThreadObj* obj = slot(i);
        if (!obj)
            return false;
        obj->Terminated = true;
        LockGuard queue(obj->QueueLock);
        obj->WakeLocked();
        return true;
    };
    for (int32_t i = 0; i < count; ++i) {
        try {
            std::shared_ptr<Thread> handle;
            {
                LockGuard guard(CoreLock);
                if (i < Threads.Count()) {
                    if (TThreadObj* obj = slot(i))
                        handle = obj->Handle;
                }
            }
            if (!handle || !requestStop(i))
                continue;
            bool forced = false;
            while (!handle->join(100)) {
                if (!handle->handleValid() || !requestStop(i))
                    break;
                // The job ignored the stop request for 100 ms.
                if (!handle->terminate()) {
                    // This platform cannot end a thread: wait for the job, so the worker never
                    // calls back into a core that is gone.
                    handle->join();
                    break;
                }
                forced = true;
                ++forced_;
            }
            if (forced && handle->join(0)) {
                // An ended thread never reaches ThreadFinished: free its object and the jobs it
                // still held here.
                LockGuard guard(CoreLock);
                if (i < Threads.Count()) {
                    delete slot(i);
                    void* none = nullptr;
                    Threads.SetItem(i, &none);
                }
            }
        } catch (...) {
            VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
        }
    }
    LockGuard guard(CoreLock);
    Threads.Clear();
    started_ = false;
    workerCount_ = 0;
}

bool TMTCore::Synchronize(const std::function<void()>& fn) {
    return RunOnGuiThread(fn, stopping_);
}

}  // namespace vantrel

#include "jobs/thread_core.h"

#include <stdexcept>
#include <vector>

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
        VANTREL_ASSERT_FAILED_NUMBER(L"", reinterpret_cast<uintptr_t>(node->Param), kUnit);
    }
    ::operator delete(node->Param);
    node->Param = nullptr;
}

// Frees jobs that will never run; their routines no longer count them as waiting.
void freeChain(TJobNode* node) {
    while (node) {
        TJobNode* next = node->Next;
        freeParam(node);
        if (node->State)
            node->State->Pending.fetch_sub(1);
        delete node;
        node = next;
    }
}

TRoutineState* stateAt(TList_t& events, int32_t index) {
    auto p = events.Value<void*>(index);
    return p ? static_cast<TRoutineState*>(*p) : nullptr;
}
}  // namespace

bool StopRequested() noexcept {
    return tCurrentWorker && tCurrentWorker->Terminated.load();
}

bool WaitForStopRequest(uint32_t ms) noexcept {
    TThreadObj* worker = tCurrentWorker;
    if (!worker) {
        sleepMs(ms);
        return false;
    }
    return worker->StopEvent.wait(ms);
}

bool SynchronizeWithGuiThread(const std::function<void()>& fn) {
    if (TThreadObj* worker = tCurrentWorker)
        return worker->Core().Synchronize(fn);
    if (IsGuiThread()) {
        fn();
        return true;
    }
    VANTREL_ASSERT_FAILED(L"Display step called outside a worker", kUnit);
    return false;
}

TThreadObj::TThreadObj(TMTCore& core, int32_t index) : Index(index), core_(core) {}

TThreadObj::~TThreadObj() {
    freeChain(Current);
    freeChain(Head);
}

void TThreadObj::RequestStop() {
    Terminated = true;
    StopEvent.set();
    LockGuard queue(QueueLock);
    Idle = false;
    WakeEvent.set();
}

void TThreadObj::ThreadProc() {
    tCurrentWorker = this;
    for (;;) {
        QueueLock.lock();
        // Tested under the lock, after which a stop request always finds the event to set.
        if (Terminated) {
            Finished = true;
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
            // After the done event: a waiter that finds nothing pending has already been released.
            if (node->State)
                node->State->Pending.fetch_sub(1);
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
    for (int32_t i = 0; i < Events.Count(); ++i)
        delete stateAt(Events, i);
    Events.Clear();
}

TRoutine TMTCore::RegisterRoutine(int32_t ThreadIndex, TRoutineProc Proc, void* Data) {
    TRoutine r;
    r.ThreadIndex = ThreadIndex;
    r.Proc = Proc;
    r.Data = Data;
    TRoutineState* state = nullptr;
    try {
        state = new TRoutineState(stopping_);
        void* p = state;
        int32_t before = Events.Count();
        if (state->Done.valid())
            Events.Add(&p);
        if (Events.Count() == before) {
            delete state;
            return r;  // no done event: the routine still runs, but nobody can wait for it
        }
    } catch (...) {
        delete state;
        return r;
    }
    r.DoneEvent = &state->Done;
    r.State = state;
    return r;
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
        // Jobs left by a pool ended by force are gone with it.
        for (int32_t i = 0; i < Events.Count(); ++i) {
            if (TRoutineState* state = stateAt(Events, i))
                state->Pending = 0;
        }
        workerCount_ = Count;
        for (int32_t i = 0; i < Count; ++i) {
            // A worker ended by force is left alone: its object may be half-changed.
            TThreadRef obj(new TThreadObj(*this, i), [](TThreadObj* o) {
                if (!o->Abandoned)
                    delete o;
            });
            Threads.Add(&obj);
            // Started while CoreLock is held: the worker takes no core lock before its first job.
            TThreadObj* raw = obj.get();
            obj->Handle = Thread::start([raw] { raw->ThreadProc(); });
            if (!obj->Handle) {
                VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
                TThreadRef none;
                Threads.SetItem(i, &none);
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

TThreadRef TMTCore::pickWorker(int32_t index) {
    TThreadRef worker;
    int32_t slots = 0;
    int32_t workers = 0;
    {
        // Held only to read the slot: copying, queueing and logging happen outside, so a worker
        // ended by force in the middle of a post leaves the core lock free.
        LockGuard guard(CoreLock);
        slots = Threads.Count();
        workers = workerCount_;
        if (index >= 0 && index < slots) {
            if (auto ref = Threads.Value<TThreadRef>(index))
                worker = std::move(*ref);
        }
    }
    if (index < 0 || index >= slots) {
        TList_t::ReportInvalidIndex(index);
        VANTREL_ASSERT_FAILED(L"Couldn't get thread object", kUnit);
        return nullptr;
    }
    if (index >= workers) {
        VANTREL_ASSERT_FAILED_NUMBER(L"Invalid thread index: ", index, kUnit);
        return nullptr;
    }
    if (!worker)
        VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);  // the worker has ended: dropped
    return worker;
}

bool TMTCore::queue(const TRoutine& Routine, TTypeClass ParamType, const void* Param, bool counted) {
    TRoutineState* state = Routine.State;
    auto uncount = [&] {
        if (counted && state)
            state->Pending.fetch_sub(1);
    };
    TThreadRef worker = pickWorker(Routine.ThreadIndex);
    if (!worker) {
        uncount();
        return false;
    }
    void* block = nullptr;
    TJobNode* node = nullptr;
    try {
        if (!ParamType)
            throw std::invalid_argument("no parameter type");
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
        node = new (std::nothrow)
            TJobNode{Routine.Proc, Routine.Data, block, ParamType, Routine.DoneEvent, state, nullptr};
        if (!node) {
            ParamType->Dispose(block);
            ::operator delete(block);
        }
    } catch (...) {
        node = nullptr;
    }
    if (!node) {
        VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
        uncount();
        return false;
    }
    if (!counted && state)
        state->Pending.fetch_add(1);
    bool queued = false;
    {
        LockGuard lock(worker->QueueLock);
        if (!worker->Finished) {
            if (!worker->Head)
                worker->Head = node;
            else
                worker->Tail->Next = node;
            worker->Tail = node;
            if (worker->Idle) {
                worker->Idle = false;
                worker->WakeEvent.set();
            }
            queued = true;
        }
    }
    if (!queued) {
        // The worker left its loop after the slot was read.
        VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
        freeChain(node);
    }
    return queued;
}

bool TMTCore::Post(const TRoutine& Routine, TTypeClass ParamType, const void* Param) {
    return queue(Routine, ParamType, Param, false);
}

bool TMTCore::PostIfIdle(const TRoutine& Routine, TTypeClass ParamType, const void* Param) {
    if (!Routine.State)
        return queue(Routine, ParamType, Param, false);  // unregistered: logged there
    int32_t idle = 0;
    if (!Routine.State->Pending.compare_exchange_strong(idle, 1))
        return false;
    return queue(Routine, ParamType, Param, true);
}

void TMTCore::ThreadFinished(int32_t Index) {
    // Declared before the guard: the object is freed after the lock is released.
    TThreadRef released;
    LockGuard guard(CoreLock);
    try {
        if (Index >= 0 && Index < Threads.Count()) {
            if (auto ref = Threads.Value<TThreadRef>(Index)) {
                released = std::move(*ref);
                TThreadRef none;
                Threads.SetItem(Index, &none);
            }
        }
        for (int32_t i = 0; i < Threads.Count(); ++i) {
            auto ref = Threads.Value<TThreadRef>(i);
            if (ref && *ref)
                return;
        }
        Threads.Clear();
        started_ = false;
    } catch (...) {
        VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
    }
}

void TMTCore::StopThreads() {
    // Releases workers waiting in Synchronize, and waits for jobs, before workers are asked to end.
    stopping_.set();
    // References taken before any worker is ended by force, while the core lock is surely free.
    std::vector<TThreadRef> workers;
    try {
        LockGuard guard(CoreLock);
        workers.reserve(size_t(Threads.Count()));
        for (int32_t i = 0; i < Threads.Count(); ++i) {
            auto ref = Threads.Value<TThreadRef>(i);
            workers.push_back(ref ? *ref : nullptr);
        }
    } catch (...) {
        VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
    }
    for (const TThreadRef& worker : workers) {
        if (!worker)
            continue;
        try {
            std::shared_ptr<Thread> handle = worker->Handle;
            if (!handle)
                continue;
            worker->RequestStop();
            bool forced = false;
            while (!handle->join(100)) {
                if (forced || !handle->handleValid())
                    break;
                if (worker->Finished)
                    continue;  // past its loop: it ends by itself
                worker->RequestStop();
                // The job ignored the stop request for 100 ms.
                if (!handle->terminate()) {
                    // This platform cannot end a thread: wait for the job, so the worker never
                    // calls back into a core that is gone.
                    handle->join();
                    break;
                }
                // Whatever the thread held is left as it is: its object, its queued jobs.
                worker->Abandoned = true;
                forced = true;
                ++forced_;
            }
        } catch (...) {
            VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);
        }
    }
    {
        LockGuard guard(CoreLock);
        Threads.Clear();
        started_ = false;
        workerCount_ = 0;
    }
    // Dropping the references frees the objects of the workers that ended normally.
}

bool TMTCore::Synchronize(const std::function<void()>& fn) {
    return RunOnGuiThread(fn, stopping_);
}

}  // namespace vantrel

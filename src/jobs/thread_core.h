#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "jobs/types.h"
#include "platform/sync.h"

namespace vantrel {

// A routine's procedure: Data is the routine's object, Param the job's read-only parameter copy.
using TRoutineProc = void (*)(void* Data, const void* Param);

// A registered piece of work; copied by value wherever it is stored.
struct TRoutine {
    int32_t ThreadIndex = -1;  // -1: not registered
    TRoutineProc Proc = nullptr;
    void* Data = nullptr;
    Event* DoneEvent = nullptr;  // auto-reset; reset before each run, set after it
};

struct TJobNode {
    TRoutineProc Proc = nullptr;
    void* Data = nullptr;
    void* Param = nullptr;
    TTypeClass ParamType = nullptr;
    Event* DoneEvent = nullptr;
    TJobNode* Next = nullptr;
};

class TMTCore;

// One worker: a FIFO queue and the thread that runs it.
class TThreadObj {
  public:
    TThreadObj(TMTCore& core, int32_t index);
    TThreadObj(const TThreadObj&) = delete;
    TThreadObj& operator=(const TThreadObj&) = delete;
    // Frees every node that never ran, with its parameter block.
    ~TThreadObj();

    std::shared_ptr<Thread> Handle;
    bool Idle = false;
    int32_t Index;
    Event WakeEvent{true, false};
    std::atomic<bool> Terminated{false};
    TJobNode* Head = nullptr;
    TJobNode* Tail = nullptr;
    TJobNode* Current = nullptr;
    Lock QueueLock;

    void ThreadProc();
    // Idle := false and set WakeEvent; the caller holds QueueLock.
    void WakeLocked();

  private:
    TMTCore& core_;
};

// The pool of workers.
class TMTCore {
  public:
    TMTCore();
    TMTCore(const TMTCore&) = delete;
    TMTCore& operator=(const TMTCore&) = delete;
    ~TMTCore();

    TRoutine RegisterRoutine(int32_t ThreadIndex, TRoutineProc Proc, void* Data);
    void StartThreads(int32_t Count, bool Wait);
    void Post(const TRoutine& Routine, TTypeClass ParamType, const void* Param);
    void StopThreads();
    void ThreadFinished(int32_t Index);

    // Runs fn on the GUI thread and waits until it has run; gives up (fn never runs) when the
    // pool starts stopping first, so a closing window never deadlocks against a worker.
    bool Synchronize(const std::function<void()>& fn);

    bool Started() const noexcept { return started_; }
    int32_t WorkerCount() const noexcept { return workerCount_; }
    // How many workers StopThreads had to end forcibly, in total.
    int32_t ForcedTerminations() const noexcept { return forced_; }

  private:
    TList_t Threads{classOf<TClassT>()};
    TList_t Events{classOf<TPointerT>()};
    Lock CoreLock;
    std::atomic<bool> started_{false};
    int32_t workerCount_ = 0;
    int32_t forced_ = 0;
    Event stopping_{true, false};

    TThreadObj* slot(int32_t index);  // caller holds CoreLock
};

// True inside a job whose worker has been asked to stop; long jobs check it between steps.
bool StopRequested() noexcept;

}  // namespace vantrel

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

// What the core keeps for one registered routine; lives as long as the core.
struct TRoutineState {
    explicit TRoutineState(Event& stopping) : Stopping(stopping) {}
    Event Done{false, false};  // the routine's DoneEvent
    // Jobs of the routine queued or running; 0 is the "nothing waiting or running" flag that
    // PostIfIdle tests, cleared when a run ends or a job is dropped.
    std::atomic<int32_t> Pending{0};
    Event& Stopping;  // the core's stop request
};

// A registered piece of work; copied by value wherever it is stored.
struct TRoutine {
    int32_t ThreadIndex = -1;  // -1: not registered
    TRoutineProc Proc = nullptr;
    void* Data = nullptr;
    Event* DoneEvent = nullptr;  // auto-reset; reset before each run, set after it
    TRoutineState* State = nullptr;
};

struct TJobNode {
    TRoutineProc Proc = nullptr;
    void* Data = nullptr;
    void* Param = nullptr;
    TTypeClass ParamType = nullptr;
    Event* DoneEvent = nullptr;
    TRoutineState* State = nullptr;
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
    Event StopEvent{true, false};  // set with Terminated, so that waits inside a job end early
    std::atomic<bool> Terminated{false};
    // Set under QueueLock when the worker leaves its loop: later posts are refused, and the thread
    // is about to end.
    std::atomic<bool> Finished{false};
    // Ended by force: whatever it held may be half-changed, so the object is never touched again.
    std::atomic<bool> Abandoned{false};
    TJobNode* Head = nullptr;
    TJobNode* Tail = nullptr;
    TJobNode* Current = nullptr;
    Lock QueueLock;

    void ThreadProc();
    // Sets Terminated and wakes the worker.
    void RequestStop();
    TMTCore& Core() noexcept { return core_; }

  private:
    TMTCore& core_;
};

// Worker slots hold shared references: a post keeps its worker alive without holding a core lock.
using TThreadRef = std::shared_ptr<TThreadObj>;
class TThreadRefT : public TValueT<TThreadRef> {};

// The pool of workers.
class TMTCore {
  public:
    TMTCore();
    TMTCore(const TMTCore&) = delete;
    TMTCore& operator=(const TMTCore&) = delete;
    ~TMTCore();

    TRoutine RegisterRoutine(int32_t ThreadIndex, TRoutineProc Proc, void* Data);
    void StartThreads(int32_t Count, bool Wait);
    // Queues one run of Routine with a copy of the value at Param; true when it was queued (a
    // dropped job is logged).
    bool Post(const TRoutine& Routine, TTypeClass ParamType, const void* Param);
    // Posts only when no job of Routine is waiting or running, so that a timer that posts faster
    // than the job runs never piles up jobs; false (nothing logged) when one is, or when the post
    // was dropped.
    bool PostIfIdle(const TRoutine& Routine, TTypeClass ParamType, const void* Param);
    // Stops every worker, ending by force one that is still busy 100 ms after its stop request.
    // Never hangs: after a forced end nothing the ended thread may have held is touched.
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
    // The worker of slot index, logging why there is none.
    TThreadRef pickWorker(int32_t index);
    bool queue(const TRoutine& Routine, TTypeClass ParamType, const void* Param, bool counted);

    TList_t Threads{classOf<TThreadRefT>()};
    TList_t Events{classOf<TPointerT>()};  // the TRoutineState of every registered routine
    Lock CoreLock;
    std::atomic<bool> started_{false};
    int32_t workerCount_ = 0;
    std::atomic<int32_t> forced_{0};
    Event stopping_{true, false};
};

// True inside a job whose worker has been asked to stop; long jobs check it between steps.
bool StopRequested() noexcept;

// Inside a job: waits up to ms for its worker's stop request and tells whether it came. Elsewhere a
// plain sleep that returns false.
bool WaitForStopRequest(uint32_t ms) noexcept;

// The display step of a notification: from a worker, Synchronize of its pool; on the GUI thread, fn
// at once. Elsewhere there is nothing to give up on, so it is logged and fn does not run.
bool SynchronizeWithGuiThread(const std::function<void()>& fn);

}  // namespace vantrel

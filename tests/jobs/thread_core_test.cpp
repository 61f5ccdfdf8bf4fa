#include "jobs/thread_core.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "jobs/gui_sync.h"
#include "support/trace_capture.h"

namespace vantrel {
namespace {

using test::TraceCapture;

// The Data object of the test routines: what ran, with which parameter, on which thread.
struct Recorder {
    std::mutex m;
    std::vector<int32_t> values;
    std::vector<uint32_t> threads;
    TMTCore* core = nullptr;
    TRoutine* self = nullptr;

    void add(int32_t v) {
        std::lock_guard g(m);
        values.push_back(v);
        threads.push_back(currentThreadId());
    }
    std::vector<int32_t> seen() {
        std::lock_guard g(m);
        return values;
    }
};

void recordProc(void* data, const void* param) {
    static_cast<Recorder*>(data)->add(*static_cast<const int32_t*>(param));
}

void slowRecordProc(void* data, const void* param) {
    sleepMs(20);
    recordProc(data, param);
}

void throwingProc(void*, const void* param) {
    if (*static_cast<const int32_t*>(param) < 0)
        throw std::runtime_error("job failed");
}

// Posts 1000 + value to its own routine the first time it runs.
void repostingProc(void* data, const void* param) {
    auto* r = static_cast<Recorder*>(data);
    int32_t v = *static_cast<const int32_t*>(param);
    r->add(v);
    if (v == 1) {
        int32_t next = 1000 + v;
        r->core->Post(*r->self, classOf<TIntegerT>(), &next);
    }
}

// Runs until its worker is asked to stop, as a long RAM recovery does.
void stopAwareProc(void* data, const void*) {
    static_cast<Recorder*>(data)->add(1);
    while (!StopRequested())
        sleepMs(1);
    static_cast<Recorder*>(data)->add(2);
}

bool waitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 500; ++i) {
        if (condition())
            return true;
        sleepMs(5);
    }
    return condition();
}

class ThreadCoreTest : public ::testing::Test {
  protected:
    void SetUp() override { core.StartThreads(3, false); }
    Recorder recorder;  // outlives the pool, whose jobs use it
    TMTCore core;
};

TEST_F(ThreadCoreTest, JobsRunInPostingOrderWithTheirOwnParameterCopies) {
    TRoutine r = core.RegisterRoutine(0, slowRecordProc, &recorder);
    int32_t value = 0;
    for (int i = 0; i < 5; ++i) {
        value = i;
        core.Post(r, classOf<TIntegerT>(), &value);
        value = -99;  // the queued job has its own copy
    }
    ASSERT_TRUE(r.DoneEvent);
    EXPECT_TRUE(waitFor([&] { return recorder.seen().size() == 5; }));
    EXPECT_EQ(recorder.seen(), (std::vector<int32_t>{0, 1, 2, 3, 4}));
    std::lock_guard g(recorder.m);
    for (uint32_t t : recorder.threads)
        EXPECT_EQ(t, recorder.threads.front());  // all on worker 0
    EXPECT_NE(recorder.threads.front(), currentThreadId());
}

TEST_F(ThreadCoreTest, WorkersRunConcurrentlyAndEachRoutineOnItsOwnWorker) {
    TRoutine onZero = core.RegisterRoutine(0, stopAwareProc, &recorder);
    Recorder other;
    TRoutine onTwo = core.RegisterRoutine(2, recordProc, &other);
    int32_t v = 7;
    core.Post(onZero, classOf<TIntegerT>(), &v);  // keeps worker 0 busy
    core.Post(onTwo, classOf<TIntegerT>(), &v);
    EXPECT_TRUE(onTwo.DoneEvent->wait(5000));
    EXPECT_EQ(other.seen(), std::vector<int32_t>{7});
}

TEST_F(ThreadCoreTest, AJobPostedFromARunningJobRunsAfterTheRestOfTheChain) {
    TRoutine r = core.RegisterRoutine(1, repostingProc, &recorder);
    recorder.core = &core;
    recorder.self = &r;
    Recorder blocker;
    TRoutine block = core.RegisterRoutine(1, slowRecordProc, &blocker);
    int32_t zero = 0;
    core.Post(block, classOf<TIntegerT>(), &zero);  // so the next three are detached as one chain
    for (int32_t v : {1, 2, 3})
        core.Post(r, classOf<TIntegerT>(), &v);
    EXPECT_TRUE(waitFor([&] { return recorder.seen().size() == 4; }));
    EXPECT_EQ(recorder.seen(), (std::vector<int32_t>{1, 2, 3, 1001}));
}

TEST_F(ThreadCoreTest, PostingToAnUnregisteredRoutineLogsBothLinesAndRunsNothing) {
    TraceCapture trace;
    TRoutine unregistered;
    unregistered.Proc = recordProc;
    unregistered.Data = &recorder;
    int32_t v = 1;
    core.Post(unregistered, classOf<TIntegerT>(), &v);
    EXPECT_EQ(trace.messages(),
              (std::vector<std::wstring>{L"Invalid index value: -1", L"Couldn't get thread object"}));
    EXPECT_EQ(trace.units(), (std::vector<std::string>{"TTypes", "MThreading"}));
    TRoutine beyond = core.RegisterRoutine(3, recordProc, &recorder);
    core.Post(beyond, classOf<TIntegerT>(), &v);
    EXPECT_EQ(trace.messages().at(2), L"Invalid index value: 3");
    sleepMs(50);
    EXPECT_TRUE(recorder.seen().empty());
}

TEST_F(ThreadCoreTest, ARaisingJobIsLoggedItsDoneEventSetAndTheWorkerGoesOn) {
    TraceCapture trace;
    TRoutine failing = core.RegisterRoutine(0, throwingProc, nullptr);
    TRoutine next = core.RegisterRoutine(0, recordProc, &recorder);
    int32_t bad = -1, good = 5;
    core.Post(failing, classOf<TIntegerT>(), &bad);
    core.Post(next, classOf<TIntegerT>(), &good);
    EXPECT_TRUE(failing.DoneEvent->wait(5000));
    EXPECT_TRUE(next.DoneEvent->wait(5000));
    EXPECT_EQ(recorder.seen(), std::vector<int32_t>{5});
    EXPECT_EQ(trace.messages(), std::vector<std::wstring>{L"Assertion failure"});
}

TEST_F(ThreadCoreTest, ADoneEventSetBeforeTheWaitBeginsIsNotLost) {
    TRoutine r = core.RegisterRoutine(2, recordProc, &recorder);
    int32_t v = 3;
    core.Post(r, classOf<TIntegerT>(), &v);
    ASSERT_TRUE(waitFor([&] { return recorder.seen().size() == 1; }));
    sleepMs(20);
    InitGuiThread();
    EXPECT_EQ(WaitWithMessages(r), TWaitResult::kDone);  // returns at once
    EXPECT_FALSE(r.DoneEvent->wait(0));                  // auto-reset: one set releases one waiter
}

TEST_F(ThreadCoreTest, StartingTwiceDoesNothingAndStoppingIdleWorkersNeedsNoForce) {
    TRoutine r = core.RegisterRoutine(1, recordProc, &recorder);
    core.StartThreads(3, false);
    EXPECT_EQ(core.WorkerCount(), 3);
    int32_t v = 1;
    core.Post(r, classOf<TIntegerT>(), &v);
    EXPECT_TRUE(r.DoneEvent->wait(5000));
    auto start = std::chrono::steady_clock::now();
    core.StopThreads();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(core.ForcedTerminations(), 0);
    EXPECT_FALSE(core.Started());
    // After the stop a post finds no worker.
    TraceCapture trace;
    core.Post(r, classOf<TIntegerT>(), &v);
    EXPECT_EQ(trace.messages().back(), L"Couldn't get thread object");
}

TEST_F(ThreadCoreTest, StopEndsALongJobThatWatchesTheStopRequestWithoutForce) {
    TRoutine r = core.RegisterRoutine(0, stopAwareProc, &recorder);
    int32_t v = 0;
    core.Post(r, classOf<TIntegerT>(), &v);
    ASSERT_TRUE(waitFor([&] { return recorder.seen().size() == 1; }));
    core.StopThreads();
    EXPECT_EQ(recorder.seen(), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(core.ForcedTerminations(), 0);
}

struct CountedParam {
    static inline std::atomic<int> live{0};
    CountedParam() { ++live; }
    CountedParam(const CountedParam&) noexcept { ++live; }
    ~CountedParam() { --live; }
};
class CountedParamT : public TValueT<CountedParam> {};

TEST_F(ThreadCoreTest, JobsStillQueuedAtStopNeverRunAndTheirParametersAreReleased) {
    TRoutine busy = core.RegisterRoutine(0, stopAwareProc, &recorder);
    Recorder late;
    TRoutine queued = core.RegisterRoutine(
        0, [](void* d, const void*) { static_cast<Recorder*>(d)->add(9); }, &late);
    int32_t v = 0;
    core.Post(busy, classOf<TIntegerT>(), &v);
    ASSERT_TRUE(waitFor([&] { return recorder.seen().size() == 1; }));
    {
        CountedParam p;
        for (int i = 0; i < 3; ++i)
            core.Post(queued, classOf<CountedParamT>(), &p);
    }
    EXPECT_EQ(CountedParam::live.load(), 3);
    core.StopThreads();
    EXPECT_TRUE(late.seen().empty());
    EXPECT_EQ(CountedParam::live.load(), 0);
}

// Descriptors whose copy or release fails, to reach the core's failure lines.
struct FailingCopyT : public TValueT<int32_t> {
    void Copy(const void*, void*) const override { throw std::runtime_error("copy"); }
};
struct FailingDisposeT : public TValueT<int32_t> {
    void Dispose(void*) const override { throw std::runtime_error("dispose"); }
};

TEST_F(ThreadCoreTest, AParameterThatCannotBeCopiedOrReleasedIsLoggedAndTheWorkerGoesOn) {
    TRoutine r = core.RegisterRoutine(2, recordProc, &recorder);
    int32_t v = 11;
    {
        TraceCapture trace;
        core.Post(r, classOf<FailingCopyT>(), &v);  // dropped before it is queued
        EXPECT_EQ(trace.messages(), std::vector<std::wstring>{L"Assertion failure"});
    }
    TraceCapture trace;
    core.Post(r, classOf<FailingDisposeT>(), &v);
    core.Post(r, classOf<TIntegerT>(), &v);
    ASSERT_TRUE(waitFor([&] { return recorder.seen().size() == 2; }));
    auto messages = trace.messages();
    ASSERT_EQ(messages.size(), 1u);
    // The block's address in decimal.
    EXPECT_FALSE(messages[0].empty());
    EXPECT_EQ(messages[0].find_first_not_of(L"0123456789"), std::wstring::npos) << messages[0];
}

// The worker-1 pattern: the display step runs on the GUI thread while the worker waits.
void displayProc(void* data, const void* param) {
    auto* r = static_cast<Recorder*>(data);
    int32_t v = *static_cast<const int32_t*>(param);
    r->core->Synchronize([r, v] { r->add(v); });
}

TEST_F(ThreadCoreTest, NotificationsRunOnTheGuiThreadWhileItWaitsWithMessages) {
    InitGuiThread();
    recorder.core = &core;
    TRoutine display = core.RegisterRoutine(1, displayProc, &recorder);
    for (int32_t v : {1, 2, 3})
        core.Post(display, classOf<TIntegerT>(), &v);
    Recorder last;
    TRoutine marker = core.RegisterRoutine(1, recordProc, &last);
    int32_t v = 0;
    core.Post(marker, classOf<TIntegerT>(), &v);
    WaitWithMessages(*marker.DoneEvent);
    EXPECT_EQ(recorder.seen(), (std::vector<int32_t>{1, 2, 3}));
    std::lock_guard g(recorder.m);
    for (uint32_t t : recorder.threads)
        EXPECT_EQ(t, currentThreadId());
}

TEST_F(ThreadCoreTest, StoppingWhileAWorkerWaitsForTheGuiThreadDoesNotDeadlock) {
    InitGuiThread();
    recorder.core = &core;
    TRoutine display = core.RegisterRoutine(1, displayProc, &recorder);
    int32_t v = 42;
    core.Post(display, classOf<TIntegerT>(), &v);
    sleepMs(50);  // worker 1 now waits for this thread, which does not dispatch
    auto start = std::chrono::steady_clock::now();
    core.StopThreads();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(core.ForcedTerminations(), 0);
    ProcessMessages();  // the abandoned display step is not run late
    EXPECT_TRUE(recorder.seen().empty());
}

// Waits, on the GUI thread, for jobs that cannot finish.
TEST_F(ThreadCoreTest, AWaitForAJobThatWasRefusedEndsAtOnceAsDropped) {
    InitGuiThread();
    TRoutine beyond = core.RegisterRoutine(5, recordProc, &recorder);
    int32_t v = 1;
    {
        TraceCapture trace;
        EXPECT_FALSE(core.Post(beyond, classOf<TIntegerT>(), &v));
    }
    EXPECT_EQ(WaitWithMessages(beyond), TWaitResult::kDropped);
    TRoutine unregistered;
    EXPECT_EQ(WaitWithMessages(unregistered), TWaitResult::kDropped);
    // A pool that is not running refuses the post too.
    TMTCore idle;
    TRoutine r = idle.RegisterRoutine(0, recordProc, &recorder);
    {
        TraceCapture trace;
        EXPECT_FALSE(idle.Post(r, classOf<TIntegerT>(), &v));
    }
    EXPECT_EQ(WaitWithMessages(r), TWaitResult::kDropped);
    // Its routine still counts nothing as waiting: a later run is waited for normally.
    idle.StartThreads(3, false);
    EXPECT_TRUE(idle.Post(r, classOf<TIntegerT>(), &v));
    EXPECT_EQ(WaitWithMessages(r), TWaitResult::kDone);
}

TEST_F(ThreadCoreTest, AWaitForAQueuedJobEndsAsStoppedWhenTheWindowStopsThePoolMeanwhile) {
    InitGuiThread();
    TRoutine busy = core.RegisterRoutine(0, stopAwareProc, &recorder);
    Recorder late;
    TRoutine queued = core.RegisterRoutine(0, recordProc, &late);
    int32_t v = 0;
    core.Post(busy, classOf<TIntegerT>(), &v);
    core.Post(queued, classOf<TIntegerT>(), &v);
    // The window closes while the GUI thread waits: its close handler stops the pool from inside
    // the wait's own dispatching.
    Event never(true, false);
    std::thread closer([&] {
        ASSERT_TRUE(waitFor([&] { return recorder.seen().size() == 1; }));
        RunOnGuiThread([&] { core.StopThreads(); }, never);
    });
    EXPECT_EQ(WaitWithMessages(queued), TWaitResult::kStopped);
    closer.join();
    EXPECT_TRUE(late.seen().empty());
    EXPECT_EQ(core.ForcedTerminations(), 0);
    // Once stopped, a wait does not block either.
    EXPECT_EQ(WaitWithMessages(queued), TWaitResult::kStopped);
}

// A job that holds its worker until the gate opens or the pool stops, as a one-second sample does.
struct Gated {
    Event gate{true, false};
    std::atomic<int> runs{0};
    static void Proc(void* data, const void*) {
        auto* self = static_cast<Gated*>(data);
        ++self->runs;
        while (!self->gate.wait(0) && !WaitForStopRequest(1)) {
        }
    }
};

TEST_F(ThreadCoreTest, TimerPostsOfABusyRoutineNeverPileUpOnTheInformationWorker) {
    Gated sysInfo, processList;
    TRoutine a = core.RegisterRoutine(2, Gated::Proc, &sysInfo);
    TRoutine b = core.RegisterRoutine(2, Gated::Proc, &processList);
    void* nothing = nullptr;
    // Ten refresh ticks while the first sample still runs: one job of each routine, no more.
    std::vector<bool> postedA, postedB;
    for (int tick = 0; tick < 10; ++tick) {
        postedA.push_back(core.PostIfIdle(a, classOf<TPointerT>(), &nothing));
        postedB.push_back(core.PostIfIdle(b, classOf<TPointerT>(), &nothing));
        if (tick == 0) {
            ASSERT_TRUE(waitFor([&] { return sysInfo.runs == 1; }));
        }
    }
    std::vector<bool> firstOnly(10, false);
    firstOnly[0] = true;
    EXPECT_EQ(postedA, firstOnly);
    EXPECT_EQ(postedB, firstOnly);
    sysInfo.gate.set();
    processList.gate.set();
    // Everything queued has run once the worker is past a marker posted last.
    TRoutine marker = core.RegisterRoutine(2, recordProc, &recorder);
    int32_t v = 0;
    core.Post(marker, classOf<TIntegerT>(), &v);
    ASSERT_TRUE(marker.DoneEvent->wait(5000));
    EXPECT_EQ(sysInfo.runs.load(), 1);
    EXPECT_EQ(processList.runs.load(), 1);
    EXPECT_TRUE(a.DoneEvent->wait(0));  // the end of the first run, before the marker's
    // The flag is cleared when the run ends: the next tick posts again.
    EXPECT_TRUE(core.PostIfIdle(a, classOf<TPointerT>(), &nothing));
    EXPECT_TRUE(a.DoneEvent->wait(5000));
    EXPECT_TRUE(waitFor([&] { return core.PostIfIdle(a, classOf<TPointerT>(), &nothing); }));
    EXPECT_TRUE(a.DoneEvent->wait(5000));
    EXPECT_EQ(sysInfo.runs.load(), 3);
}

TEST_F(ThreadCoreTest, AnIdleOnlyPostThatIsRefusedOrDroppedLeavesTheRoutineFreeToPostAgain) {
    Gated job;
    TRoutine r = core.RegisterRoutine(0, Gated::Proc, &job);
    void* nothing = nullptr;
    {
        TraceCapture trace;
        EXPECT_FALSE(core.PostIfIdle(r, classOf<FailingCopyT>(), &nothing));
        EXPECT_EQ(trace.messages(), std::vector<std::wstring>{L"Assertion failure"});
    }
    job.gate.set();
    EXPECT_TRUE(core.PostIfIdle(r, classOf<TPointerT>(), &nothing));
    EXPECT_TRUE(r.DoneEvent->wait(5000));
    // A job dropped at a stop does not hold the flag of a later pool.
    job.gate.reset();
    EXPECT_TRUE(waitFor([&] { return core.PostIfIdle(r, classOf<TPointerT>(), &nothing); }));
    EXPECT_TRUE(core.Post(r, classOf<TPointerT>(), &nothing));  // queued behind it, never runs
    ASSERT_TRUE(waitFor([&] { return job.runs == 2; }));
    core.StopThreads();
    EXPECT_EQ(core.ForcedTerminations(), 0);
    core.StartThreads(3, false);
    EXPECT_TRUE(core.PostIfIdle(r, classOf<TPointerT>(), &nothing));
    core.StopThreads();  // before the job's data goes
}

}  // namespace
}  // namespace vantrel

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "jobs/gui_sync.h"
#include "jobs/thread_core.h"
#include "support/trace_capture.h"

namespace vantrel {
namespace {

using test::TraceCapture;

// A job that ignores the stop request, as a job stuck in a system call would.
void stubbornJob(void* started, const void*) {
    static_cast<Event*>(started)->set();
    ::Sleep(5000);
}

TEST(ThreadCoreWinTest, AJobThatIgnoresTheStopRequestIsEndedForciblyAfter100Ms) {
    Event started(true, false);
    TMTCore core;
    TRoutine r = core.RegisterRoutine(0, stubbornJob, &started);
    core.StartThreads(3, false);
    int32_t v = 0;
    core.Post(r, classOf<TIntegerT>(), &v);
    ASSERT_TRUE(started.wait(5000));
    auto begin = std::chrono::steady_clock::now();
    core.StopThreads();
    auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_EQ(core.ForcedTerminations(), 1);
    EXPECT_GE(took, std::chrono::milliseconds(90));
    EXPECT_LT(took, std::chrono::milliseconds(2000));
    EXPECT_FALSE(core.Started());
}

TEST(ThreadCoreWinTest, AForciblyEndedWorkersQueuedJobsNeverRunAndItsWaitersAreReleased) {
    InitGuiThread();
    Event started(true, false);
    std::atomic<int> laterRuns{0};
    TMTCore core;
    TRoutine stuck = core.RegisterRoutine(0, stubbornJob, &started);
    TRoutine later = core.RegisterRoutine(
        0, [](void* runs, const void*) { ++*static_cast<std::atomic<int>*>(runs); }, &laterRuns);
    core.StartThreads(3, false);
    int32_t v = 0;
    core.Post(stuck, classOf<TIntegerT>(), &v);
    ASSERT_TRUE(started.wait(5000));
    core.Post(later, classOf<TIntegerT>(), &v);
    core.Post(later, classOf<TIntegerT>(), &v);
    core.StopThreads();
    EXPECT_EQ(core.ForcedTerminations(), 1);
    EXPECT_EQ(laterRuns.load(), 0);
    EXPECT_FALSE(later.DoneEvent->wait(0));
    EXPECT_EQ(WaitWithMessages(later), TWaitResult::kStopped);
    // A new pool runs the routine again: nothing of the ended worker is left in the way.
    core.StartThreads(3, false);
    EXPECT_TRUE(core.PostIfIdle(later, classOf<TIntegerT>(), &v));
    EXPECT_EQ(WaitWithMessages(later), TWaitResult::kDone);
    EXPECT_EQ(laterRuns.load(), 1);
}

// Worker 2 posting rows to worker 1 after worker 1 has ended, as a process list does when the
// window closes: every post is dropped and logged, and the job never looks at the stop request.
struct Flood {
    TMTCore* core = nullptr;
    TRoutine rows;
    TRoutine nowhere;  // never registered: two log lines per post
    Event started{true, false};
    static void Proc(void* data, const void*) {
        auto* self = static_cast<Flood*>(data);
        self->started.set();
        int32_t v = 0;
        for (;;) {
            self->core->Post(self->rows, classOf<TIntegerT>(), &v);
            self->core->Post(self->nowhere, classOf<TIntegerT>(), &v);
        }
    }
};

// Ends the test program when the guarded steps hang, so that a hang is a failure with a reason.
class Watchdog {
  public:
    explicit Watchdog(DWORD ms)
        : thread_([this, ms] {
              if (!done_.wait(ms)) {
                  static const char kText[] = "StopThreads hung after a forced end\n";
                  DWORD written = 0;
                  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), kText, sizeof(kText) - 1, &written, nullptr);
                  ::TerminateProcess(::GetCurrentProcess(), 3);
              }
          }) {}
    ~Watchdog() {
        done_.set();
        thread_.join();
    }

  private:
    Event done_{true, false};
    std::thread thread_;
};

TEST(ThreadCoreWinTest, StopReturnsWhenAWorkerIsEndedWhilePostingAndLogging) {
    // Several rounds, so that the forced end lands in different places of a post and of a log line.
    for (int round = 0; round < 5; ++round) {
        Flood flood;
        TMTCore core;
        flood.core = &core;
        flood.rows = core.RegisterRoutine(
            1, [](void*, const void*) {}, nullptr);
        TRoutine job = core.RegisterRoutine(2, Flood::Proc, &flood);
        core.StartThreads(3, false);
        int32_t v = 0;
        core.Post(job, classOf<TIntegerT>(), &v);
        ASSERT_TRUE(flood.started.wait(5000));
        sleepMs(20 * round);
        {
            Watchdog watchdog(30000);
            auto begin = std::chrono::steady_clock::now();
            core.StopThreads();
            EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(3)) << round;
            EXPECT_EQ(core.ForcedTerminations(), 1) << round;
            // The core and the trace log are still usable: a later post is refused and logged.
            TraceCapture trace;
            EXPECT_FALSE(core.Post(flood.rows, classOf<TIntegerT>(), &v));
            EXPECT_EQ(trace.messages().back(), L"Couldn't get thread object") << round;
        }
    }
}

uint64_t threadCpu100ns() {
    FILETIME created, exited, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
    auto v = [](FILETIME f) { return uint64_t(f.dwHighDateTime) << 32 | f.dwLowDateTime; };
    return v(kernel) + v(user);
}

TEST(ThreadCoreWinTest, AQuitRequestDuringAWaitIsKeptWithoutSpinningTheWait) {
    InitGuiThread();
    Event done(false, false);
    std::thread setter([&] {
        ::Sleep(300);
        done.set();
    });
    ::PostQuitMessage(7);
    uint64_t before = threadCpu100ns();
    WaitWithMessages(done);
    uint64_t spent = threadCpu100ns() - before;
    setter.join();
    EXPECT_LT(spent, 1000000u) << "the wait used " << spent / 10000 << " ms of processor time";
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
}  // namespace vantrel

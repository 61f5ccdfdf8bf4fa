#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "jobs/gui_sync.h"
#include "jobs/thread_core.h"

namespace vantrel {
namespace {

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

struct Counted {
    static inline std::atomic<int> live{0};
    Counted() { ++live; }
    Counted(const Counted&) noexcept { ++live; }
    ~Counted() { --live; }
};
class CountedT : public TValueT<Counted> {};

TEST(ThreadCoreWinTest, AForciblyEndedWorkerStillReleasesTheJobsItHeld) {
    Event started(true, false);
    {
        TMTCore core;
        TRoutine stuck = core.RegisterRoutine(0, stubbornJob, &started);
        TRoutine later = core.RegisterRoutine(
            0, [](void*, const void*) {}, nullptr);
        core.StartThreads(3, false);
        int32_t v = 0;
        core.Post(stuck, classOf<TIntegerT>(), &v);
        ASSERT_TRUE(started.wait(5000));
        Counted c;
        core.Post(later, classOf<CountedT>(), &c);
        core.Post(later, classOf<CountedT>(), &c);
        EXPECT_EQ(Counted::live.load(), 3);
        core.StopThreads();
        EXPECT_EQ(core.ForcedTerminations(), 1);
    }
    EXPECT_EQ(Counted::live.load(), 0);
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

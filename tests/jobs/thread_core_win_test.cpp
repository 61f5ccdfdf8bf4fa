#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

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

}  // namespace
}  // namespace vantrel

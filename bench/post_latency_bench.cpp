// Time from Post to the start of an empty job on an idle worker, and the full round trip to its
// done event.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

#include "jobs/thread_core.h"

using namespace vantrel;
using Clock = std::chrono::steady_clock;

namespace {
std::atomic<int64_t> gStartedAt{0};

void emptyJob(void*, const void*) {
    gStartedAt = Clock::now().time_since_epoch().count();
}

double percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}
}  // namespace

int main() {
    TMTCore core;
    TRoutine routine = core.RegisterRoutine(0, emptyJob, nullptr);
    core.StartThreads(3, false);
    constexpr int kPosts = 5000;
    std::vector<double> toStart, roundTrip;
    for (int i = 0; i < kPosts; ++i) {
        sleepMs(0);
        int32_t value = i;
        auto posted = Clock::now();
        core.Post(routine, classOf<TIntegerT>(), &value);
        routine.DoneEvent->wait();
        auto done = Clock::now();
        toStart.push_back(double(gStartedAt.load() - posted.time_since_epoch().count()) / 1000.0);
        roundTrip.push_back(std::chrono::duration<double, std::micro>(done - posted).count());
    }
    std::printf("empty job, %d posts to an idle worker (microseconds)\n", kPosts);
    std::printf("  post to run:  median %7.1f  p99 %7.1f\n", percentile(toStart, 0.5),
                percentile(toStart, 0.99));
    std::printf("  round trip:   median %7.1f  p99 %7.1f\n", percentile(roundTrip, 0.5),
                percentile(roundTrip, 0.99));
    core.StopThreads();
    return 0;
}

// Claims 1 GiB with the RAM recovery job and with a plain allocate-and-touch loop of the same
// size, in one run, and prints both times and their ratio. The job runs twice: with its own heap,
// destroyed whole at the end, and with the process heap, released block by block.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "engine/ram_recovery.h"
#include "platform/system.h"

using namespace vantrel;
using Clock = std::chrono::steady_clock;

namespace {
constexpr int64_t kAmount = int64_t(1) << 30;

double recoveryMs(bool privateHeap) {
    TRamRecoveryParam p;
    p.Amount = kAmount;
    RamRecoveryEnv env{privateHeap ? std::function<std::unique_ptr<Heap>()>(createPrivateHeap) : nullptr,
                       processHeap(),
                       systemClipboard(),
                       [] { return pageSize(); },
                       [] { return tickCount(); },
                       [](const TRoutine&, uint32_t) {},
                       [] { return false; }};
    auto start = Clock::now();
    RecoverRamRun(p, env);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The practical limit: the same blocks from the same heap, one write per page, then released.
double plainLoopMs() {
    const size_t block = size_t(pageSize()) * 10;
    const size_t page = pageSize();
    std::vector<void*> blocks;
    blocks.reserve(size_t(kAmount / int64_t(block)) + 1);
    auto start = Clock::now();
    for (int64_t held = 0; held < kAmount; held += int64_t(block)) {
        auto* p = static_cast<volatile char*>(processHeap().allocZeroed(block));
        if (!p)
            break;
        for (size_t at = 0; at < block; at += page)
            p[at] = 1;
        blocks.push_back(const_cast<char*>(p));
    }
    for (void* b : blocks)
        processHeap().release(b);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
}  // namespace

int main() {
    constexpr int kRounds = 5;
    std::vector<double> recovery, perBlock, plain;
    for (int i = 0; i < kRounds; ++i) {  // alternated, so all see the same machine state
        recovery.push_back(recoveryMs(true));
        perBlock.push_back(recoveryMs(false));
        plain.push_back(plainLoopMs());
    }
    double r = median(recovery), b = median(perBlock), p = median(plain);
    std::printf("1 GiB, median of %d rounds\n", kRounds);
    std::printf("  RAM recovery, own heap:      %8.1f ms\n", r);
    std::printf("  RAM recovery, process heap:  %8.1f ms\n", b);
    std::printf("  allocate-and-touch loop:     %8.1f ms\n", p);
    std::printf("  ratio (own heap / loop):     %8.2fx\n", r / p);
    return 0;
}

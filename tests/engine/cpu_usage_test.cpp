#include "engine/cpu_usage.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "engine/perf_builder.h"

namespace vantrel {
namespace {

// A clock whose sleeps advance it exactly.
class FakeClock final : public Clock {
  public:
    uint64_t now100ns() override { return now; }
    void sleep(uint32_t ms) override {
        sleeps.push_back(ms);
        now += uint64_t(ms) * 10000;
    }
    uint64_t now = 5000000;
    std::vector<uint32_t> sleeps;
};

class QueueRegistry final : public PerfDataRegistry {
  public:
    long query(const std::wstring&, uint8_t* buffer, uint32_t& size) override {
        if (blocks.empty())
            return 2;
        auto b = blocks.front();
        blocks.pop_front();
        std::copy(b.begin(), b.end(), buffer);
        size = uint32_t(b.size());
        return 0;
    }
    void close() override {}
    std::deque<std::vector<uint8_t>> blocks;
};

class FakeCpuSource final : public CpuSource {
  public:
    PlatformVersion platform() override { return version; }
    std::optional<std::vector<ProcessorTimes>> processorTimes() override {
        if (tables.empty())
            return std::nullopt;
        auto t = tables.front();
        tables.pop_front();
        return t;
    }
    PerfDataRegistry& perfData() override { return registry; }
    std::optional<uint32_t> dynDataValue(const std::wstring& key, const std::wstring& value) override {
        dynReads.push_back(key + L"|" + value);
        auto it = dyn.find(key);
        if (it == dyn.end())
            return std::nullopt;
        return it->second;
    }
    Clock& clock() override { return fakeClock; }

    PlatformVersion version{PlatformVersion::kNtFamily, 10};
    std::deque<std::optional<std::vector<ProcessorTimes>>> tables;
    QueueRegistry registry;
    std::map<std::wstring, uint32_t> dyn;
    std::vector<std::wstring> dynReads;
    FakeClock fakeClock;
};

// One processor whose busy time grows by `busy` over the one-second sample.
std::vector<ProcessorTimes> cpu(int64_t idle, int64_t kernel, int64_t user) {
    return {ProcessorTimes{idle, kernel, user}};
}

TEST(CpuUsageTest, LoadRoundsHalvesToEven) {
    struct Case {
        int64_t busyDelta;
        int32_t expected;
    };
    for (Case c : {Case{4999999, 50}, Case{5050000, 50}, Case{5150000, 52}, Case{0, 0}, Case{10000000, 100},
                   Case{250000, 2}, Case{350000, 4}}) {
        FakeCpuSource source;
        // Kernel time includes idle: busy = kernel + user - idle.
        source.tables.push_back(cpu(700, 1000, 300));
        source.tables.push_back(cpu(700, 1000 + c.busyDelta / 2, 300 + c.busyDelta - c.busyDelta / 2));
        EXPECT_EQ(GetCpuUsage(source), c.expected) << c.busyDelta;
        EXPECT_EQ(source.fakeClock.sleeps, std::vector<uint32_t>{1000});
    }
}

TEST(CpuUsageTest, LoadCountsEveryProcessor) {
    FakeCpuSource source;
    // Processor 0 idle all second, processor 1 busy all second, processor 2 busy a quarter: 125 of
    // 300 processor-percent is 41.67 %.
    source.tables.push_back(std::vector<ProcessorTimes>{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    source.tables.push_back(
        std::vector<ProcessorTimes>{{10000000, 10000000, 0}, {0, 4000000, 6000000}, {7500000, 10000000, 0}});
    EXPECT_EQ(GetCpuUsage(source), 42);
}

TEST(CpuUsageTest, FailedCallsGiveTheInvalidFigure) {
    FakeCpuSource missing;  // the call cannot be found: no table at all
    EXPECT_EQ(GetCpuUsage(missing), kInvalidCpuUsage);

    FakeCpuSource secondFails;
    secondFails.tables.push_back(cpu(0, 0, 0));
    secondFails.tables.push_back(std::nullopt);
    EXPECT_EQ(GetCpuUsage(secondFails), kInvalidCpuUsage);

    FakeCpuSource mismatched;
    mismatched.tables.push_back(cpu(0, 0, 0));
    mismatched.tables.push_back(std::vector<ProcessorTimes>(2));
    EXPECT_EQ(GetCpuUsage(mismatched), kInvalidCpuUsage);

    EXPECT_EQ(LoadFromProcessorTimes(cpu(0, 0, 0), cpu(0, 5, 5), 0), kInvalidCpuUsage);
}

std::vector<uint8_t> processorSample(uint64_t time,
                                     uint64_t idleCounter,
                                     const std::wstring& instance = L"") {
    test::PerfObjectSpec o{kProcessorObjectIndex,
                           {{6, 8}, {kProcessorTimeCounterIndex, 16}},
                           {{instance, {{8, 1}, {16, idleCounter}}}}};
    return test::PerfBlockBuilder().build(time, {o});
}

TEST(CpuUsageTest, OldNtSystemsReadTheIdleCounterOfThePerformanceData) {
    FakeCpuSource source;
    source.version = {PlatformVersion::kNtFamily, 4};
    // 6,100,000 idle units over 10,000,000: busy share 39 %, truncated.
    source.registry.blocks.push_back(processorSample(20000000, 1000000));
    source.registry.blocks.push_back(processorSample(30000000, 7100000));
    EXPECT_EQ(GetCpuUsage(source), 39);
    EXPECT_EQ(source.fakeClock.sleeps, std::vector<uint32_t>{1000});

    // Without the instance of the empty name there is no figure (not 100 %).
    FakeCpuSource noInstance;
    noInstance.version = {PlatformVersion::kNtFamily, 3};
    noInstance.registry.blocks.push_back(processorSample(20000000, 1000000, L"0"));
    noInstance.registry.blocks.push_back(processorSample(30000000, 7100000, L"0"));
    EXPECT_EQ(GetCpuUsage(noInstance), kInvalidCpuUsage);

    // An unreadable registry likewise.
    FakeCpuSource unreadable;
    unreadable.version = {PlatformVersion::kNtFamily, 4};
    EXPECT_EQ(GetCpuUsage(unreadable), kInvalidCpuUsage);
}

TEST(CpuUsageTest, ConsumerSystemsReadTheStatisticsKeysInOrder) {
    FakeCpuSource source;
    source.version = {PlatformVersion::kConsumerFamily, 4};
    source.dyn = {{kDynStartKey, 3}, {kDynDataKey, 27}, {kDynStopKey, 9}};
    EXPECT_EQ(GetCpuUsage(source), 27);
    EXPECT_EQ(source.dynReads, (std::vector<std::wstring>{L"PerfStats\\StartStat|KERNEL\\CPUUsage",
                                                          L"PerfStats\\StatData|KERNEL\\CPUUsage",
                                                          L"PerfStats\\StartStop|KERNEL\\CPUUsage"}));
    EXPECT_TRUE(source.fakeClock.sleeps.empty());

    FakeCpuSource noData;
    noData.version = {PlatformVersion::kConsumerFamily, 4};
    noData.dyn = {{kDynStartKey, 3}};
    EXPECT_EQ(GetCpuUsage(noData), kInvalidCpuUsage);
    EXPECT_EQ(noData.dynReads.size(), 3u);
}

TEST(CpuUsageTest, TheBranchFollowsThePlatform) {
    struct Case {
        PlatformVersion version;
        bool samplesTable;
        bool readsPerfData;
        bool readsDynData;
    };
    for (Case c : {Case{{2, 10}, true, false, false}, Case{{2, 5}, true, false, false},
                   Case{{2, 4}, false, true, false}, Case{{1, 4}, false, false, true},
                   Case{{0, 3}, false, false, false}}) {
        FakeCpuSource source;
        source.version = c.version;
        source.tables.push_back(cpu(0, 0, 0));
        source.tables.push_back(cpu(0, 0, 0));
        source.registry.blocks.push_back({});
        GetCpuUsage(source);
        EXPECT_EQ(source.tables.empty(), c.samplesTable) << c.version.platformId << "." << c.version.major;
        EXPECT_EQ(source.registry.blocks.empty(), c.readsPerfData) << c.version.major;
        EXPECT_EQ(!source.dynReads.empty(), c.readsDynData) << c.version.platformId;
    }
}

}  // namespace
}  // namespace vantrel

#include "procinfo/process_infos.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/fake_process_system.h"

namespace vantrel {
namespace {

using test::FakeProcessSystem;
using test::kRefusesAll;

class FakeServices final : public WmiServices {
  public:
    void execQuery(const std::wstring& query,
                   const std::vector<std::wstring>& selected,
                   const std::function<void(const std::vector<WmiProperty>&)>& each) override {
        queries.push_back(query);
        selections.push_back(selected);
        if (fails)
            throw WmiError("ExecQuery", -2147217392);
        for (const auto& o : objects)
            each(o);
    }
    std::vector<std::vector<WmiProperty>> objects;
    std::vector<std::wstring> queries;
    std::vector<std::vector<std::wstring>> selections;
    bool fails = false;
};

class FakeLocator final : public WmiLocator {
  public:
    std::unique_ptr<WmiServices> connectServer(const std::wstring& ns) override {
        namespaces.push_back(ns);
        if (refuses)
            throw WmiError("ConnectServer", -2147217394);
        auto s = std::make_unique<FakeServices>();
        s->objects = objects;
        s->fails = queryFails;
        services = s.get();
        return s;
    }
    std::vector<std::vector<WmiProperty>> objects;
    bool refuses = false;
    bool queryFails = false;
    std::vector<std::wstring> namespaces;
    FakeServices* services = nullptr;
};

class FakeClock final : public Clock {
  public:
    uint64_t now100ns() override { return now; }
    void sleep(uint32_t ms) override {
        sleeps.push_back(ms);
        now += uint64_t(ms) * 10000;
    }
    uint64_t now = 1000;
    std::vector<uint32_t> sleeps;
};

std::vector<WmiProperty> processObject(const std::wstring& name, WmiValue id, WmiValue load) {
    return {{L"Name", name},
            {L"IDProcess", std::move(id)},
            {L"PageFileBytes", std::wstring(L"5368709120")},
            {L"PercentProcessorTime", std::move(load)},
            {L"WorkingSet", std::wstring(L"4294967297")}};
}

class ProcessInfosTest : public ::testing::Test {
  protected:
    FakeProcessSystem processes;
    FakeLocator locator;
    FakeClock clock;
};

TEST_F(ProcessInfosTest, TheSnapshotAsksTheServiceWithTheExactQuery) {
    EXPECT_EQ(ProcessQueryText(),
              L"SELECT Name, IDProcess, PageFileBytes, PercentProcessorTime, WorkingSet FROM "
              L"Win32_PerfFormattedData_PerfProc_Process");
    locator.objects = {processObject(L"app", int64_t(20), int64_t(0))};
    TProcessInfos infos(processes, locator, clock);
    infos.Refresh();
    EXPECT_EQ(locator.namespaces, std::vector<std::wstring>{L"root\\cimv2"});
    EXPECT_EQ(locator.services->queries, std::vector<std::wstring>{ProcessQueryText()});
    // The properties to ask for by name where the service cannot list them: those of the query.
    EXPECT_EQ(locator.services->selections,
              (std::vector<std::vector<std::wstring>>{
                  {L"Name", L"IDProcess", L"PageFileBytes", L"PercentProcessorTime", L"WorkingSet"}}));
    EXPECT_EQ(infos.LastSource(), TProcessInfos::Source::Service);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(ProcessInfosTest, PropertiesMatchCaseSensitivelyAndTextValuesAreConverted) {
    locator.objects = {
        processObject(L"app", std::wstring(L"20"), std::wstring(L"3")),
        {{L"name", std::wstring(L"wrong")},
         {L"IDPROCESS", int64_t(99)},
         {L"WorkingSet", int64_t(123)},
         {L"IDProcess", int64_t(24)},
         {L"PercentProcessorTime", int64_t(0)},
         {L"Caption", std::wstring(L"ignored")}},
    };
    TProcessInfos infos(processes, locator, clock);
    infos.Refresh();
    ASSERT_EQ(infos.Count(), 2);
    const TProcessInfo& a = infos.ProcessInfoGet(0);
    EXPECT_EQ(a.Name, L"app");
    EXPECT_EQ(a.ProcessId, 20);
    EXPECT_EQ(a.PageFileBytes, 5368709120);
    EXPECT_EQ(a.WorkingSet, 4294967297);
    EXPECT_EQ(a.PercentProcessorTime, 3.0);
    EXPECT_EQ(&a.Owner(), &infos);
    const TProcessInfo& b = infos.ProcessInfoGet(1);
    EXPECT_EQ(b.Name, L"");
    EXPECT_EQ(b.ProcessId, 24);
    EXPECT_EQ(b.WorkingSet, 123);
    EXPECT_EQ(b.PercentProcessorTime, 0.0);
}

TEST(WmiValueTest, NumbersFromTextAndValuesOutOfRange) {
    const struct {
        WmiValue value;
        int64_t integer;
        double floating;  // NaN: unknown
    } cases[] = {
        {std::wstring(L"5368709120"), 5368709120, 5368709120.0},
        {std::wstring(L"12 MB"), 0, std::nan("")},
        {std::wstring(L""), 0, std::nan("")},
        {std::wstring(L"99999999999999999999"), 0, 1e20},
        {1e300, 0, 1e300},  // beyond 64 bits: no integer
        {-2.5, -2, -2.5},
        {int64_t(7), 7, 7.0},
        {true, 1, std::nan("")},
        {std::monostate{}, 0, std::nan("")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WmiInteger(c.value), c.integer) << WmiText(c.value);
        if (std::isnan(c.floating))
            EXPECT_TRUE(std::isnan(WmiFloat(c.value))) << WmiText(c.value);
        else
            EXPECT_EQ(WmiFloat(c.value), c.floating) << WmiText(c.value);
    }
}

TEST_F(ProcessInfosTest, IdleOnlyTrimsExactlyTheProcessesAtZeroLoad) {
    for (uint32_t id : {20u, 24u, 28u, 32u, 36u})
        processes.add({.id = id});
    locator.objects = {processObject(L"idle", int64_t(0), int64_t(0)),  // id 0 cannot be opened
                       processObject(L"a", int64_t(20), 0.0),
                       processObject(L"b", int64_t(24), 1.0),
                       processObject(L"c", int64_t(28), std::monostate{}),  // no load: not idle
                       processObject(L"d", std::wstring(L"32"), std::wstring(L"0")),
                       // No load property at all: not idle either.
                       {{L"Name", std::wstring(L"e")}, {L"IDProcess", int64_t(36)}}};
    TProcessInfos infos(processes, locator, clock);
    infos.Refresh();
    ASSERT_EQ(infos.Count(), 6);
    EXPECT_TRUE(std::isnan(infos.ProcessInfoGet(5).PercentProcessorTime));
    EXPECT_EQ(infos.EmptyWorkingSets(true), 2);
    EXPECT_EQ(processes.trimmed, (std::vector<uint32_t>{20, 32}));
    processes.trimmed.clear();
    processes.opens.clear();
    EXPECT_EQ(infos.EmptyWorkingSets(false), 5);
    EXPECT_EQ(processes.trimmed, (std::vector<uint32_t>{20, 24, 28, 32, 36}));
    // Every record is tried, id 0 too (it cannot be opened), with the right to trim alone.
    ASSERT_EQ(processes.opens.size(), 6u);
    for (const auto& open : processes.opens)
        EXPECT_EQ(open.second, kAccessTrim);
}

TEST_F(ProcessInfosTest, AFailedTrimDoesNotStopTheOthers) {
    processes.add({.id = 20, .trimOk = false});
    processes.add({.id = 24});
    processes.add({.id = 28});
    locator.objects = {processObject(L"a", int64_t(20), 0.0), processObject(L"b", int64_t(24), 0.0),
                       processObject(L"c", int64_t(28), 0.0)};
    TProcessInfos infos(processes, locator, clock);
    infos.Refresh();
    EXPECT_EQ(infos.EmptyWorkingSets(false), 2);
    EXPECT_EQ(processes.trimmed.size(), 3u);
}

// A stopping pool is noticed before the next process, both while trimming and while sampling.
TEST_F(ProcessInfosTest, AStopEndsTrimmingAndSamplingBeforeTheNextProcess) {
    for (uint32_t id : {20u, 24u, 28u, 32u})
        processes.add({.id = id});
    locator.objects = {processObject(L"a", int64_t(20), 0.0), processObject(L"b", int64_t(24), 0.0),
                       processObject(L"c", int64_t(28), 0.0), processObject(L"d", int64_t(32), 0.0)};
    TProcessInfos infos(processes, locator, clock, [this] { return processes.trimmed.size() == 2; });
    infos.Refresh();
    EXPECT_EQ(infos.EmptyWorkingSets(false), 2);
    EXPECT_EQ(processes.trimmed, (std::vector<uint32_t>{20, 24}));

    // Without the service: the sampling ends before the next process is opened, and the half
    // second between the samples is not waited for.
    FakeLocator refusing;
    refusing.refuses = true;
    TProcessInfos sampling(processes, refusing, clock, [this] { return processes.opens.size() == 2; });
    processes.opens.clear();
    sampling.Refresh();
    EXPECT_EQ(processes.opens.size(), 2u);
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(sampling.Count(), 0);
}

TEST_F(ProcessInfosTest, TheConnectionIsMadeOnceAndRefreshReplacesTheList) {
    locator.objects = {processObject(L"a", int64_t(20), 0.0), processObject(L"b", int64_t(24), 0.0)};
    TProcessInfos infos(processes, locator, clock);
    infos.Refresh();
    infos.Refresh();
    EXPECT_EQ(locator.namespaces.size(), 1u);
    EXPECT_EQ(locator.services->queries.size(), 2u);
    EXPECT_EQ(infos.Count(), 2);
}

// Without the service the load comes from two samples of each process's times, half a second
// apart: a process that used no time is idle, any other is not.
TEST_F(ProcessInfosTest, WithoutTheServiceTheProcessTableIsSampledTwice) {
    processes.add(
        {.id = 20, .path = L"C:\\idle.exe", .workingSet = 8192, .times = {{111, 5000}, {111, 5000}}});
    // 125 ms of 500: 25 %
    processes.add(
        {.id = 24, .path = L"C:\\busy.exe", .workingSet = 4096, .times = {{222, 5000}, {222, 1255000}}});
    processes.add({.id = 28, .workingSet = 4096});                          // no times
    processes.add({.id = 32, .workingSet = 4096, .refuses = kRefusesAll});  // cannot be opened

    for (int scenario = 0; scenario < 3; ++scenario) {
        FakeLocator failing;
        failing.refuses = scenario == 0;
        failing.queryFails = scenario == 1;  // scenario 2: the class answers nothing
        FakeClock sampleClock;
        TProcessInfos infos(processes, failing, sampleClock);
        infos.Refresh();
        EXPECT_EQ(infos.LastSource(), TProcessInfos::Source::ProcessTable) << scenario;
        EXPECT_EQ(sampleClock.sleeps, std::vector<uint32_t>{kLoadSampleMs});
        ASSERT_EQ(infos.Count(), 4);
        EXPECT_EQ(infos.ProcessInfoGet(0).ProcessId, 20);
        EXPECT_EQ(infos.ProcessInfoGet(0).Name, L"idle.exe");
        EXPECT_EQ(infos.ProcessInfoGet(0).WorkingSet, 8192);
        EXPECT_EQ(infos.ProcessInfoGet(0).PercentProcessorTime, 0.0);
        EXPECT_EQ(infos.ProcessInfoGet(1).PercentProcessorTime, 25.0);
        EXPECT_TRUE(std::isnan(infos.ProcessInfoGet(2).PercentProcessorTime));
        EXPECT_TRUE(std::isnan(infos.ProcessInfoGet(3).PercentProcessorTime));

        processes.trimmed.clear();
        EXPECT_EQ(infos.EmptyWorkingSets(true), 1);
        EXPECT_EQ(processes.trimmed, std::vector<uint32_t>{20});
        processes.trimmed.clear();
        EXPECT_EQ(infos.EmptyWorkingSets(false), 3);  // the one that cannot be opened is left
    }
}

// Where the system lists every process's times in one call, the creation time tells a process
// from one that took its id between the samples.
TEST_F(ProcessInfosTest, TheTimesTableIsUsedWhereTheSystemHasIt) {
    processes.add(
        {.id = 20, .path = L"C:\\idle.exe", .workingSet = 8192, .times = {{111, 5000}, {111, 5000}}});
    // 250 ms of 500: 50 %
    processes.add(
        {.id = 24, .path = L"C:\\busy.exe", .workingSet = 4096, .times = {{222, 5000}, {222, 2505000}}});
    // Another process by the second sample.
    processes.add(
        {.id = 28, .path = L"C:\\new.exe", .workingSet = 4096, .times = {{333, 5000}, {444, 5000}}});
    processes.add({.id = 32, .refuses = kRefusesAll, .times = {{555, 0}, {555, 0}}});
    processes.timesTable = true;
    locator.refuses = true;
    TProcessInfos infos(processes, locator, clock);
    infos.Refresh();
    EXPECT_EQ(processes.snapshotCalls, 2u);
    ASSERT_EQ(infos.Count(), 4);
    EXPECT_EQ(infos.ProcessInfoGet(0).PercentProcessorTime, 0.0);
    EXPECT_EQ(infos.ProcessInfoGet(1).PercentProcessorTime, 50.0);
    EXPECT_TRUE(std::isnan(infos.ProcessInfoGet(2).PercentProcessorTime));
    // Its load is known even though it cannot be opened; trimming it then fails quietly.
    EXPECT_EQ(infos.ProcessInfoGet(3).PercentProcessorTime, 0.0);
    EXPECT_EQ(infos.EmptyWorkingSets(true), 1);
    EXPECT_EQ(processes.trimmed, std::vector<uint32_t>{20});
}

// Every call takes time: the window the load is divided by must be the one between each
// process's two samples, not one that leaves out opening the processes or the second samples.
TEST_F(ProcessInfosTest, TheSampleWindowIsTheOneTheBusyTimesCover) {
    for (bool timesTable : {false, true}) {
        SCOPED_TRACE(timesTable ? "times table" : "per process");
        FakeProcessSystem system;
        FakeClock sampleClock;
        system.clockNow = &sampleClock.now;
        system.callCost = 100000;  // 10 ms
        system.timesTable = timesTable;
        for (auto [id, share] : {std::pair{20u, 0.25}, {24u, 0.0}, {28u, 0.5}, {32u, 0.25}})
            system.add({.id = id, .workingSet = 4096, .share = share});
        locator.refuses = true;
        TProcessInfos infos(system, locator, sampleClock);
        infos.Refresh();
        ASSERT_EQ(infos.Count(), 4);
        EXPECT_EQ(infos.ProcessInfoGet(0).PercentProcessorTime, 25.0);
        EXPECT_EQ(infos.ProcessInfoGet(1).PercentProcessorTime, 0.0);
        EXPECT_EQ(infos.ProcessInfoGet(2).PercentProcessorTime, 50.0);
        EXPECT_EQ(infos.ProcessInfoGet(3).PercentProcessorTime, 25.0);
    }
}

TEST_F(ProcessInfosTest, RefreshFailsOnlyWhenNeitherSourceAnswers) {
    locator.refuses = true;
    processes.enumFails = true;
    TProcessInfos infos(processes, locator, clock);
    EXPECT_THROW(infos.Refresh(), std::exception);
    EXPECT_EQ(infos.Count(), 0);
}

}  // namespace
}  // namespace vantrel

#include "procinfo/process_list.h"

#include <gtest/gtest.h>

#include <mutex>

#include "engine/ram_recovery.h"
#include "support/fake_process_system.h"

namespace vantrel {
namespace {

using test::FakeProcessSystem;
using test::kRefusesAll;

class RecordingSink final : public ProcessListSink {
  public:
    void begin() override { events.push_back(L"begin"); }
    void add(const TAddProcToListParam& row) override {
        events.push_back(L"row " + row.ProcessId);
        rows.push_back(row);
    }
    void end() override { events.push_back(L"end"); }
    std::vector<std::wstring> events;
    std::vector<TAddProcToListParam> rows;
};

TEST(ProcessListTest, CardinalToStrWritesDecimalDigitsAndNothingForZero) {
    EXPECT_EQ(CardinalToStr(0), L"");
    EXPECT_EQ(CardinalToStr(10), L"10");
    EXPECT_EQ(CardinalToStr(7), L"7");
    EXPECT_EQ(CardinalToStr(4294967295u), L"4294967295");
}

TEST(ProcessListTest, NtBranchListsEveryOpenableProcessWithItsFigures) {
    FakeProcessSystem system;
    system.add({.id = 0});                                                      // idle: skipped
    system.add({.id = 4, .path = L"C:\\ntoskrnl.exe", .workingSet = 1 << 20});  // filtered
    system.add({.id = 8, .path = L"C:\\Windows\\", .workingSet = 409600});      // no name: "System"
    system.add({.id = 12, .workingSet = 1 << 20});                              // no path: filtered
    system.add({.id = 16, .path = L"C:\\locked.exe", .refuses = kRefusesAll});  // cannot be opened
    system.add({.id = 20, .path = L"C:\\Apps\\app.exe", .workingSet = 10241023, .priorityClass = 0x8000});
    RecordingSink sink;
    ListProcessesRun(system, true, sink);
    EXPECT_EQ(sink.events, (std::vector<std::wstring>{L"begin", L"row 8", L"row 20", L"end"}));
    ASSERT_EQ(sink.rows.size(), 2u);
    EXPECT_EQ(sink.rows[0].Name, L"System");
    EXPECT_EQ(sink.rows[0].Path, L"C:\\Windows\\");
    EXPECT_EQ(sink.rows[0].MemoryKB, 400);
    EXPECT_EQ(sink.rows[1].ProcessId, L"20");
    EXPECT_EQ(sink.rows[1].Name, L"app.exe");
    EXPECT_EQ(sink.rows[1].MemoryKB, 10000);  // 10,241,023 bytes truncate to 10,000 KB
    EXPECT_EQ(sink.rows[1].PriorityClass, 0x8000);
    // Opened for queries alone; the idle process is never opened.
    for (const auto& [id, access] : system.opens) {
        EXPECT_NE(id, 0u);
        EXPECT_EQ(access, kAccessQuery);
    }
}

TEST(ProcessListTest, NtBranchListsMoreThan1025Processes) {
    FakeProcessSystem system;
    for (uint32_t i = 1; i <= 2000; ++i)
        system.add({.id = i * 4 + 4, .path = L"C:\\p.exe", .workingSet = 4096});
    RecordingSink sink;
    ListProcessesRun(system, true, sink);
    EXPECT_EQ(sink.rows.size(), 2000u);
    EXPECT_EQ(sink.rows.back().ProcessId, L"8004");
    EXPECT_EQ(system.enumCapacities, (std::vector<uint32_t>{1025, 2050}));

    // Exactly as many processes as the first buffer holds: asked once more to be sure.
    FakeProcessSystem exact;
    for (uint32_t i = 1; i <= 1025; ++i)
        exact.add({.id = i * 4 + 4, .path = L"C:\\p.exe", .workingSet = 4096});
    RecordingSink exactSink;
    ListProcessesRun(exact, true, exactSink);
    EXPECT_EQ(exactSink.rows.size(), 1025u);
    EXPECT_EQ(exact.enumCapacities, (std::vector<uint32_t>{1025, 2050}));
}

TEST(ProcessListTest, AFailedEnumerationListsNothingButStillFramesTheList) {
    FakeProcessSystem system;
    system.enumFails = true;
    system.add({.id = 20, .path = L"C:\\app.exe", .workingSet = 4096});
    for (bool nt : {true, false}) {
        RecordingSink sink;
        ListProcessesRun(system, nt, sink);
        EXPECT_EQ(sink.events, (std::vector<std::wstring>{L"begin", L"end"}));
    }
}

// A stop is noticed before the next process; the pass then ends without its end notice, so that
// the rows it did not reach are not swept away as ended.
TEST(ProcessListTest, AStopEndsThePassBeforeTheNextProcessWithoutItsEndNotice) {
    for (bool nt : {true, false}) {
        SCOPED_TRACE(nt ? "NT" : "Toolhelp");
        FakeProcessSystem system;
        for (uint32_t id : {8u, 12u, 16u, 20u})
            system.add({.id = id, .path = L"C:\\p.exe"});
        RecordingSink sink;
        ListProcessesRun(system, nt, sink, [&sink] { return sink.rows.size() == 2; });
        EXPECT_EQ(sink.events, (std::vector<std::wstring>{L"begin", L"row 8", L"row 12"}));
        EXPECT_EQ(system.opens.size(), 2u);
    }
}

TEST(ProcessListTest, ToolhelpBranchNamesFromTheExeTextAndCountsPrivateMemory) {
    FakeProcessSystem system;
    system.add({.id = 40,
                .exeFile = L"C:\\WINDOWS\\EXPLORER.EXE",
                .regions = {{0x10000, 0x3000, kMemCommit, kMemPrivate},
                            {0x13000, 0x1000, kMemCommit, 0x1000000},  // an image: not private
                            {0x14000, 0x2000, 0x2000, kMemPrivate},    // reserved only
                            {0x16000, 0x2800, kMemCommit, kMemPrivate}}});
    system.add({.id = 44, .exeFile = L"KERNEL32.DLL", .priorityClass = 0x80});
    system.add({.id = 4, .exeFile = L"SYSTEM"});
    RecordingSink sink;
    ListProcessesRun(system, false, sink);
    EXPECT_EQ(sink.events, (std::vector<std::wstring>{L"begin", L"row 40", L"row 44", L"end"}));
    EXPECT_EQ(sink.rows[0].Name, L"EXPLORER.EXE");
    EXPECT_EQ(sink.rows[0].Path, L"C:\\WINDOWS\\EXPLORER.EXE");
    // 0x3000 + 0x2800 bytes; the walk stops at the first failing query after the last region.
    EXPECT_EQ(sink.rows[0].MemoryKB, 22);
    EXPECT_EQ(sink.rows[1].Name, L"KERNEL32.DLL");
    EXPECT_EQ(sink.rows[1].PriorityClass, 0x80);
    // The walk needs the right to read the address space as well.
    for (const auto& open : system.opens)
        EXPECT_EQ(open.second, kAccessQuery | kAccessReadMemory);
}

TEST(ProcessListTest, PrivateBytesWalkStopsAtAFailingQueryOrAStuckRegion) {
    FakeProcessSystem system;
    system.add({.id = 40,
                .regions = {{0x10000, 0x4000, kMemCommit, kMemPrivate},
                            {0x20000, 0x4000, kMemCommit, kMemPrivate}}});
    auto opened = system.open(40, kAccessQuery | kAccessReadMemory);
    EXPECT_EQ(GetPrivateBytesKB(*opened, system), 16);  // the query at 0x14000 fails

    system.add({.id = 44, .regions = {{0x10000, 0, kMemCommit, kMemPrivate}}});
    auto opened2 = system.open(44, kAccessQuery | kAccessReadMemory);
    EXPECT_EQ(GetPrivateBytesKB(*opened2, system), 0);
}

TEST(ProcessListTest, AddProcToListFiltersTheSystemProcessAndEmptyPaths) {
    RecordingSink sink;
    EXPECT_FALSE(AddProcToList(sink, L"4", L"C:\\x.exe", L"x.exe", 1, 0x20));
    EXPECT_FALSE(AddProcToList(sink, L"44", L"", L"System", 1, 0x20));
    EXPECT_TRUE(AddProcToList(sink, L"44", L"C:\\x.exe", L"System", 1, 0x20));
    EXPECT_TRUE(AddProcToList(sink, L"40", L"C:\\x.exe", L"x.exe", 1, 0x20));
    EXPECT_EQ(sink.events, (std::vector<std::wstring>{L"row 44", L"row 40"}));
}

// ListProcesses posts its notices and rows to worker 1 in order, for the real process table.
struct Notices {
    std::mutex m;
    std::vector<std::wstring> events;
    std::vector<TAddProcToListParam> rows;
    Event ended{false, false};
};
void onBegin(void* d, const void*) {
    auto* n = static_cast<Notices*>(d);
    std::lock_guard g(n->m);
    n->events.push_back(L"begin");
}
void onRow(void* d, const void* p) {
    auto* n = static_cast<Notices*>(d);
    std::lock_guard g(n->m);
    n->events.push_back(L"row");
    n->rows.push_back(*static_cast<const TAddProcToListParam*>(p));
}
void onEnd(void* d, const void*) {
    auto* n = static_cast<Notices*>(d);
    {
        std::lock_guard g(n->m);
        n->events.push_back(L"end");
    }
    n->ended.set();
}

TEST(ProcessListTest, TheJobPostsBeginRowsAndEndOnWorkerOne) {
    TMTCore core;
    TRoutineTable routines;
    TRamRecovery engine(core, routines, &ListProcesses);
    Notices notices;
    routines.ProcessListBeginRoutine = core.RegisterRoutine(kNotificationWorker, &onBegin, &notices);
    routines.AddProcessRoutine = core.RegisterRoutine(kNotificationWorker, &onRow, &notices);
    routines.ProcessListEndRoutine = core.RegisterRoutine(kNotificationWorker, &onEnd, &notices);
    core.StartThreads(kWorkerCount, false);
    void* nothing = nullptr;
    core.Post(routines.ProcessListRoutine, classOf<TPointerT>(), &nothing);
    ASSERT_TRUE(notices.ended.wait(20000));
    core.StopThreads();

    std::lock_guard g(notices.m);
    ASSERT_GE(notices.events.size(), 3u);
    EXPECT_EQ(notices.events.front(), L"begin");
    EXPECT_EQ(notices.events.back(), L"end");
    // This test program itself is among the rows, with its path.
    bool self = false;
    for (const auto& row : notices.rows) {
        EXPECT_FALSE(row.Path.empty());
        EXPECT_NE(row.ProcessId, L"4");
        if (row.Path.find(L"test_procinfo") != std::wstring::npos)
            self = true;
    }
    EXPECT_TRUE(self);
}

}  // namespace
}  // namespace vantrel

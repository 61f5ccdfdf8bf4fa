#include "procinfo/process_list.h"

#include <gtest/gtest.h>

#include <mutex>

#include "engine/ram_recovery.h"
#include "procinfo/fake_processes.h"

namespace vantrel {
namespace {

using test::FakeProcessEntry;
using test::FakeProcessSystem;

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
    system.entries = {
        {0, L"", L"", 0},                                              // the idle process: skipped
        {4, L"System", L"C:\\ntoskrnl.exe", 1 << 20},                  // the system process: filtered
        {8, L"", L"C:\\Windows\\smss.exe", 409600},                    // no base name: "System"
        {12, L"noimage.exe", L"", 1 << 20},                            // no path: filtered
        {16, L"locked.exe", L"C:\\locked.exe", 1 << 20, 0x20, false},  // cannot be opened
        {20, L"app.exe", L"C:\\Apps\\app.exe", 10241023, 0x8000},
    };
    RecordingSink sink;
    ListProcessesRun(system, true, sink);
    EXPECT_EQ(sink.events, (std::vector<std::wstring>{L"begin", L"row 8", L"row 20", L"end"}));
    ASSERT_EQ(sink.rows.size(), 2u);
    EXPECT_EQ(sink.rows[0].Name, L"System");
    EXPECT_EQ(sink.rows[0].Path, L"C:\\Windows\\smss.exe");
    EXPECT_EQ(sink.rows[0].MemoryKB, 400);
    EXPECT_EQ(sink.rows[1].ProcessId, L"20");
    EXPECT_EQ(sink.rows[1].Name, L"app.exe");
    EXPECT_EQ(sink.rows[1].MemoryKB, 10000);  // 10,241,023 bytes truncate to 10,000 KB
    EXPECT_EQ(sink.rows[1].PriorityClass, 0x8000);
    // Opened with query and read rights; the idle process is never opened.
    for (const auto& [id, access] : system.opens) {
        EXPECT_NE(id, 0u);
        EXPECT_EQ(access, 0x410u);
    }
}

TEST(ProcessListTest, NtBranchListsMoreThan1025Processes) {
    FakeProcessSystem system;
    for (uint32_t i = 1; i <= 2000; ++i)
        system.entries.push_back({i * 4 + 4, L"p.exe", L"C:\\p.exe", 4096});
    RecordingSink sink;
    ListProcessesRun(system, true, sink);
    EXPECT_EQ(sink.rows.size(), 2000u);
    EXPECT_EQ(sink.rows.back().ProcessId, L"8004");
    EXPECT_EQ(system.enumCapacities, (std::vector<uint32_t>{1025, 2050}));

    // Exactly as many processes as the first buffer holds: asked once more to be sure.
    FakeProcessSystem exact;
    for (uint32_t i = 1; i <= 1025; ++i)
        exact.entries.push_back({i * 4 + 4, L"p.exe", L"C:\\p.exe", 4096});
    RecordingSink exactSink;
    ListProcessesRun(exact, true, exactSink);
    EXPECT_EQ(exactSink.rows.size(), 1025u);
    EXPECT_EQ(exact.enumCapacities, (std::vector<uint32_t>{1025, 2050}));
}

TEST(ProcessListTest, AFailedEnumerationListsNothingButStillFramesTheList) {
    FakeProcessSystem system;
    system.enumFails = true;
    system.entries = {{20, L"app.exe", L"C:\\app.exe", 4096}};
    for (bool nt : {true, false}) {
        RecordingSink sink;
        ListProcessesRun(system, nt, sink);
        EXPECT_EQ(sink.events, (std::vector<std::wstring>{L"begin", L"end"}));
    }
}

TEST(ProcessListTest, ToolhelpBranchNamesFromTheExeTextAndCountsPrivateMemory) {
    FakeProcessSystem system;
    FakeProcessEntry withFolder{40, L"", L"C:\\WINDOWS\\EXPLORER.EXE", 0, 0x20};
    withFolder.regions = {{0x10000, 0x3000, kMemCommit, kMemPrivate},
                          {0x13000, 0x1000, kMemCommit, 0x1000000},  // an image: not private
                          {0x14000, 0x2000, 0x2000, kMemPrivate},    // reserved only
                          {0x16000, 0x2800, kMemCommit, kMemPrivate}};
    FakeProcessEntry bare{44, L"", L"KERNEL32.DLL", 0, 0x80};
    FakeProcessEntry systemProcess{4, L"", L"SYSTEM", 0};
    system.entries = {withFolder, bare, systemProcess};
    RecordingSink sink;
    ListProcessesRun(system, false, sink);
    EXPECT_EQ(sink.events, (std::vector<std::wstring>{L"begin", L"row 40", L"row 44", L"end"}));
    EXPECT_EQ(sink.rows[0].Name, L"EXPLORER.EXE");
    EXPECT_EQ(sink.rows[0].Path, L"C:\\WINDOWS\\EXPLORER.EXE");
    // 0x3000 + 0x2800 bytes; the walk stops at the first failing query after the last region.
    EXPECT_EQ(sink.rows[0].MemoryKB, 22);
    EXPECT_EQ(sink.rows[1].Name, L"KERNEL32.DLL");
    EXPECT_EQ(sink.rows[1].PriorityClass, 0x80);
}

TEST(ProcessListTest, PrivateBytesWalkStopsAtAFailingQueryOrAStuckRegion) {
    FakeProcessSystem system;
    FakeProcessEntry gap{40};
    gap.regions = {{0x10000, 0x4000, kMemCommit, kMemPrivate}, {0x20000, 0x4000, kMemCommit, kMemPrivate}};
    system.entries = {gap};
    auto opened = system.open(40, 0x410);
    EXPECT_EQ(GetPrivateBytesKB(*opened, system), 16);  // the query at 0x14000 fails

    FakeProcessEntry stuck{44};
    stuck.regions = {{0x10000, 0, kMemCommit, kMemPrivate}};
    system.entries = {stuck};
    auto opened2 = system.open(44, 0x410);
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

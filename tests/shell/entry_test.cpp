#include "shell/entry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>

#include "jobs/gui_sync.h"
#include "support/trace_capture.h"

namespace vantrel {
namespace {

constexpr int64_t MB = 1 << 20;

// One table shared by the "copies" of a test.
struct Table {
    unsigned char bytes[kInstanceTableSize] = {};
};
class TableStore final : public InstanceStore {
  public:
    explicit TableStore(Table& t) : t_(t) {}
    void lock() override {}
    void unlock() noexcept override {}
    unsigned char* table() noexcept override { return t_.bytes; }

  private:
    Table& t_;
};

// Windows of other copies; records the activation request.
class OtherCopies final : public CopyWindows {
  public:
    OtherCopies(std::vector<TopWindow> windows, std::vector<std::string>& log)
        : windows_(windows), log_(log) {}
    std::vector<TopWindow> topLevelWindows() override { return windows_; }
    void allowForeground(uint32_t) override {}
    bool requestShow(uint64_t w, uint32_t) override {
        log_.push_back("show copy " + std::to_string(w));
        return true;
    }
    bool isIconic(uint64_t) override { return false; }
    void restore(uint64_t) override {}
    uint64_t foregroundWindow() override { return windows_.empty() ? 0 : windows_[0].window; }
    uint32_t windowThread(uint64_t) override { return 1; }
    bool attachInput(uint32_t, uint32_t, bool) override { return true; }
    bool setForeground(uint64_t) override { return true; }

  private:
    std::vector<TopWindow> windows_;
    std::vector<std::string>& log_;
};

struct Reports {
    std::mutex mutex;
    std::vector<uint32_t> values;
    static void Progress(void* data, const void* param) {
        auto* self = static_cast<Reports*>(data);
        std::lock_guard g(self->mutex);
        self->values.push_back(*static_cast<const uint32_t*>(param));
    }
};

// What the main window's module does at creation, as far as the entry relies on it.
class FakeWindows final : public AppWindows {
  public:
    FakeWindows(ProcessObjects& objects, std::vector<std::string>& log, Reports& reports, bool clearClipboard)
        : objects_(objects), log_(log), clearClipboard_(clearClipboard) {
        objects.Routines().ProgressRoutine =
            objects.MTCore().RegisterRoutine(1, &Reports::Progress, &reports);
        objects.MTCore().StartThreads(3, false);
        log_.push_back("windows");
    }
    ~FakeWindows() override {
        log_.push_back(objects_.MTCore().Started() ? "windows gone, workers on" : "windows gone");
    }
    void SetOptimizationRunning(bool running) override {
        log_.push_back("running " + std::to_string(running));
    }
    bool ClearClipboardBeforeOptimizing() const override { return clearClipboard_; }
    void SetProgressTarget(uint32_t target) override { log_.push_back("target " + std::to_string(target)); }
    uint64_t ApplicationWindow() const override { return 0xAB; }
    int RunMessageLoop() override {
        log_.push_back("loop");
        return 7;
    }

  private:
    ProcessObjects& objects_;
    std::vector<std::string>& log_;
    bool clearClipboard_;
};

class FakeHost final : public EntryHost {
  public:
    std::vector<std::string> log;
    Reports reports;
    MemoryStatus memory;
    bool clearClipboard = false;
    Table table;
    uint32_t processId = 500;
    std::vector<CopyWindows::TopWindow> otherWindows;
    std::vector<uint32_t> reportsAtOpen;

    FakeHost() {
        memory.availPhys = 8 * MB;
        memory.totalPhys = 64 * MB;
    }

    void InitApplication() override {
        InitGuiThread();
        log.push_back("init");
    }
    std::unique_ptr<TAppInstances> CreateGuard() override {
        log.push_back("guard");
        return std::make_unique<TAppInstances>(std::make_unique<TableStore>(table),
                                               std::make_unique<OtherCopies>(otherWindows, log), processId);
    }
    std::unique_ptr<AppWindows> CreateWindows(ProcessObjects& objects) override {
        return std::make_unique<FakeWindows>(objects, log, reports, clearClipboard);
    }
    MemoryStatus ReadMemoryStatus() override {
        log.push_back("memory");
        return memory;
    }
    void WaitWithMessages(Event& event) override {
        log.push_back("wait");
        vantrel::WaitWithMessages(event);
    }
    void OpenProgram(uint64_t owner, const std::wstring& program) override {
        log.push_back("open " + std::to_string(owner) + " " + std::string(program.begin(), program.end()));
        std::lock_guard g(reports.mutex);
        reportsAtOpen = reports.values;
    }
};

using Log = std::vector<std::string>;

TEST(EntryTest, UninstallEndsBeforeAnythingStarts) {
    for (const auto& args : {std::vector<std::wstring>{L"--uninstall"},
                             std::vector<std::wstring>{L"--uninstall", L"/RUNAPPLICATION", L"5", L"a.exe"}}) {
        ProcessObjects objects(nullptr);
        FakeHost host;
        EXPECT_EQ(RunEntry(args, objects, host), 0);
        EXPECT_EQ(host.log, Log{});
        EXPECT_EQ(objects.Guard(), nullptr);
    }
}

TEST(EntryTest, ShortcutWithoutWorkOpensNothing) {
    for (const auto& figure : {L"0", L"abc"}) {
        ProcessObjects objects(nullptr);
        FakeHost host;
        EXPECT_EQ(RunEntry({L"/RUNAPPLICATION", figure, L"C:\\Games\\racer.exe"}, objects, host), 0);
        EXPECT_EQ(host.log, Log{"init"}) << figure;
    }
    ProcessObjects objects(nullptr);
    FakeHost host;
    EXPECT_EQ(RunEntry({L"/RUNAPPLICATION", L"5", L""}, objects, host), 0);
    EXPECT_EQ(host.log, Log{"init"});
}

TEST(EntryTest, ShortcutFreesMemoryThenOpensTheProgramWithoutTheGuard) {
    ProcessObjects objects(nullptr);
    FakeHost host;
    // Another copy runs: the shortcut does not look.
    host.table.bytes[0] = 1;
    host.table.bytes[2] = 1;
    host.table.bytes[4] = 99;
    EXPECT_EQ(RunEntry({L"/RUNAPPLICATION", L"4", L"C:\\Games\\racer.exe"}, objects, host), 0);
    const uint32_t amount = uint32_t(12 * MB);
    const Log expected = {"init",
                          "windows",
                          "running 1",
                          "memory",
                          "target " + std::to_string(amount),
                          "wait",
                          "open 171 C:\\Games\\racer.exe",
                          "windows gone"};
    EXPECT_EQ(host.log, expected);
    // The job ran to its end before the program was opened: its last report was posted then.
    ASSERT_FALSE(host.reports.values.empty());
    EXPECT_EQ(host.reports.values.front(), 0u);
    EXPECT_EQ(host.reports.values.back(), amount);
    EXPECT_EQ(host.table.bytes[2], 1) << "the table is untouched";
}

// Stands in for the RAM recovery job, to see the parameter the entry posts.
struct PostedJob {
    static inline TRamRecoveryParam param;
    static inline std::atomic<int> runs{0};
    static void Run(void*, const void* p) {
        param = *static_cast<const TRamRecoveryParam*>(p);
        ++runs;
    }
};

TEST(EntryTest, ShortcutJobCarriesAmountProgressRoutineAndClipboardChoice) {
    struct Case {
        uint64_t avail, total;
        const wchar_t* figure;
        bool clearClipboard;
        int64_t amount;
    } cases[] = {
        {2048 * MB, 8192 * MB, L"3000", true, 2048 * MB + 3000 * MB},  // beyond 32 bits
        {2048 * MB, 8192 * MB, L"65536", false, 8192 * MB},
        {50 * MB, 8192 * MB, L"-100", false, -50 * MB},
    };
    for (const auto& c : cases) {
        ProcessObjects objects(nullptr);
        objects.Routines().RamRecoveryRoutine = objects.MTCore().RegisterRoutine(0, &PostedJob::Run, nullptr);
        FakeHost host;
        host.memory.availPhys = c.avail;
        host.memory.totalPhys = c.total;
        host.clearClipboard = c.clearClipboard;
        PostedJob::runs = 0;
        RunEntry({L"/RUNAPPLICATION", c.figure, L"x.exe"}, objects, host);
        ASSERT_EQ(PostedJob::runs, 1);
        EXPECT_EQ(PostedJob::param.Amount, c.amount);
        EXPECT_EQ(PostedJob::param.ClearClipboard, c.clearClipboard);
        EXPECT_EQ(PostedJob::param.Notify.Proc, &Reports::Progress);
        EXPECT_EQ(PostedJob::param.Notify.ThreadIndex, 1);
        EXPECT_NE(std::find(host.log.begin(), host.log.end(), "target " + std::to_string(uint32_t(c.amount))),
                  host.log.end())
            << "the target is the amount's low 32 bits";
    }
}

TEST(EntryTest, ShortcutWhoseWindowsStartNoWorkersStillOpensTheProgram) {
    class NoWorkers final : public AppWindows {
      public:
        void SetOptimizationRunning(bool) override {}
        bool ClearClipboardBeforeOptimizing() const override { return false; }
        void SetProgressTarget(uint32_t) override {}
        uint64_t ApplicationWindow() const override { return 0; }
        int RunMessageLoop() override { return 0; }
    };
    class Host final : public EntryHost {
      public:
        bool opened = false;
        void InitApplication() override {}
        std::unique_ptr<TAppInstances> CreateGuard() override { return nullptr; }
        std::unique_ptr<AppWindows> CreateWindows(ProcessObjects&) override {
            return std::make_unique<NoWorkers>();
        }
        MemoryStatus ReadMemoryStatus() override { return {}; }
        void WaitWithMessages(Event&) override { ADD_FAILURE() << "would wait for ever"; }
        void OpenProgram(uint64_t, const std::wstring&) override { opened = true; }
    } host;
    test::TraceCapture trace;
    ProcessObjects objects(nullptr);
    RunEntry({L"/RUNAPPLICATION", L"5", L"x.exe"}, objects, host);
    EXPECT_TRUE(host.opened);
    EXPECT_FALSE(trace.messages().empty());
}

TEST(EntryTest, NormalStartAdmitsTheFirstCopyAndRunsTheWindows) {
    FakeHost host;
    {
        ProcessObjects objects(nullptr);
        EXPECT_EQ(RunEntry({L"/runapplication", L"5", L"x.exe"}, objects, host), 7) << "the loop's exit code";
        ASSERT_NE(objects.Guard(), nullptr);
        EXPECT_EQ(objects.Guard()->Count(), 1) << "registered until the process objects go";
        EXPECT_EQ(objects.Guard()->GetAllProcessIDs(0), 500u);
    }
    EXPECT_EQ(host.log, (Log{"init", "guard", "windows", "loop", "windows gone"}));
    EXPECT_EQ(host.table.bytes[2], 0) << "the registration went last";
}

TEST(EntryTest, SecondCopyShowsTheFirstAndEndsWithoutWindows) {
    FakeHost first;
    ProcessObjects firstObjects(nullptr);
    TAppInstances& running = firstObjects.AdoptGuard(first.CreateGuard());
    ASSERT_TRUE(EnsureSingleCopy(running));

    FakeHost second;
    second.processId = 600;
    second.otherWindows = {{0x1234, 500, kMainWindowClass}};
    {
        // The two share one table.
        class SharedHost final : public EntryHost {
          public:
            SharedHost(FakeHost& h, Table& t) : h_(h), t_(t) {}
            void InitApplication() override { h_.InitApplication(); }
            std::unique_ptr<TAppInstances> CreateGuard() override {
                h_.log.push_back("guard");
                return std::make_unique<TAppInstances>(std::make_unique<TableStore>(t_),
                                                       std::make_unique<OtherCopies>(h_.otherWindows, h_.log),
                                                       h_.processId);
            }
            std::unique_ptr<AppWindows> CreateWindows(ProcessObjects& o) override {
                return h_.CreateWindows(o);
            }
            MemoryStatus ReadMemoryStatus() override { return h_.ReadMemoryStatus(); }
            void WaitWithMessages(Event& e) override { h_.WaitWithMessages(e); }
            void OpenProgram(uint64_t o, const std::wstring& p) override { h_.OpenProgram(o, p); }

          private:
            FakeHost& h_;
            Table& t_;
        } host(second, first.table);
        ProcessObjects objects(nullptr);
        EXPECT_EQ(RunEntry({}, objects, host), 0);
        EXPECT_EQ(running.Count(), 2);
    }
    EXPECT_EQ(second.log, (Log{"init", "guard", "show copy 4660"}));
    EXPECT_EQ(running.Count(), 1);
    EXPECT_EQ(running.GetAllProcessIDs(0), 500u);
}

TEST(ProcessObjectsTest, EngineRoutinesAreRegisteredAtLoadAndNothingRuns) {
    ProcessObjects objects(&PostedJob::Run);
    const TRoutineTable& r = objects.Routines();
    EXPECT_EQ(r.RamRecoveryRoutine.ThreadIndex, 0);
    EXPECT_EQ(r.CpuOptimizationRoutine.ThreadIndex, 0);
    EXPECT_EQ(r.SysInfoRoutine.ThreadIndex, 2);
    EXPECT_EQ(r.ProcessListRoutine.ThreadIndex, 2);
    EXPECT_EQ(r.ProcessListRoutine.Proc, &PostedJob::Run);
    for (const TRoutine* t :
         {&r.ProgressRoutine, &r.SysInfoResultRoutine, &r.CpuOptimizedRoutine, &r.CpuAvoidedRoutine,
          &r.ProcessListBeginRoutine, &r.AddProcessRoutine, &r.ProcessListEndRoutine})
        EXPECT_EQ(t->ThreadIndex, -1);
    EXPECT_FALSE(objects.MTCore().Started());
    EXPECT_EQ(&objects.RamRecovery().Routines(), &objects.Routines());
}

}  // namespace
}  // namespace vantrel

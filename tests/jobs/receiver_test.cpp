#include "jobs/receiver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jobs/gui_sync.h"
#include "support/trace_capture.h"

namespace vantrel {
namespace {

using test::TraceCapture;

struct Row {
    std::wstring name;
    int32_t memory = 0;
};
class RowT : public TValueT<Row> {};

// A window as the receivers see it: fields written and display steps run on the GUI thread only.
struct FakeWindow {
    Row LastRow;
    std::vector<std::wstring> shown;
    int ends = 0;
    uint32_t gui = currentThreadId();
    bool offGuiThread = false;

    void ShowRow() {
        offGuiThread |= currentThreadId() != gui;
        shown.push_back(LastRow.name + L":" + std::to_wstring(LastRow.memory));
    }
    void ListEnded() {
        offGuiThread |= currentThreadId() != gui;
        ++ends;
    }
};
using RowReceiver = TReceiver<&FakeWindow::LastRow, &FakeWindow::ShowRow>;
using EndReceiver = TNoticeReceiver<&FakeWindow::ListEnded>;

class ReceiverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InitGuiThread();
        core.StartThreads(kWorkerCount, false);
    }
    FakeWindow window;  // outlives the pool
    TMTCore core;
};

TEST_F(ReceiverTest, RowsReachTheWindowOnTheGuiThreadInPostingOrder) {
    TRoutine rows = RowReceiver::Register(core, window);
    TRoutine end = EndReceiver::Register(core, window);
    EXPECT_EQ(rows.ThreadIndex, kNotificationWorker);
    for (int i = 0; i < 3; ++i) {
        Row row{L"proc" + std::to_wstring(i), 100 * i};
        core.Post(rows, classOf<RowT>(), &row);
        row.name = L"changed";  // the job has its own copy
    }
    int32_t nothing = 0;
    core.Post(end, classOf<TIntegerT>(), &nothing);
    EXPECT_EQ(WaitWithMessages(end), TWaitResult::kDone);
    EXPECT_EQ(window.shown, (std::vector<std::wstring>{L"proc0:0", L"proc1:100", L"proc2:200"}));
    EXPECT_EQ(window.ends, 1);
    EXPECT_FALSE(window.offGuiThread);
    EXPECT_EQ(window.LastRow.name, L"proc2");
}

TEST_F(ReceiverTest, AReceiverWithoutItsWindowOrBeforeTheGuiThreadIsLoggedAndShowsNothing) {
    Row row{L"x", 1};
    {
        // Registered with no window.
        TraceCapture trace;
        TRoutine loose = core.RegisterRoutine(kNotificationWorker, &RowReceiver::Proc, nullptr);
        core.Post(loose, classOf<RowT>(), &row);
        EXPECT_EQ(WaitWithMessages(loose), TWaitResult::kDone);
        EXPECT_EQ(trace.messages(), std::vector<std::wstring>{L"Receiver without its window"});
    }
    {
        // Posted before its registration.
        TraceCapture trace;
        TRoutine notYet;
        core.Post(notYet, classOf<RowT>(), &row);
        EXPECT_EQ(trace.messages(),
                  (std::vector<std::wstring>{L"Invalid index value: -1", L"Couldn't get thread object"}));
    }
    {
        // Delivered while no thread is the GUI thread: the display step cannot run and says so.
        TRoutine rows = RowReceiver::Register(core, window);
        EndGuiThread();
        TraceCapture trace;
        core.Post(rows, classOf<RowT>(), &row);
        EXPECT_TRUE(rows.DoneEvent->wait(5000));
        EXPECT_EQ(trace.messages(), std::vector<std::wstring>{L"GUI thread not set up"});
        InitGuiThread();
    }
    EXPECT_TRUE(window.shown.empty());
}

}  // namespace
}  // namespace vantrel

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <thread>

#include "platform/handles_win.h"
#include "platform/processes.h"
#include "platform/sync.h"
#include "support/child_process_win.h"

namespace vantrel {
namespace {

using test::ChildProcess;

std::wstring lower(std::wstring s) {
    for (auto& c : s)
        c = wchar_t(std::towlower(c));
    return s;
}

uint64_t creationTimeOf(HANDLE process) {
    FILETIME creation, exit, kernel, user;
    ::GetProcessTimes(process, &creation, &exit, &kernel, &user);
    return (uint64_t(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
}

TEST(ProcessesWinTest, TheSnapshotAndAnOpenedProcessDescribeAStartedProgram) {
    ChildProcess child(L"procinfo_test_child.exe", L"idle 16");
    ASSERT_TRUE(child.started());
    ProcessSystem& system = systemProcesses();

    auto entries = system.snapshot();
    ASSERT_TRUE(entries);
    auto entry = std::find_if(entries->begin(), entries->end(),
                              [&](const ProcessEntry& e) { return e.ProcessId == child.id(); });
    ASSERT_NE(entry, entries->end());
    EXPECT_EQ(lower(entry->ExeFile), L"procinfo_test_child.exe");
    EXPECT_EQ(entry->ParentProcessId, ::GetCurrentProcessId());
    // The identity of the process: the same creation time as its own handle reports.
    EXPECT_EQ(entry->CreationTime, creationTimeOf(child.handle()));
    EXPECT_TRUE(entry->BusyTime.has_value());

    auto process = system.open(child.id(), kAccessQuery);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(lower(process->imagePath()), lower(child.path()));
    EXPECT_EQ(process->priorityClass(), DWORD(NORMAL_PRIORITY_CLASS));
    ASSERT_TRUE(process->times());
    EXPECT_EQ(process->times()->CreationTime, entry->CreationTime);
    EXPECT_TRUE(process->memory());

    auto setter = system.open(child.id(), kAccessSetPriority);
    ASSERT_NE(setter, nullptr);
    EXPECT_TRUE(setter->setPriorityClass(BELOW_NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(::GetPriorityClass(child.handle()), DWORD(BELOW_NORMAL_PRIORITY_CLASS));

    // Its running-process row has its path and the name from it.
    auto running = RunningProcesses(system);
    auto row = std::find_if(running.begin(), running.end(),
                            [&](const RunningProcess& p) { return p.ProcessId == child.id(); });
    ASSERT_NE(row, running.end());
    EXPECT_EQ(lower(row->Name), L"procinfo_test_child.exe");
    EXPECT_EQ(lower(row->Path), lower(child.path()));
}

// The system's own processes are of the system's bitness: a 32-bit program reads their paths too.
TEST(ProcessesWinTest, ThePathsOfTheSystemsOwnProcessesCanBeRead) {
    bool found = false;
    for (const RunningProcess& p : RunningProcesses(systemProcesses())) {
        if (lower(p.Name) != L"services.exe")
            continue;
        found = true;
        EXPECT_GT(p.Path.size(), std::wstring(L"\\services.exe").size());
        EXPECT_EQ(lower(imageNameFromPath(p.Path)), L"services.exe");
    }
    EXPECT_TRUE(found);
}

TEST(ProcessesWinTest, AProcessIsEndedAndWaitedFor) {
    ChildProcess child(L"procinfo_test_child.exe", L"idle 1");
    ASSERT_TRUE(child.started());
    auto process = systemProcesses().open(child.id(), kAccessTerminate | kAccessWait);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(process->wait(0), WaitResult::TimedOut);
    EXPECT_TRUE(process->terminate(3));
    EXPECT_EQ(process->wait(5000), WaitResult::Ended);
    DWORD code = 0;
    ASSERT_TRUE(::GetExitCodeProcess(child.handle(), &code));
    EXPECT_EQ(code, 3u);
    EXPECT_EQ(systemProcesses().open(0, kAccessQuery), nullptr);
}

// A top-level window on a thread of its own that answers no message once `hang` is set.
class WindowThread {
  public:
    explicit WindowThread(const wchar_t* title) : title_(title) {
        thread_ = std::thread([this] {
            window_ = ::CreateWindowExW(0, L"STATIC", title_, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300,
                                        200, nullptr, nullptr, nullptr, nullptr);
            created_.set();
            // Pumps until told to hang, then blocks without pumping until released.
            while (!hang_.wait(10)) {
                MSG msg;
                while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                    ::DispatchMessageW(&msg);
            }
            release_.wait();
            ::DestroyWindow(window_);
        });
        created_.wait();
    }
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;
    ~WindowThread() {
        release();
        thread_.join();
    }
    HWND window() const noexcept { return window_; }
    void hang() { hang_.set(); }
    // Ends the thread, and with it its window.
    void release() {
        hang_.set();
        release_.set();
    }

  private:
    const wchar_t* title_;
    HWND window_ = nullptr;
    Event created_{true, false};
    Event hang_{true, false};
    Event release_{true, false};
    std::thread thread_;
};

TEST(ProcessesWinTest, WindowsOfThisProcessAreFoundWithTheirTitlesAndRestored) {
    WindowThread shown(L"Vantrel window enumeration test");
    ProcessSystem& system = systemProcesses();
    const auto handle = reinterpret_cast<uintptr_t>(shown.window());
    auto windows = system.topLevelWindows();
    auto info =
        std::find_if(windows.begin(), windows.end(), [&](const WindowInfo& w) { return w.Handle == handle; });
    ASSERT_NE(info, windows.end());
    EXPECT_EQ(info->ProcessId, ::GetCurrentProcessId());
    EXPECT_TRUE(info->Visible);
    EXPECT_TRUE(IsApplicationWindow(*info, system.desktopWindow()));
    EXPECT_EQ(system.windowProcessId(handle), ::GetCurrentProcessId());
    EXPECT_TRUE(system.isWindow(handle));

    auto titles = ApplicationWindowTitles(system);
    EXPECT_NE(std::find(titles.begin(), titles.end(), L"Vantrel window enumeration test"), titles.end());
    EXPECT_EQ(system.windowTitle(handle, 7), L"Vantrel");
    EXPECT_TRUE(FirstApplicationWindow(system, ::GetCurrentProcessId()).has_value());

    ::ShowWindow(shown.window(), SW_MINIMIZE);
    EXPECT_TRUE(system.restoreWindow(handle));  // it was visible, minimised
    EXPECT_FALSE(::IsIconic(shown.window()));
}

// A window whose thread answers no messages (a hung program, or this program's own GUI thread
// while it waits for a worker) still gives its title at once.
TEST(ProcessesWinTest, TheTitleOfAWindowWhoseThreadIsHungIsReadWithoutWaitingForIt) {
    WindowThread hung(L"Hung window");
    hung.hang();
    ::Sleep(50);
    std::wstring title;
    Event done(true, false);
    std::thread reader([&] {
        title = systemProcesses().windowTitle(reinterpret_cast<uintptr_t>(hung.window()), 1024);
        done.set();
    });
    // Ten seconds is no measure of speed: a read that waits for the thread would never end.
    EXPECT_TRUE(done.wait(10000));
    hung.release();  // lets a reader that waits for the thread finish
    reader.join();
    EXPECT_EQ(title, L"Hung window");
}

}  // namespace
}  // namespace vantrel

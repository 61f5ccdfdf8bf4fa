#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "jobs/gui_sync.h"
#include "platform/messages_win.h"
#include "platform/window_class_win.h"

namespace vantrel {
namespace {

constexpr UINT kCheck = WM_APP + 10;   // records the focus; wParam 1 puts it back on the edit
constexpr UINT kFinish = WM_APP + 11;  // the script has run
constexpr int kFirstId = 1, kSecondId = 2, kEditId = 100, kRefreshId = 77;

// A window built like the program's own: not a dialog box, its keyboard interface comes from the
// message pump and the dialog-manager helper.
class DialogLike {
  public:
    explicit DialogLike(std::function<void()> finish) : finish_(std::move(finish)) {
        HINSTANCE inst = ensureWindowClass(L"VantrelDialogLikeTest", proc);
        window = ::CreateWindowExW(WS_EX_CONTROLPARENT, L"VantrelDialogLikeTest", L"Keys",
                                   WS_OVERLAPPEDWINDOW, 100, 100, 320, 160, nullptr, nullptr, inst, this);
        auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int id) {
            return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, 20, 90, 26,
                                     window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst,
                                     nullptr);
        };
        edit = child(L"EDIT", L"", WS_GROUP | WS_BORDER | ES_AUTOHSCROLL, 10, kEditId);
        first = child(L"BUTTON", L"&First", WS_GROUP | BS_DEFPUSHBUTTON, 110, kFirstId);
        second = child(L"BUTTON", L"&Second", BS_PUSHBUTTON, 210, kSecondId);
        ::ShowWindow(window, SW_SHOW);
        ::SetForegroundWindow(window);
        ::SetFocus(edit);
    }
    ~DialogLike() { ::DestroyWindow(window); }

    // Keys as the keyboard delivers them to the focused control, with a check after the moves.
    void postScript() const {
        post(edit, WM_KEYDOWN, VK_TAB);  // to the next tab stop
        post(window, kCheck, 0);
        post(first, WM_KEYDOWN, VK_RIGHT);  // to the next button of the group
        post(window, kCheck, 1);
        post(edit, WM_SYSCHAR, 's', 1 << 29);  // Alt+S presses "&Second"
        post(window, kCheck, 1);
        post(edit, WM_KEYDOWN, VK_RETURN);  // presses the default button
        post(edit, WM_KEYDOWN, VK_F5);      // the accelerator
        post(window, kFinish, 0);
    }

    HWND window = nullptr, edit = nullptr, first = nullptr, second = nullptr;
    std::vector<HWND> focus;
    std::vector<int> commands;

  private:
    static void post(HWND to, UINT msg, WPARAM wp, LPARAM lp = 1) { ::PostMessageW(to, msg, wp, lp); }

    static LRESULT CALLBACK proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
        if (msg == WM_NCCREATE)
            ::SetWindowLongPtrW(
                wnd, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<DialogLike*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
        LRESULT result = 0;
        if (self && handleDialogManagerMessage(wnd, msg, wp, lp, result))
            return result;
        // Presses and accelerators; the edit's own notifications are not of interest.
        if (self && msg == WM_COMMAND && LOWORD(wp) != kEditId) {
            self->commands.push_back(LOWORD(wp));
            return 0;
        }
        if (self && msg == kCheck) {
            self->focus.push_back(::GetFocus());
            if (wp)
                ::SetFocus(self->edit);
            return 0;
        }
        if (self && msg == kFinish) {
            self->finish_();
            return 0;
        }
        return ::DefWindowProcW(wnd, msg, wp, lp);
    }

    std::function<void()> finish_;
};

class MessagePumpWinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ACCEL refresh{FVIRTKEY, VK_F5, kRefreshId};
        accelerators = ::CreateAcceleratorTableW(&refresh, 1);
        ASSERT_NE(accelerators, nullptr);
    }
    void TearDown() override {
        SetAccelerators(nullptr, nullptr);
        ::DestroyAcceleratorTable(accelerators);
    }
    void expectKeyboardWorked(const DialogLike& d) {
        ASSERT_EQ(d.focus.size(), 3u);
        EXPECT_EQ(d.focus[0], d.first) << "Tab moves to the next tab stop";
        EXPECT_EQ(d.focus[1], d.second) << "an arrow moves within the group";
        EXPECT_EQ(d.commands, (std::vector<int>{kSecondId, kFirstId, kRefreshId}))
            << "mnemonic, default button, accelerator";
    }
    HACCEL accelerators = nullptr;
};

TEST_F(MessagePumpWinTest, TheMessageLoopGivesEveryWindowItsKeyboardAndReturnsTheQuitCode) {
    DialogLike d([] { ::PostQuitMessage(42); });
    ASSERT_NE(d.second, nullptr);
    SetAccelerators(accelerators, d.window);
    d.postScript();
    EXPECT_EQ(RunMessageLoop(), 42);
    expectKeyboardWorked(d);
}

void waitForFinish(void* finished, const void*) {
    static_cast<Event*>(finished)->wait(20000);
}

TEST_F(MessagePumpWinTest, WindowsKeepTheirKeyboardWhileAnOptimizationIsWaitedFor) {
    InitGuiThread();
    Event finished(true, false);
    DialogLike d([&] { finished.set(); });
    SetAccelerators(accelerators, d.window);
    TMTCore core;
    TRoutine optimization = core.RegisterRoutine(0, waitForFinish, &finished);
    core.StartThreads(3, false);
    int32_t v = 0;
    ASSERT_TRUE(core.Post(optimization, classOf<TIntegerT>(), &v));
    d.postScript();
    EXPECT_EQ(WaitWithMessages(optimization), TWaitResult::kDone);
    expectKeyboardWorked(d);
}

TEST_F(MessagePumpWinTest, AcceleratorsApplyOnlyToTheirOwnWindow) {
    DialogLike owner([] {});
    DialogLike other([] { ::PostQuitMessage(0); });
    SetAccelerators(accelerators, owner.window);
    ::PostMessageW(other.edit, WM_KEYDOWN, VK_F5, 1);
    ::PostMessageW(other.window, kFinish, 0, 0);
    RunMessageLoop();
    EXPECT_TRUE(owner.commands.empty());
    EXPECT_TRUE(other.commands.empty());
}

}  // namespace
}  // namespace vantrel

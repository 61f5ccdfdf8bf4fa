#include "controls/tray_icon_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "controls/link_label_win.h"
#include "controls/simple_timer_win.h"
#include "controls/system_win_support.h"
#include "support/screenshot.h"
#include "support/trace_capture.h"

namespace vantrel {
namespace {

using test::pumpFor;
using test::pumpUntil;

// The notification area sits at the bottom right of the 1024 x 768 virtual desktop.
constexpr int kAreaX = 524, kAreaY = 568, kAreaW = 500, kAreaH = 200;

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool found() const { return right >= 0; }
    int cx() const { return (left + right) / 2; }
    int cy() const { return (top + bottom) / 2; }
};

// Where pixels of one colour show on the screen, in screen coordinates.
Box findColour(const test::Image& img, int originX, int originY, COLORREF c) {
    Box b;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = &img.rgb[(size_t(y) * img.width + x) * 3];
            if (p[0] == GetRValue(c) && p[1] == GetGValue(c) && p[2] == GetBValue(c)) {
                b.left = std::min(b.left, originX + x);
                b.right = std::max(b.right, originX + x);
                b.top = std::min(b.top, originY + y);
                b.bottom = std::max(b.bottom, originY + y);
            }
        }
    return b;
}

Box onScreen(COLORREF c) {
    return findColour(test::captureScreen(0, 0, 1024, 768), 0, 0, c);
}

// A 16 x 16 icon of one colour whose bottom-left pixel gives the transparent colour.
IconHandle solidIcon(COLORREF colour) {
    WindowDc screen(nullptr);
    BitmapHandle bmp(::CreateCompatibleBitmap(screen.get(), 16, 16));
    {
        MemoryDcHandle dc(::CreateCompatibleDC(screen.get()));
        SelectGuard sel(dc.get(), bmp.get());
        BrushHandle brush(::CreateSolidBrush(colour));
        RECT rc{0, 0, 16, 16};
        ::FillRect(dc.get(), &rc, brush.get());
        ::SetPixel(dc.get(), 0, 15, RGB(1, 2, 3));
    }
    IconHandle icon;
    EXPECT_TRUE(TTrayIcon::BitmapToIcon(bmp.get(), icon, RGB(1, 2, 3)));
    return icon;
}

// A main window that records the commands it gets.
struct Owner {
    static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_COMMAND)
            commands().push_back(LOWORD(wp));
        if (m == WM_INITMENUPOPUP || m == WM_UNINITMENUPOPUP || m == WM_MENUSELECT)
            menuMessages().push_back(m);
        return ::DefWindowProcW(w, m, wp, lp);
    }
    static std::vector<UINT>& commands() {
        static std::vector<UINT> c;
        return c;
    }
    static std::vector<UINT>& menuMessages() {
        static std::vector<UINT> c;
        return c;
    }
    Owner() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VantrelTrayTestOwner";
        ::RegisterClassW(&wc);
        window.reset(::CreateWindowExW(0, wc.lpszClassName, L"Tray owner", WS_OVERLAPPEDWINDOW, 100, 100, 300,
                                       200, nullptr, nullptr, wc.hInstance, nullptr));
        commands().clear();
        menuMessages().clear();
    }
    WindowHandle window;
};

bool shellKnows(NOTIFYICONDATAW record) {
    record.uFlags = NIF_TIP;
    return ::Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

std::wstring visibleTooltipText() {
    struct Finder {
        static BOOL CALLBACK each(HWND w, LPARAM lp) {
            wchar_t cls[64] = {};
            ::GetClassNameW(w, cls, 64);
            if (::IsWindowVisible(w) && std::wstring(cls) == L"tooltips_class32") {
                wchar_t text[256] = {};
                ::SendMessageTimeoutW(w, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                                      2000, nullptr);
                if (text[0])
                    *reinterpret_cast<std::wstring*>(lp) = text;
            }
            return TRUE;
        }
    };
    std::wstring found;
    ::EnumWindows(&Finder::each, reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST(TrayIconWinTest, InTheNotificationAreaWithTipBalloonAndRestart) {
    Owner owner;
    const COLORREF colour = RGB(255, 0, 200);
    IconHandle icon = solidIcon(colour);
    auto tray = std::make_unique<TTrayIcon>(owner.window.get());
    int dbl = 0;
    std::vector<std::string> clicks;
    tray->OnDblClick = [&](TTrayIcon&) { ++dbl; };
    tray->OnClick = [&](TTrayIcon&) { clicks.push_back("click"); };
    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuW(menu, MF_STRING, 101, L"&Vantrel");
    ::AppendMenuW(menu, MF_STRING, 102, L"&Close");
    ::SetMenuDefaultItem(menu, 101, FALSE);
    tray->SetPopupMenu(menu);
    tray->SetIcon(icon.get());
    std::wstring hint = L"Vantrel tray test: ";
    while (hint.size() < 200)
        hint += L"free memory 512 MB; ";
    tray->SetHint(hint);
    tray->SetIconVisible(true);
    EXPECT_TRUE(tray->Loaded());
    EXPECT_TRUE(tray->IconVisible());
    EXPECT_EQ(std::wstring(tray->IconRecord().szTip), hint.substr(0, 127));
    EXPECT_EQ(tray->IconRecord().uFlags, 7u);
    EXPECT_EQ(tray->IconRecord().uCallbackMessage, 0x0800u);
    ASSERT_TRUE(shellKnows(tray->IconRecord()));

    Box where;
    ASSERT_TRUE(pumpUntil([&] { return (where = onScreen(colour)).found(); }, 5000));
    EXPECT_GE(where.top, 700);  // in the taskbar at the bottom
    EXPECT_GE(where.left, 512);

    // The tip shows when the pointer rests on the icon.
    ASSERT_EQ(test::xdotool(L"mousemove " + std::to_wstring(where.cx()) + L" " + std::to_wstring(where.cy())),
              0);
    std::wstring tip;
    pumpUntil([&] { return !(tip = visibleTooltipText()).empty(); }, 5000);
    EXPECT_EQ(tip, hint.substr(0, 127));

    // A real click is reported once the double-click time has passed; a double click only as one
    // and it runs the menu's default item.
    ASSERT_EQ(test::xdotool(L"click 1"), 0);
    EXPECT_TRUE(pumpUntil([&] { return !clicks.empty(); }, 3000));
    pumpFor(::GetDoubleClickTime() + 200);
    EXPECT_EQ(clicks.size(), 1u);
    clicks.clear();
    ASSERT_EQ(test::xdotool(L"click --repeat 2 --delay 60 1"), 0);
    EXPECT_TRUE(pumpUntil([&] { return dbl == 1; }, 3000));
    pumpFor(::GetDoubleClickTime() + 200);
    EXPECT_EQ(dbl, 1);
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(Owner::commands(), std::vector<UINT>{101});
    ASSERT_EQ(test::xdotool(L"mousemove 300 300"), 0);

    // A balloon is accepted and replaces what was there; later tip changes leave it alone.
    ASSERT_TRUE(tray->ShowBalloonHint(L"Optimization Completed",
                                      L"Vantrel has freed 128 MB of memory.\nFree memory now: 612 MB",
                                      TBalloonHintIcon::Info, 10));
    EXPECT_EQ(tray->IconRecord().uFlags, 7u);
    // The shell shows it after a short delay, as a balloon tooltip of its own.
    std::wstring balloon;
    EXPECT_TRUE(pumpUntil(
        [&] {
            return (balloon = visibleTooltipText()).find(L"Vantrel has freed 128 MB") != std::wstring::npos;
        },
        8000));
    pumpFor(300);
    test::saveScreenshot(test::captureScreen(kAreaX, kAreaY, kAreaW, kAreaH), "tray.png");
    EXPECT_TRUE(onScreen(colour).found());

    // The shell lost its icons (as when it restarts) and says so with "TaskbarCreated", broadcast
    // to the top-level windows: the icon with an owner and one without come back, with their
    // current tips.
    ASSERT_NE(TTrayIcon::TaskbarCreatedMessage(), 0u);
    EXPECT_TRUE(tray->TaskbarCreatedPassesFilter());
    const COLORREF loneColour = RGB(255, 160, 0);
    IconHandle loneIcon = solidIcon(loneColour);
    TTrayIcon lone(nullptr);
    lone.SetIcon(loneIcon.get());
    lone.SetIconVisible(true);
    lone.Loaded();
    ASSERT_TRUE(pumpUntil([&] { return onScreen(loneColour).found(); }, 5000));
    for (TTrayIcon* each : {tray.get(), &lone}) {
        NOTIFYICONDATAW copy = each->IconRecord();
        ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &copy));
        EXPECT_FALSE(each->Refresh());
    }
    ASSERT_TRUE(pumpUntil([&] { return !onScreen(colour).found() && !onScreen(loneColour).found(); }, 5000));
    tray->SetHint(L"Vantrel: back after a shell restart");
    ::SendMessageTimeoutW(HWND_BROADCAST, TTrayIcon::TaskbarCreatedMessage(), 0, 0, SMTO_ABORTIFHUNG, 2000,
                          nullptr);
    EXPECT_TRUE(tray->Refresh());
    EXPECT_TRUE(lone.Refresh());
    EXPECT_TRUE(shellKnows(tray->IconRecord()));
    EXPECT_TRUE(pumpUntil([&] { return onScreen(colour).found() && onScreen(loneColour).found(); }, 5000));
    lone.SetIconVisible(false);

    // Destroying one icon removes it; the other stays.
    const COLORREF otherColour = RGB(0, 200, 255);
    IconHandle otherIcon = solidIcon(otherColour);
    auto other = std::make_unique<TTrayIcon>(nullptr);
    other->SetIcon(otherIcon.get());
    other->SetIconVisible(true);
    other->Loaded();
    ASSERT_TRUE(pumpUntil([&] { return onScreen(otherColour).found(); }, 5000));
    const NOTIFYICONDATAW otherRecord = other->IconRecord();
    other.reset();
    EXPECT_FALSE(shellKnows(otherRecord));
    EXPECT_TRUE(pumpUntil([&] { return !onScreen(otherColour).found(); }, 5000));
    EXPECT_TRUE(tray->Refresh());
    const NOTIFYICONDATAW record = tray->IconRecord();
    tray.reset();
    EXPECT_FALSE(shellKnows(record));
    EXPECT_TRUE(pumpUntil([&] { return !onScreen(colour).found(); }, 5000));
    ::DestroyMenu(menu);
}

TEST(TrayIconWinTest, MainWindowToTheTrayAndBack) {
    Owner owner;
    HWND wnd = owner.window.get();
    ::ShowWindow(wnd, SW_SHOW);
    IconHandle icon = solidIcon(RGB(10, 250, 10));
    TTrayIcon tray(wnd);
    tray.SetIcon(icon.get());
    bool asked = false;
    tray.OnStartup = [&](TTrayIcon&, bool& show) {
        asked = true;
        show = false;
    };
    EXPECT_FALSE(tray.Loaded());
    EXPECT_TRUE(asked);
    EXPECT_FALSE(::IsWindowVisible(wnd));
    EXPECT_FALSE(tray.IconVisible());

    // Minimising with MinimizeToTray hides the window and puts the icon in.
    tray.ShowMainWindow();
    EXPECT_TRUE(::IsWindowVisible(wnd));
    tray.MinimizeToTray = true;
    ::ShowWindow(wnd, SW_MINIMIZE);
    pumpFor(200);
    EXPECT_FALSE(::IsWindowVisible(wnd));
    EXPECT_TRUE(tray.IconVisible());
    EXPECT_TRUE(tray.Refresh());

    // Back from a minimised, hidden state: visible, normal, in front.
    tray.ShowMainWindow();
    pumpFor(200);
    EXPECT_TRUE(::IsWindowVisible(wnd));
    EXPECT_FALSE(::IsIconic(wnd));
    EXPECT_EQ(::GetForegroundWindow(), wnd);

    // With OnMinimizeToTray the minimise command itself is taken over.
    int minimized = 0;
    tray.OnMinimizeToTray = [&](TTrayIcon&) { ++minimized; };
    ::SendMessageW(wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(minimized, 1);
    EXPECT_FALSE(::IsWindowVisible(wnd));
    EXPECT_FALSE(::IsIconic(wnd));
}

// Closes whatever menu is open, each time the timer comes round (also run while the menu loop
// dispatches); a callback may first destroy an icon.
struct MenuCloser {
    static std::unique_ptr<TTrayIcon>*& victim() {
        static std::unique_ptr<TTrayIcon>* v = nullptr;
        return v;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        if (victim() && *victim())
            victim()->reset();
        ::EndMenu();
    }
    MenuCloser() : id(::SetTimer(nullptr, 0, 300, &MenuCloser::tick)) {}
    ~MenuCloser() {
        ::KillTimer(nullptr, id);
        victim() = nullptr;
    }
    UINT_PTR id;
};

TEST(TrayIconWinTest, MenuTellsTheOwnerAndSurvivesTheIconGoingAway) {
    Owner owner;
    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuW(menu, MF_STRING, 101, L"&Vantrel");
    auto tray = std::make_unique<TTrayIcon>(owner.window.get());
    tray->SetPopupMenu(menu);
    tray->Loaded();
    const HWND handler = tray->IconRecord().hWnd;
    const UINT id = tray->IconRecord().uID;
    {
        // The owner sets the items up before the menu shows.
        MenuCloser closer;
        ::SendMessageW(handler, kTrayCallbackMessage, id, WM_RBUTTONDOWN);
    }
    EXPECT_NE(std::find(Owner::menuMessages().begin(), Owner::menuMessages().end(), UINT(WM_INITMENUPOPUP)),
              Owner::menuMessages().end());
    EXPECT_TRUE(Owner::commands().empty());

    // The owner closes (and so the icon goes) while the menu is up: the menu returns to an icon
    // that no longer exists and must leave it alone.
    {
        MenuCloser closer;
        MenuCloser::victim() = &tray;
        ::SendMessageW(handler, kTrayCallbackMessage, id, WM_RBUTTONDOWN);
    }
    EXPECT_EQ(tray, nullptr);
    EXPECT_TRUE(Owner::commands().empty());
    ::DestroyMenu(menu);
}

TEST(SimpleTimerWinTest, AStaleTickFindsNoNewTimerAtTheSameAddressAndAThrowingHandlerIsContained) {
    TSimpleTimer keeper;  // keeps the hidden window across the swap
    HWND window = ::FindWindowExW(HWND_MESSAGE, nullptr, L"VantrelSimpleTimer", nullptr);
    ASSERT_NE(window, nullptr);
    alignas(TSimpleTimer) unsigned char storage[sizeof(TSimpleTimer)];
    int oldTicks = 0, newTicks = 0;
    auto* old = new (storage) TSimpleTimer(1000, [&](TSimpleTimer&) { ++oldTicks; });
    const UINT_PTR oldId = old->Id();
    old->~TSimpleTimer();
    auto* fresh = new (storage) TSimpleTimer(1000, [&](TSimpleTimer&) { ++newTicks; });
    EXPECT_EQ(static_cast<void*>(fresh), static_cast<void*>(storage));
    EXPECT_NE(fresh->Id(), oldId);
    ::SendMessageW(window, WM_TIMER, oldId, 0);  // queued for the old timer before it went
    EXPECT_EQ(newTicks, 0);
    EXPECT_EQ(oldTicks, 0);
    ::SendMessageW(window, WM_TIMER, fresh->Id(), 0);
    EXPECT_EQ(newTicks, 1);

    // Anything a handler throws stops at the window procedure and is logged.
    test::TraceCapture trace;
    fresh->SetOnTimer([](TSimpleTimer&) { throw 42; });
    ::SendMessageW(window, WM_TIMER, fresh->Id(), 0);
    EXPECT_EQ(trace.units(), std::vector<std::string>{"simple_timer"});
    fresh->~TSimpleTimer();
}

TEST(SimpleTimerWinTest, StartStopIntervalAndAutoDisable) {
    const int before = TSimpleTimer::RunningCount();
    int ticks = 0;
    TSimpleTimer timer(0, [&](TSimpleTimer&) { ++ticks; });
    EXPECT_FALSE(timer.Start());  // a zero interval never starts
    EXPECT_FALSE(timer.Enabled());
    timer.SetInterval(20);
    ASSERT_TRUE(timer.Start());
    EXPECT_EQ(TSimpleTimer::RunningCount(), before + 1);
    ASSERT_TRUE(timer.Start());  // restarts, still counted once
    EXPECT_EQ(TSimpleTimer::RunningCount(), before + 1);
    EXPECT_TRUE(pumpUntil([&] { return ticks >= 3; }, 3000));
    timer.SetInterval(0);  // stops, stays enabled
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(TSimpleTimer::RunningCount(), before);
    const int seen = ticks;
    pumpFor(150);
    EXPECT_EQ(ticks, seen);
    timer.SetInterval(20);  // an enabled timer resumes with the new interval
    EXPECT_EQ(TSimpleTimer::RunningCount(), before + 1);
    timer.SetOnTimer(nullptr);  // no handler: stops
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(TSimpleTimer::RunningCount(), before);

    int once = 0;
    {
        TSimpleTimer single(20, [&](TSimpleTimer& t) {
            ++once;
            EXPECT_FALSE(t.Enabled());  // stopped before its handler runs
        });
        single.AutoDisable = true;
        ASSERT_TRUE(single.Start());
        pumpFor(300);
        EXPECT_EQ(once, 1);
        ASSERT_TRUE(single.Start());
        EXPECT_EQ(TSimpleTimer::RunningCount(), before + 1);
    }
    EXPECT_EQ(TSimpleTimer::RunningCount(), before);  // destroyed while running
}

TEST(AutoURLLabelWinTest, HandCursorAndOpeningTheLink) {
    ASSERT_NE(::FindResourceW(nullptr, L"AUTOURLLABELCURSOR", RT_GROUP_CURSOR), nullptr);
    ASSERT_NE(TAutoURLLabel::LinkCursor(), nullptr);
    EXPECT_NE(TAutoURLLabel::LinkCursor(), ::LoadCursorW(nullptr, IDC_ARROW));

    Owner owner;
    ::ShowWindow(owner.window.get(), SW_SHOW);
    TAutoURLLabel label(owner.window.get(), 10, 10);
    RECT rc;
    ::GetWindowRect(label.Handle(), &rc);
    EXPECT_EQ(rc.right - rc.left, 100);

    label.SetCaption(L"https://www.example.com/");
    EXPECT_EQ(label.URL(), L"https://www.example.com/");
    ::SendMessageW(label.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(label.Handle()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), TAutoURLLabel::LinkCursor());

    // The link is opened by the shell: here a script that leaves a mark.
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring mark = std::wstring(temp) + L"vantrel_link_mark.txt";
    const std::wstring script = std::wstring(temp) + L"vantrel_link.cmd";
    ::DeleteFileW(mark.c_str());
    {
        FILE* f = _wfopen(script.c_str(), L"w");
        ASSERT_NE(f, nullptr);
        std::fprintf(f, "@echo opened> \"%ls\"\r\n", mark.c_str());
        std::fclose(f);
    }
    label.SetURL(script);
    label.SetCaption(L"Support");  // a URL set on its own stays
    EXPECT_EQ(label.URL(), script);
    ::SendMessageW(label.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(
        pumpUntil([&] { return ::GetFileAttributesW(mark.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000));

    // Without a caption nothing opens.
    ::DeleteFileW(mark.c_str());
    label.SetCaption(L"");
    ::SendMessageW(label.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    pumpFor(1500);
    EXPECT_EQ(::GetFileAttributesW(mark.c_str()), INVALID_FILE_ATTRIBUTES);
    ::DeleteFileW(script.c_str());
}

TEST(AutoURLLabelWinTest, TakesItsDefaultSizeAndItsFontForItsDpi) {
    Owner owner;
    TAutoURLLabel at96(owner.window.get(), 10, 10, 0, 0, 0, 96);
    TAutoURLLabel at144(owner.window.get(), 10, 40, 0, 0, 0, 144);
    TAutoURLLabel placed(owner.window.get(), 10, 80, 230, 30, 0, 144);
    auto client = [](const TAutoURLLabel& l) {
        RECT rc{};
        ::GetClientRect(l.Handle(), &rc);
        return rc;
    };
    auto logFont = [](const TAutoURLLabel& l) {
        LOGFONTW lf{};
        ::GetObjectW(l.Font(), sizeof(lf), &lf);
        return lf;
    };
    EXPECT_EQ(client(at96).right, 100);
    EXPECT_GE(client(at96).bottom, 16);
    EXPECT_EQ(client(at144).right, 150);
    EXPECT_GE(client(at144).bottom, 24);
    EXPECT_EQ(client(placed).right, 230) << "a size given is kept";
    EXPECT_EQ(client(placed).bottom, 30);
    const LOGFONTW small = logFont(at96), large = logFont(at144);
    EXPECT_TRUE(small.lfUnderline);
    EXPECT_TRUE(large.lfUnderline);
    EXPECT_EQ(std::wstring(large.lfFaceName), std::wstring(small.lfFaceName));
    EXPECT_NEAR(std::abs(large.lfHeight) * 2.0, std::abs(small.lfHeight) * 3.0, 3.0);
}

TEST(AutoURLLabelWinTest, DestroyedWithItsParentItLetsTheHandleGo) {
    Owner owner;
    auto label = std::make_unique<TAutoURLLabel>(owner.window.get(), 10, 10);
    label->SetCaption(L"Support");
    ASSERT_NE(label->Handle(), nullptr);
    owner.window.reset();
    EXPECT_EQ(label->Handle(), nullptr);
    label->SetCaption(L"Later");  // no window: only the text changes
    EXPECT_EQ(label->Caption(), L"Later");
    label.reset();
}

}  // namespace
}  // namespace vantrel

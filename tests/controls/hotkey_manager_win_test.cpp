#include "controls/hotkey_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "controls/system_win_support.h"

namespace vantrel {
namespace {

using test::pumpFor;
using test::pumpUntil;

constexpr HotKeyValue kCtrlAltM = 49229;
// Not an F key: with Ctrl+Alt the X keymap turns those into console switches.
constexpr HotKeyValue kCtrlAltT = 49236;

std::wstring helper(const std::wstring& arguments) {
    return L"\"" + test::testProgramDirectory() + L"system_helper.exe\" " + arguments;
}

TEST(HotKeyManagerWinTest, SecondRegistrationFailsAndTheFirstKeepsWorking) {
    THotKeyManager manager(CreateWindowHotKeySystem());
    std::vector<std::pair<HotKeyValue, uint16_t>> pressed;
    manager.OnHotKeyPressed = [&](HotKeyValue v, uint16_t id) { pressed.emplace_back(v, id); };

    const uint16_t id = manager.AddHotKey(kCtrlAltM);
    ASSERT_GE(id, 0xC000);
    EXPECT_EQ(::GlobalFindAtomW(L"HotKeyManagerHotKey49229"), id);
    EXPECT_EQ(manager.AddHotKey(kCtrlAltM), 0);
    EXPECT_EQ(manager.AddHotKey(kCtrlAltM | 0x0100), 0);  // bits 8-12 name the same combination
    for (uint16_t position : {0, 1, 2})
        EXPECT_EQ(manager.ChangeHotKey(position, kCtrlAltT), 0);
    EXPECT_TRUE(IsHotKeyAvailable(kCtrlAltT));   // the failed changes registered nothing
    EXPECT_FALSE(IsHotKeyAvailable(kCtrlAltM));  // this program holds it

    // A real key press on the X display reaches the first registration.
    pumpFor(100);
    ASSERT_EQ(test::xdotool(L"key ctrl+alt+m"), 0);
    ASSERT_TRUE(pumpUntil([&] { return !pressed.empty(); }, 5000));
    EXPECT_EQ(pressed.front(), std::make_pair(kCtrlAltM, id));

    // A changed registration answers under its new id only.
    const uint16_t changed = manager.ChangeHotKey(id, kCtrlAltT);
    ASSERT_NE(changed, 0);
    EXPECT_EQ(::GlobalFindAtomW(L"HotKeyManagerHotKey49229"), 0);
    pressed.clear();
    ASSERT_EQ(test::xdotool(L"key ctrl+alt+t"), 0);
    ASSERT_TRUE(pumpUntil([&] { return !pressed.empty(); }, 5000));
    EXPECT_EQ(pressed.front(), std::make_pair(kCtrlAltT, changed));

    manager.ClearHotKeys();
    EXPECT_EQ(::GlobalFindAtomW(L"HotKeyManagerHotKey49236"), 0);
    EXPECT_TRUE(IsHotKeyAvailable(kCtrlAltT));
}

TEST(HotKeyManagerWinTest, AnotherProcessCannotTakeWhatOneHolds) {
    {
        THotKeyManager manager(CreateWindowHotKeySystem());
        ASSERT_NE(manager.AddHotKey(kCtrlAltM), 0);
        EXPECT_EQ(test::runProcess(helper(L"probe 49229")), 0);  // unavailable over there
        EXPECT_EQ(test::runProcess(helper(L"probe 49235")), 1);
    }
    EXPECT_EQ(test::runProcess(helper(L"probe 49229")), 1);  // released with the manager

    // And the other way round: a combination the helper holds is unavailable here.
    const std::wstring name = L"VantrelHotKeyHold" + std::to_wstring(::GetCurrentProcessId());
    HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, (name + L"-ready").c_str());
    HANDLE quit = ::CreateEventW(nullptr, TRUE, FALSE, (name + L"-quit").c_str());
    HANDLE process = test::startProcess(helper(L"hold 49235 " + name));
    ASSERT_NE(process, nullptr);
    ASSERT_EQ(::WaitForSingleObject(ready, 20000), WAIT_OBJECT_0);
    EXPECT_FALSE(IsHotKeyAvailable(49235));
    THotKeyManager manager(CreateWindowHotKeySystem());
    EXPECT_EQ(manager.AddHotKey(49235), 0);
    ::SetEvent(quit);
    EXPECT_EQ(test::waitExit(process), 0);
    // The refused registration left no atom reference behind once the holder is gone.
    EXPECT_EQ(::GlobalFindAtomW(L"HotKeyManagerHotKey49235"), 0);
    EXPECT_TRUE(IsHotKeyAvailable(49235));
    EXPECT_NE(manager.AddHotKey(49235), 0);
    ::CloseHandle(ready);
    ::CloseHandle(quit);
}

TEST(HotKeyManagerWinTest, KeyNamesFromTheKeyboard) {
    // The localized names are the keyboard's own (this one calls its Ctrl key "Control").
    auto keyboardName = [](UINT vk) {
        wchar_t buffer[256] = {};
        ::GetKeyNameTextW(static_cast<LONG>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16), buffer, 256);
        return std::wstring(buffer);
    };
    const ModifierNames& names = LocalizedModifierNames();
    EXPECT_EQ(names.shift, keyboardName(VK_SHIFT));
    EXPECT_EQ(names.ctrl, keyboardName(VK_CONTROL));
    EXPECT_EQ(names.alt, keyboardName(VK_MENU));
    EXPECT_EQ(names.alt, L"Alt");
    EXPECT_EQ(names.win, L"Win");
    const std::wstring ctrl = names.ctrl;
    EXPECT_EQ(HotKeyToText(kCtrlAltM, true), ctrl + L"+Alt+M");
    EXPECT_EQ(HotKeyToText(kCtrlAltM, false), L"Ctrl+Alt+M");  // fixed names without localizing
    EXPECT_EQ(HotKeyToText(0x1E000 | 'A', true), ctrl + L"+" + names.shift + L"+Alt+Win+A");
    EXPECT_EQ(HotKeyToText(0x2000 | VK_F5 | 0x4000, false), L"Ctrl+Shift+F5");
    // The cursor-block key, not the numeric pad's 9.
    const std::wstring pageUp = HotKeyToText(VK_PRIOR, true);
    EXPECT_FALSE(pageUp.empty());
    EXPECT_EQ(pageUp.find(L"Num"), std::wstring::npos);
    EXPECT_NE(pageUp, HotKeyToText(VK_NUMPAD9, true));
    EXPECT_EQ(HotKeyToText(VK_PRIOR, false), pageUp);
    // Media keys: whatever the layout offers, never an empty or one-letter name.
    for (uint8_t key = 166; key <= 183; ++key) {
        const std::wstring text = HotKeyToText(key, true);
        SCOPED_TRACE(key);
        EXPECT_GT(text.size(), 1u);
    }
}

}  // namespace
}  // namespace vantrel

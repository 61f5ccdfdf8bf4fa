#include "platform/processes.h"

#include <gtest/gtest.h>

#include "support/fake_process_system.h"

namespace vantrel {
namespace {

using test::FakeProcessSystem;
using test::kRefusesAll;

TEST(ImageNameFromPathTest, KeepsWhatFollowsTheLastBackslash) {
    const struct {
        std::wstring path;
        std::wstring name;
    } cases[] = {
        {L"C:\\Windows\\System32\\notepad.exe", L"notepad.exe"},
        {L"notepad.exe", L"notepad.exe"},  // no folder: the whole text
        {L"", L""},
        {L"C:\\folder\\", L""},  // ends in a backslash: no name
        {L"\\\\server\\share\\a b.exe", L"a b.exe"},
        {L"C:/forward/slash.exe", L"C:/forward/slash.exe"},  // only backslashes separate
        {L"\\x.exe", L"x.exe"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(imageNameFromPath(c.path), c.name) << std::string(c.path.begin(), c.path.end());
}

TEST(ProcessImageNameTest, ThePathFirstThenTheTableThenTheSystemsOwnNames) {
    const struct {
        uint32_t id;
        std::wstring path;
        std::wstring tableName;
        std::wstring name;
    } cases[] = {
        {20, L"C:\\Apps\\app.exe", L"other.exe", L"app.exe"},
        {20, L"", L"app.exe", L"app.exe"},                         // the path cannot be read
        {20, L"", L"C:\\WINDOWS\\EXPLORER.EXE", L"EXPLORER.EXE"},  // the old family's full path
        {20, L"C:\\Apps\\", L"", L"System"},                       // a path without a file name
        {20, L"", L"", L"System"},
        {4, L"", L"", L"System"},
        {0, L"", L"", L"System Idle Process"},
        {0, L"", L"[System Process]", L"[System Process]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(processImageName(c.id, c.path, c.tableName), c.name)
            << c.id << " " << std::string(c.path.begin(), c.path.end());
    }
}

TEST(RunningProcessesTest, ListsEveryProcessWithItsPathWhereItCanBeRead) {
    FakeProcessSystem system;
    system.add({.id = 0, .exeFile = L"[System Process]"});
    system.add({.id = 4});
    system.add({.id = 300, .path = L"C:\\Apps\\app.exe", .parentId = 200, .creationTime = 1234});
    system.add({.id = 304, .exeFile = L"elevated.exe", .refuses = kRefusesAll});
    system.add({.id = 308, .path = L"C:\\Apps\\late.exe", .times = {{5678, 0}}});  // time from the handle
    auto list = RunningProcesses(system);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].Name, L"[System Process]");
    EXPECT_EQ(list[1].Name, L"System");
    EXPECT_EQ(list[2].Name, L"app.exe");
    EXPECT_EQ(list[2].Path, L"C:\\Apps\\app.exe");
    EXPECT_EQ(list[2].ParentProcessId, 200u);
    EXPECT_EQ(list[3].Name, L"elevated.exe");
    EXPECT_EQ(list[3].Path, L"");
    EXPECT_EQ(list[4].CreationTime, 5678u);
    // Only queries are asked for, and the idle process is not opened.
    for (const auto& [id, access] : system.opens) {
        EXPECT_NE(id, 0u);
        EXPECT_EQ(access, kAccessQuery);
    }

    system.enumFails = true;
    EXPECT_TRUE(RunningProcesses(system).empty());
}

TEST(ApplicationWindowTest, VisibleUnownedAndNoToolWindowUnlessMarkedAsApplication) {
    constexpr uintptr_t kDesktop = 0x10010;
    const struct {
        const char* what;
        WindowInfo window;
        bool application;
    } cases[] = {
        {"plain", {1, 10, true, 0, 0}, true},
        {"hidden", {1, 10, false, 0, 0}, false},
        {"owned by the desktop", {1, 10, true, kDesktop, 0}, true},
        {"owned by another window", {1, 10, true, 0x500, 0}, false},
        {"tool window", {1, 10, true, 0, kWsExToolWindow}, false},
        {"tool window marked as application", {1, 10, true, 0, kWsExToolWindow | kWsExAppWindow}, true},
        {"application window", {1, 10, true, 0, kWsExAppWindow}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsApplicationWindow(c.window, kDesktop), c.application) << c.what;
}

TEST(ApplicationWindowTest, TitlesAndTheFirstWindowOfAProcess) {
    FakeProcessSystem system;
    system.windows = {
        {0x100, 10, L"Hidden", false},
        {0x104, 20, L"Tool", true, 0, kWsExToolWindow},
        {0x108, 20, L""},  // no title: not a title, but still the process's window
        {0x10C, 20, L"Chess Titans"},
        {0x110, 30, L"Owned", true, 0x10C},
        {0x114, 30, std::wstring(2000, L'x')},
    };
    auto titles = ApplicationWindowTitles(system);
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles[0], L"Chess Titans");
    EXPECT_EQ(titles[1].size(), 1024u);
    for (const auto& [window, maxChars] : system.titleReads)
        EXPECT_EQ(maxChars, 1024u);

    EXPECT_EQ(FirstApplicationWindow(system, 20), 0x108u);
    EXPECT_EQ(FirstApplicationWindow(system, 30), 0x114u);
    EXPECT_EQ(FirstApplicationWindow(system, 10), std::nullopt);  // only a hidden window
    EXPECT_EQ(FirstApplicationWindow(system, 99), std::nullopt);
}

}  // namespace
}  // namespace vantrel

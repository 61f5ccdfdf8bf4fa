#include "shell/command_line.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using Args = std::vector<std::wstring>;

TEST(CommandLineTest, ChoosesTheLifeFromTheArgumentsAlone) {
    struct Case {
        Args args;
        ProcessLife life;
        const char* why;
    } cases[] = {
        {{}, ProcessLife::Normal, "no arguments"},
        {{L"--uninstall"}, ProcessLife::Uninstall, "alone"},
        {{L"--uninstall", L"/RUNAPPLICATION", L"5"}, ProcessLife::Uninstall, "whatever follows"},
        {{L"--Uninstall"}, ProcessLife::Normal, "case-sensitive"},
        {{L"x", L"--uninstall"}, ProcessLife::Normal, "only in first place"},
        {{L"/RUNAPPLICATION", L"512", L"C:\\Games\\racer.exe"}, ProcessLife::Shortcut, "the shortcut form"},
        {{L"/runapplication", L"512", L"C:\\Games\\racer.exe"}, ProcessLife::Normal, "keyword in lower case"},
        {{L"/RUNAPPLICATION", L"512", L"C:\\My", L"Games\\racer.exe"},
         ProcessLife::Normal,
         "an unquoted path with a space makes four arguments"},
        {{L"/RUNAPPLICATION", L"512"}, ProcessLife::Normal, "two arguments"},
        {{L"/RUNAPPLICATION"}, ProcessLife::Normal, "one argument"},
        {{L"/RUNAPPLICATION", L"0", L""}, ProcessLife::Shortcut, "form chosen even when it has no work"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseCommandLine(c.args).life, c.life) << c.why;

    const CommandLine shortcut = ParseCommandLine({L"/RUNAPPLICATION", L"512", L"C:\\My Games\\racer.exe"});
    EXPECT_EQ(shortcut.megabytes, 512);
    EXPECT_EQ(shortcut.program, L"C:\\My Games\\racer.exe");
    EXPECT_TRUE(ShortcutHasWork(shortcut));
}

TEST(CommandLineTest, ShortcutWithoutFigureOrProgramHasNoWork) {
    struct Case {
        const wchar_t* figure;
        const wchar_t* program;
        bool work;
    } cases[] = {
        {L"0", L"a.exe", false}, {L"abc", L"a.exe", false}, {L"", L"a.exe", false},
        {L"5", L"", false},      {L"-100", L"a.exe", true}, {L"1", L"a.exe", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortcutHasWork(ParseCommandLine({L"/RUNAPPLICATION", c.figure, c.program})), c.work)
            << c.figure << L" " << c.program;
}

TEST(CommandLineTest, MegabytesAreASigned32BitDecimalOrZero) {
    struct Case {
        const wchar_t* text;
        int32_t value;
    } cases[] = {
        {L"512", 512},
        {L"-100", -100},
        {L"+7", 7},
        {L"0007", 7},
        {L"2147483647", 2147483647},
        {L"-2147483648", INT32_MIN},
        {L"2147483648", 0},
        {L"-2147483649", 0},
        {L"99999999999999999999", 0},
        {L"", 0},
        {L"-", 0},
        {L"12MB", 0},
        {L"1.5", 0},
        {L" 12", 0},
        {L"0x10", 0},
        {L"$10", 0},
        {L"\x0661\x0662", 0},  // digits of another script
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseMegabytes(c.text), c.value) << c.text;
}

TEST(CommandLineTest, AmountIsFreeMemoryPlusMegabytesCutToInstalledMemory) {
    constexpr uint64_t GB = 1ull << 30;
    constexpr int64_t MB = 1 << 20;
    struct Case {
        uint64_t avail, total;
        int32_t mb;
        int64_t amount;
        const char* why;
    } cases[] = {
        {2 * GB, 8 * GB, 3000, int64_t(2 * GB) + 3000 * MB, "no 32-bit wrap-around"},
        {2 * GB, 8 * GB, 65536, int64_t(8 * GB), "cut to installed memory"},
        {2 * GB, 8 * GB, 6144, int64_t(8 * GB), "exactly the installed memory"},
        {2 * GB, 8 * GB, -100, int64_t(2 * GB) - 100 * MB, "negative lowers it"},
        {50 * MB, 8 * GB, -100, -50 * MB, "below zero is not cut"},
        {2 * GB, 8 * GB, INT32_MAX, int64_t(8 * GB), "largest figure"},
        {2 * GB, 8 * GB, INT32_MIN, int64_t(2 * GB) + int64_t(INT32_MIN) * MB, "smallest figure"},
        {0, 0, 5, 0, "no memory figures"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortcutAmount(c.avail, c.total, c.mb), c.amount) << c.why;
}

TEST(CommandLineTest, ProgramStartsInItsOwnFolderWhenItsPathIsAbsolute) {
    struct Case {
        const wchar_t* program;
        const wchar_t* folder;
    } cases[] = {
        {L"C:\\Games\\Racer\\racer.exe", L"C:\\Games\\Racer"},
        {L"C:\\My Games\\racer.exe", L"C:\\My Games"},
        {L"d:/games/racer.exe", L"d:/games"},
        {L"C:\\racer.exe", L"C:\\"},
        {L"\\\\server\\share\\racer.exe", L"\\\\server\\share"},
        {L"\\\\server", L""},
        {L"racer.exe", L""},
        {L"Games\\racer.exe", L""},
        {L"C:racer.exe", L""},
        {L"http://example.com/page", L""},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgramFolder(c.program), c.folder) << c.program;
}

}  // namespace
}  // namespace vantrel

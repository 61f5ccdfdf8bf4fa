// The entry and the single-instance guard under Wine, with real processes: shell_test_app runs
// the program's entry with stand-in windows and the program's resources (see its header comment).
#include <windows.h>

#include <aclapi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "controls/system_win_support.h"
#include "platform/system.h"
#include "resource_ids.h"
#include "shell/app_instances.h"
#include "update/versions.h"
#include "vantrel/version.h"

namespace vantrel {
namespace {

using test::pumpUntil;
using test::testProgramDirectory;

// Sets an environment variable for the processes started while it lives.
class EnvVar {
  public:
    EnvVar(const wchar_t* name, const std::wstring& value) : name_(name) {
        ::SetEnvironmentVariableW(name, value.c_str());
    }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;
    ~EnvVar() { ::SetEnvironmentVariableW(name_, nullptr); }

  private:
    const wchar_t* name_;
};

// A started program, ended with the test when it is still running.
class Program {
  public:
    explicit Program(const std::wstring& commandLine) {
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        std::wstring cmd = commandLine;
        if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info_))
            info_ = {};
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() {
        if (info_.hProcess) {
            if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
                ::TerminateProcess(info_.hProcess, 9);
                ::WaitForSingleObject(info_.hProcess, 5000);
            }
            ::CloseHandle(info_.hProcess);
            ::CloseHandle(info_.hThread);
        }
    }
    bool started() const { return info_.hProcess != nullptr; }
    DWORD id() const { return info_.dwProcessId; }
    // The exit code once it has ended within the time, or -1.
    long exitCode(DWORD timeoutMs = 20000) const {
        DWORD code = 0;
        if (!pumpUntil([&] { return ::WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; },
                       timeoutMs) ||
            !::GetExitCodeProcess(info_.hProcess, &code))
            return -1;
        return long(code);
    }

  private:
    PROCESS_INFORMATION info_{};
};

struct FindWindow {
    DWORD pid;
    HWND found = nullptr;
    static BOOL CALLBACK each(HWND wnd, LPARAM param) {
        auto* self = reinterpret_cast<FindWindow*>(param);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(wnd, &pid);
        wchar_t name[64] = {};
        ::GetClassNameW(wnd, name, 64);
        if (pid == self->pid && std::wstring(name) == kMainWindowClass) {
            self->found = wnd;
            return FALSE;
        }
        return TRUE;
    }
};

HWND mainWindowOf(DWORD pid) {
    FindWindow find{pid};
    ::EnumWindows(&FindWindow::each, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

bool copyFile(const std::wstring& from, const std::wstring& to) {
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

// A folder of its own for each test, with a copy of the test program in it: every test has its
// own guard names, so a copy a test ended by force leaves nothing behind for the next one.
class EntryWinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        static int serial = 0;
        folder_ = std::wstring(temp) + L"vantrel-entry-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                  std::to_wstring(++serial) + L"\\";
        ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr));
        app_ = folder_ + L"Vantrel.exe";
        ASSERT_TRUE(copyFile(testProgramDirectory() + L"shell_test_app.exe", app_));
        log_ = folder_ + L"log.txt";
        logVar_ = std::make_unique<EnvVar>(L"VANTREL_TEST_LOG", log_);
    }
    void TearDown() override {
        logVar_.reset();
        // The programs have ended with their Program objects; their files can go.
        for (const auto& f : created_)
            ::DeleteFileW(f.c_str());
        // A program opened in a folder may still be ending there.
        for (const auto& d : folders_)
            pumpUntil([&] { return ::RemoveDirectoryW(d.c_str()) != 0; }, 5000);
        ::DeleteFileW(app_.c_str());
        ::DeleteFileW(log_.c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        std::istringstream in(readFile(log_));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
    int logCount(const std::string& start) const {
        int n = 0;
        for (const auto& line : logLines())
            n += line.rfind(start, 0) == 0 ? 1 : 0;
        return n;
    }
    std::wstring command(const std::wstring& arguments = L"") const {
        return L"\"" + app_ + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    }
    // Starts a copy and waits until its message loop runs.
    std::unique_ptr<Program> startRunning(const std::wstring& path = L"") {
        const int loops = logCount("loop");
        auto p = std::make_unique<Program>(path.empty() ? command() : L"\"" + path + L"\"");
        EXPECT_TRUE(p->started());
        EXPECT_TRUE(pumpUntil([&] { return logCount("loop") > loops && mainWindowOf(p->id()); }, 20000));
        return p;
    }
    std::wstring subfolder(const std::wstring& name) {
        std::wstring f = folder_ + name + L"\\";
        ::CreateDirectoryW(f.c_str(), nullptr);
        folders_.insert(folders_.begin(), f);
        return f;
    }
    std::wstring copyInto(const std::wstring& folder, const std::wstring& program, const std::wstring& as) {
        const std::wstring to = folder + as;
        EXPECT_TRUE(copyFile(testProgramDirectory() + program, to));
        created_.push_back(to);
        return to;
    }

    std::wstring folder_, app_, log_;
    std::unique_ptr<EnvVar> logVar_;
    std::vector<std::wstring> created_, folders_;
};

TEST_F(EntryWinTest, UninstallAndShortcutsWithoutWorkEndAtOnceOpeningNothing) {
    const std::wstring probe = copyInto(folder_, L"open_probe.exe", L"probe.exe");
    for (const std::wstring& args : std::vector<std::wstring>{
             L"--uninstall", L"--uninstall /RUNAPPLICATION 5 \"" + probe + L"\"",
             L"/RUNAPPLICATION 0 \"" + probe + L"\"", L"/RUNAPPLICATION abc \"" + probe + L"\""}) {
        Program p(command(args));
        EXPECT_EQ(p.exitCode(), 0) << args;
    }
    EXPECT_EQ(logCount("manifest"), 4) << "every one of them ran";
    EXPECT_EQ(logCount("windows"), 0);
    EXPECT_EQ(logCount("opened"), 0);
}

TEST_F(EntryWinTest, SecondCopyBringsTheFirstToTheFrontAndEnds) {
    struct Case {
        const wchar_t* mode;
    } cases[] = {{L"VANTREL_TEST_HIDDEN"}, {L"VANTREL_TEST_MINIMIZED"}};
    for (const auto& c : cases) {
        std::unique_ptr<Program> first;
        {
            EnvVar mode(c.mode, L"1");
            first = startRunning();
        }
        const HWND wnd = mainWindowOf(first->id());
        auto guard = CreateAppInstances(app_);
        EXPECT_EQ(guard->Count(), 1);
        EXPECT_EQ(guard->GetAllProcessIDs(0), first->id());
        EXPECT_EQ(guard->GetAllAppWnds(0), reinterpret_cast<uintptr_t>(wnd));

        Program second(command());
        EXPECT_EQ(second.exitCode(), 0) << c.mode;
        EXPECT_EQ(logCount("activated by " + std::to_string(second.id())), 1) << c.mode;
        EXPECT_TRUE(pumpUntil([&] { return ::IsWindowVisible(wnd) && !::IsIconic(wnd); }, 5000)) << c.mode;
        EXPECT_EQ(guard->Count(), 1) << "the second copy removed itself";
        EXPECT_EQ(logCount("windows"), 1) << "the second copy made no windows";

        ::PostMessageW(wnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(first->exitCode(), 0);
        EXPECT_EQ(guard->Count(), 0) << "the first copy's registration went at its exit";
        ::DeleteFileW(log_.c_str());
    }
}

TEST_F(EntryWinTest, TableIsOwnedByTheUserAndOpenToEveryone) {
    auto first = startRunning();
    std::wstring upper = app_;
    ::CharUpperBuffW(upper.data(), DWORD(upper.size()));
    const InstanceNames names = MakeInstanceNames(upper);
    for (const auto& [name, access] :
         {std::pair{names.table, DWORD(0xF001F)}, std::pair{names.lock, DWORD(MUTEX_ALL_ACCESS)}}) {
        HANDLE object = name == names.table ? ::OpenFileMappingW(READ_CONTROL, FALSE, name.c_str())
                                            : ::OpenMutexW(READ_CONTROL, FALSE, name.c_str());
        ASSERT_NE(object, nullptr) << "named from the upper-cased path";
        PSID owner = nullptr;
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_EQ(::GetSecurityInfo(object, SE_KERNEL_OBJECT,
                                    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                                    &dacl, nullptr, &sd),
                  DWORD(ERROR_SUCCESS));
        HANDLE token = nullptr;
        ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
        unsigned char user[256] = {};
        DWORD size = 0;
        ASSERT_TRUE(::GetTokenInformation(token, TokenUser, user, sizeof(user), &size));
        EXPECT_TRUE(::EqualSid(owner, reinterpret_cast<TOKEN_USER*>(user)->User.Sid));
        ASSERT_NE(dacl, nullptr);
        ASSERT_EQ(dacl->AceCount, 1);
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(::GetAce(dacl, 0, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Mask, access);
        unsigned char world[SECURITY_MAX_SID_SIZE] = {};
        size = sizeof(world);
        ASSERT_TRUE(::CreateWellKnownSid(WinWorldSid, nullptr, world, &size));
        EXPECT_TRUE(::EqualSid(&ace->SidStart, world));
        ::LocalFree(sd);
        ::CloseHandle(token);
        ::CloseHandle(object);
    }
}

TEST_F(EntryWinTest, HungFirstCopyDoesNotHoldTheSecondUp) {
    std::unique_ptr<Program> first;
    {
        EnvVar hang(L"VANTREL_TEST_HANG", L"1");
        first = startRunning();
    }
    Program second(command());
    EXPECT_EQ(second.exitCode(), 0) << "the request timed out, the second copy ended";
    EXPECT_EQ(logCount("activated"), 0);
}

TEST_F(EntryWinTest, CopiesFromOtherFoldersRunSideBySideAndAnEndedCopyMakesRoom) {
    auto first = startRunning();
    const std::wstring other = copyInto(subfolder(L"other"), L"shell_test_app.exe", L"Vantrel.exe");
    auto elsewhere = startRunning(other);
    EXPECT_EQ(CreateAppInstances(other)->Count(), 1);
    EXPECT_EQ(CreateAppInstances(app_)->Count(), 1);

    ::PostMessageW(mainWindowOf(first->id()), WM_CLOSE, 0, 0);
    EXPECT_EQ(first->exitCode(), 0);
    auto next = startRunning();
    EXPECT_NE(mainWindowOf(next->id()), nullptr) << "admitted once the first had gone";
    EXPECT_EQ(logCount("activated"), 0);
    ::PostMessageW(mainWindowOf(elsewhere->id()), WM_CLOSE, 0, 0);
    ::PostMessageW(mainWindowOf(next->id()), WM_CLOSE, 0, 0);
    EXPECT_EQ(elsewhere->exitCode(), 0);
    EXPECT_EQ(next->exitCode(), 0);
}

TEST_F(EntryWinTest, ShortcutFreesMemoryAndOpensTheProgramInItsFolderBesideARunningCopy) {
    auto running = startRunning();
    const std::wstring games = subfolder(L"My Games");
    const std::wstring probe = copyInto(games, L"open_probe.exe", L"racer.exe");
    // A negative figure keeps the claim small: free memory less all but 64 MB of it.
    const int64_t freeMb = int64_t(memoryStatus().availPhys >> 20);
    const std::wstring figure = std::to_wstring(64 - freeMb);

    Program shortcut(command(L"/RUNAPPLICATION " + figure + L" \"" + probe + L"\""));
    EXPECT_EQ(shortcut.exitCode(), 0);
    ASSERT_TRUE(pumpUntil([&] { return logCount("opened") == 1; }, 10000));

    std::string target, opened;
    for (const auto& line : logLines()) {
        if (line.rfind("target ", 0) == 0)
            target = line.substr(7);
        if (line.rfind("opened ", 0) == 0)
            opened = line;
    }
    const int64_t amount = std::stoll(target);
    EXPECT_GT(amount, 16 << 20);
    EXPECT_LT(amount, 512 << 20);
    EXPECT_EQ(logCount("progress 0"), 1) << "the job ran and reported";
    std::string folder = toAnsi(games);
    folder.pop_back();
    EXPECT_EQ(opened, "opened cwd=" + folder + " args=") << "opened in its own folder, without parameters";
    EXPECT_EQ(logCount("activated"), 0) << "the running copy was left alone";
    EXPECT_EQ(CreateAppInstances(app_)->Count(), 1);
    ::PostMessageW(mainWindowOf(running->id()), WM_CLOSE, 0, 0);
    EXPECT_EQ(running->exitCode(), 0);
}

TEST_F(EntryWinTest, ProgramFileCarriesTheVersionIconAndManifest) {
    const ProgramFiles& files = systemProgramFiles();
    const FileVersion expected{VANTREL_VERSION_MAJOR, VANTREL_VERSION_MINOR, VANTREL_VERSION_RELEASE,
                               VANTREL_VERSION_BUILD};
    EXPECT_EQ(files.fileVersion(app_), expected);
    EXPECT_EQ(FullVersionText(files.fileVersion(app_)), VANTREL_VERSION_WTEXT);

    DWORD ignored = 0;
    std::vector<unsigned char> block(::GetFileVersionInfoSizeW(app_.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(::GetFileVersionInfoW(app_.c_str(), 0, DWORD(block.size()), block.data()));
    for (const auto& [name, value] :
         {std::pair{L"ProductName", L"Vantrel"}, std::pair{L"FileVersion", VANTREL_VERSION_WTEXT},
          std::pair{L"ProductVersion", VANTREL_VERSION_WTEXT}}) {
        wchar_t* text = nullptr;
        UINT length = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(::VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&text), &length))
            << name;
        EXPECT_EQ(std::wstring(text), value);
    }

    // The icon group holds the four sizes, each a real image.
    HMODULE image =
        ::LoadLibraryExW(app_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr);
    for (int size : {16, 32, 48, 256}) {
        HICON icon = static_cast<HICON>(
            ::LoadImageW(image, MAKEINTRESOURCEW(VANTREL_IDI_APPLICATION), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        BITMAP bm{};
        ::GetObjectW(info.hbmColor, sizeof(bm), &bm);
        EXPECT_EQ(bm.bmWidth, size);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        ::DestroyIcon(icon);
    }
    HRSRC group = ::FindResourceW(image, MAKEINTRESOURCEW(VANTREL_IDI_APPLICATION), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    const auto* dir = static_cast<const unsigned char*>(::LockResource(::LoadResource(image, group)));
    ASSERT_NE(dir, nullptr);
    const int count = dir[4] | dir[5] << 8;
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i)
        sizes.push_back(dir[6 + 14 * i] == 0 ? 256 : dir[6 + 14 * i]);
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 256}));
    ::FreeLibrary(image);

    // What the manifest gave the running program: per-monitor DPI awareness and comctl32 6.
    Program p(command(L"--uninstall"));
    ASSERT_EQ(p.exitCode(), 0);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("manifest dpi 2 comctl32 ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("common-controls_6595b64144ccf1df_6.0"), std::string::npos) << lines[0];
}

}  // namespace
}  // namespace vantrel

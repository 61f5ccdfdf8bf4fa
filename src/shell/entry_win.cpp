#include "shell/entry_win.h"

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <exception>

#include "jobs/gui_sync.h"
#include "platform/trace_log.h"
#include "procinfo/process_list.h"

namespace vantrel {

namespace {
constexpr const char* kUnit = "Vantrel";

class WinEntryHost final : public EntryHost {
  public:
    explicit WinEntryHost(const AppWindowsFactory& createWindows) : createWindows_(createWindows) {}
    WinEntryHost(const WinEntryHost&) = delete;
    WinEntryHost& operator=(const WinEntryHost&) = delete;
    ~WinEntryHost() override {
        if (oleInitialized_)
            ::OleUninitialize();
    }

    void InitApplication() override {
        // Once, apartment-threaded, on the thread that runs every window: shell links, the file
        // dialogs and the update wizard's browser control all need it.
        oleInitialized_ = SUCCEEDED(::OleInitialize(nullptr));
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        InitGuiThread();
    }

    std::unique_ptr<TAppInstances> CreateGuard() override { return CreateAppInstances(executablePath()); }

    std::unique_ptr<AppWindows> CreateWindows(ProcessObjects& objects) override {
        return createWindows_ ? createWindows_(objects) : nullptr;
    }

    MemoryStatus ReadMemoryStatus() override { return memoryStatus(); }

    void WaitWithMessages(Event& event) override { vantrel::WaitWithMessages(event); }

    void OpenProgram(uint64_t owner, const std::wstring& program) override {
        OpenProgramInItsFolder(owner, program);
    }

  private:
    const AppWindowsFactory& createWindows_;
    bool oleInitialized_ = false;
};
}  // namespace

std::vector<std::wstring> CommandLineArguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.emplace_back(argv[i]);
    ::LocalFree(argv);
    return arguments;
}

void OpenProgramInItsFolder(uint64_t owner, const std::wstring& program) {
    const std::wstring folder = ProgramFolder(program);
    ::ShellExecuteW(reinterpret_cast<HWND>(static_cast<uintptr_t>(owner)), L"open", program.c_str(), nullptr,
                    folder.empty() ? nullptr : folder.c_str(), SW_SHOWNORMAL);
}

int VantrelMain(const AppWindowsFactory& createWindows) {
    try {
        ProcessObjects objects(&ListProcesses);
        WinEntryHost host(createWindows);
        return RunEntry(CommandLineArguments(), objects, host);
    } catch (const std::exception& e) {
        // The start failed (the single-instance guard could not be made, say): said in the trace
        // log, the process ends.
        const std::string what = e.what();
        VANTREL_ASSERT_FAILED(std::wstring(what.begin(), what.end()), kUnit);
        return 1;
    }
}

}  // namespace vantrel

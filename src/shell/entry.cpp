#include "shell/entry.h"

#include "platform/trace_log.h"

namespace vantrel {

namespace {
constexpr const char* kUnit = "Vantrel";

// The workers stop before the windows go: the worker-1 routines hold pointers to them.
void closeWindows(ProcessObjects& objects, std::unique_ptr<AppWindows>& windows) {
    objects.MTCore().StopThreads();
    windows.reset();
}
}  // namespace

void RunShortcut(const CommandLine& command, ProcessObjects& objects, AppWindows& windows, EntryHost& host) {
    windows.SetOptimizationRunning(true);  // the progress window clears it at the final report
    const MemoryStatus memory = host.ReadMemoryStatus();
    TRamRecoveryParam param;
    param.Amount = ShortcutAmount(memory.availPhys, memory.totalPhys, command.megabytes);
    param.Notify = objects.Routines().ProgressRoutine;
    param.ClearClipboard = windows.ClearClipboardBeforeOptimizing();
    windows.SetProgressTarget(uint32_t(uint64_t(param.Amount)));

    const TRoutine& recovery = objects.Routines().RamRecoveryRoutine;
    objects.MTCore().Post(recovery, classOf<TRamRecoveryParamT>(), &param);
    // A job posted to workers that never started would never signal: nothing to wait for then.
    if (objects.MTCore().Started() && recovery.DoneEvent)
        host.WaitWithMessages(*recovery.DoneEvent);
    else
        VANTREL_ASSERT_FAILED(L"Assertion failure", kUnit);

    host.OpenProgram(windows.ApplicationWindow(), command.program);
}

int RunEntry(const std::vector<std::wstring>& arguments, ProcessObjects& objects, EntryHost& host) {
    const CommandLine command = ParseCommandLine(arguments);
    if (command.life == ProcessLife::Uninstall)
        return 0;
    host.InitApplication();

    if (command.life == ProcessLife::Shortcut) {
        // No single-instance check: a shortcut works while an interactive copy runs.
        if (!ShortcutHasWork(command))
            return 0;
        auto windows = host.CreateWindows(objects);
        if (windows)
            RunShortcut(command, objects, *windows, host);
        closeWindows(objects, windows);
        return 0;
    }

    if (!EnsureSingleCopy(objects.AdoptGuard(host.CreateGuard())))
        return 0;
    auto windows = host.CreateWindows(objects);
    const int exitCode = windows ? windows->RunMessageLoop() : 1;
    closeWindows(objects, windows);
    return exitCode;
}

}  // namespace vantrel

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/system.h"
#include "shell/command_line.h"
#include "shell/process_objects.h"

namespace vantrel {

inline constexpr wchar_t kApplicationTitle[] = L"Vantrel";

// The program's windows, as the entry sees them. The main window's module implements it: making
// one creates the main window (TVantrelMainForm), then the progress window
// (TOptimizationProgress), in that order, and neither is shown yet. The main window's creation
// registers ProgressRoutine and its other worker-1 routines, starts the three workers and loads
// the settings.
class AppWindows {
  public:
    virtual ~AppWindows() = default;
    // The main window's OptimizationRunning.
    virtual void SetOptimizationRunning(bool running) = 0;
    // The state of "Clear Clipboard Before Optimizing Memory" as loaded from the settings.
    virtual bool ClearClipboardBeforeOptimizing() const = 0;
    // The progress window's target: the bytes at which it considers the recovery complete.
    virtual void SetProgressTarget(uint32_t target) = 0;
    // The application window (the owner of what the entry opens); 0 when there is none.
    virtual uint64_t ApplicationWindow() const = 0;
    // Shows the main window as the settings say (or leaves it in the tray) and runs the message
    // loop until the application ends; the process's exit code.
    virtual int RunMessageLoop() = 0;
};

// Creates the windows over the process-wide objects.
using AppWindowsFactory = std::function<std::unique_ptr<AppWindows>(ProcessObjects&)>;

// The program's windows: defined by the main window's module (src/mainwindow), which Vantrel.exe
// links; shell/main/vantrel_main_win.cpp hands it to the entry.
std::unique_ptr<AppWindows> CreateVantrelWindows(ProcessObjects& objects);

// What the entry needs from the system.
class EntryHost {
  public:
    virtual ~EntryHost() = default;
    // The application object: COM for this (the GUI) thread, the common controls, the title.
    virtual void InitApplication() = 0;
    // This process's single-instance guard.
    virtual std::unique_ptr<TAppInstances> CreateGuard() = 0;
    virtual std::unique_ptr<AppWindows> CreateWindows(ProcessObjects& objects) = 0;
    virtual MemoryStatus ReadMemoryStatus() = 0;
    // Blocks until the event is set while the GUI thread's messages keep being dispatched.
    virtual void WaitWithMessages(Event& event) = 0;
    // Opens a program, document or shortcut ("open", shown normally); the outcome is not reported.
    virtual void OpenProgram(uint64_t owner, const std::wstring& program) = 0;
};

// The entry: reads the command line and leads the process through one of its three lives;
// returns the exit code.
int RunEntry(const std::vector<std::wstring>& arguments, ProcessObjects& objects, EntryHost& host);

// The shortcut form after the windows exist: frees memory and opens the program.
void RunShortcut(const CommandLine& command, ProcessObjects& objects, AppWindows& windows, EntryHost& host);

}  // namespace vantrel

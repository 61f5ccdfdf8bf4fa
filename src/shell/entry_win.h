#pragma once

#include <string>
#include <vector>

#include "shell/entry.h"

namespace vantrel {

// The whole program behind wWinMain: makes the process-wide objects, runs the entry with the
// windows the factory creates, and releases everything in order; the process's exit code.
int VantrelMain(const AppWindowsFactory& createWindows);

// The arguments after the program's name, split and unquoted by the system's rules.
std::vector<std::wstring> CommandLineArguments();

// ShellExecuteW "open" on a program, document or shortcut, shown normally, started in the
// program's own folder when it is given by an absolute path.
void OpenProgramInItsFolder(uint64_t owner, const std::wstring& program);

}  // namespace vantrel

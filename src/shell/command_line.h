#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// The three lives a process can lead, chosen from its command line alone.
enum class ProcessLife {
    Uninstall,  // "--uninstall" first: the process ends at once
    Shortcut,   // "/RUNAPPLICATION" <MB> <program>: free memory, open the program, end
    Normal,     // the interactive program, one copy only
};

struct CommandLine {
    ProcessLife life = ProcessLife::Normal;
    int32_t megabytes = 0;  // shortcut form: MB to free beyond what is free now
    std::wstring program;   // shortcut form: what to open afterwards
};

inline constexpr wchar_t kUninstallSwitch[] = L"--uninstall";
inline constexpr wchar_t kShortcutSwitch[] = L"/RUNAPPLICATION";

// Reads the arguments after the program's name (already split and unquoted). Both keywords are
// compared case-sensitively; the shortcut form needs exactly three arguments.
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// A signed 32-bit decimal number (an optional sign and digits, nothing else); 0 for anything else.
int32_t ParseMegabytes(const std::wstring& text);

// The shortcut form does something only with a figure other than 0 and a program.
bool ShortcutHasWork(const CommandLine& command);

// Bytes the shortcut's RAM recovery claims: what is free now plus MB megabytes, in signed 64-bit
// arithmetic, cut to the installed memory. A negative figure lowers it and is not cut.
int64_t ShortcutAmount(uint64_t availPhys, uint64_t totalPhys, int32_t megabytes);

// The folder the shortcut's program is started in: the folder of an absolute file path (a drive
// or UNC path), so that a program finds the files it loads relative to itself; empty (the caller's
// own folder) for anything else.
std::wstring ProgramFolder(const std::wstring& program);

}  // namespace vantrel

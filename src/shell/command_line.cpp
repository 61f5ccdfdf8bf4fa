#include "shell/command_line.h"

#include <cwctype>
#include <limits>

#include "engine/memory_units.h"

namespace vantrel {

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLine command;
    if (!arguments.empty() && arguments[0] == kUninstallSwitch) {
        command.life = ProcessLife::Uninstall;
    } else if (arguments.size() == 3 && arguments[0] == kShortcutSwitch) {
        command.life = ProcessLife::Shortcut;
        command.megabytes = ParseMegabytes(arguments[1]);
        command.program = arguments[2];
    }
    return command;
}

int32_t ParseMegabytes(const std::wstring& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
        negative = text[i++] == L'-';
    if (i == text.size())
        return 0;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return 0;
        value = value * 10 + (text[i] - L'0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return 0;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int32_t>::max())
        return 0;
    return int32_t(value);
}

bool ShortcutHasWork(const CommandLine& command) {
    return command.megabytes != 0 && !command.program.empty();
}

int64_t ShortcutAmount(uint64_t availPhys, uint64_t totalPhys, int32_t megabytes) {
    const int64_t amount = int64_t(availPhys) + MegabytesToBytes(megabytes);
    return amount > int64_t(totalPhys) ? int64_t(totalPhys) : amount;
}

std::wstring ProgramFolder(const std::wstring& program) {
    const bool drivePath = program.size() >= 3 && std::iswalpha(program[0]) && program[1] == L':' &&
                           (program[2] == L'\\' || program[2] == L'/');
    const bool uncPath = program.size() > 2 && program[0] == L'\\' && program[1] == L'\\';
    if (!drivePath && !uncPath)
        return {};
    const auto slash = program.find_last_of(L"\\/");
    if (uncPath && slash <= 2)
        return {};  // "\\server" names no folder
    // "C:\game.exe" starts in "C:\", the root itself.
    return program.substr(0, slash == 2 ? 3 : slash);
}

}  // namespace vantrel

#include "platform/trace_log.h"

#include <cstdio>
#include <utility>

#include "platform/system.h"

namespace vantrel {

TraceLog::TraceLog(std::wstring path) : path_(std::move(path)) {
    deleteFile(path_);
}

std::string TraceLog::formatLine(std::wstring_view dateTime,
                                 std::wstring_view message,
                                 std::string_view unit,
                                 int line,
                                 const void* address) {
    char tail[96];
    std::snprintf(tail, sizeof(tail), ", line %d, address $%llX)\r\n", line,
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address)));
    std::string out = "[" + toAnsi(dateTime) + "] " + toAnsi(message) + " (";
    out.append(unit);
    out += tail;
    return out;
}

void TraceLog::write(std::wstring_view message, std::string_view unit, int line, const void* address) {
    // Format outside the lock; only the append itself is serialised.
    std::string text;
    try {
        text = formatLine(localDateTimeText(), message, unit, line, address);
    } catch (...) {
        return;  // no memory for the line: it is dropped
    }
    LockGuard guard(lock_);
    if (observer_) {
        try {
            observer_(message, unit);
        } catch (...) {
            // The log is written from exception handlers: nothing may escape it.
        }
    }
    appendToFile(path_, text);  // a line that cannot be written is dropped
}

TraceLog::Observer TraceLog::setObserver(Observer observer) {
    LockGuard guard(lock_);
    return std::exchange(observer_, std::move(observer));
}

TraceLog& traceLog() {
    static TraceLog log(executableDirectory() + L"debug.log");
    return log;
}

namespace {
// Deletes the old log when the program loads, before anything can write to it.
[[maybe_unused]] const bool kLogCreatedAtLoad = (traceLog(), true);
}  // namespace

void traceAssertion(std::wstring_view message, std::string_view unit, int line) {
    traceLog().write(message, unit, line, __builtin_return_address(0));
}

}  // namespace vantrel

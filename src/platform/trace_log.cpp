#include "platform/trace_log.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace vantrel {

TraceLog::TraceLog(std::wstring path) : path_(std::move(path)) {
    deleteFile(path_);
}

size_t TraceLog::formatLine(char* out,
                            std::wstring_view dateTime,
                            std::wstring_view message,
                            std::string_view unit,
                            int line,
                            const void* address) noexcept {
    char tail[96];
    int tailLength = std::snprintf(tail, sizeof(tail), ", line %d, address $%llX)\r\n", line,
                                   static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address)));
    const size_t tailSize = tailLength > 0 ? std::min(size_t(tailLength), sizeof(tail) - 1) : 0;
    unit = unit.substr(0, 64);
    // Room is kept for the end of the line, so that a long message is what gets cut.
    const size_t budget = kMaxLine - tailSize - unit.size() - 2;
    size_t n = 0;
    auto put = [&](std::string_view text) {
        size_t k = std::min(text.size(), budget - n);
        std::memcpy(out + n, text.data(), k);
        n += k;
    };
    put("[");
    n += toAnsi(dateTime, out + n, budget - n);
    put("] ");
    n += toAnsi(message, out + n, budget - n);
    std::memcpy(out + n, " (", 2);
    n += 2;
    std::memcpy(out + n, unit.data(), unit.size());
    n += unit.size();
    std::memcpy(out + n, tail, tailSize);
    return n + tailSize;
}

std::string TraceLog::formatLine(std::wstring_view dateTime,
                                 std::wstring_view message,
                                 std::string_view unit,
                                 int line,
                                 const void* address) {
    char buffer[kMaxLine];
    return std::string(buffer, formatLine(buffer, dateTime, message, unit, line, address));
}

void TraceLog::write(std::wstring_view message,
                     std::string_view unit,
                     int line,
                     const void* address) noexcept {
    // Formatted outside the lock; only the append itself is serialised.
    wchar_t dateTime[128];
    size_t dateTimeLength = localDateTimeText(dateTime, 128);
    char text[kMaxLine];
    size_t length = formatLine(text, {dateTime, dateTimeLength}, message, unit, line, address);
    LockGuard guard(lock_);
    if (observer_) {
        try {
            observer_(message, unit);
        } catch (...) {
            // The log is written from exception handlers: nothing may escape it.
        }
    }
    if (!file_.isOpen())
        file_.open(path_);
    file_.append({text, length});  // a line that cannot be written is dropped
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

void traceAssertion(std::wstring_view message, int64_t number, std::string_view unit, int line) {
    wchar_t text[160];
    size_t n = std::min(message.size(), size_t(128));
    std::copy_n(message.data(), n, text);
    wchar_t digits[24];
    size_t d = 0;
    uint64_t magnitude = number < 0 ? 0 - uint64_t(number) : uint64_t(number);
    do {
        digits[d++] = wchar_t(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (number < 0)
        text[n++] = L'-';
    while (d)
        text[n++] = digits[--d];
    traceLog().write({text, n}, unit, line, __builtin_return_address(0));
}

}  // namespace vantrel

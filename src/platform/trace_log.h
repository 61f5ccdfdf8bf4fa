#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/sync.h"
#include "platform/system.h"

namespace vantrel {

// The trace log "debug.log" beside the executable: one line per internal consistency failure.
// Any thread may write; entries are serialised by a lock held only for the write of one line, so
// a worker never waits on the GUI thread. Writing takes no heap memory and opens no file (the file
// is opened once): a line is written when memory is exhausted, and a thread ended by force in the
// middle of one leaves behind no lock but the log's own, which passes on.
class TraceLog {
  public:
    // Longer lines lose the end of their message.
    static constexpr size_t kMaxLine = 1024;

    // Deletes the previous run's file.
    explicit TraceLog(std::wstring path);

    // "[date time] message (unit, line N, address $X)" with CR LF, in the ANSI code page.
    static std::string formatLine(std::wstring_view dateTime,
                                  std::wstring_view message,
                                  std::string_view unit,
                                  int line,
                                  const void* address);
    // The same into a buffer of at least kMaxLine bytes; returns the length.
    static size_t formatLine(char* out,
                             std::wstring_view dateTime,
                             std::wstring_view message,
                             std::string_view unit,
                             int line,
                             const void* address) noexcept;

    void write(std::wstring_view message, std::string_view unit, int line, const void* address) noexcept;
    const std::wstring& path() const noexcept { return path_; }

    // Tests and tools may watch the messages as they are logged; returns the previous observer.
    using Observer = std::function<void(std::wstring_view message, std::string_view unit)>;
    Observer setObserver(Observer observer);

  private:
    std::wstring path_;
    Lock lock_;
    AppendFile file_;
    Observer observer_;
};

// The process's log, created (and the old file deleted) on first use; touched at program load.
TraceLog& traceLog();

// Writes one assertion line; the code address is the caller's.
[[gnu::noinline]] void traceAssertion(std::wstring_view message, std::string_view unit, int line);
// The same with a number after the message ("Invalid index value: -1"), built without the heap.
[[gnu::noinline]] void traceAssertion(std::wstring_view message,
                                      int64_t number,
                                      std::string_view unit,
                                      int line);

}  // namespace vantrel

// The program goes on after an assertion: one line in the trace log, nothing shown.
#define VANTREL_ASSERT_FAILED(message, unit) ::vantrel::traceAssertion((message), (unit), __LINE__)
#define VANTREL_ASSERT_FAILED_NUMBER(message, number, unit) \
    ::vantrel::traceAssertion((message), int64_t(number), (unit), __LINE__)

#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/trace_log.h"

namespace vantrel::test {

// Records the messages written to the trace log while it lives.
class TraceCapture {
  public:
    TraceCapture() {
        previous_ = traceLog().setObserver([this](std::wstring_view message, std::string_view unit) {
            std::lock_guard g(mutex_);
            messages_.emplace_back(message);
            units_.emplace_back(unit);
        });
    }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;
    ~TraceCapture() { traceLog().setObserver(std::move(previous_)); }

    std::vector<std::wstring> messages() const {
        std::lock_guard g(mutex_);
        return messages_;
    }
    std::vector<std::string> units() const {
        std::lock_guard g(mutex_);
        return units_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::wstring> messages_;
    std::vector<std::string> units_;
    TraceLog::Observer previous_;
};

}  // namespace vantrel::test

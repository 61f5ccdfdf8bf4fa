#include "procinfo/wmi.h"

namespace vantrel {

namespace {
// The host has no management service: every connection fails, and the trimming falls back to
// the process table.
class NoWmiLocator final : public WmiLocator {
  public:
    std::unique_ptr<WmiServices> connectServer(const std::wstring&) override {
        throw WmiError("no management service", -1);
    }
};
}  // namespace

WmiLocator& systemWmiLocator() {
    static NoWmiLocator locator;
    return locator;
}

}  // namespace vantrel

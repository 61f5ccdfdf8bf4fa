#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace vantrel {

// A failing call of the management service (a negative result code).
class WmiError : public std::runtime_error {
  public:
    WmiError(const char* what, long code) : std::runtime_error(what), code_(code) {}
    long code() const noexcept { return code_; }

  private:
    long code_;
};

// A property value as the service hands it over: 64-bit integers usually arrive as text.
using WmiValue = std::variant<std::monostate, std::wstring, int64_t, double, bool>;
using WmiProperty = std::pair<std::wstring, WmiValue>;

// A connected namespace.
class WmiServices {
  public:
    virtual ~WmiServices() = default;
    // Runs a forward-only WQL query; calls each with the properties of every object, in the order
    // the service delivers them. Where the service cannot list an object's properties, the
    // selected ones are asked for by name instead. Throws WmiError when a step fails.
    virtual void execQuery(const std::wstring& query,
                           const std::vector<std::wstring>& selected,
                           const std::function<void(const std::vector<WmiProperty>&)>& each) = 0;
};

// A value as text, as a 64-bit integer (64-bit values arrive as decimal text; anything that is not
// a number counts as 0) and as floating point (NaN when missing or not a number, so that a
// missing load is never taken for a measured 0).
std::wstring WmiText(const WmiValue& v);
int64_t WmiInteger(const WmiValue& v);
double WmiFloat(const WmiValue& v);

class WmiLocator {
  public:
    virtual ~WmiLocator() = default;
    // Connects to a namespace of the local machine; throws WmiError when it cannot.
    virtual std::unique_ptr<WmiServices> connectServer(const std::wstring& nameSpace) = 0;
};

WmiLocator& systemWmiLocator();

}  // namespace vantrel

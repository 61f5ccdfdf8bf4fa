#include "procinfo/wmi.h"

#include <cerrno>
#include <cwchar>
#include <limits>

namespace vantrel {

std::wstring WmiText(const WmiValue& v) {
    if (auto s = std::get_if<std::wstring>(&v))
        return *s;
    if (auto i = std::get_if<int64_t>(&v))
        return std::to_wstring(*i);
    if (auto d = std::get_if<double>(&v))
        return std::to_wstring(*d);
    return {};
}

int64_t WmiInteger(const WmiValue& v) {
    if (auto i = std::get_if<int64_t>(&v))
        return *i;
    if (auto d = std::get_if<double>(&v))
        return *d > -9.2e18 && *d < 9.2e18 ? int64_t(*d) : 0;  // beyond 64 bits (or NaN): no number
    if (auto b = std::get_if<bool>(&v))
        return *b ? 1 : 0;
    if (auto s = std::get_if<std::wstring>(&v)) {
        wchar_t* end = nullptr;
        errno = 0;
        long long n = std::wcstoll(s->c_str(), &end, 10);
        if (end != s->c_str() && *end == L'\0' && errno == 0)
            return n;
    }
    return 0;
}

double WmiFloat(const WmiValue& v) {
    if (auto d = std::get_if<double>(&v))
        return *d;
    if (auto i = std::get_if<int64_t>(&v))
        return double(*i);
    if (auto s = std::get_if<std::wstring>(&v)) {
        wchar_t* end = nullptr;
        double n = std::wcstod(s->c_str(), &end);
        if (end != s->c_str() && *end == L'\0')
            return n;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace vantrel

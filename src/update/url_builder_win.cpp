#include "update/url_builder.h"

#include <windows.h>

#include <shellapi.h>

namespace vantrel {

namespace {
class WinLinkSystem final : public LinkSystem {
  public:
    WindowsVersionFacts windowsVersion() const override { return readWindowsVersionFacts(); }

    std::optional<std::wstring> setupExeName(const std::wstring& productKey) const override {
        DWORD bytes = 0;
        if (::RegGetValueW(HKEY_CURRENT_USER, productKey.c_str(), L"SetupEXEName", RRF_RT_REG_SZ, nullptr,
                           nullptr, &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (::RegGetValueW(HKEY_CURRENT_USER, productKey.c_str(), L"SetupEXEName", RRF_RT_REG_SZ, nullptr,
                           value.data(), &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        value.resize(value.find(L'\0'));
        return value;
    }

    std::optional<FileVersion> programVersion() const override {
        return ProgramVersion(systemProgramFiles());
    }

    void openAddress(const std::wstring& address) const override {
        // The shell hands a web address to the user's default browser; the browser command under
        // HKEY_CLASSES_ROOT is not that browser on current systems.
        ::ShellExecuteW(::GetDesktopWindow(), L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
};
}  // namespace

std::shared_ptr<IUrlBuilder> GetUrlBuilder(uint8_t product) {
    static const WinLinkSystem system;
    // Made once, under the lock of the static's initialisation; the first caller's number wins.
    static const std::shared_ptr<IUrlBuilder> builder = std::make_shared<TUrlBuilder>(product, system);
    return builder;
}

}  // namespace vantrel

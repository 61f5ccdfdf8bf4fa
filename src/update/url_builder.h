#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "update/versions.h"
#include "update/windows_version.h"

namespace vantrel {

// This program's number in the maker's family of products.
inline constexpr uint8_t kVantrelProduct = 7;

// The link kinds the main window uses.
inline constexpr uint8_t kLinkInstalled = 0;
inline constexpr uint8_t kLinkProduct = 5;
inline constexpr uint8_t kLinkProductDetails = 6;
inline constexpr uint8_t kLinkSupport = 7;
inline constexpr uint8_t kLinkUninstall = 9;
inline constexpr uint8_t kLinkTellAFriend = 10;
inline constexpr uint8_t kLinkFacebook = 11;
inline constexpr uint8_t kLinkFacebookShare = 12;
inline constexpr uint8_t kLinkTwitter = 13;
inline constexpr uint8_t kLinkTwitterShare = 14;

// The web addresses behind the links. The defaults are the build-time settings (see
// cmake/VantrelVersion.cmake).
struct LinkHosts {
    std::wstring productHost;
    std::wstring makerHost;
    std::wstring facebookPage;
    std::wstring twitterPage;

    static LinkHosts configured();
};

// One product of the family: its code, settings key and web site.
struct ProductInfo {
    std::wstring code;         // "VN"
    std::wstring registryKey;  // under HKEY_CURRENT_USER
    std::wstring site;         // "http://" + host, no trailing slash
};
// The row of a product number; empty fields for a number that is not this program's.
ProductInfo ProductInfoFor(uint8_t product, const LinkHosts& hosts);

// What the links read from the system, and how they leave the program.
class LinkSystem {
  public:
    virtual ~LinkSystem() = default;
    virtual WindowsVersionFacts windowsVersion() const = 0;
    // The string value "SetupEXEName" under the product's key; none when it is missing.
    virtual std::optional<std::wstring> setupExeName(const std::wstring& productKey) const = 0;
    // The program's version (of "version.exe" beside it when that file exists).
    virtual std::optional<FileVersion> programVersion() const = 0;
    // Hands a web address to the user's default browser; the outcome is not reported.
    virtual void openAddress(const std::wstring& address) const = 0;
};

// The tag the installer's file name carries ("Vantrel-beta.exe" gives "beta"); empty when there
// is no value or its name has no such part.
std::wstring InstallerTag(const std::optional<std::wstring>& setupExeName);

// True for an address that starts with "http://" or "https://" (any case) and has a host.
bool IsWebAddress(const std::wstring& address);

// The links to the maker's web pages.
class IUrlBuilder {
  public:
    virtual ~IUrlBuilder() = default;
    // The address of a link kind; empty for a kind without one.
    virtual std::wstring BuildUrl(uint8_t kind,
                                  int32_t number,
                                  const std::wstring& tag,
                                  const std::wstring& source) const = 0;
    // BuildUrl + suffix, opened in the user's browser; anything but a web address is not opened.
    virtual void OpenUrl(uint8_t kind,
                         int32_t number,
                         const std::wstring& tag,
                         const std::wstring& source,
                         const std::wstring& suffix) const = 0;
    // The maker's web domain ("tarvenn.com").
    virtual std::wstring GetDomain() const = 0;
};

class TUrlBuilder final : public IUrlBuilder {
  public:
    TUrlBuilder(uint8_t product, const LinkSystem& system, LinkHosts hosts = LinkHosts::configured());

    std::wstring BuildUrl(uint8_t kind,
                          int32_t number,
                          const std::wstring& tag,
                          const std::wstring& source) const override;
    void OpenUrl(uint8_t kind,
                 int32_t number,
                 const std::wstring& tag,
                 const std::wstring& source,
                 const std::wstring& suffix) const override;
    std::wstring GetDomain() const override;

    // "1|VN|vn-<tag>|<number>|<full version>|<Windows code>|<source>".
    std::wstring TrackingText(int32_t number, const std::wstring& tag, const std::wstring& source) const;

    uint8_t Product() const noexcept { return product_; }

  private:
    uint8_t product_;
    const LinkSystem& system_;
    LinkHosts hosts_;
    ProductInfo info_;
};

// The process-wide builder, created by the first call (any thread); later calls get the same
// object whatever number they pass. Windows only.
std::shared_ptr<IUrlBuilder> GetUrlBuilder(uint8_t product = kVantrelProduct);

}  // namespace vantrel

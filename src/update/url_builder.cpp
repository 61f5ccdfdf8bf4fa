#include "update/url_builder.h"

#include <cwctype>

#include "vantrel/link_hosts.h"

namespace vantrel {

LinkHosts LinkHosts::configured() {
    return {VANTREL_PRODUCT_HOST, VANTREL_MAKER_HOST, VANTREL_FACEBOOK_PAGE, VANTREL_TWITTER_PAGE};
}

ProductInfo ProductInfoFor(uint8_t product, const LinkHosts& hosts) {
    if (product != kVantrelProduct)
        return {};
    return {L"VN", L"Software\\Tarvenn\\Vantrel", L"http://" + hosts.productHost};
}

namespace {
std::wstring lower(std::wstring s) {
    for (auto& c : s)
        c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

std::wstring trimmed(const std::wstring& s) {
    const auto first = s.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos)
        return {};
    return s.substr(first, s.find_last_not_of(L" \t\r\n") - first + 1);
}
}  // namespace

std::wstring InstallerTag(const std::optional<std::wstring>& setupExeName) {
    if (!setupExeName || setupExeName->size() <= 2)
        return {};
    std::wstring name = trimmed(*setupExeName);
    if (!name.empty() && name.front() == L'"') {
        const auto close = name.find(L'"', 1);
        name = name.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    }
    if (const auto slash = name.find_last_of(L"\\/:"); slash != std::wstring::npos)
        name.erase(0, slash + 1);
    auto start = name.find(L'-');
    if (start == std::wstring::npos)
        start = name.find(L'_');
    if (start == std::wstring::npos)
        start = name.find(L'.');
    if (start == std::wstring::npos)
        return {};
    const auto end = name.find(L'.', start + 1);
    if (end == std::wstring::npos)
        return {};
    std::wstring tag = name.substr(start + 1, end - start - 1);
    // "[...]" parts are file-copy decorations, not part of the channel's name.
    for (auto open = tag.find(L'['); open != std::wstring::npos; open = tag.find(L'[', open)) {
        const auto close = tag.find(L']', open);
        if (close == std::wstring::npos)
            break;
        tag.erase(open, close - open + 1);
    }
    return tag;
}

bool IsWebAddress(const std::wstring& address) {
    const std::wstring start = lower(address.substr(0, 8));
    size_t hostAt = 0;
    if (start.starts_with(L"http://"))
        hostAt = 7;
    else if (start.starts_with(L"https://"))
        hostAt = 8;
    else
        return false;
    return address.size() > hostAt && address[hostAt] != L'/' && !std::iswspace(address[hostAt]);
}

TUrlBuilder::TUrlBuilder(uint8_t product, const LinkSystem& system, LinkHosts hosts)
    : product_(product), system_(system), hosts_(std::move(hosts)), info_(ProductInfoFor(product, hosts_)) {}

std::wstring TUrlBuilder::TrackingText(int32_t number,
                                       const std::wstring& tag,
                                       const std::wstring& source) const {
    const std::wstring from =
        !source.empty() ? source : InstallerTag(system_.setupExeName(info_.registryKey));
    return L"1|" + info_.code + L"|" + lower(info_.code) + L"-" + tag + L"|" + std::to_wstring(number) +
           L"|" + FullVersionText(system_.programVersion()) + L"|" +
           std::to_wstring(WindowsVersionCode(system_.windowsVersion())) + L"|" + from;
}

std::wstring TUrlBuilder::BuildUrl(uint8_t kind,
                                   int32_t number,
                                   const std::wstring& tag,
                                   const std::wstring& source) const {
    if (info_.code.empty())
        return {};
    const std::wstring& site = info_.site;
    const std::wstring& code = info_.code;
    switch (kind) {
        case kLinkInstalled: {
            std::wstring url = L"http://" + hosts_.makerHost + L"/products/installed.asp?s=" + code + L"&v=" +
                               MajorVersionText(system_.programVersion());
            if (const std::wstring installer = InstallerTag(system_.setupExeName(info_.registryKey));
                !installer.empty())
                url += L"&a=" + installer;
            return url;
        }
        case kLinkProduct:
            return site + L"/go/?s=" + TrackingText(number, tag, source);
        case kLinkProductDetails:
            return site + L"/go/?s=" + TrackingText(number, tag, source) + L"&d=" + code + L"Details";
        case kLinkSupport:
            return site + L"/support/";
        case kLinkUninstall:
            return site + L"/products/uninstall.asp?s=" + code + L"&v=" +
                   FullVersionText(system_.programVersion()) + L"&d=" + std::to_wstring(number);
        case kLinkTellAFriend:
            return site + L"/go/?Dest=" + code + L"TellAFriend";
        case kLinkFacebook:
            return hosts_.facebookPage;
        case kLinkFacebookShare:
            return site + L"/go/?Dest=" + code + L"FacebookShare";
        case kLinkTwitter:
            return hosts_.twitterPage;
        case kLinkTwitterShare:
            return site + L"/go/?Dest=" + code + L"TwitterShare";
        default:
            return {};
    }
}

void TUrlBuilder::OpenUrl(uint8_t kind,
                          int32_t number,
                          const std::wstring& tag,
                          const std::wstring& source,
                          const std::wstring& suffix) const {
    const std::wstring address = BuildUrl(kind, number, tag, source) + suffix;
    // Only web pages leave through here: whatever else a setting or suffix makes of the address
    // would be started as a program or document.
    if (IsWebAddress(address))
        system_.openAddress(address);
}

std::wstring TUrlBuilder::GetDomain() const {
    const std::wstring host = lower(hosts_.makerHost);
    return host.starts_with(L"www.") ? hosts_.makerHost.substr(4) : hosts_.makerHost;
}

}  // namespace vantrel

#include "update/url_builder.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel {
namespace {

const LinkHosts kHosts{L"vantrel.example.org", L"www.maker.example.org", L"https://social.example/maker",
                       L"https://short.example/maker"};

WindowsVersionFacts windows7() {
    WindowsVersionFacts f;
    f.platformId = WindowsVersionFacts::kNtFamily;
    f.major = 6;
    f.minor = 1;
    f.workstation = true;
    f.processorArchitecture = 9;
    return f;
}

class FakeLinks final : public LinkSystem {
  public:
    WindowsVersionFacts windows = windows7();
    std::optional<std::wstring> setupName;
    std::optional<FileVersion> version = FileVersion{3, 0, 0, 120};
    mutable std::vector<std::wstring> keysAsked;
    mutable std::vector<std::wstring> opened;

    WindowsVersionFacts windowsVersion() const override { return windows; }
    std::optional<std::wstring> setupExeName(const std::wstring& key) const override {
        keysAsked.push_back(key);
        return setupName;
    }
    std::optional<FileVersion> programVersion() const override { return version; }
    void openAddress(const std::wstring& address) const override { opened.push_back(address); }
};

TEST(UrlBuilderTest, EveryKindAddressWithoutInstallerTag) {
    FakeLinks links;
    TUrlBuilder builder(kVantrelProduct, links, kHosts);
    const std::wstring site = L"http://vantrel.example.org";
    struct Case {
        uint8_t kind;
        std::wstring address;
    } cases[] = {
        {0, L"http://www.maker.example.org/products/installed.asp?s=VN&v=3"},
        {5, site + L"/go/?s=1|VN|vn-url|42|3.0.0.120|13|src"},
        {6, site + L"/go/?s=1|VN|vn-url|42|3.0.0.120|13|src&d=VNDetails"},
        {7, site + L"/support/"},
        {9, site + L"/products/uninstall.asp?s=VN&v=3.0.0.120&d=42"},
        {10, site + L"/go/?Dest=VNTellAFriend"},
        {11, L"https://social.example/maker"},
        {12, site + L"/go/?Dest=VNFacebookShare"},
        {13, L"https://short.example/maker"},
        {14, site + L"/go/?Dest=VNTwitterShare"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(builder.BuildUrl(c.kind, 42, L"url", L"src"), c.address) << int(c.kind);
    for (uint8_t kind : {1, 2, 3, 4, 8, 15, 16, 200, 255})
        EXPECT_EQ(builder.BuildUrl(kind, 42, L"url", L"src"), L"") << int(kind);
}

TEST(UrlBuilderTest, TrackingTextOfTheAboutPageAndWhereItsSourceComesFrom) {
    FakeLinks links;
    TUrlBuilder builder(kVantrelProduct, links, kHosts);
    EXPECT_EQ(builder.TrackingText(0, L"url", L""), L"1|VN|vn-url|0|3.0.0.120|13|");
    EXPECT_EQ(links.keysAsked.back(), L"Software\\Tarvenn\\Vantrel");

    links.setupName = L"C:\\Downloads\\Vantrel-beta.exe";
    EXPECT_EQ(builder.TrackingText(0, L"product", L""), L"1|VN|vn-product|0|3.0.0.120|13|beta");
    EXPECT_EQ(builder.TrackingText(0, L"product", L"tray"), L"1|VN|vn-product|0|3.0.0.120|13|tray")
        << "the caller's source comes before the installer's tag";
    EXPECT_EQ(builder.BuildUrl(0, 0, L"", L""),
              L"http://www.maker.example.org/products/installed.asp?s=VN&v=3&a=beta");

    links.version.reset();
    links.windows.minor = 3;  // 8.1: not in the table
    EXPECT_EQ(builder.TrackingText(-5, L"url", L""), L"1|VN|vn-url|-5||0|beta");
    EXPECT_EQ(builder.BuildUrl(0, 0, L"", L""),
              L"http://www.maker.example.org/products/installed.asp?s=VN&v=&a=beta");
}

TEST(UrlBuilderTest, SupportAndTellAFriendIgnoreNumberTagAndSource) {
    FakeLinks links;
    links.setupName = L"Vantrel-beta.exe";
    TUrlBuilder builder(kVantrelProduct, links, kHosts);
    for (uint8_t kind : {kLinkSupport, kLinkTellAFriend}) {
        const std::wstring plain = builder.BuildUrl(kind, 0, L"", L"");
        EXPECT_EQ(builder.BuildUrl(kind, 99, L"support", L"x"), plain);
        EXPECT_EQ(builder.BuildUrl(kind, -1, L"tellafriend", L""), plain);
    }
}

TEST(UrlBuilderTest, OpensWebAddressesOnlyWithTheSuffixAppended) {
    FakeLinks links;
    TUrlBuilder builder(kVantrelProduct, links, kHosts);
    builder.OpenUrl(kLinkSupport, 0, L"support", L"", L"?q=1");
    builder.OpenUrl(8, 0, L"", L"", L"");
    builder.OpenUrl(8, 0, L"", L"", L"calc.exe");
    ASSERT_EQ(links.opened.size(), 1u);
    EXPECT_EQ(links.opened[0], L"http://vantrel.example.org/support/?q=1");

    // Pages set at build time are opened only when they are web pages.
    LinkHosts odd = kHosts;
    odd.facebookPage = L"file:///C:/Windows/notepad.exe";
    odd.twitterPage = L"HTTPS://short.example/maker";
    TUrlBuilder oddBuilder(kVantrelProduct, links, odd);
    oddBuilder.OpenUrl(kLinkFacebook, 0, L"", L"", L"");
    oddBuilder.OpenUrl(kLinkTwitter, 0, L"", L"", L"");
    ASSERT_EQ(links.opened.size(), 2u);
    EXPECT_EQ(links.opened[1], L"HTTPS://short.example/maker");
}

TEST(UrlBuilderTest, WebAddressCheck) {
    struct Case {
        const wchar_t* address;
        bool web;
    } cases[] = {
        {L"http://a.example/", true},
        {L"https://a.example", true},
        {L"HtTp://a", true},
        {L"http://", false},
        {L"http:///etc/passwd", false},
        {L"https:// x", false},
        {L"ftp://a.example", false},
        {L"file:///C:/x.exe", false},
        {L"C:\\x.exe", false},
        {L"", false},
        {L"mailto:a@b", false},
        {L" http://a", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsWebAddress(c.address), c.web) << c.address;
}

TEST(UrlBuilderTest, DomainIsTheMakersHostWithoutWww) {
    FakeLinks links;
    EXPECT_EQ(TUrlBuilder(kVantrelProduct, links, kHosts).GetDomain(), L"maker.example.org");
    LinkHosts bare = kHosts;
    bare.makerHost = L"maker.example.org";
    EXPECT_EQ(TUrlBuilder(kVantrelProduct, links, bare).GetDomain(), L"maker.example.org");
    EXPECT_EQ(TUrlBuilder(3, links, kHosts).GetDomain(), L"maker.example.org")
        << "the same for every product";
    EXPECT_EQ(TUrlBuilder(3, links, kHosts).BuildUrl(kLinkSupport, 0, L"", L""), L"")
        << "another product's row is not this program's";
}

TEST(UrlBuilderTest, ConfiguredHostsMakeWebAddresses) {
    const LinkHosts hosts = LinkHosts::configured();
    EXPECT_TRUE(IsWebAddress(L"http://" + hosts.productHost));
    EXPECT_TRUE(IsWebAddress(L"http://" + hosts.makerHost));
    EXPECT_TRUE(IsWebAddress(hosts.facebookPage));
    EXPECT_TRUE(IsWebAddress(hosts.twitterPage));
}

TEST(InstallerTagTest, ChannelBetweenTheFirstSeparatorAndTheNextDot) {
    struct Case {
        std::optional<std::wstring> value;
        const wchar_t* tag;
    } cases[] = {
        {std::nullopt, L""},
        {L"", L""},
        {L"ab", L""},
        {L"a-b", L""},  // no dot after the separator
        {L"Vantrel-beta.exe", L"beta"},
        {L"  Vantrel-beta.exe  ", L"beta"},
        {L"C:\\Users\\me\\Downloads\\Vantrel-pc-world.exe", L"pc-world"},
        {L"\"C:\\Users\\me\\Down-loads\\Vantrel-mag.exe\" /S", L"mag"},
        {L"\"C:\\Users\\me\\Vantrel-open.exe", L"open"},
        {L"C:\\a.b\\Vantrel_cd.exe", L"cd"},
        {L"Vantrel.trial.exe", L"trial"},
        {L"VantrelSetup.exe", L""},
        {L"Vantrel-beta", L""},
        {L"Vantrel-beta[1].exe", L"beta"},
        {L"Vantrel-[copy]beta[2].exe", L"beta"},
        {L"Vantrel-beta[1.exe", L"beta[1"},
        {L"Vantrel_x-y.exe", L"y"},
        {L"setup", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InstallerTag(c.value), c.tag) << (c.value ? *c.value : L"(missing)");
}

TEST(WindowsVersionCodeTest, CodesOfTheKnownSystems) {
    auto consumer = [](uint32_t minor, const wchar_t* release,
                       std::optional<uint32_t> kernel = std::nullopt) {
        WindowsVersionFacts f;
        f.platformId = WindowsVersionFacts::kConsumerFamily;
        f.major = 4;
        f.minor = minor;
        f.serviceRelease = release;
        f.kernelProductVersionHigh = kernel;
        return f;
    };
    auto nt = [](uint32_t major, uint32_t minor, bool workstation, uint16_t arch = 0, int r2 = 0) {
        WindowsVersionFacts f;
        f.platformId = WindowsVersionFacts::kNtFamily;
        f.major = major;
        f.minor = minor;
        f.workstation = workstation;
        f.processorArchitecture = arch;
        f.secondRelease = r2;
        return f;
    };
    constexpr uint32_t kMe = 4u << 16 | 90u;
    struct Case {
        WindowsVersionFacts facts;
        int code;
        const char* system;
    } cases[] = {
        {consumer(0, L""), 1, "95"},
        {consumer(0, L"B"), 1, "95 OSR2"},
        {consumer(3, L"C"), 1, "95 OSR2.5"},
        {consumer(10, L"A"), 2, "98 SE"},
        {consumer(10, L"B"), 2, "98 SE"},
        {consumer(10, L""), 3, "98"},
        {consumer(10, L"C"), 3, "98"},
        {consumer(10, L"A", kMe), 4, "Me by its kernel"},
        {consumer(89, L"", 4u << 16 | 10u), 3, "98 kernel"},
        {consumer(90, L""), 4, "Me"},
        {consumer(91, L""), 0, "after Me"},
        {nt(4, 0, true), 5, "NT 4"},
        {nt(5, 0, false), 6, "2000"},
        {nt(5, 1, true), 7, "XP"},
        {nt(5, 2, false, 0, 1), 8, "2003 R2"},
        {nt(5, 2, true, 9, 1), 8, "R2 metric decides first"},
        {nt(5, 2, true, 9), 7, "XP x64"},
        {nt(5, 2, true, 0), 8, "x86 workstation 5.2"},
        {nt(5, 2, false, 9), 8, "2003 x64"},
        {nt(6, 0, true), 11, "Vista"},
        {nt(6, 0, false), 12, "2008"},
        {nt(6, 1, true), 13, "7"},
        {nt(6, 1, false), 14, "2008 R2"},
        {nt(6, 2, true), 15, "8"},
        {nt(6, 2, false), 16, "2012"},
        {nt(6, 3, true), 0, "8.1"},
        {nt(10, 0, true), 0, "10"},
        {nt(3, 51, true), 0, "NT 3.51"},
        {nt(5, 3, true), 0, "5.3"},
        {WindowsVersionFacts{}, 0, "failed reading"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowsVersionCode(c.facts), c.code) << c.system;
    WindowsVersionFacts other = nt(6, 1, true);
    other.platformId = 3;
    EXPECT_EQ(WindowsVersionCode(other), 0) << "CE";
}

}  // namespace
}  // namespace vantrel

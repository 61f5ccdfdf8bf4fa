// The link builder against the real system under Wine: registry, version resources, the PE
// header and the shell's opening of a web address.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>

#include "controls/system_win_support.h"
#include "platform/system.h"
#include "update/url_builder.h"
#include "vantrel/version.h"

namespace vantrel {
namespace {

using test::pumpUntil;
using test::testProgramDirectory;

// A string value set for one test; afterwards the value it replaced is back, or the keys the test
// made are gone.
class RegistryString {
  public:
    RegistryString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value)
        : root_(root), key_(key), name_(name ? name : L"") {
        for (size_t at = 0; made_.empty();) {
            at = key.find(L'\\', at + 1);
            const std::wstring part = key.substr(0, at);
            HKEY k = nullptr;
            if (::RegOpenKeyExW(root, part.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
                made_ = part;
            else
                ::RegCloseKey(k);
            if (at == std::wstring::npos)
                break;
        }
        wchar_t previous[1024] = {};
        DWORD bytes = sizeof(previous);
        if (made_.empty() && ::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, previous,
                                            &bytes) == ERROR_SUCCESS)
            previous_ = previous;
        set(value);
    }
    RegistryString(const RegistryString&) = delete;
    RegistryString& operator=(const RegistryString&) = delete;
    ~RegistryString() {
        if (!made_.empty())
            ::RegDeleteTreeW(root_, made_.c_str());
        else if (previous_)
            set(*previous_);
        else
            ::RegDeleteKeyValueW(root_, key_.c_str(), name_.empty() ? nullptr : name_.c_str());
    }

  private:
    void set(const std::wstring& value) {
        ::RegSetKeyValueW(root_, key_.c_str(), name_.empty() ? nullptr : name_.c_str(), REG_SZ, value.c_str(),
                          DWORD((value.size() + 1) * sizeof(wchar_t)));
    }
    HKEY root_;
    std::wstring key_, name_, made_;
    std::optional<std::wstring> previous_;
};

// A copy of a program file beside the test executable for one test.
class FileBeside {
  public:
    FileBeside(const std::wstring& from, const std::wstring& as) : path_(testProgramDirectory() + as) {
        EXPECT_TRUE(::CopyFileW((testProgramDirectory() + from).c_str(), path_.c_str(), FALSE));
    }
    FileBeside(const FileBeside&) = delete;
    FileBeside& operator=(const FileBeside&) = delete;
    ~FileBeside() { ::DeleteFileW(path_.c_str()); }

  private:
    std::wstring path_;
};

const std::wstring kProductKey = L"Software\\Tarvenn\\Vantrel";

TEST(UrlBuilderWinTest, OneBuilderForTheProcess) {
    auto builder = GetUrlBuilder();
    EXPECT_EQ(GetUrlBuilder(3).get(), builder.get()) << "later numbers get the first builder";
    EXPECT_EQ(builder->BuildUrl(kLinkSupport, 0, L"", L""),
              L"http://" + LinkHosts::configured().productHost + L"/support/");
}

TEST(UrlBuilderWinTest, InstallerTagAndVersionComeFromTheRegistryAndVersionExe) {
    auto builder = GetUrlBuilder();
    const std::wstring site = L"http://" + LinkHosts::configured().productHost;
    // This test program has no version resource of its own.
    EXPECT_EQ(builder->BuildUrl(kLinkUninstall, 4, L"", L""), site + L"/products/uninstall.asp?s=VN&v=&d=4");

    RegistryString setup(HKEY_CURRENT_USER, kProductKey, L"SetupEXEName",
                         L"\"C:\\Downloads\\Vantrel-beta[1].exe\"");
    FileBeside version(L"shell_test_app.exe", L"version.exe");
    EXPECT_EQ(builder->BuildUrl(kLinkUninstall, 4, L"", L""),
              site + L"/products/uninstall.asp?s=VN&v=" VANTREL_VERSION_WTEXT L"&d=4");
    EXPECT_EQ(builder->BuildUrl(kLinkInstalled, 0, L"", L""),
              L"http://" + LinkHosts::configured().makerHost + L"/products/installed.asp?s=VN&v=" +
                  std::to_wstring(VANTREL_VERSION_MAJOR) + L"&a=beta");
    const std::wstring code = std::to_wstring(WindowsVersionCode(readWindowsVersionFacts()));
    EXPECT_EQ(builder->BuildUrl(kLinkProduct, 0, L"url", L""),
              site + L"/go/?s=1|VN|vn-url|0|" VANTREL_VERSION_WTEXT L"|" + code + L"|beta");
}

TEST(UrlBuilderWinTest, OpensTheAddressWithTheUsersBrowser) {
    // The probe stands in for the browser registered for web addresses (in the test's own prefix,
    // where the shell reads the machine's association).
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring log =
        std::wstring(temp) + L"vantrel-link-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
    ::SetEnvironmentVariableW(L"VANTREL_TEST_LOG", log.c_str());
    {
        RegistryString browser(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", nullptr,
                               L"\"" + testProgramDirectory() + L"open_probe.exe\" \"%1\"");
        GetUrlBuilder()->OpenUrl(kLinkSupport, 0, L"support", L"", L"?from=tray");
        EXPECT_TRUE(pumpUntil([&] { return !readFile(log).empty(); }, 20000));
    }
    ::SetEnvironmentVariableW(L"VANTREL_TEST_LOG", nullptr);
    const std::string line = readFile(log);
    ::DeleteFileW(log.c_str());
    EXPECT_NE(
        line.find(" args=http://" + toAnsi(LinkHosts::configured().productHost) + "/support/?from=tray"),
        std::string::npos)
        << line;
}

TEST(UrlBuilderWinTest, SystemFactsAsTheLinksReadThem) {
    const WindowsVersionFacts facts = readWindowsVersionFacts();
    EXPECT_EQ(facts.platformId, WindowsVersionFacts::kNtFamily);
    EXPECT_GE(facts.major, 6u);
    EXPECT_TRUE(facts.workstation);
    EXPECT_EQ(facts.processorArchitecture, PROCESSOR_ARCHITECTURE_AMD64)
        << "the machine's, also in a 32-bit build";
    EXPECT_FALSE(facts.kernelProductVersionHigh.has_value()) << "read on the consumer family only";

    // The build date is the link time stamp of the executable, as loaded.
    const ProgramFiles& files = systemProgramFiles();
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(::GetModuleHandleW(nullptr));
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const char*>(dos) + dos->e_lfanew);
    EXPECT_EQ(files.linkTimeStamp(files.programPath()), nt->FileHeader.TimeDateStamp);
    const MonthNames months = userMonthNames();
    for (const auto& m : months)
        EXPECT_FALSE(m.empty());
    const std::wstring date = BuildDateText(files, months);
    EXPECT_NE(date.find(L", 20"), std::wstring::npos) << date;
    EXPECT_EQ(files.linkTimeStamp(testProgramDirectory() + L"missing.exe"), std::nullopt);
}

}  // namespace
}  // namespace vantrel

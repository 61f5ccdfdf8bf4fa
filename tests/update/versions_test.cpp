#include "update/versions.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace vantrel {
namespace {

// Files by path; a file without a version is present but unversioned.
class FakeFiles final : public ProgramFiles {
  public:
    std::wstring program = L"C:\\Program Files\\Vantrel\\Vantrel.exe";
    std::map<std::wstring, std::optional<FileVersion>> files;
    std::optional<uint32_t> stamp;

    std::wstring programPath() const override { return program; }
    bool fileExists(const std::wstring& path) const override { return files.count(path) != 0; }
    std::optional<FileVersion> fileVersion(const std::wstring& path) const override {
        auto it = files.find(path);
        return it == files.end() ? std::nullopt : it->second;
    }
    std::optional<uint32_t> linkTimeStamp(const std::wstring& path) const override {
        return path == program ? stamp : std::nullopt;
    }
};

const MonthNames kEnglish = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                             L"July",    L"August",   L"September", L"October", L"November", L"December"};

TEST(VersionTextTest, MinorAndReleaseRunTogetherAndTheBuildAddsALetter) {
    struct Case {
        FileVersion version;
        const wchar_t* text;
        const wchar_t* full;
    } cases[] = {
        {{3, 5, 5, 100}, L"3.55", L"3.5.5.100"},
        {{3, 5, 5, 102}, L"3.55d", L"3.5.5.102"},
        {{3, 5, 5, 101}, L"3.55c", L"3.5.5.101"},
        {{3, 5, 5, 109}, L"3.55k", L"3.5.5.109"},
        {{3, 5, 5, 110}, L"3.55", L"3.5.5.110"},
        {{1, 0, 0, 0}, L"1.00", L"1.0.0.0"},
        {{4, 12, 30, 7}, L"4.1230i", L"4.12.30.7"},
        {{65535, 65535, 65535, 65535}, L"65535.6553565535g", L"65535.65535.65535.65535"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VersionText(c.version), c.text) << c.full;
        EXPECT_EQ(FullVersionText(c.version), c.full);
    }
    EXPECT_EQ(MajorVersionText(FileVersion{3, 0, 0, 120}), L"3");
    EXPECT_EQ(VersionText(std::nullopt), L"");
    EXPECT_EQ(FullVersionText(std::nullopt), L"");
    EXPECT_EQ(MajorVersionText(std::nullopt), L"");
}

TEST(VersionTextTest, VersionExeBesideTheProgramWinsEvenWithoutAVersionOfItsOwn) {
    FakeFiles files;
    files.files[files.program] = FileVersion{3, 5, 5, 100};
    EXPECT_EQ(VersionText(files), L"3.55");

    files.files[L"C:\\Program Files\\Vantrel\\version.exe"] = FileVersion{3, 5, 5, 102};
    EXPECT_EQ(VersionFilePath(files), L"C:\\Program Files\\Vantrel\\version.exe");
    EXPECT_EQ(VersionText(files), L"3.55d");

    files.files[L"C:\\Program Files\\Vantrel\\version.exe"] = std::nullopt;
    EXPECT_EQ(VersionText(files), L"") << "the file is there, so it is the one asked, and it has no version";
    EXPECT_EQ(ProgramVersion(files), std::nullopt);
}

TEST(BuildDateTest, TheStampIsTheUtcDayAsMonthDayYear) {
    struct Case {
        uint32_t stamp;
        const wchar_t* text;
    } cases[] = {
        {0, L"January 1, 1970"},
        {1709596800, L"March 5, 2024"},          // midnight UTC
        {1709596800 + 86399, L"March 5, 2024"},  // last second of the day
        {951782400, L"February 29, 2000"},       // leap day of a century year
        {4107542400u, L"March 1, 2100"},         // 2100 is not a leap year
        {0xFFFFFFFFu, L"February 7, 2106"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuildDateText(c.stamp, kEnglish), c.text) << c.stamp;

    FakeFiles files;
    EXPECT_EQ(BuildDateText(files, kEnglish), L"") << "no readable header";
    files.stamp = 1709596800;
    EXPECT_EQ(BuildDateText(files, kEnglish), L"March 5, 2024");
}

std::string peHead(uint32_t peOffset, uint32_t stamp, size_t size) {
    std::string head(size, '\0');
    head[0] = 'M';
    head[1] = 'Z';
    for (int i = 0; i < 4; ++i)
        head[0x3C + i] = char(peOffset >> (8 * i));
    if (peOffset + 12 <= size) {
        head.replace(peOffset, 4, std::string("PE\0\0", 4));
        for (int i = 0; i < 4; ++i)
            head[peOffset + 8 + i] = char(stamp >> (8 * i));
    }
    return head;
}

TEST(PeHeaderTest, ReadsTheStampAndRefusesWhatIsNoImage) {
    EXPECT_EQ(PeTimeDateStamp(peHead(0x80, 0x65E66C80, 512)), 0x65E66C80u);
    EXPECT_EQ(PeTimeDateStamp(peHead(0x80, 0, 512)), 0u);

    EXPECT_EQ(PeTimeDateStamp(""), std::nullopt);
    EXPECT_EQ(PeTimeDateStamp("MZ"), std::nullopt) << "no room for the header offset";
    std::string notMz = peHead(0x80, 1, 512);
    notMz[0] = 'X';
    EXPECT_EQ(PeTimeDateStamp(notMz), std::nullopt);
    EXPECT_EQ(PeTimeDateStamp(peHead(0xFFFFFFF0u, 1, 512)), std::nullopt) << "offset beyond the bytes";
    EXPECT_EQ(PeTimeDateStamp(peHead(506, 1, 512)), std::nullopt) << "signature cut off";
    std::string cut = peHead(0x80, 1, 512).substr(0, 0x80 + 10);
    EXPECT_EQ(PeTimeDateStamp(cut), std::nullopt) << "stamp cut off";
    std::string noSignature = peHead(0x80, 1, 512);
    noSignature[0x80] = 'N';
    EXPECT_EQ(PeTimeDateStamp(noSignature), std::nullopt);
}

}  // namespace
}  // namespace vantrel

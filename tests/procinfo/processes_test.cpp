#include "procinfo/processes.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(ImageNameFromPathTest, KeepsWhatFollowsTheLastBackslash) {
    const struct {
        std::wstring path;
        std::wstring name;
    } cases[] = {
        {L"C:\\Windows\\System32\\notepad.exe", L"notepad.exe"},
        {L"notepad.exe", L"notepad.exe"},  // no folder: the whole text
        {L"", L""},
        {L"C:\\folder\\", L""},  // ends in a backslash: no name
        {L"\\\\server\\share\\a b.exe", L"a b.exe"},
        {L"C:/forward/slash.exe", L"C:/forward/slash.exe"},  // only backslashes separate
        {L"\\x.exe", L"x.exe"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(imageNameFromPath(c.path), c.name) << std::string(c.path.begin(), c.path.end());
}

}  // namespace
}  // namespace vantrel

#include "engine/memory_units.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(MemoryUnitsTest, InstalledMemoryRoundsToTheNearestMegabyte) {
    struct Case {
        uint64_t bytes;
        int64_t mb;
    } cases[] = {
        {4294836224ull, 4096},  // 4095.875 MB
        {4294967296ull, 4096},
        {8ull << 30, 8192},
        {1048576ull * 100 + 524287, 100},
        {1048576ull * 100 + 524288, 101},
        {0, 0},
        {~0ull, 17592186044416},  // no wrap-around near the top
    };
    for (const auto& c : cases)
        EXPECT_EQ(InstalledMegabytes(c.bytes), c.mb) << c.bytes;
    EXPECT_EQ(InstalledMegabytes(4294836224ull) / 10, 409) << "the amount track bar's tick";
}

TEST(MemoryUnitsTest, MegabytesBecomeBytesWithoutWrapping) {
    EXPECT_EQ(MegabytesToBytes(3000), 3145728000);
    EXPECT_EQ(MegabytesToBytes(65536), 68719476736);
    EXPECT_EQ(MegabytesToBytes(-100), -104857600);
    EXPECT_EQ(MegabytesToBytes(INT32_MIN), -2251799813685248);
}

}  // namespace
}  // namespace vantrel

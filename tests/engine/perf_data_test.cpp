#include "engine/perf_data.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/perf_builder.h"

namespace vantrel {
namespace {

using test::PerfBlockBuilder;
using test::PerfObjectSpec;

// A registry that answers from a fixed block, asking for more until the buffer is large enough.
class BlockRegistry final : public PerfDataRegistry {
  public:
    explicit BlockRegistry(std::vector<uint8_t> block) : block_(std::move(block)) {}
    long query(const std::wstring& name, uint8_t* buffer, uint32_t& size) override {
        names.push_back(name);
        sizes.push_back(size);
        if (size < block_.size()) {
            size = 7;  // what the key leaves behind is meaningless
            return kMoreData;
        }
        std::copy(block_.begin(), block_.end(), buffer);
        size = uint32_t(block_.size());
        return 0;
    }
    void close() override { ++closes; }

    std::vector<std::wstring> names;
    std::vector<uint32_t> sizes;
    int closes = 0;

  private:
    std::vector<uint8_t> block_;
};

TPerfObject objectFrom(const std::vector<uint8_t>& block, uint32_t index) {
    BlockRegistry registry(block);
    return TPerfObject(index, registry);
}

// The processor object as the old systems give it, behind an unrelated object of another index.
std::vector<uint8_t> processorBlock() {
    PerfObjectSpec other{230, {{240, 8}}, {{L"", {{8, 999}}}}};
    PerfObjectSpec processor;
    processor.index = 238;
    processor.counters = {{6, 8}, {240, 16}};
    // The first counter block is 48 bytes long: the next instance is found only through the
    // block's own length. Two instances share the empty name.
    processor.instances = {
        {L"0", {{8, 11}, {16, 1000}}, 48},
        {L"", {{8, 22}, {16, 5000}}, 24},
        {L"", {{8, 33}, {16, 7000}}, 32},
    };
    return PerfBlockBuilder().build(123456789, {other, processor});
}

TEST(PerfDataTest, ParsesTheObjectOfTheIndexWithEveryInstanceAndCounter) {
    TPerfObject object = objectFrom(processorBlock(), 238);
    EXPECT_EQ(object.PerfTime100nSec(), 123456789u);
    ASSERT_EQ(object.InstanceCount(), 3);
    EXPECT_EQ(object.GetInstance(0).Name, L"0");
    ASSERT_EQ(object.GetInstance(0).Counters.size(), 2u);
    EXPECT_EQ(object.GetInstance(0).Counters[0].Index, 6u);
    EXPECT_EQ(object.GetInstance(0).Counters[0].Value, 11u);
    EXPECT_EQ(object.GetInstance(0).Counters[1].Index, 240u);
    EXPECT_EQ(object.GetInstance(0).Counters[1].Value, 1000u);
    // The instance after a 48-byte counter block.
    EXPECT_EQ(object.GetInstance(1).Name, L"");
    EXPECT_EQ(object.GetInstance(1).Counters[1].Value, 5000u);
    EXPECT_EQ(object.GetInstance(2).Counters[0].Value, 33u);
}

TEST(PerfDataTest, FindCounterValueTakesTheFirstInstanceOfTheNameThatHasTheCounter) {
    TPerfObject object = objectFrom(processorBlock(), 238);
    EXPECT_EQ(FindCounterValue(object, L"", 240), 5000u);  // two instances named "": the first
    EXPECT_EQ(FindCounterValue(object, L"0", 6), 11u);
    EXPECT_EQ(FindCounterValue(object, L"_Total", 240), std::nullopt);  // no such instance
    EXPECT_EQ(FindCounterValue(object, L"", 241), std::nullopt);        // no such counter

    // Same name twice, the first without the counter: the search goes on to the second.
    PerfObjectSpec a{238, {{6, 8}}, {{L"x", {{8, 1}}}}};
    auto block = PerfBlockBuilder().build(1, {a});
    TPerfObject noCounter = objectFrom(block, 238);
    EXPECT_EQ(FindCounterValue(noCounter, L"x", 240), std::nullopt);
}

TEST(PerfDataTest, NameMatchIsCaseSensitive) {
    PerfObjectSpec o{238, {{240, 8}}, {{L"Total", {{8, 1}}}, {L"total", {{8, 2}}}}};
    TPerfObject object = objectFrom(PerfBlockBuilder().build(1, {o}), 238);
    EXPECT_EQ(FindCounterValue(object, L"total", 240), 2u);
}

TEST(PerfDataTest, ObjectsWithoutInstancesOrOfAnotherIndexGiveNoInstances) {
    PerfObjectSpec none{238, {{240, 8}}, {}};
    EXPECT_EQ(objectFrom(PerfBlockBuilder().build(5, {none}), 238).InstanceCount(), 0);
    EXPECT_EQ(objectFrom(processorBlock(), 999).InstanceCount(), 0);
}

TEST(PerfDataTest, BrokenBlocksNeverReadOutsideTheBuffer) {
    const auto full = processorBlock();
    // Every truncation of a valid block parses without reading past its end (ASan watches) and
    // keeps only complete instances.
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + std::ptrdiff_t(n));
        PerfObjectData data = ParsePerfData(cut.data(), cut.size(), 238);
        EXPECT_LE(data.Instances.size(), 3u);
        for (const auto& inst : data.Instances)
            EXPECT_EQ(inst.Counters.size(), 2u);
    }
    // Offsets that point far away.
    auto bad = full;
    bad[perf_layout::kBlockHeaderLength + 3] = 0xFF;
    EXPECT_TRUE(ParsePerfData(bad.data(), bad.size(), 238).Instances.empty());
}

void put32(std::vector<uint8_t>& block, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        block[at + size_t(i)] = uint8_t(v >> (8 * i));
}

TEST(PerfDataTest, LengthsTooShortToMoveOnAreRejectedAndCountsCapped) {
    using namespace perf_layout;
    // One object, one definition, one instance named "a" (name padded to 8 bytes).
    PerfObjectSpec o{238, {{240, 8}}, {{L"a", {{8, 1}}}}};
    const auto good = PerfBlockBuilder().build(1, {o});
    const size_t object = kBlockSize;
    const size_t definition = object + kObjectSize;
    const size_t instance = definition + kCounterDefinitionSize;
    const size_t counterBlock = instance + kInstanceSize + 8;
    ASSERT_EQ(ParsePerfData(good.data(), good.size(), 238).Instances.size(), 1u);

    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    };
    const Case cases[] = {
        {"definition length 0", definition + kCounterByteLength, 0},
        {"definition shorter than its structure", definition + kCounterByteLength, 4},
        {"instance length 0", instance + kInstanceByteLength, 0},
        {"instance shorter than its structure", instance + kInstanceByteLength, 8},
        {"counter block length 0", counterBlock + kCounterBlockByteLength, 0},
        {"counter block shorter than its length field", counterBlock + kCounterBlockByteLength, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto bad = good;
        put32(bad, c.at, c.value);
        // Huge counts: a length that never moves on would revisit the same bytes that often.
        put32(bad, object + kObjectNumCounters, 100000);
        put32(bad, object + kObjectNumInstances, 100000);
        PerfObjectData data = ParsePerfData(bad.data(), bad.size(), 238);
        EXPECT_TRUE(data.Instances.empty());
    }

    // Counts far beyond the block with sound lengths: parsing stops at the block's end.
    auto huge = good;
    put32(huge, object + kObjectNumInstances, 0x7FFFFFFF);
    PerfObjectData data = ParsePerfData(huge.data(), huge.size(), 238);
    ASSERT_EQ(data.Instances.size(), 1u);
    EXPECT_EQ(data.Instances[0].Counters.size(), 1u);
}

TEST(PerfDataTest, ReadGrowsTheBufferWhileTheKeyAsksForMore) {
    std::vector<uint8_t> big(65536 + 3000, 0);
    auto block = processorBlock();
    std::copy(block.begin(), block.end(), big.begin());
    BlockRegistry registry(big);
    auto read = ReadPerfData(registry, 238);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->size(), big.size());
    EXPECT_EQ(registry.names.front(), L"238");
    EXPECT_EQ(registry.sizes, (std::vector<uint32_t>{65536, 66560, 67584, 68608}));
    EXPECT_EQ(registry.closes, 1);
}

}  // namespace
}  // namespace vantrel

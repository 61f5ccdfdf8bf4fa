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
    // block's own length. Three instances share the empty name; the first of them has a block too
    // short for the second counter, so it lacks that counter.
    processor.instances = {
        {L"0", {{8, 11}, {16, 1000}}, 48},
        {L"", {{8, 22}}, 16},
        {L"", {{8, 33}, {16, 5000}}, 24},
        {L"", {{8, 44}, {16, 7000}}, 32},
    };
    return PerfBlockBuilder().build(123456789, {other, processor});
}

TEST(PerfDataTest, ParsesTheObjectOfTheIndexWithEveryInstanceAndCounter) {
    TPerfObject object = objectFrom(processorBlock(), 238);
    EXPECT_EQ(object.PerfTime100nSec(), 123456789u);
    ASSERT_EQ(object.InstanceCount(), 4);
    EXPECT_EQ(object.GetInstance(0).Name, L"0");
    ASSERT_EQ(object.GetInstance(0).Counters.size(), 2u);
    EXPECT_EQ(object.GetInstance(0).Counters[0].Index, 6u);
    EXPECT_EQ(object.GetInstance(0).Counters[0].Value, 11u);
    EXPECT_EQ(object.GetInstance(0).Counters[1].Index, 240u);
    EXPECT_EQ(object.GetInstance(0).Counters[1].Value, 1000u);
    // The instance after a 48-byte counter block, holding only the counter that fits.
    EXPECT_EQ(object.GetInstance(1).Name, L"");
    ASSERT_EQ(object.GetInstance(1).Counters.size(), 1u);
    EXPECT_EQ(object.GetInstance(1).Counters[0].Value, 22u);
    EXPECT_EQ(object.GetInstance(2).Counters[1].Value, 5000u);
    EXPECT_EQ(object.GetInstance(3).Counters[0].Value, 44u);
}

// Three instances share the empty name and two of them have the counter: the search passes the
// first, which lacks it, and stops at the second.
TEST(PerfDataTest, FindCounterValueTakesTheFirstInstanceOfTheNameThatHasTheCounter) {
    TPerfObject object = objectFrom(processorBlock(), 238);
    EXPECT_EQ(FindCounterValue(object, L"", 240), 5000u);
    EXPECT_EQ(FindCounterValue(object, L"", 6), 22u);
    EXPECT_EQ(FindCounterValue(object, L"0", 6), 11u);
    EXPECT_EQ(FindCounterValue(object, L"_Total", 240), std::nullopt);  // no such instance
    EXPECT_EQ(FindCounterValue(object, L"", 241), std::nullopt);        // no such counter
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
    const PerfObjectData whole = ParsePerfData(full.data(), full.size(), 238);
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + std::ptrdiff_t(n));
        PerfObjectData data = ParsePerfData(cut.data(), cut.size(), 238);
        ASSERT_LE(data.Instances.size(), whole.Instances.size());
        for (size_t i = 0; i < data.Instances.size(); ++i) {
            EXPECT_EQ(data.Instances[i].Name, whole.Instances[i].Name);
            EXPECT_EQ(data.Instances[i].Counters.size(), whole.Instances[i].Counters.size());
        }
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

// Names and values are read within their own lengths: never into the bytes that follow them.
TEST(PerfDataTest, NamesAndValuesAreReadWithinTheirOwnLengths) {
    // A name of 4 bytes is two characters, whatever follows it in the padding.
    PerfObjectSpec shortName{238, {{240, 8}}, {{L"abcd", {{8, 1}}, 16, 4}}};
    const auto named = PerfBlockBuilder().build(1, {shortName});
    auto names = ParsePerfData(named.data(), named.size(), 238);
    ASSERT_EQ(names.Instances.size(), 1u);
    EXPECT_EQ(names.Instances[0].Name, L"ab");

    // A name that claims to reach past its instance definition is a broken block.
    PerfObjectSpec longName{238, {{240, 8}}, {{L"abcd", {{8, 1}}, 16, 200}, {L"x", {{8, 2}}, 16}}};
    auto broken = PerfBlockBuilder().build(1, {longName});
    EXPECT_TRUE(ParsePerfData(broken.data(), broken.size(), 238).Instances.empty());

    // A 4-byte counter is read as its 4 bytes, not with the next counter's in its high half.
    PerfObjectSpec narrow{238, {{240, 8}, {6, 12}}, {{L"", {{8, 0x0000000500000007ull}}, 24}}, 4};
    auto values = PerfBlockBuilder().build(1, {narrow});
    TPerfObject object = objectFrom(values, 238);
    EXPECT_EQ(FindCounterValue(object, L"", 240), 7u);
    EXPECT_EQ(FindCounterValue(object, L"", 6), 5u);
}

// Definitions that all point at the same bytes, and many small instances: what is kept must stay
// in proportion to the block, not to the number of definitions times the number of instances.
TEST(PerfDataTest, ACraftedBlockCannotMakeTheParsedDataGrowWithItsSquare) {
    PerfObjectSpec o;
    o.index = 238;
    for (uint32_t i = 0; i < 2000; ++i)
        o.counters.push_back({1000 + i, 8});
    for (int i = 0; i < 2000; ++i)
        o.instances.push_back({L"", {{8, 1}}, 16});
    const auto block = PerfBlockBuilder().build(1, {o});
    PerfObjectData data = ParsePerfData(block.data(), block.size(), 238);
    size_t kept = 0;
    for (const auto& inst : data.Instances)
        kept += inst.Counters.size() * sizeof(TPerfCounter) + inst.Name.size() * sizeof(wchar_t);
    EXPECT_FALSE(data.Instances.empty());
    EXPECT_LE(kept, 8 * block.size());
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

#include "engine/perf_data.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vantrel {

namespace {

constexpr uint32_t kInitialBufferSize = 65536;
constexpr uint32_t kBufferGrowth = 1024;
// A query that keeps asking for more beyond this is not answering sensibly.
constexpr uint32_t kMaxBufferSize = 64u << 20;

// Reads little-endian fields with every position checked against the block.
class BlockReader {
  public:
    BlockReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t size() const noexcept { return size_; }

    bool has(size_t offset, size_t length) const noexcept {
        return offset <= size_ && length <= size_ - offset;
    }
    std::optional<uint32_t> u32(size_t offset) const noexcept {
        if (!has(offset, 4))
            return std::nullopt;
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | data_[offset + size_t(i)];
        return v;
    }
    std::optional<uint64_t> u64(size_t offset) const noexcept {
        auto lo = u32(offset);
        auto hi = u32(offset + 4);
        if (!lo || !hi || offset + 4 < offset)
            return std::nullopt;
        return (uint64_t(*hi) << 32) | *lo;
    }
    // The UTF-16 text of `length` bytes at offset, up to its first zero; nothing when it does not
    // lie inside the block.
    std::optional<std::wstring> text(size_t offset, size_t length) const {
        if (!has(offset, length))
            return std::nullopt;
        std::wstring out;
        for (size_t p = offset; p + 2 <= offset + length; p += 2) {
            auto c = wchar_t(data_[p] | (data_[p + 1] << 8));
            if (c == 0)
                break;
            out.push_back(c);
        }
        return out;
    }
    // The `length` bytes at offset (at most 8), little-endian, zero-extended.
    std::optional<uint64_t> value(size_t offset, size_t length) const noexcept {
        if (length > 8 || !has(offset, length))
            return std::nullopt;
        uint64_t v = 0;
        for (size_t i = length; i-- > 0;)
            v = (v << 8) | data_[offset + i];
        return v;
    }

  private:
    const uint8_t* data_;
    size_t size_;
};

// Offsets are 32-bit fields added to positions; the sum must not wrap.
std::optional<size_t> advance(size_t base, std::optional<uint32_t> by) {
    if (!by || size_t(*by) > std::numeric_limits<size_t>::max() - base)
        return std::nullopt;
    return base + *by;
}

struct CounterDefinition {
    uint32_t nameIndex;
    uint32_t offset;  // in each instance's counter block
    uint32_t size;    // bytes of the value, at most 8 of them read
};

void parseObject(const BlockReader& r, size_t object, PerfObjectData& out) {
    using namespace perf_layout;
    auto numInstances = r.u32(object + kObjectNumInstances);
    auto numCounters = r.u32(object + kObjectNumCounters);
    if (!numInstances || !numCounters || int32_t(*numInstances) <= 0)
        return;
    // No count can exceed what the block physically holds, whatever the header claims.
    const size_t counterCount = std::min<size_t>(*numCounters, r.size() / kCounterDefinitionSize);
    const size_t instanceCount = std::min<size_t>(*numInstances, r.size() / (kInstanceSize + 4));
    // The counter definitions, read once for all instances.
    std::vector<CounterDefinition> definitions;
    auto definition = advance(object, r.u32(object + kObjectHeaderLength));
    for (size_t i = 0; i < counterCount; ++i) {
        if (!definition)
            return;
        auto nameIndex = r.u32(*definition + kCounterNameTitleIndex);
        auto offset = r.u32(*definition + kCounterOffset);
        auto size = r.u32(*definition + kCounterSizeField);
        auto length = r.u32(*definition + kCounterByteLength);
        // A definition shorter than the structure would never move on (zero) or overlap itself.
        if (!nameIndex || !offset || !size || !length || *length < kCounterDefinitionSize)
            return;
        definitions.push_back({*nameIndex, *offset, std::min<uint32_t>(*size, 8)});
        definition = advance(*definition, length);
    }
    // Every value kept stands for at least four bytes of the block: definitions that all point at
    // the same bytes must not make the instances' tables grow with the square of the block.
    size_t valueBudget = r.size() / 4;
    auto instance = advance(object, r.u32(object + kObjectDefinitionLength));
    for (size_t i = 0; i < instanceCount; ++i) {
        if (!instance)
            return;
        auto instanceLength = r.u32(*instance + kInstanceByteLength);
        if (!instanceLength || *instanceLength < kInstanceSize || !r.has(*instance, *instanceLength))
            return;
        // The name lies inside its own instance definition and is read within its own length.
        auto nameAt = advance(*instance, r.u32(*instance + kInstanceNameOffset));
        auto nameLength = r.u32(*instance + kInstanceNameLength);
        if (!nameAt || !nameLength || *nameAt > *instance + *instanceLength ||
            *nameLength > *instance + *instanceLength - *nameAt)
            return;
        auto name = r.text(*nameAt, *nameLength);
        // The counter block follows; it holds at least its own length field (less would never
        // move on) and lies inside the data block.
        const size_t counterBlock = *instance + *instanceLength;
        auto counterBlockLength = r.u32(counterBlock + kCounterBlockByteLength);
        if (!name || !counterBlockLength || *counterBlockLength < 4 ||
            !r.has(counterBlock, *counterBlockLength))
            return;
        TPerfInstance parsed;
        parsed.Name = std::move(*name);
        for (const CounterDefinition& d : definitions) {
            // A value that does not fit in this instance's block is a counter this instance lacks.
            if (d.offset > *counterBlockLength || d.size > *counterBlockLength - d.offset)
                continue;
            if (auto value = r.value(counterBlock + d.offset, d.size))
                parsed.Counters.push_back({d.nameIndex, *value});
        }
        if (parsed.Counters.size() > valueBudget)
            return;
        valueBudget -= parsed.Counters.size();
        out.Instances.push_back(std::move(parsed));
        instance = advance(counterBlock, counterBlockLength);
    }
}

}  // namespace

PerfObjectData ParsePerfData(const uint8_t* data, size_t size, uint32_t objectIndex) {
    using namespace perf_layout;
    PerfObjectData out;
    BlockReader r(data, size);
    if (auto t = r.u64(kBlockPerfTime100nSec))
        out.PerfTime100nSec = *t;
    auto numObjects = r.u32(kBlockNumObjectTypes);
    auto object = advance(0, r.u32(kBlockHeaderLength));
    if (!numObjects)
        return out;
    for (uint32_t i = 0; i < *numObjects && object; ++i) {
        auto nameIndex = r.u32(*object + kObjectNameTitleIndex);
        auto length = r.u32(*object + kObjectTotalByteLength);
        if (!nameIndex || !length)
            break;
        if (*nameIndex == objectIndex) {
            parseObject(r, *object, out);
            break;
        }
        // A zero length would visit the same object again and again.
        if (*length == 0)
            break;
        object = advance(*object, length);
    }
    return out;
}

std::optional<std::vector<uint8_t>> ReadPerfData(PerfDataRegistry& registry, uint32_t objectIndex) {
    const std::wstring name = std::to_wstring(objectIndex);
    std::vector<uint8_t> buffer(kInitialBufferSize);
    uint32_t size = kInitialBufferSize;
    long status;
    for (;;) {
        size = uint32_t(buffer.size());
        status = registry.query(name, buffer.data(), size);
        if (status != PerfDataRegistry::kMoreData)
            break;
        // The size the query leaves behind with "more data" is not meaningful for this key; the
        // buffer grows from its own size.
        if (buffer.size() >= kMaxBufferSize)
            break;
        buffer.resize(buffer.size() + kBufferGrowth);
    }
    registry.close();
    if (status != 0)
        return std::nullopt;
    buffer.resize(std::min<size_t>(size, buffer.size()));
    return buffer;
}

TPerfObject::TPerfObject(uint32_t ObjectIndex, PerfDataRegistry& registry) : objectIndex_(ObjectIndex) {
    if (auto block = ReadPerfData(registry, ObjectIndex)) {
        read_ = true;
        data_ = ParsePerfData(block->data(), block->size(), ObjectIndex);
    }
}

std::optional<uint64_t> FindCounterValue(const TPerfObject& Object,
                                         const std::wstring& InstanceName,
                                         uint32_t CounterIndex) {
    for (int32_t i = 0; i < Object.InstanceCount(); ++i) {
        const TPerfInstance& instance = Object.GetInstance(i);
        if (instance.Name != InstanceName)
            continue;
        for (const TPerfCounter& c : instance.Counters) {
            if (c.Index == CounterIndex)
                return c.Value;
        }
    }
    return std::nullopt;
}

}  // namespace vantrel

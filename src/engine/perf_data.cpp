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
    // The zero-terminated UTF-16 text at offset; nothing when it runs off the block unterminated.
    std::optional<std::wstring> text(size_t offset) const {
        std::wstring out;
        for (size_t p = offset;; p += 2) {
            if (!has(p, 2))
                return std::nullopt;
            auto c = wchar_t(data_[p] | (data_[p + 1] << 8));
            if (c == 0)
                return out;
            out.push_back(c);
        }
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
    std::vector<std::pair<uint32_t, uint32_t>> definitions;  // name index, offset in the block
    auto definition = advance(object, r.u32(object + kObjectHeaderLength));
    for (size_t i = 0; i < counterCount; ++i) {
        if (!definition)
            return;
        auto nameIndex = r.u32(*definition + kCounterNameTitleIndex);
        auto offset = r.u32(*definition + kCounterOffset);
        auto length = r.u32(*definition + kCounterByteLength);
        // A definition shorter than the structure would never move on (zero) or overlap itself.
        if (!nameIndex || !offset || !length || *length < kCounterDefinitionSize)
            return;
        definitions.emplace_back(*nameIndex, *offset);
        definition = advance(*definition, length);
    }
    auto instance = advance(object, r.u32(object + kObjectDefinitionLength));
    for (size_t i = 0; i < instanceCount; ++i) {
        if (!instance)
            return;
        auto nameAt = advance(*instance, r.u32(*instance + kInstanceNameOffset));
        auto instanceLength = r.u32(*instance + kInstanceByteLength);
        if (!instanceLength || *instanceLength < kInstanceSize)
            return;
        auto counterBlock = advance(*instance, instanceLength);
        if (!nameAt || !counterBlock)
            return;
        // The counter block holds at least its own length field; less would never move on.
        auto counterBlockLength = r.u32(*counterBlock + kCounterBlockByteLength);
        if (!counterBlockLength || *counterBlockLength < 4)
            return;
        auto name = r.text(*nameAt);
        if (!name)
            return;
        TPerfInstance parsed;
        parsed.Name = std::move(*name);
        for (const auto& [nameIndex, offset] : definitions) {
            // Read as 64 bits whatever the definition's size says.
            auto valueAt = advance(*counterBlock, offset);
            auto value = valueAt ? r.u64(*valueAt) : std::nullopt;
            if (!value)
                return;
            parsed.Counters.push_back({nameIndex, *value});
        }
        out.Instances.push_back(std::move(parsed));
        instance = advance(*counterBlock, counterBlockLength);
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

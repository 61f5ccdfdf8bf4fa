#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

struct TPerfCounter {
    uint32_t Index = 0;  // the counter's name index
    uint64_t Value = 0;  // the raw value
};
using TPerfCounters = std::vector<TPerfCounter>;

struct TPerfInstance {
    std::wstring Name;
    // One per counter definition of the object whose value the instance's block holds, in
    // definition order.
    TPerfCounters Counters;
};

// One query of the performance-data registry, the way RegQueryValueExW answers it.
class PerfDataRegistry {
  public:
    virtual ~PerfDataRegistry() = default;
    static constexpr long kMoreData = 234;  // ERROR_MORE_DATA
    // Queries the value named `name` into buffer; size holds the buffer's size before the call and
    // whatever the query left in it afterwards. Returns the registry status.
    virtual long query(const std::wstring& name, uint8_t* buffer, uint32_t& size) = 0;
    // Closes the performance-data key once the query is done.
    virtual void close() = 0;
};

PerfDataRegistry& systemPerfDataRegistry();

// The data block the registry returns for one object index (e.g. "238"), or nothing when the
// query fails.
std::optional<std::vector<uint8_t>> ReadPerfData(PerfDataRegistry& registry, uint32_t objectIndex);

// What one data block holds for one object type.
struct PerfObjectData {
    uint64_t PerfTime100nSec = 0;
    std::vector<TPerfInstance> Instances;
};

// Parses a block in the documented performance-data layout. Every offset and length is checked
// against the block: parsing stops at the first one that points outside it, keeping the instances
// that were complete. An instance name is read within its own length and its instance; a counter
// value within its own size (at most 64 bits) and its instance's counter block, and a value that
// does not fit there is a counter the instance lacks. What is kept grows at most in proportion to
// the block.
PerfObjectData ParsePerfData(const uint8_t* data, size_t size, uint32_t objectIndex);

// The instances of one performance object, read when it is built.
class TPerfObject {
  public:
    // Reads the registry at once; an unreadable block gives an object without instances.
    TPerfObject(uint32_t ObjectIndex, PerfDataRegistry& registry = systemPerfDataRegistry());

    uint32_t ObjectIndex() const noexcept { return objectIndex_; }
    int32_t InstanceCount() const noexcept { return int32_t(data_.Instances.size()); }
    const TPerfInstance& GetInstance(int32_t Index) const { return data_.Instances.at(size_t(Index)); }
    uint64_t PerfTime100nSec() const noexcept { return data_.PerfTime100nSec; }
    // False when the registry could not be read at all.
    bool Read() const noexcept { return read_; }

  private:
    uint32_t objectIndex_;
    PerfObjectData data_;
    bool read_ = false;
};

// The value of counter CounterIndex in the first instance named InstanceName (case-sensitive) that
// has it; nothing when no instance of that name has the counter.
std::optional<uint64_t> FindCounterValue(const TPerfObject& Object,
                                         const std::wstring& InstanceName,
                                         uint32_t CounterIndex);

// Byte positions of the documented layout (the same for 32- and 64-bit systems: the title pointer
// fields are 32 bits wide in the data block on both).
namespace perf_layout {
// PERF_DATA_BLOCK
inline constexpr size_t kBlockTotalByteLength = 20;
inline constexpr size_t kBlockHeaderLength = 24;
inline constexpr size_t kBlockNumObjectTypes = 28;
inline constexpr size_t kBlockPerfTime100nSec = 72;
inline constexpr size_t kBlockSize = 88;
// PERF_OBJECT_TYPE
inline constexpr size_t kObjectTotalByteLength = 0;
inline constexpr size_t kObjectDefinitionLength = 4;
inline constexpr size_t kObjectHeaderLength = 8;
inline constexpr size_t kObjectNameTitleIndex = 12;
inline constexpr size_t kObjectNumCounters = 32;
inline constexpr size_t kObjectNumInstances = 40;
inline constexpr size_t kObjectSize = 64;
// PERF_COUNTER_DEFINITION
inline constexpr size_t kCounterByteLength = 0;
inline constexpr size_t kCounterNameTitleIndex = 4;
inline constexpr size_t kCounterSizeField = 32;
inline constexpr size_t kCounterOffset = 36;
inline constexpr size_t kCounterDefinitionSize = 40;
// PERF_INSTANCE_DEFINITION
inline constexpr size_t kInstanceByteLength = 0;
inline constexpr size_t kInstanceNameOffset = 16;
inline constexpr size_t kInstanceNameLength = 20;
inline constexpr size_t kInstanceSize = 24;
// PERF_COUNTER_BLOCK
inline constexpr size_t kCounterBlockByteLength = 0;
}  // namespace perf_layout

}  // namespace vantrel

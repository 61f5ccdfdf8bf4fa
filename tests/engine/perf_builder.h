#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/perf_data.h"

namespace vantrel::test {

// Builds performance-data blocks byte by byte in the documented layout.
struct PerfInstanceSpec {
    std::wstring name;
    std::vector<std::pair<uint32_t, uint64_t>> values;  // offset in the counter block, value
    uint32_t counterBlockLength = 32;
    uint32_t nameLength = 0;  // bytes; 0: the name's own, with its terminating zero
};
struct PerfObjectSpec {
    uint32_t index = 0;
    std::vector<std::pair<uint32_t, uint32_t>> counters;  // name index, offset in the counter block
    std::vector<PerfInstanceSpec> instances;
    uint32_t counterSize = 8;  // of every counter
};

class PerfBlockBuilder {
  public:
    std::vector<uint8_t> build(uint64_t time100ns, const std::vector<PerfObjectSpec>& objects) {
        using namespace perf_layout;
        b_.assign(kBlockSize, 0);
        put32(0, 'P' | ('E' << 16));
        put32(kBlockHeaderLength, uint32_t(kBlockSize));
        put32(kBlockNumObjectTypes, uint32_t(objects.size()));
        put64(kBlockPerfTime100nSec, time100ns);
        for (const auto& o : objects)
            object(o);
        put32(kBlockTotalByteLength, uint32_t(b_.size()));
        return b_;
    }

  private:
    void put32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b_[at + size_t(i)] = uint8_t(v >> (8 * i));
    }
    void put64(size_t at, uint64_t v) {
        put32(at, uint32_t(v));
        put32(at + 4, uint32_t(v >> 32));
    }
    size_t grow(size_t n) {
        size_t at = b_.size();
        b_.resize(at + n, 0);
        return at;
    }
    void object(const PerfObjectSpec& o) {
        using namespace perf_layout;
        const size_t start = grow(kObjectSize);
        put32(start + kObjectHeaderLength, uint32_t(kObjectSize));
        put32(start + kObjectNameTitleIndex, o.index);
        put32(start + kObjectNumCounters, uint32_t(o.counters.size()));
        put32(start + kObjectNumInstances, uint32_t(o.instances.size()));
        for (const auto& [nameIndex, offset] : o.counters) {
            size_t d = grow(kCounterDefinitionSize);
            put32(d + kCounterByteLength, uint32_t(kCounterDefinitionSize));
            put32(d + kCounterNameTitleIndex, nameIndex);
            put32(d + kCounterSizeField, o.counterSize);
            put32(d + kCounterOffset, offset);
        }
        put32(start + kObjectDefinitionLength, uint32_t(b_.size() - start));
        for (const auto& inst : o.instances) {
            size_t i = grow(kInstanceSize);
            size_t nameBytes = (inst.name.size() + 1) * 2;
            size_t padded = (nameBytes + 7) / 8 * 8;
            size_t n = grow(padded);
            for (size_t c = 0; c < inst.name.size(); ++c) {
                b_[n + 2 * c] = uint8_t(inst.name[c]);
                b_[n + 2 * c + 1] = uint8_t(inst.name[c] >> 8);
            }
            put32(i + kInstanceNameOffset, uint32_t(kInstanceSize));
            put32(i + kInstanceNameLength, inst.nameLength ? inst.nameLength : uint32_t(nameBytes));
            put32(i + kInstanceByteLength, uint32_t(kInstanceSize + padded));
            size_t block = grow(inst.counterBlockLength);
            put32(block + kCounterBlockByteLength, inst.counterBlockLength);
            for (const auto& [offset, value] : inst.values)
                put64(block + offset, value);
        }
        put32(start + kObjectTotalByteLength, uint32_t(b_.size() - start));
    }

    std::vector<uint8_t> b_;
};

}  // namespace vantrel::test

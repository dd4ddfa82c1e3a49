#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codec/byte_order.h"

// Helpers shared by the codec's writers and readers: both body forms see the pixel bytes as
// 4-byte units and replace runs of equal consecutive units by tokens.
namespace framestow::detail {

constexpr std::size_t kUnitSize = 4;

inline uint32_t load_unit(const uint8_t* units, std::size_t index) {
    return load_le32(units + index * kUnitSize);
}

// Eight bytes holding `value` twice, in the order in which its bytes stand in the pixels. Only
// ever compared for equality with eight pixel bytes, so the host's byte order does not matter.
inline uint64_t unit_pair_pattern(uint32_t value) {
    uint8_t bytes[8];
    store_le32(bytes, value);
    store_le32(bytes + 4, value);
    uint64_t pattern;
    std::memcpy(&pattern, bytes, sizeof pattern);
    return pattern;
}

// The first index at or after `index` (below `count`) whose unit differs from `value`. Long runs
// are common in UI pictures, so they are skipped four units at a time.
inline std::size_t skip_equal_units(const uint8_t* units, std::size_t index, std::size_t count,
                                    uint32_t value) {
    if (index >= count || load_unit(units, index) != value) {
        return index;
    }
    const uint64_t pattern = unit_pair_pattern(value);
    while (index + 4 <= count) {
        uint64_t first;
        uint64_t second;
        std::memcpy(&first, units + index * kUnitSize, sizeof first);
        std::memcpy(&second, units + index * kUnitSize + sizeof first, sizeof second);
        if (((first ^ pattern) | (second ^ pattern)) != 0) {
            break;
        }
        index += 4;
    }
    while (index < count && load_unit(units, index) == value) {
        ++index;
    }
    return index;
}

// Writes the 4 bytes at `unit` `count` times from `out` on; the caller has checked the room.
inline void fill_units(uint8_t* out, const uint8_t* unit, std::size_t count) {
    constexpr std::size_t kChunk = 32;
    std::size_t done = 0;
    const std::size_t bytes = count * kUnitSize;
    if (bytes >= kChunk) {
        uint8_t pattern[kChunk];
        for (std::size_t k = 0; k < kChunk; k += kUnitSize) {
            std::memcpy(pattern + k, unit, kUnitSize);
        }
        for (; done + kChunk <= bytes; done += kChunk) {
            std::memcpy(out + done, pattern, kChunk);
        }
    }
    for (; done < bytes; done += kUnitSize) {
        std::memcpy(out + done, unit, kUnitSize);
    }
}

}  // namespace framestow::detail

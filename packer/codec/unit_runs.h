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

// The first index at or after `index` (below `count`) whose unit differs from `value`. Long runs
// are common in UI pictures, so they are compared 8 units at a time against a copy of the run;
// compilers turn a fixed-size memcmp tested for equality into a few wide compares.
inline std::size_t skip_equal_units(const uint8_t* units, std::size_t index, std::size_t count,
                                    uint32_t value) {
    if (index >= count || load_unit(units, index) != value) {
        return index;
    }
    constexpr std::size_t kWideUnits = 8;
    uint8_t run[kWideUnits * kUnitSize];
    for (std::size_t k = 0; k < kWideUnits; ++k) {
        std::memcpy(run + k * kUnitSize, units + index * kUnitSize, kUnitSize);
    }
    while (index + kWideUnits <= count &&
           std::memcmp(units + index * kUnitSize, run, sizeof run) == 0) {
        index += kWideUnits;
    }
    while (index < count && load_unit(units, index) == value) {
        ++index;
    }
    return index;
}

}  // namespace framestow::detail

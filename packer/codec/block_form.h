#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec/codec_status.h"

// The block form of a compressed body: blocks one after another up to the end of the body.
//
//   offset in block  width     field
//   0                u8        block index: 0, 1, ..., 255, then 0 again
//   1                u16be     content length L
//   3                L bytes   content: literal units and run tokens, never split between blocks
//
//   content item   size    layout
//   literal unit   4       the unit's 4 pixel bytes; the first is never 0x5F
//   run token      6 to 9  0x5F, the unit value (its 4 pixel bytes), the run length in units in
//                          1 to 4 bytes, high byte first; the top two bits of the first length
//                          byte give the number of length bytes after it (00: 0 ... 11: 3)
//
// A block is closed as soon as its content reaches 4096 bytes; one step of the writer adds at
// most 12, and runs within a picture buffer need at most 8-byte tokens, so L never passes 4107.
namespace framestow {

constexpr uint8_t kRunByte = 0x5F;
constexpr uint8_t kRunByteStandIn = 0x5E;
constexpr std::size_t kBlockHeaderSize = 3;
constexpr std::size_t kBlockCloseMark = 4096;
constexpr std::size_t kLongestRunLength = 1073741823;

// Writes one run token at the start of `out` and sets `size` to its length (6 to 9). Fails with
// kRunTooLong for a run length above 1073741823, kRunTokenOutOfBond when `out` is too short.
[[nodiscard]] CodecStatus WriteCompressData(std::span<uint8_t> out, uint32_t value,
                                            std::size_t run_length, std::size_t& size);

// Writes the block form of `pixels` (whole units) into `buffer` from byte `counter` on and adds
// what it wrote to `counter`. A unit whose first byte is 0x5F is written as if that byte were
// 0x5E, so that no literal unit reads back as a run token; `pixels` are left as they are. Fewer
// than 2 units give no block. Fails with kBlockOutOfBond or WriteCompressData's status when the
// body would pass the end of `buffer`, kBitmapRefused when `pixels` is larger than a picture
// buffer.
[[nodiscard]] CodecStatus BlockZipBody(std::span<const uint8_t> pixels, std::span<uint8_t> buffer,
                                       std::size_t& counter);

// The unit as the block form stores it: with a leading 0x5F byte read as 0x5E.
inline uint32_t block_form_unit(uint32_t unit) {
    return (unit & 0xFFu) == kRunByte ? (unit & ~0xFFu) | kRunByteStandIn : unit;
}

}  // namespace framestow

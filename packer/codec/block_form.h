#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

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
constexpr std::size_t kBlockContentLimit = 4107;
constexpr std::size_t kLongestRunLength = 1073741823;

// Writes one run token at the start of `out`. Returns its size (6 to 9), or -1 with
// "WriteCompressData: ERR,same_num is illegal" for a run length above 1073741823 or
// "WriteCompressData: ERR,Out of bond" when `out` is too short.
int WriteCompressData(std::span<uint8_t> out, uint32_t value, std::size_t run_length);

// Writes the block form of `pixels` (whole units) into `buffer` from byte `counter` on and adds
// what it wrote to `counter`. A unit whose first byte is 0x5F has that byte changed to 0x5E in
// `pixels` itself as it is read, so that no literal unit reads back as a run token. Fewer than 2
// units give no block. Returns 0, or -1 when the body would pass the end of `buffer` (with
// "BlockZipBody: ERR,Out of bond" or WriteCompressData's message) or `pixels` is larger than a
// picture buffer.
int BlockZipBody(std::span<uint8_t> pixels, std::span<uint8_t> buffer, std::size_t& counter);

// Decodes the content of one block into `out`. Returns the number of bytes decoded, or -1 when
// the content is longer than 4107 bytes, ends inside an item, or would pass the end of `out`.
int64_t UnzipBlock(std::span<const uint8_t> content, std::span<uint8_t> out);

// Decodes a whole block-form body into `out`. Returns the number of bytes decoded, or -1 when a
// block header or content is cut short, a block index is out of sequence, or a block fails.
int64_t UnzipBlocks(std::span<const uint8_t> body, std::span<uint8_t> out);

}  // namespace framestow

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec/codec_status.h"

// The marker form of a compressed body: items one after another up to the end of the body, with
// no count and no framing.
//
//   item           size  layout
//   literal unit   4     the unit's 4 pixel bytes; never equal to the run marker
//   marker token   12    u32le run marker 0x23456789 (bytes 89 67 45 23),
//                        the unit value (its 4 pixel bytes), u32le run length in units
//
// Runs of four or more equal units become marker tokens, shorter runs literal units, except that
// units equal to the run marker are always written as a token (a single one with run length 1).
namespace framestow {

constexpr uint32_t kRunMarker = 0x23456789;
constexpr std::size_t kMarkerTokenSize = 12;

// Writes the marker form of `pixels` into `buffer` from byte `counter` on and adds what it wrote
// to `counter`. A length that is not a multiple of 4 (RGB565 with an odd pixel count) ends in a
// unit padded with zero bytes. Fails with kLiteralOutOfBond or kMarkerTokenOutOfBond when the
// body would pass the end of `buffer`, kBitmapRefused when `pixels` is larger than a picture
// buffer.
[[nodiscard]] CodecStatus SimpleZipBody(std::span<const uint8_t> pixels, std::span<uint8_t> buffer,
                                        std::size_t& counter);

// Writes one marker token at byte `counter` of `buffer` and adds 12 to `counter`. Fails with
// kMarkerTokenOutOfBond when the token would pass the end of `buffer`.
[[nodiscard]] CodecStatus ZipPix(std::span<uint8_t> buffer, std::size_t& counter, uint32_t value,
                                 uint32_t run_length);

}  // namespace framestow

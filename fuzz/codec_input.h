#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/codec.h"

// How the codec harnesses turn input bytes into compression settings and area sizes.
namespace fuzzcheck {

// One input byte chooses the settings:
//   bit 0     png section complete
//   bits 1-2  png zip_type (0 to 3)
//   bit 3     png bit_type (0 or 1)
//   bit 4     png block_len 0 (set) or 1 (clear)
//   bit 5     bmp section complete
//   bit 6     bmp zip_type (0 or 1)
// Bit 7 is left to the harness.
inline framestow::CodecSettings settings_from_byte(uint8_t byte) {
    framestow::CodecSettings settings;
    if ((byte & 0x01) != 0) {
        framestow::CompressionSettings png;
        png.zip_type = (byte >> 1) & 0x03;
        png.bit_type = (byte >> 3) & 0x01;
        png.block_len = (byte & 0x10) != 0 ? 0 : 1;
        settings.png = png;
    }
    if ((byte & 0x20) != 0) {
        framestow::CompressionSettings bmp;
        bmp.bit_type = 0;
        bmp.block_len = 1;
        bmp.zip_type = (byte >> 6) & 0x01;
        settings.bmp = bmp;
    }
    return settings;
}

// Larger pictures only slow the search down: every run-length class that fits a picture buffer
// and every block boundary is reached well below this many pixel bytes.
constexpr uint64_t kLargestFuzzedPixelBytes = uint64_t{1} << 17;

inline uint64_t bytes_per_pixel(uint16_t pixel_format) {
    return pixel_format == framestow::kFormat32 ? 4 : 2;
}

// The pixel bytes of a picture, which the decoder gives exactly.
inline uint64_t pixel_bytes(const framestow::PictureHeader& header) {
    return uint64_t{header.width} * header.height * bytes_per_pixel(header.pixel_format);
}

}  // namespace fuzzcheck

#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "codec/byte_order.h"
#include "codec/compression_settings.h"
#include "codec/picture_format.h"

namespace framestow::testing {

// Sections as the settings reader would give them: {bit_type, block_len, zip_type}.
inline CodecSettings png_settings(int32_t bit_type, int32_t block_len, int32_t zip_type) {
    return CodecSettings{CompressionSettings{bit_type, block_len, zip_type}, std::nullopt};
}
inline const CodecSettings kBlockSettings = png_settings(0, 1, 1);
inline const CodecSettings kMarkerSettings = png_settings(0, 1, 0);

// Places an ImageBitmap (header with magic 0x1234, then `pixels`) at the start of `bitmap`.
inline ImageBitmap put_picture(std::span<uint8_t> bitmap, uint16_t format, uint16_t width,
                               uint16_t height, const std::vector<uint8_t>& pixels) {
    store_picture_header(bitmap.data(), PictureHeader{kMagicBitmap, format, width, height});
    std::copy(pixels.begin(), pixels.end(), bitmap.begin() + kPictureHeaderSize);
    const int32_t kind = format == kFormat32 ? kPictureKindPng : kPictureKindBmp;
    return ImageBitmap{bitmap.first(kPictureHeaderSize + pixels.size()), width, height, kind,
                       false};
}

// `count` 32-bit pixels of `value`, in pixel byte order.
inline std::vector<uint8_t> repeated_units(uint32_t value, std::size_t count) {
    std::vector<uint8_t> bytes(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        store_le32(bytes.data() + i * 4, value);
    }
    return bytes;
}

// A small deterministic generator, so pictures come out the same on every run.
inline uint32_t next_random(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state;
}

}  // namespace framestow::testing

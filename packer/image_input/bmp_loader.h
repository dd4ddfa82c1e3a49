#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

#include "codec/picture_format.h"
#include "image_input/byte_source.h"

namespace framestow {

// The 14-byte file header and the 40-byte info header of a BMP file, and the 12 bytes of colour
// masks after them when the file announces bit fields, as far as the file has them.
struct BmpHeaders {
    static constexpr std::size_t kSize = 66;
    std::array<uint8_t, kSize> bytes{};
    std::size_t length = 0;
};

// The paths that the BMP loader's messages name.
struct BmpPaths {
    const std::string& picture;
    const std::string& bitmap;
};

// Reads the headers from the start of `source`.
[[nodiscard]] BmpHeaders read_bmp_headers(ByteSource& source);

// Whether the file begins with "BM". Only such a file gets a bitmap file.
[[nodiscard]] bool has_bmp_signature(const BmpHeaders& headers);

// Decodes a 16-bit RGB565 BMP picture, whose headers have been read from `source`, into an
// ImageBitmap at the start of `buffer`. Returns 0 with `bitmap` set, or -1 with a message naming
// the file in `messages` ("load_bmp_image: ..."). Width, height and kind are set once the size
// test has passed.
[[nodiscard]] int decode_bmp_image(const BmpHeaders& headers, ByteSource& source,
                                   const BmpPaths& paths, PictureBuffer& buffer,
                                   ImageBitmap& bitmap, std::ostream& messages);

}  // namespace framestow

#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "codec/picture_format.h"

namespace framestow {

// Reads the 16-bit RGB565 BMP file at `picture_path` into an ImageBitmap in buffers.bitmap and
// writes that ImageBitmap to `bitmap_path`. Returns 0 or -1.
int load_bmp_image(const std::string& picture_path, const std::string& bitmap_path,
                   PictureBuffers& buffers, ImageBitmap& bitmap);

// The same decoding for a BMP file already in memory, without writing a bitmap file: on success
// buffers.bitmap holds the ImageBitmap and bitmap.size its length. The two paths only name the
// files in load_bmp_image's messages. Returns 0 or -1.
int decode_bmp_image(std::span<const uint8_t> file_bytes, const std::string& picture_path,
                     const std::string& bitmap_path, PictureBuffers& buffers, ImageBitmap& bitmap);

}  // namespace framestow

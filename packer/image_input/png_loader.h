#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "codec/picture_format.h"

namespace framestow {

// LoadPngImage's answer for a file that does not begin with the PNG signature: the preparation
// stage then tries the BMP loader on it.
constexpr int kNotPngFile = -3;

// Decodes the PNG file at `picture_path` into an ImageBitmap of 32-bit pixels in
// buffers.bitmap and writes that ImageBitmap to `bitmap_path`. Returns 0, -1 or kNotPngFile.
int LoadPngImage(const std::string& picture_path, const std::string& bitmap_path,
                 PictureBuffers& buffers, ImageBitmap& bitmap);

// The same decoding for a PNG file already in memory, without writing a bitmap file: on success
// buffers.bitmap holds the ImageBitmap and bitmap.size its length. Returns 0, -1 or kNotPngFile,
// with LoadPngImage's messages.
int decode_png_image(std::span<const uint8_t> file_bytes, PictureBuffers& buffers,
                     ImageBitmap& bitmap);

}  // namespace framestow

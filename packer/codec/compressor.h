#pragma once

#include <cstdint>
#include <string>

#include "codec/compression_settings.h"
#include "codec/picture_format.h"

namespace framestow {

// Compresses the ImageBitmap in buffers.bitmap into buffers.compressed and writes the compressed
// image to `compressed_path`. On success `compressed_size` is the header plus body length, which
// is the file's length too, and buffers.compressed keeps the image for the round-trip check.
int simpleZip(const std::string& compressed_path, const ImageBitmap& bitmap,
              PictureBuffers& buffers, const CodecSettings& settings, int32_t& compressed_size);

}  // namespace framestow

#pragma once

#include <cstdint>

#include "codec/picture_format.h"
#include "platform/platform.h"

// What both loaders do with the ImageBitmap they leave in the bitmap buffer.
namespace framestow {

// Whether `pixel_bytes` fit the bitmap buffer behind the picture header. Callers compute the
// count in 64 bits, so no product of width and height has wrapped on the way here.
bool fits_bitmap_buffer(const PictureBuffers& buffers, uint64_t pixel_bytes);

// Opens the bitmap buffer with the header of an uncompressed picture.
void store_bitmap_header(PictureBuffers& buffers, uint16_t pixel_format, int32_t width,
                         int32_t height);

// Writes the first `size` bytes of the bitmap buffer to `file` and closes it. False when any
// byte, the flush or the close failed.
bool write_bitmap_file(platform::File& file, const PictureBuffers& buffers, int32_t size);

}  // namespace framestow

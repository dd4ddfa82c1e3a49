#pragma once

#include <cstdint>

#include "codec/picture_format.h"

// What both loaders do with the ImageBitmap they leave in the bitmap buffer.
namespace framestow {

// Whether `pixel_bytes` fit the bitmap buffer behind the picture header. Callers compute the
// count in 64 bits, so no product of width and height has wrapped on the way here.
bool fits_bitmap_buffer(uint64_t pixel_bytes);

// Opens the bitmap buffer with the header of an uncompressed picture and sets `bitmap` to the
// header and `pixel_bytes` pixel bytes there.
void finish_bitmap(PictureBuffer& buffer, uint16_t pixel_format, uint64_t pixel_bytes,
                   ImageBitmap& bitmap);

}  // namespace framestow

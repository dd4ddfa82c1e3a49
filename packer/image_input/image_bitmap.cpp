#include "image_input/image_bitmap.h"

namespace framestow {

bool fits_bitmap_buffer(uint64_t pixel_bytes) {
    return pixel_bytes <= kMaxPixelBytes;
}

void finish_bitmap(PictureBuffer& buffer, uint16_t pixel_format, uint64_t pixel_bytes,
                   ImageBitmap& bitmap) {
    PictureHeader header;
    header.magic = kMagicBitmap;
    header.pixel_format = pixel_format;
    header.width = static_cast<uint16_t>(bitmap.width);
    header.height = static_cast<uint16_t>(bitmap.height);
    store_picture_header(buffer.data(), header);
    bitmap.bytes = std::span<const uint8_t>(buffer.data(),
                                            kPictureHeaderSize + static_cast<size_t>(pixel_bytes));
}

}  // namespace framestow

#include "image_input/image_bitmap.h"

namespace framestow {

bool fits_bitmap_buffer(const PictureBuffers& buffers, uint64_t pixel_bytes) {
    return pixel_bytes <= kMaxPixelBytes &&
           kPictureHeaderSize + pixel_bytes <= buffers.bitmap.size();
}

void store_bitmap_header(PictureBuffers& buffers, uint16_t pixel_format, int32_t width,
                         int32_t height) {
    PictureHeader header;
    header.magic = kMagicBitmap;
    header.pixel_format = pixel_format;
    header.width = static_cast<uint16_t>(width);
    header.height = static_cast<uint16_t>(height);
    store_picture_header(buffers.bitmap.data(), header);
}

bool write_bitmap_file(platform::File& file, const PictureBuffers& buffers, int32_t size) {
    const bool written = file.write(buffers.bitmap.data(), static_cast<std::size_t>(size));
    return file.close() && written;
}

}  // namespace framestow

#include "codec/picture_format.h"

#include "codec/byte_order.h"

namespace framestow {

PictureHeader load_picture_header(const uint8_t* bytes) {
    PictureHeader header;
    header.magic = load_le16(bytes);
    header.pixel_format = load_le16(bytes + 2);
    header.width = load_le16(bytes + 4);
    header.height = load_le16(bytes + 6);
    return header;
}

void store_picture_header(uint8_t* bytes, const PictureHeader& header) {
    store_le16(bytes, header.magic);
    store_le16(bytes + 2, header.pixel_format);
    store_le16(bytes + 4, header.width);
    store_le16(bytes + 6, header.height);
}

}  // namespace framestow

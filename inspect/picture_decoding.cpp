#include "picture_decoding.h"

#include <cstdio>

#include "image_input/image_bitmap.h"

namespace framestow::inspect {

namespace {

std::string hex_text(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

}  // namespace

DecodedPicture decode_picture(std::span<const uint8_t> compressed) {
    DecodedPicture picture;
    fsd_decoder decoder;
    fsd_init(&decoder);
    std::size_t used = 0;
    std::size_t made = 0;
    const std::size_t header_size = std::min<std::size_t>(compressed.size(), FSD_HEADER_SIZE);
    picture.status = fsd_decode(&decoder, compressed.data(), header_size, &used, nullptr, 0, &made);
    if (picture.status == FSD_MORE && !fsd_header_ready(&decoder)) {
        picture.status = fsd_finish(&decoder);
    }
    picture.magic = decoder.magic;
    picture.pixel_format = decoder.pixel_format;
    picture.width = decoder.width;
    picture.height = decoder.height;
    if (picture.status < 0) {
        return picture;
    }
    picture.header_read = true;
    picture.form = fsd_body_form(&decoder);
    picture.pixel_bytes = fsd_picture_bytes(&decoder);
    // The packer never writes a picture that does not fit its bitmap buffer.
    if (!fits_bitmap_buffer(picture.pixel_bytes)) {
        picture.too_large = true;
        picture.status = FSD_MORE;
        return picture;
    }
    picture.pixels.resize(static_cast<std::size_t>(picture.pixel_bytes));
    const std::span<const uint8_t> body = compressed.subspan(header_size);
    picture.status = fsd_decode(&decoder, body.data(), body.size(), &used, picture.pixels.data(),
                                picture.pixels.size(), &made);
    picture.stopped_at = used;
    if (picture.status == FSD_MORE) {
        picture.status = fsd_finish(&decoder);
    }
    if (!picture.complete()) {
        picture.pixels.clear();
    }
    return picture;
}

std::string decode_failure(const DecodedPicture& picture) {
    if (picture.too_large) {
        return "its header claims " + std::to_string(picture.width) + " x " +
               std::to_string(picture.height) + " pixels, " + std::to_string(picture.pixel_bytes) +
               " pixel bytes, more than the " + std::to_string(kMaxPixelBytes) +
               " a picture may hold";
    }
    std::string text = std::string("does not decode: ") + fsd_status_name(picture.status);
    if (picture.status == FSD_ERR_MAGIC) {
        text += " " + hex_text(picture.magic);
    } else if (picture.status == FSD_ERR_PIXEL_FORMAT) {
        text += " " + hex_text(picture.pixel_format);
    } else if (picture.status == FSD_ERR_EMPTY_PICTURE) {
        text += " " + std::to_string(picture.width) + " x " + std::to_string(picture.height);
    }
    if (picture.header_read) {
        text += " at body byte " + std::to_string(picture.stopped_at);
    }
    return text;
}

std::string form_name(fsd_form form) {
    switch (form) {
        case FSD_FORM_BLOCK:
            return "block";
        case FSD_FORM_MARKER:
            return "marker";
        default:
            return "-";
    }
}

std::string pixel_format_name(uint16_t pixel_format) {
    return hex_text(pixel_format);
}

}  // namespace framestow::inspect

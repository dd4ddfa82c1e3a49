#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "framestow_decoder.h"

// One compressed picture decoded with the device's own decoder, so that what the inspector shows
// and checks is what the device draws.
namespace framestow::inspect {

struct DecodedPicture {
    fsd_status status = FSD_MORE;  // FSD_DONE once every pixel byte has been decoded
    bool header_read = false;
    bool too_large = false;  // the header claims more pixel bytes than a picture may hold
    uint16_t magic = 0;
    uint16_t pixel_format = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    fsd_form form = FSD_FORM_UNKNOWN;
    uint64_t pixel_bytes = 0;     // width x height x bytes a pixel
    std::size_t stopped_at = 0;   // the body byte at which decoding stopped
    std::vector<uint8_t> pixels;  // exactly pixel_bytes once complete

    bool complete() const { return status == FSD_DONE; }
};

DecodedPicture decode_picture(std::span<const uint8_t> compressed);

// Why the picture did not decode, as a phrase: "does not decode: run past picture at body byte
// 1200 of 4000".
std::string decode_failure(const DecodedPicture& picture);

// The names used in listings: "block" or "marker"; "0x8888" or "0xF565".
std::string form_name(fsd_form form);
std::string pixel_format_name(uint16_t pixel_format);

}  // namespace framestow::inspect

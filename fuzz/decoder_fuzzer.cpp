// The round-trip check given any bytes as if the compressor had written them. Bit 7 of the first
// input byte hands the decoder an area one byte short; the rest is the compressed image: header
// and body, in the form that the header selects.
//
// The decoder must refuse every malformed body, never read past the body nor write past the
// decode area (allocated to exactly the size the decoder needs, so that the address sanitizer
// sees any byte beyond it), and the check must pass exactly when the decoded pixels are complete
// and equal to the original ones.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codec/block_form.h"
#include "codec/codec.h"
#include "codec_input.h"
#include "fuzz_check.h"

using fuzzcheck::require;

namespace {

constexpr uint8_t kShortAreaBit = 0x80;

bool has_known_header(std::span<const uint8_t> compressed) {
    if (compressed.size() <= framestow::kPictureHeaderSize) {
        return false;
    }
    const framestow::PictureHeader header = framestow::load_picture_header(compressed.data());
    return (header.magic == framestow::kMagicCompressed ||
            header.magic == framestow::kMagicCompressedTuned) &&
           (header.pixel_format == framestow::kFormat32 ||
            header.pixel_format == framestow::kFormatRgb565) &&
           header.width != 0 && header.height != 0;
}

// Whether a pixel byte at `offset` is read by the block form as a unit's first byte, which the
// compressor never writes as 0x5F.
bool unit_start_in_block_form(const framestow::DecodedPicture& decoded, std::size_t offset) {
    return decoded.form == framestow::BodyForm::kBlock && offset % 4 == 0;
}

// The original pixels handed to the check: the decoded ones, with zeros where the body fell
// short. The check must pass exactly when nothing fell short and the decoded pixels are ones the
// compressor can have written.
void check_against_decoded(std::span<const uint8_t> compressed, std::vector<uint8_t>& area,
                           const framestow::DecodedPicture& decoded) {
    std::vector<uint8_t> original(decoded.pixel_bytes, 0);
    const std::size_t available = std::min(decoded.pixel_bytes, decoded.decoded_bytes);
    std::copy_n(area.begin(), available, original.begin());
    bool possible = decoded.decoded_bytes >= decoded.pixel_bytes;
    for (std::size_t offset = 0; offset < available; offset += 4) {
        possible = possible && !(unit_start_in_block_form(decoded, offset) &&
                                 original[offset] == framestow::kRunByte);
    }

    const framestow::DecodedPicture again = framestow::check_picture(compressed, original, area);
    require((again.status == framestow::CodecStatus::kOk) == possible,
            "the check passes exactly for a complete picture the compressor can have written");
    require(again.decoded_bytes == decoded.decoded_bytes, "decoding is repeatable");
    if (!possible || original.empty()) {
        return;
    }
    // One byte off anywhere must fail the check, unless it turns a unit's leading 0x5E into the
    // 0x5F that the block form writes as 0x5E. The place is drawn from the body's length.
    const std::size_t offset = compressed.size() % original.size();
    original[offset] ^= 0x01;
    const bool same_to_the_compressor =
        unit_start_in_block_form(decoded, offset) && original[offset] == framestow::kRunByte;
    require((framestow::check_picture(compressed, original, area).status ==
             framestow::CodecStatus::kDecodedDiffers) != same_to_the_compressor,
            "the check finds a pixel byte that differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const uint8_t> compressed(data + 1, size - 1);

    uint64_t room = 0;
    if (has_known_header(compressed)) {
        room = fuzzcheck::pixel_bytes(framestow::load_picture_header(compressed.data()));
    }
    // A picture larger than the picture buffer is refused, whatever area it is offered.
    const bool fits = room <= framestow::kPictureBufferSize;
    if (fits && room > fuzzcheck::kLargestFuzzedPixelBytes) {
        return 0;
    }
    const bool short_area = (data[0] & kShortAreaBit) != 0 && room > 0;
    std::vector<uint8_t> area(fits ? room - (short_area ? 1 : 0) : 64);

    const framestow::DecodedPicture decoded = framestow::decode_picture(compressed, area);
    if (decoded.status != framestow::CodecStatus::kOk) {
        return 0;
    }
    require(has_known_header(compressed), "only a known, non-empty header decodes");
    require(fits && !short_area, "only an area of the picture's full size is decoded into");
    const framestow::PictureHeader& header = decoded.header;
    require(decoded.pixel_bytes == uint64_t{header.width} * header.height *
                                       fuzzcheck::bytes_per_pixel(header.pixel_format),
            "the promised pixel bytes follow from the header");
    require(decoded.decoded_bytes <= area.size(), "the decoder stays within its area");
    check_against_decoded(compressed, area, decoded);
    return 0;
}

#include "codec/marker_form.h"

#include <cstring>

#include "codec/byte_order.h"
#include "codec/picture_format.h"
#include "codec/unit_runs.h"

namespace framestow {

using detail::kUnitSize;

namespace {

bool fits(std::span<const uint8_t> buffer, std::size_t position, std::size_t size) {
    return position <= buffer.size() && size <= buffer.size() - position;
}

CodecStatus write_literal_units(std::span<uint8_t> buffer, std::size_t& counter, uint32_t value,
                                std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        if (!fits(buffer, counter, kUnitSize)) {
            return CodecStatus::kLiteralOutOfBond;
        }
        store_le32(buffer.data() + counter, value);
        counter += kUnitSize;
    }
    return CodecStatus::kOk;
}

// A run of `count` units of `value`: a token when it pays off or when the value would read back
// as the run marker, literal units otherwise.
CodecStatus flush_run(std::span<uint8_t> buffer, std::size_t& counter, uint32_t value,
                      std::size_t count) {
    if (count >= 4 || value == kRunMarker) {
        return ZipPix(buffer, counter, value, static_cast<uint32_t>(count));
    }
    return write_literal_units(buffer, counter, value, count);
}

// The last unit of a length that is not a multiple of 4, padded with zero bytes so that the same
// picture always gives the same body.
uint32_t padded_tail_unit(std::span<const uint8_t> pixels) {
    uint8_t unit[kUnitSize] = {0, 0, 0, 0};
    const std::size_t tail = pixels.size() % kUnitSize;
    std::memcpy(unit, pixels.data() + pixels.size() - tail, tail);
    return load_le32(unit);
}

}  // namespace

CodecStatus ZipPix(std::span<uint8_t> buffer, std::size_t& counter, uint32_t value,
                   uint32_t run_length) {
    if (!fits(buffer, counter, kMarkerTokenSize)) {
        return CodecStatus::kMarkerTokenOutOfBond;
    }
    uint8_t* token = buffer.data() + counter;
    store_le32(token, kRunMarker);
    store_le32(token + 4, value);
    store_le32(token + 8, run_length);
    counter += kMarkerTokenSize;
    return CodecStatus::kOk;
}

CodecStatus SimpleZipBody(std::span<const uint8_t> pixels, std::span<uint8_t> buffer,
                          std::size_t& counter) {
    // Run lengths are u32 fields; a picture buffer's worth of units always fits them.
    if (pixels.size() > kMaxPixelBytes) {
        return CodecStatus::kBitmapRefused;
    }
    const uint8_t* units = pixels.data();
    const std::size_t full_units = pixels.size() / kUnitSize;
    const bool has_tail = pixels.size() % kUnitSize != 0;
    const uint32_t tail = has_tail ? padded_tail_unit(pixels) : 0;

    std::size_t index = 0;
    while (index < full_units) {
        const uint32_t value = detail::load_unit(units, index);
        std::size_t end = detail::skip_equal_units(units, index + 1, full_units, value);
        if (end == full_units && has_tail && tail == value) {
            ++end;
        }
        const CodecStatus status = flush_run(buffer, counter, value, end - index);
        if (status != CodecStatus::kOk) {
            return status;
        }
        index = end;
    }
    if (has_tail && index == full_units) {
        return flush_run(buffer, counter, tail, 1);
    }
    return CodecStatus::kOk;
}

}  // namespace framestow

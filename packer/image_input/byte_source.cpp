#include "image_input/byte_source.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace framestow {

std::size_t SpanSource::read(uint8_t* data, std::size_t size) {
    const std::size_t count = std::min(size, bytes_.size());
    if (count > 0) {
        std::memcpy(data, bytes_.data(), count);
    }
    bytes_ = bytes_.subspan(count);
    return count;
}

bool skip_bytes(ByteSource& source, uint64_t count) {
    std::array<uint8_t, 4096> scratch;
    while (count > 0) {
        const std::size_t step =
            static_cast<std::size_t>(std::min<uint64_t>(count, scratch.size()));
        if (source.read(scratch.data(), step) != step) {
            return false;
        }
        count -= step;
    }
    return true;
}

}  // namespace framestow

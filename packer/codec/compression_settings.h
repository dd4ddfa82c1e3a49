#pragma once

#include <cstdint>
#include <optional>

namespace framestow {

// One section of config.ini ("png" or "bmp"). A section counts only when all three keys are
// present; a missing or incomplete section is an empty optional in CodecSettings.
struct CompressionSettings {
    int32_t bit_type = -1;
    int32_t block_len = -1;
    int32_t zip_type = -1;
};

struct CodecSettings {
    std::optional<CompressionSettings> png;
    std::optional<CompressionSettings> bmp;
};

}  // namespace framestow

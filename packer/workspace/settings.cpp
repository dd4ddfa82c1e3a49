#include "workspace/settings.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>

#include "platform/platform.h"

namespace framestow {

namespace {

// Converts like atoi: leading blanks, an optional sign and decimal digits up to the first other
// character; text without digits gives 0. Values beyond 32 bits are clamped, as the Windows runtime
// does, instead of overflowing.
int32_t convert_like_atoi(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    for (; pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])); ++pos) {
        value = std::min<int64_t>(value * 10 + (text[pos] - '0'), kLimit);
    }
    if (negative) {
        return static_cast<int32_t>(-value);
    }
    return static_cast<int32_t>(std::min<int64_t>(value, kLimit - 1));
}

}  // namespace

std::string read_config_value(const std::string& config_path, std::string_view section,
                              std::string_view key) {
    return platform::read_ini_value(config_path, section, key);
}

int read_compression_settings(const std::string& config_path, std::string_view section,
                              CompressionSettings& settings) {
    const std::string bit_type = read_config_value(config_path, section, "bit_type");
    const std::string block_len = read_config_value(config_path, section, "block_len");
    const std::string zip_type = read_config_value(config_path, section, "zip_type");
    if (bit_type.empty() || block_len.empty() || zip_type.empty()) {
        return -1;
    }
    // Text without leading digits counts as 0, not as missing.
    settings.bit_type = convert_like_atoi(bit_type);
    settings.block_len = convert_like_atoi(block_len);
    settings.zip_type = convert_like_atoi(zip_type);
    return 0;
}

CodecSettings read_codec_settings(const std::string& config_path) {
    CodecSettings codec;
    CompressionSettings section;
    if (read_compression_settings(config_path, "png", section) == 0) {
        codec.png = section;
    }
    section = CompressionSettings{};
    if (read_compression_settings(config_path, "bmp", section) == 0) {
        codec.bmp = section;
    }
    return codec;
}

}  // namespace framestow

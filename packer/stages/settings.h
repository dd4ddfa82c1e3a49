#pragma once

#include <string>
#include <string_view>

#include "codec/compression_settings.h"

namespace framestow {

// The value text of `key` in `section` of the settings file; empty when missing.
std::string read_config_value(const std::string& config_path, std::string_view section,
                              std::string_view key);

// Reads bit_type, block_len and zip_type of `section`, all or nothing: 0 and the three values
// stored when all three keys have text, -1 with `settings` untouched otherwise.
[[nodiscard]] int read_compression_settings(const std::string& config_path,
                                            std::string_view section,
                                            CompressionSettings& settings);

// Both compression sections, read once for the run.
CodecSettings read_codec_settings(const std::string& config_path);

}  // namespace framestow

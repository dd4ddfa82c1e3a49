#include "workspace_colours.h"

#include <optional>
#include <string_view>

#include "packaging/bin_list.h"
#include "platform/decimal_text.h"
#include "platform/platform.h"

namespace framestow::inspect {

namespace {

// Each value as atoi reads it, and only when all three keys have text.
std::optional<CompressionSettings> read_compression_section(const std::string& config_path,
                                                            std::string_view section) {
    const std::string bit_type = platform::read_ini_value(config_path, section, "bit_type");
    const std::string block_len = platform::read_ini_value(config_path, section, "block_len");
    const std::string zip_type = platform::read_ini_value(config_path, section, "zip_type");
    if (bit_type.empty() || block_len.empty() || zip_type.empty()) {
        return std::nullopt;
    }
    return CompressionSettings{platform::leading_decimal(bit_type),
                               platform::leading_decimal(block_len),
                               platform::leading_decimal(zip_type)};
}

}  // namespace

WorkspaceColours::WorkspaceColours(const std::string& config_path)
    : codec_settings_{read_compression_section(config_path, "png"),
                      read_compression_section(config_path, "bmp")},
      keys_([config_path](const std::string& section, std::string_view key) {
          return platform::read_ini_value(config_path, section, key);
      }) {}

ColourChoice WorkspaceColours::choice(const std::string& picture_name) {
    return keys_.read(picture_name, app_prefix(picture_name)).choice;
}

}  // namespace framestow::inspect

#include "workspace_colours.h"

#include <array>
#include <optional>
#include <string_view>

#include "packaging/bin_list.h"
#include "platform/decimal_text.h"
#include "platform/platform.h"

namespace framestow::inspect {

namespace {

ColourSection read_colour_section(const std::string& config_path, const std::string& section) {
    return {section, platform::read_ini_value(config_path, section, kPixelFormatKey),
            platform::read_ini_value(config_path, section, kDitherKey),
            platform::read_ini_value(config_path, section, kBackgroundKey)};
}

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

WorkspaceColours::WorkspaceColours(std::string config_path)
    : config_path_(std::move(config_path)),
      codec_settings_{read_compression_section(config_path_, "png"),
                      read_compression_section(config_path_, "bmp")} {}

const ColourSection& WorkspaceColours::cached_section(const std::string& section) {
    auto found = sections_.find(section);
    if (found == sections_.end()) {
        found = sections_.emplace(section, read_colour_section(config_path_, section)).first;
    }
    return found->second;
}

ColourChoice WorkspaceColours::choice(const std::string& picture_name) {
    // Most specific first; a picture's own section is read for that picture alone.
    const std::array<ColourSection, 3> sections = {read_colour_section(config_path_, picture_name),
                                                   cached_section(app_prefix(picture_name)),
                                                   cached_section("png")};
    return resolve_colour_choice(sections).choice;
}

}  // namespace framestow::inspect

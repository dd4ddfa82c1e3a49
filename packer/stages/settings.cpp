#include "stages/settings.h"

#include <array>

#include "packaging/bin_list.h"
#include "platform/decimal_text.h"
#include "platform/platform.h"

namespace framestow {

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
    settings.bit_type = platform::leading_decimal(bit_type);
    settings.block_len = platform::leading_decimal(block_len);
    settings.zip_type = platform::leading_decimal(zip_type);
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

namespace {

ColourSection read_colour_section(const std::string& config_path, const std::string& section) {
    return {section, read_config_value(config_path, section, kPixelFormatKey),
            read_config_value(config_path, section, kDitherKey),
            read_config_value(config_path, section, kBackgroundKey)};
}

}  // namespace

const ColourSection& ColourSettingsReader::cached_section(const std::string& section) {
    auto found = cache_.find(section);
    if (found == cache_.end()) {
        found = cache_.emplace(section, read_colour_section(config_path_, section)).first;
    }
    return found->second;
}

PictureColour ColourSettingsReader::read(const std::string& picture_name) {
    // Most specific first.
    const std::array<ColourSection, 3> sections = {read_colour_section(config_path_, picture_name),
                                                   cached_section(app_prefix(picture_name)),
                                                   cached_section("png")};
    const ResolvedColour resolved = resolve_colour_choice(sections);
    PictureColour colour{resolved.choice, {}};
    if (resolved.bad) {
        const BadColourValue& bad = *resolved.bad;
        colour.error = "LoadPngImage ERR: " + picture_name + ": " + std::string(bad.key) + " = " +
                       bad.text + " in [" + bad.section + "] is not " +
                       std::string(accepted_values(bad.key));
    }
    return colour;
}

}  // namespace framestow

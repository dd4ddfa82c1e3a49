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

ColourSettingsReader::SectionValues ColourSettingsReader::read_section(
    const std::string& section) const {
    return {read_config_value(config_path_, section, kPixelFormatKey),
            read_config_value(config_path_, section, kDitherKey),
            read_config_value(config_path_, section, kBackgroundKey)};
}

const ColourSettingsReader::SectionValues& ColourSettingsReader::cached_section(
    const std::string& section) {
    auto found = cache_.find(section);
    if (found == cache_.end()) {
        found = cache_.emplace(section, read_section(section)).first;
    }
    return found->second;
}

PictureColour ColourSettingsReader::read(const std::string& picture_name) {
    const std::string app = app_prefix(picture_name);
    struct Source {
        std::string section;
        SectionValues values;
    };
    // Most specific first.
    const std::array<Source, 3> sources = {Source{picture_name, read_section(picture_name)},
                                           Source{app, cached_section(app)},
                                           Source{"png", cached_section("png")}};
    const std::array<std::pair<std::string_view, std::string SectionValues::*>, 3> keys = {{
        {kPixelFormatKey, &SectionValues::pixel_format},
        {kDitherKey, &SectionValues::dither},
        {kBackgroundKey, &SectionValues::background},
    }};
    PictureColour colour;
    for (const auto& [key, field] : keys) {
        for (const Source& source : sources) {
            const std::string& text = source.values.*field;
            if (text.empty()) {
                continue;
            }
            if (!apply_colour_key(key, text, colour.choice) && colour.error.empty()) {
                colour.error = "LoadPngImage ERR: " + picture_name + ": " + std::string(key) +
                               " = " + text + " in [" + source.section + "] is not " +
                               std::string(accepted_values(key));
            }
            break;
        }
    }
    return colour;
}

}  // namespace framestow

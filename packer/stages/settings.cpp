#include "stages/settings.h"


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

ColourSettingsReader::ColourSettingsReader(const std::string& config_path)
    : keys_([config_path](const std::string& section, std::string_view key) {
          return read_config_value(config_path, section, key);
      }) {}

PictureColour ColourSettingsReader::read(const std::string& picture_name) {
    const ResolvedColour resolved = keys_.read(picture_name, app_prefix(picture_name));
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

#pragma once

#include <string>
#include <string_view>

#include "codec/compression_settings.h"
#include "colour/colour_choice.h"

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

// A PNG picture's colour choice, or the line that names its first bad value.
struct PictureColour {
    ColourChoice choice;
    std::string error;  // empty when every value that applies is one its key takes
};

// Reads the colour keys of the settings file for each picture (see ColourKeyReader).
class ColourSettingsReader {
  public:
    explicit ColourSettingsReader(const std::string& config_path);

    PictureColour read(const std::string& picture_name);

  private:
    ColourKeyReader keys_;
};

}  // namespace framestow

#pragma once

#include <map>
#include <string>

#include "codec/compression_settings.h"
#include "colour/colour_choice.h"

// The settings of a workspace's config.ini that decide how the packer stored a picture's colours
// and compressed it, read as the packer reads them.
namespace framestow::inspect {

class WorkspaceColours {
  public:
    explicit WorkspaceColours(std::string config_path);

    // The picture's colour choice: for each key its own section ([A001_003.png]) wins over its
    // application's ([A001]), which wins over [png]; a bad value leaves the key's default.
    ColourChoice choice(const std::string& picture_name);

    // The png and bmp compression sections, each all three keys or none.
    const CodecSettings& codec_settings() const { return codec_settings_; }

  private:
    const ColourSection& cached_section(const std::string& section);

    std::string config_path_;
    CodecSettings codec_settings_;
    std::map<std::string, ColourSection> sections_;  // [png] and the applications' sections
};

}  // namespace framestow::inspect

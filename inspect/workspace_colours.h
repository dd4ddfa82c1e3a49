#pragma once

#include <string>

#include "codec/compression_settings.h"
#include "colour/colour_choice.h"

// The settings of a workspace's config.ini that decide how the packer stored a picture's colours
// and compressed it, read as the packer reads them.
namespace framestow::inspect {

class WorkspaceColours {
  public:
    explicit WorkspaceColours(const std::string& config_path);

    // The picture's colour choice: for each key its own section ([A001_003.png]) wins over its
    // application's ([A001]), which wins over [png]; a bad value leaves the key's default.
    ColourChoice choice(const std::string& picture_name);

    // The png and bmp compression sections, each all three keys or none.
    const CodecSettings& codec_settings() const { return codec_settings_; }

  private:
    CodecSettings codec_settings_;
    ColourKeyReader keys_;
};

}  // namespace framestow::inspect

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/firmware_harness.h"
#include "support/workspace_harness.h"

// The workspaces that the firmware tests pack and then read as a device would, with what their
// tables must say.
namespace framestow::testing {

struct SourcePicture {
    std::string name;
    std::string package;
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t pixel_format = 0;
    std::vector<uint8_t> pixels;  // what the decoder must give back
};

struct FirmwareWorkspace {
    AppTable apps;  // the applications that a package holds
    int highest_app = 0;
    int highest_picture = 0;
    std::vector<SourcePicture> pictures;  // empty when the source pixels are not known
};

// The demo of examples/demo: its config.ini and pictures.
FirmwareWorkspace fill_demo_workspace(const PackerWorkspace& workspace);

// Pictures of every kind the loaders take, both body forms and several packages: package 1 holds
// A001 (picture 3 missing) and A003 (only picture 2), package 2 holds A002 (RGB565 pictures of
// odd and even pixel counts, one stored top-down), package 3 holds A005; A004 has no pictures
// and A006 no package.
FirmwareWorkspace fill_varied_workspace(const PackerWorkspace& workspace);

// PNG pictures stored as RGB565: A001 dithered, A002 composited onto a background, A003 rounded
// and one picture with transparent pixels kept at 32 bits; most of odd pixel counts.
FirmwareWorkspace fill_colour_workspace(const PackerWorkspace& workspace);

}  // namespace framestow::testing

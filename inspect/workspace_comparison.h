#pragma once

#include <optional>
#include <string>
#include <vector>

#include "image_input/image_bitmap.h"
#include "inspection.h"
#include "output_files.h"
#include "packaging/bin_list.h"
#include "picture_decoding.h"
#include "picture_slots.h"
#include "problem.h"
#include "workspace_colours.h"

// A packed picture against the workspace it came from: the check file that the packer wrote when
// it packed it, and the picture now in image/, decoded by the packer's own loaders and converted
// as its colour settings say. So a package
// older than its pictures, or mapping files that belong to other packages, show.
namespace framestow::inspect {

class WorkspaceComparison {
  public:
    explicit WorkspaceComparison(std::string workspace);

    // Compares one decoded picture with temp/image_unzip/<name> and image/<name>.
    void compare(const Slot& slot, const DecodedPicture& picture, Problems& problems);

    // What the packages lack against the workspace's config.ini and image/: a picture in image/
    // of an application that config.ini gives to a package, but which no slot holds; an
    // application that config.ini now gives to another package; a package whose version
    // config.ini now gives otherwise.
    void compare_rest(const std::vector<Slot>& slots, const std::vector<PackageFile>& packages,
                      Problems& problems) const;

  private:
    // Whether the check file holds what the package holds.
    bool compare_check_file(const Slot& slot, const DecodedPicture& picture, Problems& problems);
    void compare_source(const Slot& slot, const DecodedPicture& picture, bool check_file_agrees,
                        Problems& problems);

    std::string workspace_;
    BinList packages_;
    WorkspaceColours colours_;
    PictureBuffer buffer_;
};

// A picture file of the workspace's image/ loaded as the packer loads it: the PNG loader for a
// file with the PNG signature, the BMP loader otherwise.
struct SourceLoad {
    bool opened = false;
    bool loaded = false;
    std::string why;  // the loaders' first line when it did not load
};
SourceLoad load_source_picture(const std::string& path, PictureBuffer& buffer, ImageBitmap& bitmap);

// Why `workspace` cannot be compared with, as a problem line about it; empty for a folder with an
// image/ folder and a config.ini.
std::optional<Problem> not_a_workspace(const std::string& workspace);

// One warning for each picture whose file in the workspace's image/ is a PNG without alpha and
// that the package holds with 4-byte pixels: the packer stores it red first (the little-endian
// value 0xFFBBGGRR), so a firmware that reads every 4-byte pixel as 0xAARRGGBB shows it with red
// and blue exchanged. A picture converted to RGB565 has no such pixels.
Problems red_first_warnings(const std::string& workspace, const std::vector<Slot>& slots,
                            const std::vector<PictureFacts>& facts);

}  // namespace framestow::inspect

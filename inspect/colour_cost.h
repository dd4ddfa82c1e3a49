#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codec/picture_format.h"
#include "colour/colour_choice.h"
#include "inspection.h"
#include "listing.h"
#include "workspace_colours.h"

// What the colours of the packed pictures cost in flash and lost in quality, against the
// workspace they came from: each package picture against its source in image/, and for a 32-bit
// opaque picture what it would take as RGB565, converted and compressed as the packer would.
namespace framestow::inspect {

struct PictureCost {
    bool measured = false;                 // the source loaded and has the package picture's size
    bool converted = false;                // RGB565 in the package from a PNG source
    bool exact = false;                    // the package holds the source's colours
    std::optional<double> psnr;            // in dB against the source, when the colours differ
    std::optional<uint64_t> rgb565_bytes;  // a 32-bit opaque picture's size as RGB565
    std::optional<double> rgb565_psnr;
    std::string note;  // why nothing, or no RGB565 estimate, was measured
    // A converted picture's source as 4-byte pixels blue, green, red, alpha, for showing beside
    // the device picture; only when asked for.
    std::vector<uint8_t> original;
};

struct PackageCost {
    std::string max_size;                    // the text of the package section's max_size
    std::optional<uint64_t> max_size_bytes;  // that text when it is a decimal number
    int64_t rgb565_saving = 0;               // what its 32-bit opaque pictures would save as RGB565
    std::size_t rgb565_pictures = 0;         // how many pictures that saving counts
};

struct CostView {
    std::vector<PictureCost> pictures;  // one for each slot
    std::vector<PackageCost> packages;  // one for each package of the summary
};

class CostMeasurement {
  public:
    CostMeasurement(std::string workspace, bool keep_originals);

    // Measures one decoded package picture against image/<name> of the workspace.
    PictureCost measure(const Slot& slot, const DecodedPicture& picture);

  private:
    void estimate_rgb565(ImageBitmap& bitmap, const ColourChoice& choice,
                         const std::vector<Rgb>& source, PictureCost& cost);

    std::string workspace_;
    WorkspaceColours colours_;
    bool keep_originals_;
    PictureBuffer source_;
    PictureBuffer compressed_;
};

// The package costs: each package's max_size and the sum of its pictures' RGB565 savings.
std::vector<PackageCost> package_costs(const std::string& workspace, const Inspection& inspection,
                                       const Summary& summary,
                                       const std::vector<PictureCost>& pictures);

// "yes", "no", or "-" when not measured.
std::string converted_text(const PictureCost& cost);
// "exact", "38.4 dB", or "-" when not measured.
std::string psnr_text(const PictureCost& cost);
// "38.4 dB", "exact" for infinity, or "-" for none.
std::string decibel_text(std::optional<double> decibels);

}  // namespace framestow::inspect

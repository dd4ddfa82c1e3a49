#include "colour_cost.h"

#include <cmath>
#include <cstdio>

#include "codec/codec.h"
#include "colour/rgb565_conversion.h"
#include "platform/decimal_text.h"
#include "platform/platform.h"
#include "workspace_comparison.h"

namespace framestow::inspect {

namespace {

uint16_t pixel_format_of(const ImageBitmap& bitmap) {
    return load_picture_header(bitmap.bytes.data()).pixel_format;
}

std::span<const uint8_t> pixels_of(const ImageBitmap& bitmap) {
    return bitmap.bytes.subspan(kPictureHeaderSize);
}

// The source's pixels as blue, green, red, alpha, as the report draws 4-byte pixels.
std::vector<uint8_t> blue_first_pixels(std::span<const uint8_t> pixels, bool blue_first) {
    std::vector<uint8_t> out(pixels.begin(), pixels.end());
    if (!blue_first) {
        for (std::size_t i = 0; i + 4 <= out.size(); i += 4) {
            std::swap(out[i], out[i + 2]);
        }
    }
    return out;
}

// The PSNR of the package's colours against the source's, or exact when they are the same.
void compare_colours(const std::vector<Rgb>& source, const DecodedPicture& picture, bool blue_first,
                     PictureCost& cost) {
    const std::optional<double> decibels =
        psnr(source, colours_of(picture.pixels, picture.pixel_format, blue_first, std::nullopt));
    if (decibels && std::isinf(*decibels)) {
        cost.exact = true;
        return;
    }
    cost.psnr = decibels;
}

}  // namespace

CostMeasurement::CostMeasurement(std::string workspace, bool keep_originals)
    : workspace_(std::move(workspace)),
      colours_(path_in(workspace_, "config.ini")),
      keep_originals_(keep_originals) {}

PictureCost CostMeasurement::measure(const Slot& slot, const DecodedPicture& picture) {
    PictureCost cost;
    ImageBitmap source;
    const SourceLoad load =
        load_source_picture(path_in(path_in(workspace_, "image"), slot.name), source_, source);
    if (!load.loaded) {
        cost.note = "image/" + slot.name +
                    (!load.opened       ? " is missing"
                     : load.why.empty() ? " does not load"
                                        : " does not load: " + load.why);
        return cost;
    }
    if (source.width != picture.width || source.height != picture.height) {
        cost.note = "image/" + slot.name + " is now " + std::to_string(source.width) + " x " +
                    std::to_string(source.height) + ", the package's picture " +
                    std::to_string(picture.width) + " x " + std::to_string(picture.height);
        return cost;
    }
    cost.measured = true;
    const bool from_png = source.picture_kind == kPictureKindPng;
    const ColourChoice choice = from_png ? colours_.choice(slot.name) : ColourChoice{};
    cost.converted = from_png && picture.pixel_format == kFormatRgb565;
    // A converted picture's source is composited onto its background first, as the packer did.
    const std::vector<Rgb> colours =
        colours_of(pixels_of(source), pixel_format_of(source), source.blue_first,
                   cost.converted ? choice.background : std::nullopt);
    compare_colours(colours, picture, source.blue_first, cost);
    if (cost.converted && keep_originals_) {
        cost.original = blue_first_pixels(pixels_of(source), source.blue_first);
    }
    const bool opaque_32_bit = from_png && picture.pixel_format == kFormat32 &&
                               pixel_format_of(source) == kFormat32 &&
                               is_opaque(pixels_of(source), source.blue_first);
    if (opaque_32_bit) {
        estimate_rgb565(source, choice, colours, cost);
    }
    return cost;
}

// Converts the source in place as the packer would with pixel_format 565 and the picture's
// dither setting, and compresses it in the marker form, as the packer writes an RGB565 picture.
void CostMeasurement::estimate_rgb565(ImageBitmap& bitmap, const ColourChoice& choice,
                                      const std::vector<Rgb>& source, PictureCost& cost) {
    ColourChoice as_rgb565 = choice;
    as_rgb565.rgb565 = true;
    if (apply_colour_choice(as_rgb565, source_, bitmap) != ColourOutcome::kConverted) {
        return;
    }
    const CompressedPicture compressed =
        compress_picture(bitmap, colours_.codec_settings(), compressed_);
    if (compressed.status == CodecStatus::kSettingsRefused) {
        cost.note = "as RGB565 the packer would refuse it: zip_type of [bmp] is not 0";
        return;
    }
    if (compressed.status != CodecStatus::kOk) {
        cost.note = "as RGB565 it would not compress";
        return;
    }
    cost.rgb565_bytes = compressed.size;
    cost.rgb565_psnr =
        psnr(source, colours_of(pixels_of(bitmap), kFormatRgb565, false, std::nullopt));
}

std::vector<PackageCost> package_costs(const std::string& workspace, const Inspection& inspection,
                                       const Summary& summary,
                                       const std::vector<PictureCost>& pictures) {
    const std::string config_path = path_in(workspace, "config.ini");
    std::vector<PackageCost> costs;
    for (const PackageTotals& package : summary.packages) {
        PackageCost cost;
        cost.max_size = platform::read_ini_value(config_path, package.name, "max_size");
        cost.max_size_bytes = platform::whole_decimal(cost.max_size);
        for (std::size_t i = 0; i < inspection.slots.size(); ++i) {
            const Slot& slot = inspection.slots[i];
            if (slot.package == package.name && pictures[i].rgb565_bytes) {
                cost.rgb565_saving += static_cast<int64_t>(slot.size) -
                                      static_cast<int64_t>(*pictures[i].rgb565_bytes);
                ++cost.rgb565_pictures;
            }
        }
        costs.push_back(std::move(cost));
    }
    return costs;
}

std::string decibel_text(std::optional<double> decibels) {
    if (!decibels) {
        return "-";
    }
    if (std::isinf(*decibels)) {
        return "exact";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dB", *decibels);
    return text;
}

std::string converted_text(const PictureCost& cost) {
    return !cost.measured ? "-" : cost.converted ? "yes" : "no";
}

std::string psnr_text(const PictureCost& cost) {
    return cost.exact ? std::string("exact") : decibel_text(cost.psnr);
}

}  // namespace framestow::inspect

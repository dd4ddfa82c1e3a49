#include "workspace_comparison.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "colour/rgb565_conversion.h"
#include "file_limits.h"
#include "image_input/bmp_loader.h"
#include "image_input/byte_source.h"
#include "image_input/png_loader.h"
#include "platform/platform.h"
#include "text_scanner.h"

namespace framestow::inspect {

namespace {

constexpr uint16_t kMagicBitmap = 0x1234;
constexpr std::size_t kHeaderSize = 8;
// The block form stores a unit whose first byte is 0x5F with 0x5E there, so that it cannot be
// taken for a run token; the device draws what is stored.
constexpr uint8_t kRunByte = 0x5F;
constexpr uint8_t kRunByteStandIn = 0x5E;

uint16_t load_le16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

std::string size_text(uint16_t width, uint16_t height, uint16_t pixel_format) {
    return std::to_string(width) + " x " + std::to_string(height) + " " +
           pixel_format_name(pixel_format);
}

// "(x, y)" of the first pixel at which the two differ, or empty when they are equal.
std::string first_difference(const DecodedPicture& picture, std::span<const uint8_t> expected) {
    const auto [mismatch, _] = std::mismatch(picture.pixels.begin(), picture.pixels.end(),
                                             expected.begin(), expected.end());
    const auto at = static_cast<std::size_t>(mismatch - picture.pixels.begin());
    if (at == picture.pixels.size() && expected.size() == picture.pixels.size()) {
        return {};
    }
    const std::size_t pixel = at / (picture.pixel_format == 0xF565 ? 2 : 4);
    return std::string("(") + std::to_string(pixel % picture.width) + ", " +
           std::to_string(pixel / picture.width) + ")";
}

// The version bytes 4 to 7 of a package header, as "1.0.0.1".
std::string version_text(const std::array<uint8_t, 8>& header) {
    return std::to_string(header[4]) + "." + std::to_string(header[5]) + "." +
           std::to_string(header[6]) + "." + std::to_string(header[7]);
}

std::string first_line(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// The numbers of Annn_ppp.png and Annn_ppp.bmp names, as the packer reads them.
bool is_picture_file_name(std::string_view name) {
    return name.size() == 12 && name[0] == 'A' && name[4] == '_' &&
           (name.ends_with(".png") || name.ends_with(".bmp"));
}

// The bin index of the first package that config.ini gives `app_id` to, or 0; each id is looked
// for once, however many pictures and slots carry it.
std::size_t claiming_package(const BinList& packages, const std::string& app_id,
                             std::map<std::string, std::size_t>& claims) {
    const auto [claim, added] = claims.emplace(app_id, 0);
    for (std::size_t k = 0; added && k < packages.count(); ++k) {
        if (packages.records()[k].app_list.find(app_id) != std::string::npos) {
            claim->second = k + 1;
            break;
        }
    }
    return claim->second;
}

}  // namespace

WorkspaceComparison::WorkspaceComparison(std::string workspace)
    : workspace_(std::move(workspace)),
      packages_(read_app_list(path_in(workspace_, "config.ini"))),
      colours_(path_in(workspace_, "config.ini")) {}

void WorkspaceComparison::compare(const Slot& slot, const DecodedPicture& picture,
                                  Problems& problems) {
    const bool check_file_agrees = compare_check_file(slot, picture, problems);
    compare_source(slot, picture, check_file_agrees, problems);
}

bool WorkspaceComparison::compare_check_file(const Slot& slot, const DecodedPicture& picture,
                                             Problems& problems) {
    const std::string shown = "temp/image_unzip/" + slot.name;
    const WholeFile check =
        read_whole_file(path_in(path_in(path_in(workspace_, "temp"), "image_unzip"), slot.name),
                        limits::kCheckFile);
    if (!check.text) {
        problems.push_back({slot.label(), shown + (check.problem == "missing or unreadable"
                                                       ? std::string(" is missing")
                                                       : ": " + check.problem)});
        return false;
    }
    const std::optional<std::string>& file = check.text;
    const auto* bytes = reinterpret_cast<const uint8_t*>(file->data());
    if (file->size() < kHeaderSize || load_le16(bytes) != kMagicBitmap) {
        problems.push_back({slot.label(), shown + " is not a check file"});
        return false;
    }
    const uint16_t format = load_le16(bytes + 2);
    const uint16_t width = load_le16(bytes + 4);
    const uint16_t height = load_le16(bytes + 6);
    if (format != picture.pixel_format || width != picture.width || height != picture.height) {
        problems.push_back(
            {slot.label(), "the package holds " +
                               size_text(picture.width, picture.height, picture.pixel_format) +
                               ", " + shown + " " + size_text(width, height, format)});
        return false;
    }
    const std::size_t pixel_bytes = file->size() - kHeaderSize;
    if (pixel_bytes != picture.pixels.size()) {
        problems.push_back({slot.label(), shown + " holds " + std::to_string(pixel_bytes) +
                                              " pixel bytes, the package's picture " +
                                              std::to_string(picture.pixels.size())});
        return false;
    }
    const std::string at = first_difference(picture, std::span(bytes + kHeaderSize, pixel_bytes));
    if (!at.empty()) {
        problems.push_back(
            {slot.label(), "the package holds other pixels than " + shown + ", first at " + at});
        return false;
    }
    return true;
}

void WorkspaceComparison::compare_source(const Slot& slot, const DecodedPicture& picture,
                                         bool check_file_agrees, Problems& problems) {
    // Only when the package still holds what the packer made of the picture did the picture
    // change after packing; otherwise the package itself was changed, and only the difference is
    // told.
    const std::string older = check_file_agrees ? ": the package is older than the picture" : "";
    const std::string shown = "image/" + slot.name;
    const std::string path = path_in(path_in(workspace_, "image"), slot.name);
    ImageBitmap bitmap;
    const SourceLoad load = load_source_picture(path, buffer_, bitmap);
    if (!load.opened) {
        problems.push_back({slot.label(), shown + " is gone (removed after packing?)"});
        return;
    }
    if (!load.loaded) {
        problems.push_back(
            {slot.label(),
             shown + " no longer loads" + (load.why.empty() ? std::string() : ": " + load.why)});
        return;
    }
    // A PNG picture held as RGB565 was converted by the packer: so is the source, to compare.
    if (picture.pixel_format == kFormatRgb565 && bitmap.picture_kind == kPictureKindPng) {
        apply_colour_choice(colours_.choice(slot.name), buffer_, bitmap);
    }
    const uint16_t format = load_le16(bitmap.bytes.data() + 2);
    if (format != picture.pixel_format || bitmap.width != picture.width ||
        bitmap.height != picture.height) {
        problems.push_back(
            {slot.label(), "the package holds " +
                               size_text(picture.width, picture.height, picture.pixel_format) +
                               ", " + shown + " is now " +
                               size_text(static_cast<uint16_t>(bitmap.width),
                                         static_cast<uint16_t>(bitmap.height), format) +
                               older});
        return;
    }
    std::vector<uint8_t> expected(bitmap.bytes.begin() + kHeaderSize, bitmap.bytes.end());
    if (picture.form == FSD_FORM_BLOCK) {
        for (std::size_t unit = 0; unit < expected.size(); unit += 4) {
            if (expected[unit] == kRunByte) {
                expected[unit] = kRunByteStandIn;
            }
        }
    }
    const std::string at = first_difference(picture, expected);
    if (!at.empty()) {
        problems.push_back(
            {slot.label(),
             check_file_agrees
                 ? shown + " now holds other pixels, first at " + at + older
                 : "the package holds other pixels than " + shown + ", first at " + at});
    }
}

void WorkspaceComparison::compare_rest(const std::vector<Slot>& slots,
                                       const std::vector<PackageFile>& packages,
                                       Problems& problems) const {
    std::set<std::string> packed;
    std::set<std::string> apps_seen;
    std::map<std::string, std::size_t> claims;
    for (const Slot& slot : slots) {
        packed.insert(slot.name);
        if (!apps_seen.insert(slot.app_id).second) {
            continue;
        }
        const std::size_t claimed = claiming_package(packages_, slot.app_id, claims);
        const std::string now =
            claimed == 0 ? std::string("no package") : packages_.records()[claimed - 1].name;
        if (now != slot.package) {
            problems.push_back({slot.package + " " + slot.app_id,
                                "config.ini now gives " + slot.app_id + " to " + now});
        }
    }
    for (const std::string& name :
         platform::wildcard_search(path_in(path_in(workspace_, "image"), "*.*"))) {
        if (!is_picture_file_name(name) || packed.contains(name)) {
            continue;
        }
        const std::size_t claimed = claiming_package(packages_, name.substr(0, 4), claims);
        if (claimed != 0) {
            problems.push_back(
                {packages_.records()[claimed - 1].name + " " + shown(name),
                 "image/" + shown(name) + " is in no package (added after packing?)"});
        }
    }
    std::map<std::string, std::vector<const BinRecord*>> records;
    for (const BinRecord& record : packages_.records()) {
        records[record.name].push_back(&record);
    }
    for (const PackageFile& file : packages) {
        const auto named = records.find(file.name);
        if (named == records.end() || file.header_length != kHeaderSize) {
            continue;
        }
        for (const BinRecord* record : named->second) {
            const auto& wanted = record->header.bytes;
            if (!std::equal(file.header.begin() + 4, file.header.end(), wanted.begin() + 4)) {
                problems.push_back({shown(file.name), "version " + version_text(file.header) +
                                                          " in its header, config.ini now gives " +
                                                          version_text(wanted)});
            }
        }
    }
}

SourceLoad load_source_picture(const std::string& path, PictureBuffer& buffer,
                               ImageBitmap& bitmap) {
    SourceLoad load;
    platform::File png_file = platform::File::open_for_reading(path);
    if (!png_file.is_open()) {
        return load;
    }
    load.opened = true;
    std::ostringstream messages;
    std::ostringstream errors;
    FileSource png_source(png_file);
    int result = decode_png_image(png_source, buffer, bitmap, messages, errors);
    if (result == kNotPngFile) {
        platform::File bmp_file = platform::File::open_for_reading(path);
        FileSource bmp_source(bmp_file);
        const BmpHeaders headers = read_bmp_headers(bmp_source);
        result = has_bmp_signature(headers)
                     ? decode_bmp_image(headers, bmp_source, {path, path}, buffer, bitmap, messages)
                     : -1;
    }
    load.loaded = result == 0;
    if (!load.loaded) {
        load.why = first_line(messages.str() + errors.str());
    }
    return load;
}

std::optional<Problem> not_a_workspace(const std::string& workspace) {
    if (!platform::folder_exists(workspace)) {
        return Problem{workspace, "not a folder"};
    }
    if (!platform::folder_exists(path_in(workspace, "image"))) {
        return Problem{workspace, "not a workspace: it has no image/ folder"};
    }
    if (!platform::File::open_for_reading(path_in(workspace, "config.ini")).is_open()) {
        return Problem{workspace, "not a workspace: it has no config.ini"};
    }
    return std::nullopt;
}

Problems red_first_warnings(const std::string& workspace, const std::vector<Slot>& slots,
                            const std::vector<PictureFacts>& facts) {
    Problems warnings;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const Slot& slot = slots[i];
        if (slot.placeholder() || (facts[i].decoded && facts[i].pixel_format == kFormatRgb565)) {
            continue;
        }
        platform::File file =
            platform::File::open_for_reading(path_in(path_in(workspace, "image"), slot.name));
        if (!file.is_open()) {
            continue;
        }
        FileSource source(file);
        if (read_png_colours(source) == PngColours::kWithoutAlpha) {
            warnings.push_back(
                {slot.label(), "warning: image/" + slot.name +
                                   " has no alpha channel: its pixels are stored red first (the "
                                   "little-endian value 0xFFBBGGRR), so a firmware reading "
                                   "0xAARRGGBB shows it with red and blue exchanged"});
        }
    }
    return warnings;
}

}  // namespace framestow::inspect

#include "listing.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <string_view>

#include "colour_cost.h"

namespace framestow::inspect {

namespace {

void add_slot(Totals& totals, const Slot& slot, const PictureFacts& facts) {
    if (slot.placeholder()) {
        ++totals.placeholders;
        return;
    }
    ++totals.pictures;
    totals.bytes += slot.size;
    if (facts.decoded) {
        totals.pixel_bytes += facts.pixel_bytes;
        totals.decoded_bytes += slot.size;
    }
}

PackageTotals package_totals(const PackageLine& line, const PackageFile* file) {
    PackageTotals totals;
    totals.name = line.name;
    totals.version = line.version;
    totals.length = line.size;
    if (file != nullptr && file->present) {
        totals.present = true;
        totals.length = file->length;
        if (file->header_length == file->header.size()) {
            totals.version = {file->header[4], file->header[5], file->header[6], file->header[7]};
        }
    }
    return totals;
}

// The text that snprintf makes of `format` and `values`, however long: a long name is never cut
// together with the columns after it.
std::string text(const char* format, auto... values) {
    const int length = std::snprintf(nullptr, 0, format, values...);
    if (length <= 0) {
        return {};
    }
    std::string line(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(line.data(), line.size(), format, values...);
    line.pop_back();
    return line;
}

// The length of the UTF-8 sequence that starts `text`, or 0 when it is not a valid one (a stray
// continuation byte, a cut sequence, an overlong form, a surrogate, a code point past U+10FFFF).
std::size_t utf8_sequence(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    const unsigned char second = byte(1);
    const bool overlong = (lead == 0xE0 && second < 0xA0) || (lead == 0xF0 && second < 0x90);
    const bool out_of_range = (lead == 0xED && second >= 0xA0) || (lead == 0xF4 && second >= 0x90);
    return overlong || out_of_range ? 0 : length;
}

// JSON holds text only: a byte that is not part of valid UTF-8 (a folder name in another
// encoding) is written as the four characters \xNN instead of making the listing fail.
std::string json_text(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    while (!value.empty()) {
        const std::size_t length = utf8_sequence(value);
        if (length == 0) {
            out += text("\\x%02X", unsigned{static_cast<unsigned char>(value.front())});
            value.remove_prefix(1);
        } else {
            out.append(value.substr(0, length));
            value.remove_prefix(length);
        }
    }
    return out;
}

std::string slot_row(const Slot& slot, const PictureFacts& facts) {
    std::string row =
        text("%-5s %4d  %-13s %-10s %10llu %9llu", slot.app_id.c_str(), slot.picture,
             slot.name.c_str(), slot.package.c_str(), static_cast<unsigned long long>(slot.offset),
             static_cast<unsigned long long>(slot.size));
    if (facts.decoded) {
        row += text(" %6u %6u %-7s %-7s %11llu %6s", unsigned{facts.width}, unsigned{facts.height},
                    pixel_format_name(facts.pixel_format).c_str(), form_name(facts.form).c_str(),
                    static_cast<unsigned long long>(facts.pixel_bytes),
                    ratio_text(slot.size, facts.pixel_bytes).c_str());
    } else {
        row += text(" %6s %6s %-7s %-7s %11s %6s", "-", "-", "-", "-", "-", "-");
    }
    if (slot.placeholder()) {
        row += "  placeholder";
    } else if (!facts.decoded) {
        row += "  unreadable";
    }
    return row;
}

std::string totals_columns(const Totals& totals) {
    return text("%8zu %12zu %12llu %12llu %6s", totals.pictures, totals.placeholders,
                static_cast<unsigned long long>(totals.bytes),
                static_cast<unsigned long long>(totals.pixel_bytes),
                ratio_text(totals.decoded_bytes, totals.pixel_bytes).c_str());
}

nlohmann::ordered_json ratio_json(uint64_t bytes, uint64_t pixel_bytes) {
    if (pixel_bytes == 0) {
        return nullptr;
    }
    return static_cast<double>(bytes) / static_cast<double>(pixel_bytes);
}

void add_totals_json(nlohmann::ordered_json& object, const Totals& totals) {
    object["pictures"] = totals.pictures;
    object["placeholders"] = totals.placeholders;
    object["bytes"] = totals.bytes;
    object["pixel_bytes"] = totals.pixel_bytes;
    object["ratio"] = ratio_json(totals.decoded_bytes, totals.pixel_bytes);
}

nlohmann::ordered_json slot_json(const Slot& slot, const PictureFacts& facts) {
    nlohmann::ordered_json row;
    row["application"] = json_text(slot.app_id);
    row["picture"] = slot.picture;
    row["name"] = json_text(slot.name);
    row["package"] = json_text(slot.package);
    row["offset"] = slot.offset;
    row["size"] = slot.size;
    row["placeholder"] = slot.placeholder();
    const auto known = [&facts](auto value) -> nlohmann::ordered_json {
        if (!facts.decoded) {
            return nullptr;
        }
        return value;
    };
    row["width"] = known(facts.width);
    row["height"] = known(facts.height);
    row["pixel_format"] = known(pixel_format_name(facts.pixel_format));
    row["body_form"] = known(form_name(facts.form));
    row["pixel_bytes"] = known(facts.pixel_bytes);
    row["ratio"] = facts.decoded ? ratio_json(slot.size, facts.pixel_bytes) : nullptr;
    row["problem"] = facts.problem.empty() ? nlohmann::ordered_json(nullptr)
                                           : nlohmann::ordered_json(json_text(facts.problem));
    return row;
}

}  // namespace

Summary summarise(const Inspection& inspection) {
    Summary summary;
    // The last present file of a name, as a search through all of them kept it.
    std::map<std::string, const PackageFile*> files;
    for (const PackageFile& file : inspection.packages) {
        if (file.present) {
            files[file.name] = &file;
        }
    }
    // Each name's totals rows, for lines that name the same package twice.
    std::map<std::string, std::vector<std::size_t>> rows;
    for (const PackageLine& line : inspection.source.packages) {
        const auto file = files.find(line.name);
        rows[line.name].push_back(summary.packages.size());
        summary.packages.push_back(
            package_totals(line, file == files.end() ? nullptr : file->second));
    }
    for (std::size_t i = 0; i < inspection.slots.size(); ++i) {
        const Slot& slot = inspection.slots[i];
        if (summary.applications.empty() || summary.applications.back().app_id != slot.app_id ||
            summary.applications.back().package != slot.package) {
            summary.applications.push_back({slot.app_id, slot.package, {}});
        }
        add_slot(summary.applications.back().totals, slot, inspection.facts[i]);
        const auto package = rows.find(slot.package);
        if (package == rows.end()) {
            continue;
        }
        for (const std::size_t row : package->second) {
            add_slot(summary.packages[row].totals, slot, inspection.facts[i]);
        }
    }
    return summary;
}

std::string ratio_text(uint64_t bytes, uint64_t pixel_bytes) {
    if (pixel_bytes == 0) {
        return "-";
    }
    return text("%.1f%%", 100.0 * static_cast<double>(bytes) / static_cast<double>(pixel_bytes));
}

std::string version_text(const std::array<uint64_t, 4>& version) {
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
           std::to_string(version[2]) + "." + std::to_string(version[3]);
}

void print_listing(const Inspection& inspection, const Summary& summary, std::ostream& out) {
    out << text("%-5s %4s  %-13s %-10s %10s %9s %6s %6s %-7s %-7s %11s %6s", "APP", "NO", "NAME",
                "PACKAGE", "OFFSET", "SIZE", "WIDTH", "HEIGHT", "FORMAT", "FORM", "PIXEL_BYTES",
                "RATIO")
        << '\n';
    for (std::size_t i = 0; i < inspection.slots.size(); ++i) {
        out << slot_row(inspection.slots[i], inspection.facts[i]) << '\n';
    }
    out << '\n'
        << text("%-11s %-10s %8s %12s %12s %12s %6s", "APPLICATION", "PACKAGE", "PICTURES",
                "PLACEHOLDERS", "BYTES", "PIXEL_BYTES", "RATIO")
        << '\n';
    for (const ApplicationTotals& app : summary.applications) {
        out << text("%-11s %-10s ", app.app_id.c_str(), app.package.c_str())
            << totals_columns(app.totals) << '\n';
    }
    out << '\n'
        << text("%-10s %-15s %10s %8s %12s %12s %12s %6s", "PACKAGE", "VERSION", "LENGTH",
                "PICTURES", "PLACEHOLDERS", "BYTES", "PIXEL_BYTES", "RATIO")
        << '\n';
    for (const PackageTotals& package : summary.packages) {
        const std::string length =
            package.present ? std::to_string(package.length) : std::string("missing");
        out << text("%-10s %-15s %10s ", package.name.c_str(),
                    version_text(package.version).c_str(), length.c_str())
            << totals_columns(package.totals) << '\n';
    }
}

nlohmann::ordered_json listing_json(const Inspection& inspection, const Summary& summary) {
    nlohmann::ordered_json json;
    json["output"] = json_text(inspection.folder);
    json["pictures"] = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < inspection.slots.size(); ++i) {
        json["pictures"].push_back(slot_json(inspection.slots[i], inspection.facts[i]));
    }
    json["applications"] = nlohmann::ordered_json::array();
    for (const ApplicationTotals& app : summary.applications) {
        nlohmann::ordered_json entry;
        entry["application"] = json_text(app.app_id);
        entry["package"] = json_text(app.package);
        add_totals_json(entry, app.totals);
        json["applications"].push_back(std::move(entry));
    }
    json["packages"] = nlohmann::ordered_json::array();
    for (const PackageTotals& package : summary.packages) {
        nlohmann::ordered_json entry;
        entry["name"] = json_text(package.name);
        entry["present"] = package.present;
        entry["version"] = version_text(package.version);
        entry["version_bytes"] = package.version;
        entry["length"] = package.length;
        add_totals_json(entry, package.totals);
        json["packages"].push_back(std::move(entry));
    }
    return json;
}

namespace {

std::string optional_number(const std::optional<uint64_t>& value) {
    return value ? std::to_string(*value) : std::string("-");
}

std::string cost_row(const Slot& slot, const PictureCost& cost) {
    std::string row =
        text("%-13s %-10s %-9s %10s %13s %12s", slot.name.c_str(), slot.package.c_str(),
             converted_text(cost).c_str(), psnr_text(cost).c_str(),
             optional_number(cost.rgb565_bytes).c_str(), decibel_text(cost.rgb565_psnr).c_str());
    if (!cost.note.empty()) {
        row += "  " + cost.note;
    }
    return row;
}

nlohmann::ordered_json optional_json(const std::optional<uint64_t>& value) {
    if (!value) {
        return nullptr;
    }
    return *value;
}

// A PSNR in dB, "exact" for colours that are the same, null when not measured: JSON has no
// infinity.
nlohmann::ordered_json decibel_json(const std::optional<double>& decibels) {
    if (!decibels) {
        return nullptr;
    }
    if (std::isinf(*decibels)) {
        return "exact";
    }
    return *decibels;
}

}  // namespace

void print_cost_listing(const Inspection& inspection, const Summary& summary, const CostView& costs,
                        std::ostream& out) {
    out << '\n'
        << text("%-13s %-10s %-9s %10s %13s %12s", "NAME", "PACKAGE", "CONVERTED", "PSNR",
                "RGB565_BYTES", "RGB565_PSNR")
        << '\n';
    for (std::size_t i = 0; i < inspection.slots.size(); ++i) {
        if (!inspection.slots[i].placeholder() && inspection.facts[i].decoded) {
            out << cost_row(inspection.slots[i], costs.pictures[i]) << '\n';
        }
    }
    out << '\n'
        << text("%-10s %10s %10s %13s %14s", "PACKAGE", "LENGTH", "MAX_SIZE", "RGB565_SAVES",
                "OPAQUE_32_BIT")
        << '\n';
    for (std::size_t k = 0; k < summary.packages.size(); ++k) {
        const PackageTotals& package = summary.packages[k];
        const PackageCost& cost = costs.packages[k];
        const std::string length =
            package.present ? std::to_string(package.length) : std::string("missing");
        const std::string limit = cost.max_size.empty() ? std::string("-") : cost.max_size;
        out << text("%-10s %10s %10s %13lld %14zu", package.name.c_str(), length.c_str(),
                    limit.c_str(), static_cast<long long>(cost.rgb565_saving), cost.rgb565_pictures)
            << '\n';
    }
}

void add_cost_json(const CostView& costs, nlohmann::ordered_json& listing) {
    for (std::size_t i = 0; i < costs.pictures.size(); ++i) {
        const PictureCost& cost = costs.pictures[i];
        nlohmann::ordered_json& row = listing["pictures"][i];
        const auto measured = [&cost](auto value) -> nlohmann::ordered_json {
            if (!cost.measured) {
                return nullptr;
            }
            return value;
        };
        row["converted"] = measured(cost.converted);
        row["psnr"] = cost.exact ? nlohmann::ordered_json("exact") : decibel_json(cost.psnr);
        row["rgb565_bytes"] = optional_json(cost.rgb565_bytes);
        row["rgb565_psnr"] = decibel_json(cost.rgb565_psnr);
        row["cost_note"] = cost.note.empty() ? nlohmann::ordered_json(nullptr)
                                             : nlohmann::ordered_json(json_text(cost.note));
    }
    for (std::size_t k = 0; k < costs.packages.size(); ++k) {
        const PackageCost& cost = costs.packages[k];
        nlohmann::ordered_json& entry = listing["packages"][k];
        entry["max_size"] = optional_json(cost.max_size_bytes);
        entry["rgb565_saving"] = cost.rgb565_saving;
        entry["rgb565_pictures"] = cost.rgb565_pictures;
    }
}

}  // namespace framestow::inspect

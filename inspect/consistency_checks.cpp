#include "consistency_checks.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>
#include <set>
#include <string>

#include "packaging/picture_names.h"
#include "picture_slots.h"
#include "text_scanner.h"

namespace framestow::inspect {

namespace {

constexpr uint64_t kPackageHeaderSize = 8;
constexpr uint8_t kPackageMarker = 0x55;

std::string source_line(std::size_t line) {
    return " (BitmapMapping.cpp line " + std::to_string(line) + ")";
}

std::string xml_line(int line) {
    return " (BitmapMapping.xml line " + std::to_string(line) + ")";
}

std::string app_id_of(std::size_t app_number) {
    char id[32];
    std::snprintf(id, sizeof id, "A%03zu", app_number);
    return id;
}

// Annn_ppp.png or Annn_ppp.bmp with both numbers from 001: what the packer packs.
bool is_picture_name(std::string_view name) {
    const auto digits = [name](std::size_t at) {
        return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(at),
                           name.begin() + static_cast<std::ptrdiff_t>(at + 3),
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    return name.size() == 12 && name[0] == 'A' && digits(1) && name[4] == '_' && digits(5) &&
           (name.ends_with(".png") || name.ends_with(".bmp")) && name.substr(1, 3) != "000" &&
           name.substr(5, 3) != "000";
}

// The package lines and the tables by name, looked up once each instead of searched for every
// row and entry, so that the checks take time in proportion to the file. The first of a name
// wins, as a search from the front finds it.
class SourceIndex {
  public:
    explicit SourceIndex(const MappingSource& source) {
        for (std::size_t k = 0; k < source.packages.size(); ++k) {
            package_numbers_.emplace(source.packages[k].name, k + 1);
        }
        for (const BitmapTable& table : source.tables) {
            tables_.emplace(table.app_id, &table);
        }
    }

    // The bin index of the package line named `package`, or 0 when no line names it.
    std::size_t package_number(const std::string& package) const {
        const auto found = package_numbers_.find(package);
        return found == package_numbers_.end() ? 0 : found->second;
    }

    const BitmapTable* table(const std::string& app_id) const {
        const auto found = tables_.find(app_id);
        return found == tables_.end() ? nullptr : found->second;
    }

  private:
    std::map<std::string, std::size_t> package_numbers_;
    std::map<std::string, const BitmapTable*> tables_;
};

std::string version_text(const auto& parts) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i != 0) {
            text += '.';
        }
        text += std::to_string(uint64_t{parts[i]});
    }
    return text;
}

void check_package_lines(const MappingSource& source, Problems& problems) {
    for (std::size_t k = 0; k < source.packages.size(); ++k) {
        const PackageLine& package = source.packages[k];
        const std::string expected = package_file_name(static_cast<int>(k + 1));
        if (package.name != expected) {
            problems.push_back({"BitmapMapping.cpp",
                                "package line " + std::to_string(k + 1) + " names " + package.name +
                                    " where " + expected + " belongs" + source_line(package.line)});
        }
        if (std::any_of(package.version.begin(), package.version.end(),
                        [](uint64_t part) { return part > 255; })) {
            problems.push_back({package.name, "version " + version_text(package.version) +
                                                  " has a part above 255" +
                                                  source_line(package.line)});
        }
    }
}

void check_row(const BitmapTable& table, std::size_t i, Problems& problems) {
    const TableRow& row = table.rows[i];
    const std::string where = table.package + " " + slot_name(table, i);
    const std::string at = source_line(row.line);
    if (i + 1 < table.rows.size() && !row.comma) {
        problems.push_back({where, "no comma after its row: the file does not compile" + at});
    }
    if (!row.has_comment) {
        problems.push_back({where, "its row has no comment naming its picture" + at});
        return;
    }
    if (row.comment_index != i) {
        problems.push_back({where, "its comment numbers it " + std::to_string(row.comment_index) +
                                       ", it is row " + std::to_string(i) + " of bitmaps" +
                                       table.app_id + at});
    }
    char expected_stem[32];
    std::snprintf(expected_stem, sizeof expected_stem, "%s_%03zu",
                  table.app_id.substr(0, 8).c_str(), i + 1);
    if (!is_picture_name(row.comment_name) || !row.comment_name.starts_with(expected_stem)) {
        problems.push_back({where, "row " + std::to_string(i) + " of bitmaps" + table.app_id +
                                       " is picture " + expected_stem + ", its comment names " +
                                       row.comment_name + at});
    }
    if (row.comment_placeholder && row.size != 0) {
        problems.push_back({where, "its comment says \"There's no\", its size is " +
                                       std::to_string(row.size) + at});
    } else if (!row.comment_placeholder && row.size == 0) {
        problems.push_back({where, "its size is 0, its comment does not mark it missing" + at});
    }
}

void check_table(const SourceIndex& index, const BitmapTable& table, Problems& problems) {
    const std::string where = "BitmapMapping.cpp bitmaps" + table.app_id;
    const std::string at = source_line(table.line);
    if (!app_number(table.app_id)) {
        problems.push_back({where, "the table's name does not end in an application Annn" + at});
    }
    if (table.comment_app_id != table.app_id) {
        problems.push_back({where, "its comment names " + table.comment_app_id + at});
    }
    if (table.declared_length != table.rows.size() || table.comment_count != table.rows.size()) {
        problems.push_back({where, "declared with " + std::to_string(table.declared_length) +
                                       " rows, its comment says " +
                                       std::to_string(table.comment_count) + ", it holds " +
                                       std::to_string(table.rows.size()) + at});
    }
    if (table.zero_count) {
        const bool empty_row =
            table.rows.size() == 1 && table.rows[0].offset == 0 && table.rows[0].size == 0;
        if (!empty_row) {
            problems.push_back(
                {where, "a table of the zero-count block holds one row { 0, 0 }" + at});
        }
        return;
    }
    if (index.package_number(table.package) == 0) {
        problems.push_back({where, "it stands in the section of \"" + table.package +
                                       "\", which no package line names" + at});
    }
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        check_row(table, i, problems);
    }
}

void check_tables(const MappingSource& source, const SourceIndex& index, Problems& problems) {
    std::map<std::string, std::size_t> defined;
    for (const BitmapTable& table : source.tables) {
        const auto [first, inserted] = defined.emplace(table.app_id, table.line);
        if (!inserted) {
            problems.push_back({"BitmapMapping.cpp bitmaps" + table.app_id,
                                "defined twice (lines " + std::to_string(first->second) + " and " +
                                    std::to_string(table.line) + "): the file does not compile"});
        }
        check_table(index, table, problems);
    }
}

void check_app_entry(const MappingSource& source, const SourceIndex& index, std::size_t k,
                     std::set<std::string>& referenced, Problems& problems) {
    const AppEntry& entry = source.apps[k];
    const std::string expected = app_id_of(k + 1);
    const std::string where =
        "BitmapMapping.cpp apps entry " + std::to_string(k) + " (" + expected + ")";
    const std::string at = source_line(entry.line);
    if (k + 1 < source.apps.size() && !entry.comma) {
        problems.push_back({where, "no comma after it: the file does not compile" + at});
    }
    if (entry.comment_index != k || entry.comment_app_id != expected) {
        problems.push_back({where, "its comment says \"" + std::to_string(entry.comment_index) +
                                       ": " + entry.comment_app_id + "\"" + at});
    }
    if (entry.table_app_id != expected) {
        problems.push_back({where, "it points at bitmaps" + entry.table_app_id +
                                       ": the firmware finds the pictures of " +
                                       entry.table_app_id + " under application " +
                                       std::to_string(k + 1) + at});
    }
    const BitmapTable* table = index.table(entry.table_app_id);
    if (table == nullptr) {
        problems.push_back({where, "it points at bitmaps" + entry.table_app_id +
                                       ", which the file does not define: the file does not "
                                       "compile" +
                                       at});
        return;
    }
    referenced.insert(table->app_id);
    if (table->zero_count) {
        if (entry.png_count != 0) {
            problems.push_back({where, "pngCount " + std::to_string(entry.png_count) +
                                           " for a table of the zero-count block" + at});
        }
        return;
    }
    if (entry.png_count < 0 || static_cast<uint64_t>(entry.png_count) != table->rows.size()) {
        problems.push_back({where, "pngCount " + std::to_string(entry.png_count) + ", bitmaps" +
                                       table->app_id + " has " +
                                       std::to_string(table->rows.size()) + " rows" + at});
    }
    const std::size_t number = index.package_number(table->package);
    if (number != 0 && entry.bin_index != static_cast<int64_t>(number)) {
        problems.push_back({where, "binIndex " + std::to_string(entry.bin_index) + ", bitmaps" +
                                       table->app_id + " stands in the section of " +
                                       table->package + at});
    }
}

void check_apps_table(const MappingSource& source, const SourceIndex& index, Problems& problems) {
    if (source.app_count != source.apps.size()) {
        problems.push_back(
            {"BitmapMapping.cpp", "BITMAP_APP_COUNT is " + std::to_string(source.app_count) +
                                      ", the apps table has " + std::to_string(source.apps.size()) +
                                      " entries" + source_line(source.app_count_line)});
    }
    std::set<std::string> referenced;
    for (std::size_t k = 0; k < source.apps.size(); ++k) {
        check_app_entry(source, index, k, referenced, problems);
    }
    for (const BitmapTable& table : source.tables) {
        if (!table.zero_count && !referenced.contains(table.app_id)) {
            problems.push_back({"BitmapMapping.cpp bitmaps" + table.app_id,
                                "no entry of apps points at it: the firmware never finds these "
                                "pictures of " +
                                    table.package + source_line(table.line)});
        }
    }
}

void compare_items(const BitmapTable& table, const XmlApp& app, Problems& problems) {
    if (app.items.size() != table.rows.size()) {
        problems.push_back({table.package + " " + table.app_id,
                            std::to_string(app.items.size()) + " pictures in BitmapMapping.xml" +
                                xml_line(app.line) + ", " + std::to_string(table.rows.size()) +
                                " rows in BitmapMapping.cpp" + source_line(table.line)});
    }
    const std::size_t common = std::min(app.items.size(), table.rows.size());
    for (std::size_t i = 0; i < common; ++i) {
        const XmlItem& item = app.items[i];
        const TableRow& row = table.rows[i];
        const std::string where = table.package + " " + slot_name(table, i);
        const auto differs = [&](const std::string& what, const std::string& in_source,
                                 const std::string& in_xml) {
            problems.push_back({where, what + " " + in_source + " in BitmapMapping.cpp line " +
                                           std::to_string(row.line) + ", " + in_xml +
                                           " in BitmapMapping.xml line " +
                                           std::to_string(item.line)});
        };
        if (item.name != row.comment_name) {
            differs("name", row.comment_name, shown(item.name));
        }
        if (item.size != row.size) {
            differs("size", std::to_string(row.size), std::to_string(item.size));
        }
        if (item.offset != row.offset) {
            differs("offset", std::to_string(row.offset), std::to_string(item.offset));
        }
    }
}

// The slots of every package, each package's in file order, gathered in one pass.
std::map<std::string, std::vector<std::size_t>> slots_by_package(const std::vector<Slot>& slots) {
    std::map<std::string, std::vector<std::size_t>> by_package;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        by_package[slots[i].package].push_back(i);
    }
    return by_package;
}

void check_header(const PackageLine& line, const PackageFile& file, Problems& problems) {
    if (file.header_length < kPackageHeaderSize) {
        problems.push_back({file.name, std::to_string(file.length) +
                                           " bytes, shorter than the 8-byte package header"});
        return;
    }
    const auto& h = file.header;
    if (h[0] != kPackageMarker || h[1] != kPackageMarker || h[2] != kPackageMarker ||
        h[3] != kPackageMarker) {
        char marker[16];
        std::snprintf(marker, sizeof marker, "%02X %02X %02X %02X", h[0], h[1], h[2], h[3]);
        problems.push_back(
            {file.name, std::string("its header begins ") + marker + ", not 55 55 55 55"});
    }
    const std::array<uint64_t, 4> version = {h[4], h[5], h[6], h[7]};
    if (version != line.version) {
        problems.push_back({file.name, "version " + version_text(version) + " in its header, " +
                                           version_text(line.version) + " in BitmapMapping.cpp" +
                                           source_line(line.line)});
    }
}

// Entries lie back to back from offset 8 and inside the file, and end where the package line
// says the package ends (the file's own length is compared with that line apart). After a
// misplaced entry the next one is expected where that one ends, so one wrong row gives one line,
// not one for every row after it. Each misplaced slot gets its reason in `placement`.
void check_placement(const PackageLine& line, const PackageFile& file,
                     const std::vector<Slot>& slots, const std::vector<std::size_t>& indices,
                     std::vector<std::string>& placement, Problems& problems) {
    uint64_t expected = kPackageHeaderSize;
    for (const std::size_t index : indices) {
        const Slot& slot = slots[index];
        const std::string at = source_line(slot.line);
        if (slot.offset != expected) {
            placement[index] = "offset " + std::to_string(slot.offset) +
                               ", the entry before it ends at " + std::to_string(expected);
            problems.push_back({slot.label(), placement[index] + at});
        }
        const bool overflows = slot.offset > std::numeric_limits<uint64_t>::max() - slot.size;
        const uint64_t end =
            overflows ? std::numeric_limits<uint64_t>::max() : slot.offset + slot.size;
        if (file.present && slot.size != 0 && end > file.length) {
            placement[index] = "its bytes lie past the end of " + file.name;
            problems.push_back({slot.label(), "bytes " + std::to_string(slot.offset) + " to " +
                                                  std::to_string(end) + " lie past the end of " +
                                                  file.name + " (" + std::to_string(file.length) +
                                                  " bytes)" + at});
        }
        expected = end;
    }
    if (!indices.empty() && expected != line.size) {
        problems.push_back({file.name, "its entries end at byte " + std::to_string(expected) +
                                           ", its package line says size = " +
                                           std::to_string(line.size) + source_line(line.line)});
    }
}

}  // namespace

Problems check_mapping_source(const MappingSource& source) {
    Problems problems;
    const SourceIndex index(source);
    check_package_lines(source, problems);
    check_tables(source, index, problems);
    check_apps_table(source, index, problems);
    if (source.lookup_differs_at) {
        problems.push_back({"BitmapMapping.cpp",
                            "the function GetPngOffset is not the one "
                            "framestow writes" +
                                source_line(*source.lookup_differs_at)});
    }
    return problems;
}

Problems check_xml_agreement(const std::vector<XmlApp>& xml, const MappingSource& source) {
    Problems problems;
    std::map<std::string, const XmlApp*> by_id;
    for (const XmlApp& app : xml) {
        if (!by_id.emplace(app.app_id, &app).second) {
            problems.push_back({"BitmapMapping.xml", "a second app element for " +
                                                         shown(app.app_id) + xml_line(app.line)});
        }
    }
    std::vector<std::string> source_order;
    std::set<std::string> in_source;
    for (const BitmapTable& table : source.tables) {
        if (table.zero_count) {
            continue;
        }
        source_order.push_back(table.app_id);
        in_source.insert(table.app_id);
        const auto found = by_id.find(table.app_id);
        if (found == by_id.end()) {
            problems.push_back({table.package + " " + table.app_id,
                                "no app element in BitmapMapping.xml" + source_line(table.line)});
            continue;
        }
        compare_items(table, *found->second, problems);
    }
    std::vector<std::string> xml_order;
    std::set<std::string> ordered;
    for (const XmlApp& app : xml) {
        if (!in_source.contains(app.app_id)) {
            problems.push_back({"BitmapMapping.xml", "app " + shown(app.app_id) +
                                                         ", which BitmapMapping.cpp places in no "
                                                         "package" +
                                                         xml_line(app.line)});
        } else if (ordered.insert(app.app_id).second) {
            xml_order.push_back(app.app_id);
        }
    }
    std::erase_if(source_order, [&](const std::string& id) { return !by_id.contains(id); });
    if (xml_order != source_order) {
        problems.push_back({"BitmapMapping.xml",
                            "its app elements stand in another order than "
                            "the tables of BitmapMapping.cpp"});
    }
    return problems;
}

PackagePlacement check_package_files(const MappingSource& source,
                                     const std::vector<PackageFile>& files) {
    PackagePlacement result;
    Problems& problems = result.problems;
    const std::vector<Slot> slots = slots_of(source);
    result.slot_problems.resize(slots.size());
    const std::map<std::string, std::vector<std::size_t>> by_package = slots_by_package(slots);
    std::map<std::string, const PackageFile*> files_by_name;
    for (const PackageFile& file : files) {
        files_by_name.emplace(file.name, &file);
    }
    std::set<std::string> named;
    for (const PackageLine& line : source.packages) {
        named.insert(line.name);
        const auto in_package = by_package.find(line.name);
        const std::vector<std::size_t> none;
        const std::vector<std::size_t>& indices =
            in_package == by_package.end() ? none : in_package->second;
        const auto found = files_by_name.find(line.name);
        const PackageFile* file = found == files_by_name.end() ? nullptr : found->second;
        if (file == nullptr || !file->present) {
            if (!indices.empty()) {
                problems.push_back({line.name,
                                    "missing from the output folder; "
                                    "BitmapMapping.cpp places " +
                                        std::to_string(indices.size()) +
                                        (indices.size() == 1 ? " picture slot" : " picture slots") +
                                        " in it"});
            }
            continue;
        }
        if (indices.empty()) {
            problems.push_back({line.name,
                                "BitmapMapping.cpp gives it no pictures, yet the file "
                                "is in the output folder (left by an earlier run?)"});
            continue;
        }
        check_header(line, *file, problems);
        if (file->length != line.size) {
            problems.push_back({line.name, "the file is " + std::to_string(file->length) +
                                               " bytes, BitmapMapping.cpp says size = " +
                                               std::to_string(line.size) + source_line(line.line)});
        }
        check_placement(line, *file, slots, indices, result.slot_problems, problems);
    }
    for (const PackageFile& file : files) {
        if (file.present && !named.contains(file.name)) {
            problems.push_back({shown(file.name),
                                "in the output folder, but BitmapMapping.cpp names no "
                                "such package"});
        }
    }
    return result;
}

}  // namespace framestow::inspect

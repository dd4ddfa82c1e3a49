#include "inspection.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <utility>

#include "consistency_checks.h"
#include "file_limits.h"
#include "image_input/image_bitmap.h"
#include "mapping_xml.h"

namespace framestow::inspect {

namespace {

void check_xml(const std::string& folder, const MappingSource& source, Problems& problems) {
    const WholeFile file =
        read_whole_file(path_in(folder, "BitmapMapping.xml"), limits::kMappingXml);
    if (!file.text) {
        problems.push_back({"BitmapMapping.xml", file.problem});
        return;
    }
    const XmlReading xml = read_mapping_xml(*file.text);
    if (!xml.apps) {
        problems.push_back({"BitmapMapping.xml", xml.error});
        return;
    }
    const Problems found = check_xml_agreement(*xml.apps, source);
    problems.insert(problems.end(), found.begin(), found.end());
}

std::vector<PackageFile> examine_packages(const std::string& folder, const MappingSource& source) {
    std::vector<PackageFile> files;
    std::set<std::string> named;
    for (const PackageLine& line : source.packages) {
        files.push_back(examine_package(folder, line.name));
        named.insert(line.name);
    }
    for (const std::string& name : package_files_in(folder)) {
        if (named.contains(name)) {
            continue;
        }
        PackageFile file = examine_package(folder, name);
        if (file.present) {
            files.push_back(std::move(file));
        }
    }
    return files;
}

// Why a slot's bytes cannot be read, or empty when they can.
struct Unreadable {
    std::string why;
    bool reported = false;  // the placement checks have reported it already
};

// A slot whose placement the checks have reported is not read: its bytes belong to another
// entry or to no file, and reading them could only repeat the problem (or, for many entries at
// one large offset, take long to do so).
Unreadable unreadable_because(const Slot& slot, const PackageFile* file,
                              const std::string& placement) {
    if (file == nullptr || !file->present) {
        return {slot.package + " is missing", true};
    }
    if (!placement.empty()) {
        return {placement, true};
    }
    if (slot.offset > file->length || slot.size > file->length - slot.offset) {
        return {"its bytes lie past the end of " + slot.package, true};
    }
    if (slot.size > PictureBuffer::size()) {
        return {"its size " + std::to_string(slot.size) + " is more than the " +
                    std::to_string(PictureBuffer::size()) + " bytes a compressed picture may have",
                false};
    }
    return {};
}

// The slots in the order in which their bytes lie: package by package, by offset. So each package
// is read in one pass however the tables order their rows; only entries that overlap the one
// before them make the reader start again.
std::vector<std::size_t> reading_order(const std::vector<Slot>& slots) {
    std::vector<std::size_t> order(slots.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&slots](std::size_t a, std::size_t b) {
        return std::tie(slots[a].package, slots[a].offset) <
               std::tie(slots[b].package, slots[b].offset);
    });
    return order;
}

void read_pictures(Inspection& inspection, const std::vector<std::string>& placement,
                   const PictureVisitor& visit) {
    std::map<std::string, PackageReader> readers;
    std::map<std::string, const PackageFile*> files;
    for (const PackageFile& file : inspection.packages) {
        files.emplace(file.name, &file);
    }
    std::vector<uint8_t> bytes;
    for (const std::size_t i : reading_order(inspection.slots)) {
        const Slot& slot = inspection.slots[i];
        PictureFacts& facts = inspection.facts[i];
        if (slot.placeholder()) {
            continue;
        }
        const auto file = files.find(slot.package);
        Unreadable unreadable =
            unreadable_because(slot, file == files.end() ? nullptr : file->second, placement[i]);
        if (unreadable.why.empty()) {
            PackageReader& reader =
                readers.try_emplace(slot.package, path_in(inspection.folder, slot.package))
                    .first->second;
            if (!reader.read(slot.offset, slot.size, bytes)) {
                unreadable.why = "cannot be read from " + slot.package;
            }
        }
        if (!unreadable.why.empty()) {
            facts.problem = unreadable.why;
            ++inspection.unreadable_pictures;
            if (!unreadable.reported) {
                inspection.problems.push_back({slot.label(), facts.problem});
            }
            continue;
        }
        const DecodedPicture picture = decode_picture(bytes);
        facts.pixel_format = picture.pixel_format;
        facts.width = picture.width;
        facts.height = picture.height;
        facts.form = picture.form;
        facts.pixel_bytes = picture.pixel_bytes;
        if (!picture.complete()) {
            facts.problem = decode_failure(picture);
            ++inspection.unreadable_pictures;
            inspection.problems.push_back({slot.label(), facts.problem});
            continue;
        }
        facts.decoded = true;
        if (visit) {
            visit(i, slot, picture);
        }
    }
}

}  // namespace

InspectionResult inspect_output(const std::string& folder, const PictureVisitor& visit) {
    InspectionResult result;
    if (!platform::folder_exists(folder)) {
        result.failure = {folder, "not a folder"};
        return result;
    }
    const WholeFile file =
        read_whole_file(path_in(folder, "BitmapMapping.cpp"), limits::kMappingSource);
    if (!file.text) {
        result.failure = {"BitmapMapping.cpp", file.problem + " in " + folder};
        return result;
    }
    SourceReading reading = read_mapping_source(*file.text);
    if (!reading.source) {
        result.failure = {"BitmapMapping.cpp", reading.error};
        return result;
    }
    Inspection inspection;
    inspection.folder = folder;
    inspection.source = std::move(*reading.source);
    inspection.slots = slots_of(inspection.source);
    inspection.facts.resize(inspection.slots.size());
    inspection.problems = check_mapping_source(inspection.source);
    check_xml(folder, inspection.source, inspection.problems);
    inspection.packages = examine_packages(folder, inspection.source);
    const PackagePlacement placement = check_package_files(inspection.source, inspection.packages);
    inspection.problems.insert(inspection.problems.end(), placement.problems.begin(),
                               placement.problems.end());
    read_pictures(inspection, placement.slot_problems, visit);
    result.inspection = std::move(inspection);
    return result;
}

}  // namespace framestow::inspect

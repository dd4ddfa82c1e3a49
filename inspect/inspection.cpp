#include "inspection.h"

#include <algorithm>
#include <map>
#include <utility>

#include "consistency_checks.h"
#include "image_input/image_bitmap.h"
#include "mapping_xml.h"

namespace framestow::inspect {

namespace {

void check_xml(const std::string& folder, const MappingSource& source, Problems& problems) {
    const std::optional<std::string> text = read_whole_file(path_in(folder, "BitmapMapping.xml"));
    if (!text) {
        problems.push_back({"BitmapMapping.xml", "missing or unreadable"});
        return;
    }
    const XmlReading xml = read_mapping_xml(*text);
    if (!xml.apps) {
        problems.push_back({"BitmapMapping.xml", xml.error});
        return;
    }
    const Problems found = check_xml_agreement(*xml.apps, source);
    problems.insert(problems.end(), found.begin(), found.end());
}

std::vector<PackageFile> examine_packages(const std::string& folder, const MappingSource& source) {
    std::vector<PackageFile> files;
    for (const PackageLine& line : source.packages) {
        files.push_back(examine_package(folder, line.name));
    }
    for (const std::string& name : package_files_in(folder)) {
        const bool named =
            std::any_of(files.begin(), files.end(),
                        [&name](const PackageFile& file) { return file.name == name; });
        if (!named) {
            files.push_back(examine_package(folder, name));
        }
    }
    return files;
}

// Why a slot's bytes cannot be read, or empty when they can.
struct Unreadable {
    std::string why;
    bool reported = false;  // the placement checks have reported it already
};

Unreadable unreadable_because(const Slot& slot, const PackageFile* file) {
    if (file == nullptr || !file->present) {
        return {slot.package + " is missing", true};
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

void read_pictures(Inspection& inspection, const PictureVisitor& visit) {
    std::map<std::string, PackageReader> readers;
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i < inspection.slots.size(); ++i) {
        const Slot& slot = inspection.slots[i];
        PictureFacts& facts = inspection.facts[i];
        if (slot.placeholder()) {
            continue;
        }
        const auto file =
            std::find_if(inspection.packages.begin(), inspection.packages.end(),
                         [&slot](const PackageFile& f) { return f.name == slot.package; });
        Unreadable unreadable =
            unreadable_because(slot, file == inspection.packages.end() ? nullptr : &*file);
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
    const std::optional<std::string> text = read_whole_file(path_in(folder, "BitmapMapping.cpp"));
    if (!text) {
        result.failure = {"BitmapMapping.cpp", "missing or unreadable in " + folder};
        return result;
    }
    SourceReading reading = read_mapping_source(*text);
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
    const Problems placement = check_package_files(inspection.source, inspection.packages);
    inspection.problems.insert(inspection.problems.end(), placement.begin(), placement.end());
    read_pictures(inspection, visit);
    result.inspection = std::move(inspection);
    return result;
}

}  // namespace framestow::inspect

#include "stages/packaging.h"

#include <tinyxml2.h>

#include <iostream>
#include <optional>
#include <vector>

#include "mapping/mapping_source.h"
#include "mapping/mapping_xml.h"
#include "packaging/bin_list.h"
#include "packaging/bin_writer.h"
#include "packaging/package_entry.h"
#include "packaging/picture_names.h"
#include "packaging/staged_output.h"
#include "platform/decimal_text.h"
#include "platform/platform.h"
#include "workspace/workspace.h"

namespace framestow {

namespace {

// The mapping outputs that the packages add to as they are written.
struct MappingOutputs {
    std::string package_tables;  // C++ text of BitmapMapping.cpp's per-package tables
    tinyxml2::XMLDocument xml;
};

// Writes, measures and checks one package and adds its mapping tables. False when data was lost
// on the way; everything that could be done has been done then.
bool package_one_bin(BinList& bins, const std::string& zip_folder, StagedOutput& package,
                     const std::vector<std::string>& bin_files, MappingOutputs& mapping) {
    bool sound = generate_gui_bin(bins, zip_folder, bin_files, package) == 0;
    PackageEntries entries;
    sound = collect_sizes(bin_files, zip_folder, entries) == 0 && sound;
    compute_offsets(entries);
    sound = check_bin_sizes(package.temporary_path, entries) == 0 && sound;
    generate_bin_mapping_section(mapping.package_tables, bins, entries);
    add_bin_mapping_xml(mapping.xml, entries);
    return sound;
}

// Whether the written package keeps to the max_size of its section, a decimal number of bytes;
// a package over it, or a max_size that is no such number, has its line.
bool within_max_size(const std::string& config_path, const BinRecord& record) {
    const std::string text = platform::read_ini_value(config_path, record.name, "max_size");
    if (text.empty()) {
        return true;
    }
    const std::optional<uint64_t> limit = platform::whole_decimal(text);
    if (!limit) {
        std::cout << "generateBinFile: " << record.name << " has max_size = " << text
                  << ", not a number of bytes" << std::endl;
        return false;
    }
    if (record.size > *limit) {
        std::cout << "generateBinFile: " << record.name << " is " << record.size
                  << " bytes, more than max_size = " << *limit << std::endl;
        return false;
    }
    return true;
}

void report_unsaved(const std::string& final_path) {
    std::cout << "generateBinFile: fail to save file = " << final_path << std::endl;
}

// Moves every output over its final name, once nothing has failed. A final name that a folder
// holds cannot take a file; that is found for every output before any is moved, so that the
// output folder is then left as it was. Returns false, with the line of each output that could
// not be moved, when one failed; the outputs not moved yet are left under their temporary names.
bool move_into_place(std::vector<StagedOutput>& outputs) {
    bool placeable = true;
    for (const StagedOutput& output : outputs) {
        if (platform::folder_exists(output.final_path)) {
            report_unsaved(output.final_path);
            placeable = false;
        }
    }
    if (!placeable) {
        return false;
    }
    for (StagedOutput& output : outputs) {
        if (!platform::replace_file(output.temporary_path, output.final_path)) {
            report_unsaved(output.final_path);
            return false;
        }
        // The name is no longer this run's to remove.
        output.temporary_path.clear();
    }
    return true;
}

// Removes the temporary files that this run created and did not move into place; nothing else,
// whatever else lies beside them.
void remove_temporaries(std::vector<StagedOutput>& outputs) {
    for (StagedOutput& output : outputs) {
        // A writer that gave up early may have left its file open; Windows deletes no open file.
        [[maybe_unused]] const bool closed = output.file.close();
        if (!output.temporary_path.empty()) {
            [[maybe_unused]] const bool removed = platform::remove_file(output.temporary_path);
        }
    }
}

// A run that will write no package says why on standard error; standard output stays as the
// tool has always printed it.
void explain_missing_packages(const std::string& config_path, const BinList& bins) {
    if (bins.count() != 0) {
        return;
    }
    std::cout << std::flush;
    std::cerr << "framestow: no package will be written: " << config_path
              << " is missing, unreadable, or has no section [gui01.bin] with name=gui01.bin "
                 "(each package has one, numbered from 01 without gaps, with name, version and "
                 "app_list)\n";
}

// Writes every output file under a temporary name, adding each to `outputs` as it is created.
// False when data was lost on the way or a package is over its max_size; every output has been
// written as far as it could be then.
bool write_outputs(const std::vector<std::string>& names, BinList& bins,
                   const std::string& config_path, const std::string& zip_folder,
                   const std::string& output_folder, std::vector<StagedOutput>& outputs) {
    MappingOutputs mapping;
    create_mapping_xml(mapping.xml);
    // The output folder already ends with a separator, so the file names join it directly.
    bool sound = true;
    for (std::size_t k = 1; k <= bins.count(); ++k) {
        const int bin_index = static_cast<int>(k);
        const std::vector<std::string> bin_files = collect_bin_files(bins, bin_index, names);
        if (bin_files.empty()) {
            continue;
        }
        outputs.push_back(stage_output(output_folder + package_file_name(bin_index)));
        sound = package_one_bin(bins, zip_folder, outputs.back(), bin_files, mapping) && sound;
        sound = within_max_size(config_path, bins.record(k)) && sound;
    }

    outputs.push_back(stage_output(output_folder + "BitmapMapping.cpp"));
    if (generate_multi_mapping_cpp(mapping.package_tables, bins, names, outputs.back()) != 0) {
        sound = false;
    }
    outputs.push_back(stage_output(output_folder + "BitmapMapping.xml"));
    if (!save_mapping_xml(mapping.xml, outputs.back().file)) {
        report_unsaved(outputs.back().final_path);
        sound = false;
    }
    return sound;
}

}  // namespace

int generateBinFile(const std::string& working_path, const std::string& zip_folder,
                    const std::string& output_folder, const std::string& config_name) {
    // The search lists names in ascending order of name, the order every later step relies on.
    const std::vector<std::string> names = find_all_files(zip_folder + "*.*");
    if (check_all_files_name(names) != 0) {
        return -1;
    }
    const std::string config_path = working_path + platform::path_literal("\\") + config_name;
    BinList bins = read_app_list(config_path);
    explain_missing_packages(config_path, bins);

    // Room for every output up front: a temporary file once created is always on the list, so
    // that it is removed again however the stage ends.
    std::vector<StagedOutput> outputs;
    outputs.reserve(bins.count() + 2);
    try {
        // Nothing in the output folder changes unless the whole stage succeeded.
        if (write_outputs(names, bins, config_path, zip_folder, output_folder, outputs) &&
            move_into_place(outputs)) {
            return 0;
        }
    } catch (...) {
        remove_temporaries(outputs);
        throw;
    }
    remove_temporaries(outputs);
    return -1;
}

}  // namespace framestow

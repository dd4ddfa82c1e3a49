#include "stages/packaging.h"

#include <tinyxml2.h>

#include <iostream>
#include <vector>

#include "mapping/mapping_source.h"
#include "mapping/mapping_xml.h"
#include "packaging/bin_list.h"
#include "packaging/bin_writer.h"
#include "packaging/package_entry.h"
#include "packaging/picture_names.h"
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
bool package_one_bin(BinList& bins, const std::string& zip_folder, const std::string& bin_path,
                     const std::vector<std::string>& bin_files, MappingOutputs& mapping) {
    bool sound = generate_gui_bin(bins, zip_folder, bin_files, bin_path) == 0;
    PackageEntries entries;
    sound = collect_sizes(bin_files, zip_folder, entries) == 0 && sound;
    compute_offsets(entries);
    sound = check_bin_sizes(bin_path, entries) == 0 && sound;
    generate_bin_mapping_section(mapping.package_tables, bins, entries);
    add_bin_mapping_xml(mapping.xml, entries);
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
    BinList bins = read_app_list(working_path + platform::path_literal("\\") + config_name);

    MappingOutputs mapping;
    create_mapping_xml(mapping.xml);
    bool sound = true;
    for (std::size_t k = 1; k <= bins.count(); ++k) {
        const int bin_index = static_cast<int>(k);
        const std::vector<std::string> bin_files = collect_bin_files(bins, bin_index, names);
        if (bin_files.empty()) {
            continue;
        }
        const std::string bin_path = output_folder + package_file_name(bin_index);
        sound = package_one_bin(bins, zip_folder, bin_path, bin_files, mapping) && sound;
    }

    // The output folder already ends with a separator, so the file names join it directly.
    if (generate_multi_mapping_cpp(mapping.package_tables, bins, names,
                                   output_folder + "BitmapMapping.cpp") != 0) {
        sound = false;
    }
    const std::string xml_path = output_folder + "BitmapMapping.xml";
    if (!save_mapping_xml(mapping.xml, xml_path)) {
        std::cout << "generateBinFile: fail to save file = " << xml_path << std::endl;
        sound = false;
    }
    return sound ? 0 : -1;
}

}  // namespace framestow

#include "packaging/bin_generation.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <string_view>
#include <vector>

#include "mapping/mapping_source.h"
#include "mapping/mapping_xml.h"
#include "packaging/bin_list.h"
#include "packaging/bin_writer.h"
#include "packaging/picture_names.h"
#include "platform/platform.h"
#include "workspace/workspace.h"

namespace framestow {

namespace {

char ascii_upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Ascending by upper-cased bytes, the order in which the target's file system lists a folder;
// names equal but for case follow their own bytes, so the order is the same on every machine.
bool name_order(const std::string& a, const std::string& b) {
    const auto upper_less = [](char x, char y) {
        return static_cast<unsigned char>(ascii_upper(x)) <
               static_cast<unsigned char>(ascii_upper(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), upper_less)) {
        return true;
    }
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), upper_less)) {
        return false;
    }
    return a < b;
}

// The per-package lists, reused for every package; each step that fills one empties it first.
struct PackageLists {
    std::vector<std::string> files;
    std::vector<uint32_t> sizes;
    std::vector<uint32_t> offsets;
};

// Writes, measures and checks one package and adds its mapping tables. False when data was lost
// on the way; everything that could be done has been done then.
bool package_one_bin(BinList& bins, const std::string& zip_folder, const std::string& bin_path,
                     PackageLists& lists, std::string& section, tinyxml2::XMLDocument& xml) {
    bool sound = generate_gui_bin(bins, zip_folder, lists.files, bin_path) == 0;
    sound = collect_sizes(lists.files, lists.sizes, zip_folder) == 0 && sound;
    compute_offsets(lists.offsets, lists.sizes);
    sound = check_bin_sizes(bin_path, lists.files, lists.sizes, lists.offsets) == 0 && sound;
    generate_bin_mapping_section(section, bins, lists.sizes, lists.files, lists.offsets);
    add_bin_mapping_xml(xml, lists.sizes, lists.files, lists.offsets);
    return sound;
}

}  // namespace

int generateBinFile(const std::string& working_path, const std::string& zip_folder,
                    const std::string& output_folder, const std::string& config_name) {
    std::vector<std::string> names = find_all_files(zip_folder + "*.*");
    std::sort(names.begin(), names.end(), name_order);

    std::string section;
    tinyxml2::XMLDocument xml;
    create_mapping_xml(xml);

    if (check_all_files_name(names) != 0) {
        return -1;
    }

    BinList bins;
    bins.read_app_list(working_path + platform::path_literal("\\") + config_name);

    bool sound = true;
    PackageLists lists;
    std::string bin_file_name;
    for (std::size_t k = 1; k <= bins.count(); ++k) {
        collect_bin_files(bins, static_cast<int>(k), names, lists.files, bin_file_name);
        if (lists.files.empty()) {
            continue;
        }
        const std::string bin_path = output_folder + bin_file_name;
        if (!package_one_bin(bins, zip_folder, bin_path, lists, section, xml)) {
            sound = false;
        }
    }

    // The output folder already ends with a separator, so the file names join it directly.
    if (generate_multi_mapping_cpp(section, bins, names, output_folder + "BitmapMapping.cpp") !=
        0) {
        sound = false;
    }
    const std::string xml_path = output_folder + "BitmapMapping.xml";
    if (!save_mapping_xml(xml, xml_path)) {
        std::cout << "generateBinFile: fail to save file = " << xml_path << std::endl;
        sound = false;
    }
    return sound ? 0 : -1;
}

}  // namespace framestow

// The picture-name check and the package sections, given a config.ini and a list of picture
// names. The input is the config.ini text up to its first zero byte, then the names, one a line.
//
// The package sections read must be gui01.bin, gui02.bin, ... in order; for names that pass the
// check, every name belongs to exactly the package that claims its application (or to none), and
// after the gaps are filled each application of a package has one entry for every picture number
// from 1 up to its highest, the real pictures keeping their order and their sizes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "packaging/bin_list.h"
#include "packaging/picture_names.h"
#include "scratch_file.h"

using fuzzcheck::require;

namespace {

// More names only repeat what fewer show, at the cost of time per input.
constexpr std::size_t kMostNames = 200;

const fuzzcheck::ScratchFile config("config.ini");

std::string expected_file_name(int bin_index) {
    char name[32];
    std::snprintf(name, sizeof name, "gui%.2d.bin", bin_index);
    return name;
}

// The names as the packaging stage sees them: each once, in ascending order, as the folder
// listing gives them (picture names differ only in digits and a lower-case extension, so upper
// casing does not change their order).
std::vector<std::string> split_names(std::string_view text) {
    std::vector<std::string> names;
    while (!text.empty() && names.size() < kMostNames) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        names.emplace_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

void check_sections(const framestow::BinList& bins) {
    for (std::size_t k = 1; k <= bins.count(); ++k) {
        require(bins.records()[k - 1].name == expected_file_name(static_cast<int>(k)),
                "record k is the section gui%.2d.bin of k");
    }
}

// Each application of the list has one entry for every number from 1 up to its highest, and the
// real entries are all there, in their order, with their sizes; placeholders have size 0.
void check_filled(const std::vector<std::string>& real, const framestow::PackageEntries& entries) {
    std::size_t next_real = 0;
    framestow::PictureNumbers previous;
    for (const framestow::PackageEntry& entry : entries) {
        const framestow::PictureNumbers numbers = framestow::parse_picture_name(entry.name);
        const int32_t expected = numbers.app == previous.app ? previous.picture + 1 : 1;
        require(numbers.picture == expected, "picture numbers run 1, 2, 3, ... per application");
        previous = numbers;
        if (next_real < real.size() && entry.name == real[next_real]) {
            require(entry.size == next_real + 1, "a real entry keeps its size");
            ++next_real;
        } else {
            require(entry.size == 0 && entry.name.ends_with(".png"),
                    "a placeholder is a .png of size 0");
        }
    }
    require(next_real == real.size(), "every real entry is kept, in order");
}

void check_packages(const framestow::BinList& bins, const std::vector<std::string>& names) {
    std::map<std::string, int> package_of;
    for (const std::string& name : names) {
        package_of[name] = bins.get_bin_index(name);
    }
    std::size_t claimed = 0;
    for (std::size_t k = 1; k <= bins.count(); ++k) {
        const int bin_index = static_cast<int>(k);
        const std::vector<std::string> files = framestow::collect_bin_files(bins, bin_index, names);
        require(framestow::package_file_name(bin_index) == expected_file_name(bin_index),
                "the package file name is gui%.2d.bin");
        for (const std::string& file : files) {
            require(package_of[file] == bin_index, "a picture goes to the package that claims it");
        }
        claimed += files.size();
        framestow::PackageEntries entries;
        for (std::size_t i = 0; i < files.size(); ++i) {
            entries.push_back({files[i], static_cast<uint32_t>(i + 1)});
        }
        framestow::fill_gaps(entries);
        check_filled(files, entries);
    }
    const auto unclaimed = static_cast<std::size_t>(
        std::count_if(package_of.begin(), package_of.end(),
                      [](const auto& entry) { return entry.second == -1; }));
    require(claimed + unclaimed == names.size(), "every picture is in one package or in none");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzcheck::silence_messages();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = std::min(input.find('\0'), input.size());
    config.write(data, split);
    const std::vector<std::string> names =
        split_names(input.substr(std::min(split + 1, input.size())));

    if (framestow::check_all_files_name(names) != 0) {
        return 0;
    }
    for (const std::string& name : names) {
        const framestow::PictureNumbers numbers = framestow::parse_picture_name(name);
        require(numbers.app >= 1 && numbers.app <= 999 && numbers.picture >= 1 &&
                    numbers.picture <= 999,
                "a checked name carries numbers from 1 to 999");
    }
    const framestow::BinList bins = framestow::read_app_list(config.path());
    check_sections(bins);
    check_packages(bins, names);
    return 0;
}

#include "packaging/bin_writer.h"

#include <array>
#include <iostream>
#include <limits>

#include "packaging/picture_names.h"
#include "platform/platform.h"

namespace framestow {

namespace {

constexpr uint32_t kFirstPictureOffset = 8;
// Pictures are copied in pieces of this size, a few system calls each.
constexpr std::size_t kCopyChunk = std::size_t{1} << 16;

// A length that could not be found is shown as the failed stream position: all bits set.
constexpr uint64_t kUnknownLength = std::numeric_limits<uint64_t>::max();

// Appends the whole picture file to the package. False when the picture cannot be opened or
// read, or the package cannot take its bytes; the package then holds only what was read.
bool append_picture(platform::File& package, const std::string& picture_path) {
    platform::File picture = platform::File::open_for_reading(picture_path);
    if (!picture.is_open()) {
        return false;
    }
    std::array<uint8_t, kCopyChunk> chunk;
    for (;;) {
        const std::size_t got = picture.read(chunk.data(), chunk.size());
        if (got > 0 && !package.write(chunk.data(), got)) {
            return false;
        }
        if (got < chunk.size()) {
            return !picture.read_failed();
        }
    }
}

uint64_t file_length(const std::string& path) {
    // A folder opens for reading on some systems but has no length as a file.
    if (platform::folder_exists(path)) {
        return kUnknownLength;
    }
    platform::File file = platform::File::open_for_reading(path);
    if (!file.is_open()) {
        return kUnknownLength;
    }
    return file.length().value_or(kUnknownLength);
}

}  // namespace

int generate_gui_bin(BinList& bins, const std::string& zip_folder,
                     const std::vector<std::string>& bin_files, StagedOutput& output) {
    platform::File& package = output.file;
    std::cout << "generate_gui_bin: " << output.final_path << std::endl;
    const int bin_index = bin_files.empty() ? -1 : bins.get_bin_index(bin_files.front());
    if (bin_index < 1) {
        return -1;
    }
    BinRecord& record = bins.record(static_cast<std::size_t>(bin_index));
    bool complete =
        package.is_open() && package.write(record.header.bytes.data(), record.header.bytes.size());
    for (std::size_t i = 0; i < bin_files.size(); ++i) {
        // A package that could not be created still counts every picture on the progress line.
        if (package.is_open() && !append_picture(package, zip_folder + bin_files[i])) {
            complete = false;
        }
        std::cout << " " << i;
    }
    std::cout << std::endl;
    const uint64_t length =
        package.is_open() ? package.length().value_or(kUnknownLength) : kUnknownLength;
    // Finding the length flushes the package, so a failure here can be a write that failed.
    // Such a package holds no usable bytes: its recorded size stays 0.
    if (length == kUnknownLength) {
        complete = false;
    } else {
        record.size = static_cast<uint32_t>(length);
    }
    if (package.is_open() && !package.close()) {
        complete = false;
    }
    std::cout << "generate_gui_bin: count = " << bin_files.size() << ", size = " << length
              << std::endl;
    return complete ? 0 : -1;
}

int collect_sizes(const std::vector<std::string>& bin_files, const std::string& zip_folder,
                  PackageEntries& entries) {
    entries.clear();
    int result = 0;
    for (const std::string& name : bin_files) {
        const uint64_t length = file_length(zip_folder + name);
        if (length == kUnknownLength) {
            result = -1;
        }
        entries.push_back({name, static_cast<uint32_t>(length)});
    }
    fill_gaps(entries);
    return result;
}

void compute_offsets(PackageEntries& entries) {
    uint32_t offset = kFirstPictureOffset;
    for (PackageEntry& entry : entries) {
        entry.offset = offset;
        offset += entry.size;
    }
}

int check_bin_sizes(const std::string& bin_path, const PackageEntries& entries) {
    int result = 0;
    // Sizes and offsets are 32-bit quantities in the mapping tables, so the sums wrap there too.
    uint32_t total = kFirstPictureOffset;
    for (const PackageEntry& entry : entries) {
        total += entry.size;
    }
    if (!entries.empty() &&
        total != static_cast<uint32_t>(entries.back().offset + entries.back().size)) {
        std::cout << "Error: total_size(" << total << ") is not match offset and seze."
                  << std::endl;
        result = -2;
    }
    const uint64_t length = file_length(bin_path);
    if (length != total) {
        std::cout << "Packaged bin size is " << length << " byte" << std::endl;
        std::cout << "Error: Total file size is " << total << " byte" << std::endl;
        result = -2;
    }
    return result;
}

}  // namespace framestow

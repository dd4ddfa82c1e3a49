#include "output_files.h"

#include <algorithm>
#include <utility>

namespace framestow::inspect {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

}  // namespace

std::string path_in(const std::string& folder, std::string_view name) {
    const std::string separator = platform::path_literal("\\");
    if (folder.empty() || folder.ends_with(separator) || folder.ends_with('/')) {
        return folder + std::string(name);
    }
    return folder + separator + std::string(name);
}

std::optional<std::string> read_whole_file(const std::string& path) {
    platform::File file = platform::File::open_for_reading(path);
    if (!file.is_open()) {
        return std::nullopt;
    }
    std::string text;
    char chunk[kChunk];
    for (std::size_t got = file.read(chunk, sizeof chunk); got > 0;
         got = file.read(chunk, sizeof chunk)) {
        text.append(chunk, got);
    }
    if (file.read_failed()) {
        return std::nullopt;
    }
    return text;
}

StagedFile::StagedFile(std::string path) : path_(std::move(path)) {
    platform::TemporaryFile temporary = platform::File::create_temporary_beside(path_);
    temporary_ = std::move(temporary.path);
    file_ = std::move(temporary.file);
    failed_ = !file_.is_open();
}

StagedFile::~StagedFile() {
    if (!done_ && file_.is_open()) {
        (void)file_.close();
        (void)platform::remove_file(temporary_);
    }
}

void StagedFile::write(std::string_view bytes) {
    if (!failed_ && !file_.write(bytes.data(), bytes.size())) {
        failed_ = true;
    }
}

bool StagedFile::commit() {
    done_ = true;
    if (!file_.is_open()) {
        return false;
    }
    const bool closed = file_.close();
    if (failed_ || !closed || !platform::replace_file(temporary_, path_)) {
        (void)platform::remove_file(temporary_);
        return false;
    }
    return true;
}

bool write_file_safely(const std::string& path, std::string_view bytes) {
    StagedFile file(path);
    file.write(bytes);
    return file.commit();
}

PackageFile examine_package(const std::string& folder, const std::string& name) {
    PackageFile package;
    package.name = name;
    const std::string path = path_in(folder, name);
    // Some systems open a folder like a file; a folder is no package.
    if (platform::folder_exists(path)) {
        return package;
    }
    platform::File file = platform::File::open_for_reading(path);
    const std::optional<uint64_t> length = file.is_open() ? file.length() : std::nullopt;
    if (!length) {
        return package;
    }
    package.present = true;
    package.length = *length;
    package.header_length = file.read(package.header.data(), package.header.size());
    return package;
}

std::vector<std::string> package_files_in(const std::string& folder) {
    return platform::wildcard_search(path_in(folder, "gui*.bin"));
}

bool PackageReader::read(uint64_t offset, uint64_t size, std::vector<uint8_t>& bytes) {
    if (!file_.is_open() || offset < position_) {
        file_ = platform::File::open_for_reading(path_);
        position_ = 0;
        if (!file_.is_open()) {
            return false;
        }
    }
    if (!seek_forward(offset)) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    const std::size_t got = file_.read(bytes.data(), bytes.size());
    position_ += got;
    return got == bytes.size();
}

// The platform's files have no seek: the bytes up to `offset` are read and dropped. Pictures lie
// back to back, so a whole pass drops only the 8 header bytes.
bool PackageReader::seek_forward(uint64_t offset) {
    std::vector<uint8_t> scratch(static_cast<std::size_t>(
        std::min<uint64_t>(kChunk, std::max<uint64_t>(offset - position_, 1))));
    while (position_ < offset) {
        const auto step =
            static_cast<std::size_t>(std::min<uint64_t>(offset - position_, scratch.size()));
        const std::size_t got = file_.read(scratch.data(), step);
        position_ += got;
        if (got != step) {
            return false;
        }
    }
    return true;
}

}  // namespace framestow::inspect

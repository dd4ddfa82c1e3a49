#include "output_files.h"

#include <utility>

namespace framestow::inspect {

std::string path_in(const std::string& folder, std::string_view name) {
    const std::string separator = platform::path_literal("\\");
    if (folder.empty() || folder.ends_with(separator) || folder.ends_with('/')) {
        return folder + std::string(name);
    }
    return folder + separator + std::string(name);
}

WholeFile read_whole_file(const std::string& path, uint64_t most) {
    platform::File file = platform::File::open_for_reading(path);
    const std::optional<uint64_t> length = file.is_open() ? file.length() : std::nullopt;
    if (!length) {
        return {std::nullopt, "missing or unreadable"};
    }
    if (*length > most) {
        return {std::nullopt, std::to_string(*length) + " bytes, more than the " +
                                  std::to_string(most) + " bytes framestow writes at most"};
    }
    // The file may grow while it is read; what lies past the limit is never taken in.
    std::string text(static_cast<std::size_t>(*length), '\0');
    const std::size_t got = file.read(text.data(), text.size());
    char more = 0;
    if (file.read_failed() || got != text.size() || file.read(&more, 1) != 0) {
        return {std::nullopt, "missing or unreadable"};
    }
    return {std::move(text), {}};
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
    // A folder, a FIFO or a device named like a package is no package.
    platform::File file = platform::File::open_for_reading(path_in(folder, name));
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
    if (!opened_) {
        file_ = platform::File::open_for_reading(path_);
        opened_ = true;
    }
    if (!file_.is_open()) {
        return false;
    }
    if (offset != position_) {
        if (!file_.seek(offset)) {
            return false;
        }
        position_ = offset;
    }
    bytes.resize(static_cast<std::size_t>(size));
    const std::size_t got = file_.read(bytes.data(), bytes.size());
    position_ += got;
    return got == bytes.size();
}

}  // namespace framestow::inspect

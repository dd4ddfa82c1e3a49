#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

// The files of an output folder, reached through the platform layer: whole text files, what
// each package file holds at its start and how long it is, and byte ranges of a package.
namespace framestow::inspect {

// `name` inside `folder`, joined with this system's separator.
std::string path_in(const std::string& folder, std::string_view name);

// A whole file read, or why it was not.
struct WholeFile {
    std::optional<std::string> text;
    std::string problem;  // when text is empty: "missing or unreadable", or its size is too large
};

// The whole file when it is a regular file of at most `most` bytes that can be read to its end.
// Only regular files are opened (a FIFO or a device planted at the name is never waited on),
// and the size is checked before anything is allocated.
WholeFile read_whole_file(const std::string& path, uint64_t most);

// A file written in pieces under a temporary name beside `path` (a new file that no one else
// held, see File::create_temporary_beside), which takes the name `path` only when the whole file
// has been written: a failed or abandoned write leaves no partial file, and an earlier file of
// that name as it was.
class StagedFile {
  public:
    explicit StagedFile(std::string path);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Appends `bytes`; a failure shows at commit().
    void write(std::string_view bytes);

    // Closes the file and gives it its name. False when any write, the close or the renaming
    // failed; the temporary file is gone then.
    [[nodiscard]] bool commit();

  private:
    std::string path_;
    std::string temporary_;
    platform::File file_;
    bool failed_ = false;
    bool done_ = false;
};

// Writes the whole file `path` through a StagedFile.
[[nodiscard]] bool write_file_safely(const std::string& path, std::string_view bytes);

// What one package file holds where the mapping files cannot see: its length and header.
struct PackageFile {
    std::string name;
    bool present = false;
    uint64_t length = 0;
    std::array<uint8_t, 8> header{};
    std::size_t header_length = 0;  // bytes of the header that the file has, up to 8
};

PackageFile examine_package(const std::string& folder, const std::string& name);

// The names of the entries gui*.bin in `folder`, in ascending order.
std::vector<std::string> package_files_in(const std::string& folder);

// Reads byte ranges of one package file: a range that does not follow the last one is reached by
// seeking, so no byte is read twice however the ranges are ordered.
class PackageReader {
  public:
    explicit PackageReader(std::string path) : path_(std::move(path)) {}

    // The bytes [offset, offset + size), or false when the file cannot be read there.
    [[nodiscard]] bool read(uint64_t offset, uint64_t size, std::vector<uint8_t>& bytes);

  private:
    std::string path_;
    platform::File file_;
    bool opened_ = false;
    uint64_t position_ = 0;
};

}  // namespace framestow::inspect

#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Everything the packer needs from the operating system. The rest of the packer reaches files,
// folders and settings only through these functions, so a port adds one file beside
// platform_posix.cpp and touches nothing else.
namespace framestow::platform {

// The longest INI file that read_ini_value reads: far beyond any real settings file, yet small
// enough to read whole at once.
constexpr uint64_t kMaxIniFileSize = uint64_t{1} << 20;

// The folder that holds the running program file, with links resolved and without a trailing
// separator (so empty for a program in "/"). The packer works there whatever the current folder
// is. When the operating system cannot tell, "." (the current folder).
std::string program_folder();

// Turns a path literal written with backslashes ("\\temp\\image_zip\\") into this system's
// form ("/temp/image_zip/" on POSIX). Used for the fixed folder and file literals only.
std::string path_literal(std::string_view backslash_literal);

// The value of `key` in `section` of the INI file at `ini_path`, as the Windows profile lookup
// returns it: names matched without regard to case, the value without surrounding blanks or one
// pair of enclosing quotes, the first section of a name and the first key within it winning,
// lines starting with ';' ignored. A missing file, section or key gives empty text. The value is
// returned whole, however long. A key line without '=' counts as the key with an empty value.
//
// A line ends at LF, at CR LF and at a CR alone. A UTF-8 byte order mark at the start of the file
// is skipped. A file that starts with a UTF-16 byte order mark (FF FE or FE FF, as Windows
// PowerShell and Notepad write "Unicode" text) is read as UTF-16 in that byte order, a last odd
// byte as a code unit whose other byte is 0. The packer's names and values are ASCII and come
// back alike on every platform; other characters of a UTF-16 file come back as UTF-8, an
// unpaired surrogate as U+FFFD (the Windows lookup gives them in the ANSI code page instead, '?'
// where it has no such character).
//
// A file that is not a regular file (a FIFO, a device, a link to one) or is longer than
// kMaxIniFileSize reads as a missing file, without being read at all.
std::string read_ini_value(const std::string& ini_path, std::string_view section,
                           std::string_view key);

bool folder_exists(const std::string& path);

// Creates one folder level. Returns false when it could not be created.
[[nodiscard]] bool create_folder(const std::string& path);

// Deletes every file directly inside `folder` (which ends with a separator), hidden files and
// symbolic links included; subfolders and what they hold stay. Returns the paths (`folder`
// followed by the name) of the files that could not be deleted, in the order of wildcard_search,
// so that none is left behind unnoticed; a folder that exists but cannot be listed is returned
// itself. A missing folder has nothing to delete.
std::vector<std::string> delete_files_in(const std::string& folder);

// Gives the file `from` the name `to`, replacing the file of that name, if any, in one step: a
// reader of `to` finds the old bytes or the new ones, never a mix. `from` and `to` lie in one
// folder (so on one file system). The new bytes are flushed to the disk before the name changes.
// False when it fails, with `to` as it was; a folder at `to` is never replaced.
[[nodiscard]] bool replace_file(const std::string& from, const std::string& to);

// Deletes the file at `path`. False when it could not be deleted.
[[nodiscard]] bool remove_file(const std::string& path);

// Wildcard search in the manner of the Windows runtime: `pattern` is a folder path followed by a
// name pattern with '*' and '?', matched without regard to letter case; a pattern ending in ".*"
// also matches names without a dot, and "*.*" matches "." and "..". Entries of every type are
// returned, as bare names, ascending by their upper-cased bytes (names equal in upper case by
// their own bytes). A pattern without a folder part searches the current folder. Empty when
// nothing matches or the folder cannot be searched.
std::vector<std::string> wildcard_search(const std::string& pattern);

// The value of the environment variable `name`, empty when it is not set.
std::optional<std::string> environment_value(const char* name);

// The number of threads the machine runs at once; 1 when it cannot tell.
unsigned hardware_threads();

struct TemporaryFile;

// A binary file opened for reading or for writing with truncation. Every failure is reported to
// the caller: a short write, a read error, a flush or close that fails.
class File {
  public:
    // Only a regular file (or a link to one) is opened; a folder, a FIFO or a device is refused
    // without waiting, as if it could not be opened.
    static File open_for_reading(const std::string& path);
    static File open_for_writing(const std::string& path);

    // A new file for writing in the folder of `final_path`, under a name that no entry held
    // before: `final_path` followed by a random part and ".partial". A link or a file planted at
    // any such name is left alone and never followed. The mode is that of any new file, as the
    // final file would get. The file is not open when none could be created.
    static TemporaryFile create_temporary_beside(const std::string& final_path);

    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    bool is_open() const { return stream_ != nullptr; }

    // Reads up to `size` bytes; fewer at the end of the file or on a read error.
    std::size_t read(void* data, std::size_t size);
    bool read_failed() const;

    // Writes all `size` bytes or returns false.
    [[nodiscard]] bool write(const void* data, std::size_t size);

    // The file's length, found by seeking to its end; the position is then put back. Empty when
    // the file is not open or a seek fails.
    [[nodiscard]] std::optional<uint64_t> length();

    // Moves the read position to `offset` bytes from the start. False when the seek fails.
    [[nodiscard]] bool seek(uint64_t offset);

    // Flushes and closes. False when this or any earlier write failed, and for a file that is
    // not open.
    [[nodiscard]] bool close();

  private:
    // The read buffer of a stream opened for reading, which the stream uses until it is closed.
    std::unique_ptr<char[]> buffer_;
    std::FILE* stream_ = nullptr;
    bool write_failed_ = false;
};

// A file created by File::create_temporary_beside, with the name it got (empty when none).
struct TemporaryFile {
    File file;
    std::string path;
};

}  // namespace framestow::platform

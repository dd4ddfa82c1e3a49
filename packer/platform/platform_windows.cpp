// The platform layer on Windows: program path, INI lookup, folders, wildcard listing and checked
// file access, through the Win32 ANSI calls and the C runtime. Paths are ANSI-code-page text, as
// GetModuleFileNameA and the runtime's wildcard search give them.

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "platform/platform.h"

namespace framestow::platform {

namespace {

constexpr char kSeparator = '\\';

// The buffer size the Win32 text queries start with; they are asked again with twice the room
// until the answer fits.
constexpr DWORD kFirstBufferSize = 260;

bool is_separator(char c) {
    return c == '\\' || c == '/';
}

char to_upper_ascii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string to_upper_ascii(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return to_upper_ascii(c); });
    return upper;
}

// Asks a Win32 text query for its answer with a growing buffer. `query` gets the buffer and its
// size and returns the length it wrote; an answer of `full_length(size)` or more may have been
// cut, so the query runs again with twice the room. Empty when the query fails (returns 0) or
// the answer would not fit a DWORD-sized buffer.
template <typename Query, typename FullLength>
std::string query_growing(Query query, FullLength full_length) {
    std::string buffer(kFirstBufferSize, '\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = query(buffer.data(), size);
        if (length < full_length(size)) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() > std::numeric_limits<DWORD>::max() / 2) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The program file's full path, however long. GetModuleFileNameA returns the buffer's size when
// it had to cut the path.
std::string program_file_path() {
    return query_growing(
        [](char* buffer, DWORD size) { return GetModuleFileNameA(nullptr, buffer, size); },
        [](DWORD size) { return size; });
}

// A relative INI path made absolute against the current folder: given a bare or relative name,
// the profile lookup would search the Windows folder instead. GetFullPathNameA returns the size
// it needs, counting the terminating zero, when the buffer is too small.
std::string full_path(const std::string& path) {
    std::string full = query_growing(
        [&path](char* buffer, DWORD size) {
            return GetFullPathNameA(path.c_str(), size, buffer, nullptr);
        },
        [](DWORD size) { return size; });
    return full.empty() ? path : full;
}

// ---- Wildcard search ----

// Matches `name` against a pattern of '*' (any run of characters) and '?' (one character),
// without regard to ASCII letter case. Backtracks only to the latest '*', so the time stays
// proportional to the product of the two lengths at worst.
bool matches_wildcard(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::string_view::npos;
    std::size_t star_name = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_name = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || to_upper_ascii(pattern[p]) == to_upper_ascii(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++star_name;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

// A pattern that ends in ".*" also matches a name without a dot, with the ".*" standing for
// nothing: "*.*" matches every name and "readme.*" matches "readme".
bool matches_name_pattern(std::string_view pattern, std::string_view name) {
    if (matches_wildcard(pattern, name)) {
        return true;
    }
    constexpr std::string_view kAnyExtension = ".*";
    return pattern.ends_with(kAnyExtension) && name.find('.') == std::string_view::npos &&
           matches_wildcard(pattern.substr(0, pattern.size() - kAnyExtension.size()), name);
}

// The order in which NTFS delivers names: by their upper-cased bytes, and names that differ only
// in case by their own bytes, so the order is total. Sorting here keeps other file systems (FAT,
// network shares) and the POSIX build in the same order.
bool comes_before_in_search_order(const std::string& a, const std::string& b) {
    const std::string upper_a = to_upper_ascii(a);
    const std::string upper_b = to_upper_ascii(b);
    if (upper_a != upper_b) {
        return upper_a < upper_b;
    }
    return a < b;
}

struct FoundEntry {
    std::string name;
    bool is_folder = false;
    bool is_read_only = false;
};

// Every entry that the runtime's search for `pattern` delivers; empty when nothing matches or
// the folder cannot be searched.
std::vector<FoundEntry> runtime_search(const std::string& pattern) {
    std::vector<FoundEntry> entries;
    _finddata64i32_t data{};
    const intptr_t search = _findfirst64i32(pattern.c_str(), &data);
    if (search == -1) {
        return entries;
    }
    do {
        entries.push_back(
            {data.name, (data.attrib & _A_SUBDIR) != 0, (data.attrib & _A_RDONLY) != 0});
    } while (_findnext64i32(search, &data) == 0);
    _findclose(search);
    return entries;
}

std::string with_trailing_separator(const std::string& folder) {
    if (!folder.empty() && is_separator(folder.back())) {
        return folder;
    }
    return folder + kSeparator;
}

}  // namespace

std::string program_folder() {
    const std::string program = program_file_path();
    const std::size_t last_separator = program.find_last_of("\\/");
    if (last_separator == std::string::npos) {
        // Without its own path the program works in the current folder rather than in the
        // drive's root, where an empty working path would put every file.
        return program.empty() ? "." : program;
    }
    return program.substr(0, last_separator);
}

std::string path_literal(std::string_view backslash_literal) {
    return std::string(backslash_literal);
}

std::string read_ini_value(const std::string& ini_path, std::string_view section,
                           std::string_view key) {
    const std::string file = full_path(ini_path);
    const std::string section_name(section);
    const std::string key_name(key);
    // A value that fills the buffer comes back cut to its size less one.
    return query_growing(
        [&](char* buffer, DWORD size) {
            return GetPrivateProfileStringA(section_name.c_str(), key_name.c_str(), "", buffer,
                                            size, file.c_str());
        },
        [](DWORD size) { return size - 1; });
}

bool folder_exists(const std::string& path) {
    // Every folder but a drive's root holds at least its own "." entry, so a search that finds
    // nothing means the folder is missing or cannot be searched.
    return !runtime_search(with_trailing_separator(path) + "*.*").empty();
}

bool create_folder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

void delete_files_in(const std::string& folder) {
    // The names are collected first, so that no deletion disturbs the search in progress.
    const std::string prefix = with_trailing_separator(folder);
    for (const FoundEntry& entry : runtime_search(prefix + "*")) {
        // Folders stay, and so do junctions and folder links, which are marked as folders.
        if (entry.is_folder) {
            continue;
        }
        const std::string path = prefix + entry.name;
        // A read-only file is deleted too: left in place, a stale picture would be packed.
        if (entry.is_read_only) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        DeleteFileA(path.c_str());
    }
}

std::vector<std::string> wildcard_search(const std::string& pattern) {
    // The name pattern follows the last separator, or the drive's colon in "C:*.png".
    const std::size_t folder_end = pattern.find_last_of("\\/:");
    const std::string_view name_pattern =
        std::string_view(pattern).substr(folder_end == std::string::npos ? 0 : folder_end + 1);
    std::vector<std::string> found;
    if (name_pattern.empty()) {
        return found;
    }
    // The runtime also matches the short 8.3 names, so "*.png" would find "a.pngx" through its
    // short name "A~1.PNG"; each long name is matched again against the pattern itself.
    for (FoundEntry& entry : runtime_search(pattern)) {
        if (matches_name_pattern(name_pattern, entry.name)) {
            found.push_back(std::move(entry.name));
        }
    }
    std::sort(found.begin(), found.end(), comes_before_in_search_order);
    return found;
}

// ---- File ----

File File::open_for_reading(const std::string& path) {
    return File(std::fopen(path.c_str(), "rb"));
}

File File::open_for_writing(const std::string& path) {
    return File(std::fopen(path.c_str(), "wb"));
}

File::File(File&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)),
      write_failed_(std::exchange(other.write_failed_, false)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (stream_ != nullptr) {
            std::fclose(stream_);
        }
        stream_ = std::exchange(other.stream_, nullptr);
        write_failed_ = std::exchange(other.write_failed_, false);
    }
    return *this;
}

File::~File() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
    }
}

std::size_t File::read(void* data, std::size_t size) {
    if (stream_ == nullptr) {
        return 0;
    }
    return std::fread(data, 1, size, stream_);
}

bool File::read_failed() const {
    return stream_ == nullptr || std::ferror(stream_) != 0;
}

bool File::write(const void* data, std::size_t size) {
    if (stream_ == nullptr || std::fwrite(data, 1, size, stream_) != size) {
        write_failed_ = true;
        return false;
    }
    return true;
}

std::optional<uint64_t> File::length() {
    if (stream_ == nullptr) {
        return std::nullopt;
    }
    // The 64-bit calls: the plain ones stop at 2 GiB, since a long is 32 bits on Windows.
    const __int64 position = _ftelli64(stream_);
    if (position < 0 || _fseeki64(stream_, 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const __int64 end = _ftelli64(stream_);
    // The position is put back, so measuring does not disturb reading.
    if (end < 0 || _fseeki64(stream_, position, SEEK_SET) != 0) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(end);
}

bool File::close() {
    if (stream_ == nullptr) {
        return false;
    }
    // Written data may sit in the stream's buffer until now, so a full disk often shows only here.
    bool ok = !write_failed_;
    if (std::fflush(stream_) != 0) {
        ok = false;
    }
    if (std::fclose(stream_) != 0) {
        ok = false;
    }
    stream_ = nullptr;
    write_failed_ = false;
    return ok;
}

}  // namespace framestow::platform

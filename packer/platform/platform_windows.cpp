// The platform layer on Windows: program path, INI lookup, folders, file deletion and
// replacement, wildcard listing and checked file access, through the Win32 ANSI calls and the C
// runtime. Paths are ANSI-code-page text, as GetModuleFileNameA and the runtime's wildcard search
// give them.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "platform/name_matching.h"
#include "platform/platform.h"
#include "platform/stdio_files.h"
#include "platform/stdio_offsets.h"

namespace framestow::platform {

namespace {

constexpr char kSeparator = '\\';

// The buffer size the Win32 text queries start with; they are asked again with twice the room
// until the answer fits.
constexpr DWORD kFirstBufferSize = 260;

bool is_separator(char c) {
    return c == '\\' || c == '/';
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

// A C stream over an open file handle, which it then owns; null, with the handle closed, when the
// runtime cannot take it.
std::FILE* stream_over(HANDLE handle, int access, const char* mode) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), access | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, mode);
    if (stream == nullptr) {
        _close(fd);
    }
    return stream;
}

// The INI file is read only when it is a regular file of at most kMaxIniFileSize bytes; else it
// counts as missing, as it does on POSIX.
bool is_readable_ini_file(const std::string& path) {
    File file = File::open_for_reading(path);
    const std::optional<uint64_t> length = file.length();
    return length && *length <= kMaxIniFileSize;
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
    if (!is_readable_ini_file(file)) {
        return {};
    }
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

std::vector<std::string> delete_files_in(const std::string& folder) {
    // The names are collected first, so that no deletion disturbs the search in progress.
    const std::string prefix = with_trailing_separator(folder);
    std::vector<FoundEntry> entries = runtime_search(prefix + "*");
    // Every folder but a drive's root holds its own "." entry, so a search that finds nothing
    // means the folder is missing, with nothing to delete, or cannot be searched.
    if (entries.empty()) {
        if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
            return {};
        }
        return {prefix};
    }
    // In search order, so that the files left behind are named in the same order everywhere.
    std::sort(entries.begin(), entries.end(), [](const FoundEntry& a, const FoundEntry& b) {
        return comes_before_in_search_order(a.name, b.name);
    });
    std::vector<std::string> kept;
    for (const FoundEntry& entry : entries) {
        // Folders stay, and so do junctions and folder links, which are marked as folders.
        if (entry.is_folder) {
            continue;
        }
        const std::string path = prefix + entry.name;
        // A read-only file is deleted too: left in place, a stale picture would be packed.
        if (entry.is_read_only) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        // A file held open by another program without delete sharing (a viewer, a virus
        // scanner) cannot be deleted; one that is gone by now needs no deleting.
        if (DeleteFileA(path.c_str()) == 0 && GetLastError() != ERROR_FILE_NOT_FOUND) {
            kept.push_back(path);
        }
    }
    return kept;
}

bool replace_file(const std::string& from, const std::string& to) {
    // Without the flush, a crash soon after the move could leave the final name on a file whose
    // bytes never reached the disk.
    const HANDLE file = CreateFileA(from.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool flushed = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    return flushed && MoveFileExA(from.c_str(), to.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool remove_file(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
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

// ---- Streams ----

std::FILE* open_regular_stream(const std::string& path) {
    // The sharing is the runtime's own for fopen. A folder does not open without backup
    // semantics; a device or a pipe opens without waiting and is refused by its type.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return nullptr;
    }
    return stream_over(file, _O_RDONLY, "rb");
}

std::FILE* create_new_stream(const std::string& path, bool& name_taken) {
    // CREATE_NEW fails on any entry of the name, a link included, and never follows one.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        name_taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        return nullptr;
    }
    name_taken = false;
    std::FILE* stream = stream_over(file, _O_WRONLY, "wb");
    if (stream == nullptr) {
        DeleteFileA(path.c_str());
    }
    return stream;
}

// ---- 64-bit file offsets ----

// The 64-bit calls: the plain ones stop at 2 GiB, since a long is 32 bits on Windows.
int64_t tell_offset(std::FILE* stream) {
    return _ftelli64(stream);
}

bool seek_offset(std::FILE* stream, int64_t offset, int origin) {
    return _fseeki64(stream, offset, origin) == 0;
}

}  // namespace framestow::platform

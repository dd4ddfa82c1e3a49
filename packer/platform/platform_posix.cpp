// The platform layer on POSIX systems (Linux): program path, INI lookup, folders, file deletion
// and replacement, wildcard listing and checked file access.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <utility>

#include "platform/name_matching.h"
#include "platform/platform.h"
#include "platform/stdio_files.h"
#include "platform/stdio_offsets.h"

namespace framestow::platform {

namespace {

constexpr char kSeparator = '/';

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && to_upper_ascii(a) == to_upper_ascii(b);
}

// The full target of a symbolic link, however long: the buffer grows until readlink leaves
// room to spare, since a result that fills the buffer may have been cut.
std::optional<std::string> read_link(const char* link) {
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(link, target.data(), target.size());
        if (length < 0) {
            return std::nullopt;
        }
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

// ---- INI lookup ----

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// One pair of matching quotes around the whole value is not part of it.
std::string_view strip_enclosing_quotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// The name of the section that `line` opens, when it is a section header: the text between
// '[' and the first ']', without blanks; text after the ']' is ignored.
std::optional<std::string_view> section_header_name(std::string_view line) {
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return trim_blanks(line.substr(1, close - 1));
}

// A key line: the name before the first '=' and the value after it. A line without '=' is a
// key with an empty value, as the Windows lookup treats it.
struct KeyLine {
    std::string_view name;
    std::string_view value;
};

KeyLine split_key_line(std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return {trim_blanks(line), {}};
    }
    return {trim_blanks(line.substr(0, equals)), trim_blanks(line.substr(equals + 1))};
}

// A UTF-8 byte order mark, as editors put it at the start of a file. Left in place it would hide
// the first section header, so it is dropped.
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";

// The file's bytes, up to the length it had when opened; empty, as a missing file gives, when it
// is not a regular file, is longer than kMaxIniFileSize or cannot be read.
std::string read_ini_file(const std::string& path) {
    File file = File::open_for_reading(path);
    const std::optional<uint64_t> length = file.length();
    if (!length || *length > kMaxIniFileSize) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(*length), '\0');
    bytes.resize(file.read(bytes.data(), bytes.size()));
    if (file.read_failed()) {
        return {};
    }
    return bytes;
}

void append_utf8(std::string& text, uint32_t code_point) {
    if (code_point < 0x80) {
        text += static_cast<char>(code_point);
    } else if (code_point < 0x800) {
        text += static_cast<char>(0xC0 | (code_point >> 6));
        text += static_cast<char>(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        text += static_cast<char>(0xE0 | (code_point >> 12));
        text += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (code_point >> 18));
        text += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code_point & 0x3F));
    }
}

bool is_high_surrogate(uint32_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}

bool is_low_surrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}

// UTF-16 text (after its byte order mark) as UTF-8. A last odd byte is read as a code unit whose
// missing byte is 0, as the Windows lookup reads it; an unpaired surrogate becomes U+FFFD.
std::string utf16_to_utf8(std::string_view bytes, bool big_endian) {
    const auto byte_at = [bytes](std::size_t index) -> uint32_t {
        return index < bytes.size() ? static_cast<unsigned char>(bytes[index]) : 0;
    };
    const auto unit_at = [byte_at, big_endian](std::size_t index) -> uint32_t {
        const uint32_t first = byte_at(2 * index);
        const uint32_t second = byte_at(2 * index + 1);
        return big_endian ? (first << 8 | second) : (second << 8 | first);
    };
    constexpr uint32_t kReplacementCharacter = 0xFFFD;
    const std::size_t units = (bytes.size() + 1) / 2;
    std::string text;
    text.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        const uint32_t unit = unit_at(i);
        if (is_high_surrogate(unit) && i + 1 < units && is_low_surrogate(unit_at(i + 1))) {
            append_utf8(text, 0x10000 + ((unit - 0xD800) << 10) + (unit_at(i + 1) - 0xDC00));
            ++i;
        } else if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
            append_utf8(text, kReplacementCharacter);
        } else {
            append_utf8(text, unit);
        }
    }
    return text;
}

// The text of an INI file in single bytes: UTF-16, told by its byte order mark, turned into
// UTF-8; a UTF-8 byte order mark dropped; anything else as it stands.
std::string ini_text(std::string bytes) {
    const std::string_view view = bytes;
    if (view.starts_with(kUtf16LittleEndianMark)) {
        return utf16_to_utf8(view.substr(kUtf16LittleEndianMark.size()), false);
    }
    if (view.starts_with(kUtf16BigEndianMark)) {
        return utf16_to_utf8(view.substr(kUtf16BigEndianMark.size()), true);
    }
    if (view.starts_with(kUtf8ByteOrderMark)) {
        bytes.erase(0, kUtf8ByteOrderMark.size());
    }
    return bytes;
}

// Takes the next line off the front of `rest`. LF, CR LF and a CR alone all end a line; the empty
// line that CR LF leaves between its two characters is skipped like every blank line.
std::string_view take_line(std::string_view& rest) {
    const std::size_t end = rest.find_first_of("\r\n");
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return line;
}

// ---- Wildcard search ----

// Every entry name of a folder, including "." and "..", which every folder has even where
// readdir leaves them out. Empty when the folder cannot be read.
std::set<std::string> folder_entries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return {};
    }
    std::set<std::string> names = {".", ".."};
    while (const dirent* entry = ::readdir(dir)) {
        names.insert(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

}  // namespace

std::string program_folder() {
    // Without /proc the program's own path is unknown; the current folder is then used rather
    // than the root, which is where an empty working path would put every file.
    const std::optional<std::string> program = read_link("/proc/self/exe");
    if (!program) {
        return ".";
    }
    const std::size_t last_separator = program->rfind(kSeparator);
    if (last_separator == std::string::npos) {
        return *program;
    }
    // A program in "/" gives an empty folder, so that folder + "/image/" is still "/image/".
    return program->substr(0, last_separator);
}

std::string path_literal(std::string_view backslash_literal) {
    std::string path(backslash_literal);
    std::replace(path.begin(), path.end(), '\\', kSeparator);
    return path;
}

std::string read_ini_value(const std::string& ini_path, std::string_view section,
                           std::string_view key) {
    const std::string text = ini_text(read_ini_file(ini_path));
    std::string_view rest = text;
    bool in_wanted_section = false;
    while (!rest.empty()) {
        const std::string_view line = trim_blanks(take_line(rest));
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (const std::optional<std::string_view> name = section_header_name(line)) {
            // The wanted section ends at the next header. The first section of the name wins
            // whole: a later one of the same name is not searched.
            if (in_wanted_section) {
                return {};
            }
            in_wanted_section = equal_ignoring_case(*name, section);
            continue;
        }
        if (!in_wanted_section) {
            continue;
        }
        const KeyLine key_line = split_key_line(line);
        if (equal_ignoring_case(key_line.name, key)) {
            return std::string(strip_enclosing_quotes(key_line.value));
        }
    }
    return {};
}

bool folder_exists(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool create_folder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

std::vector<std::string> delete_files_in(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        if (errno == ENOENT) {
            return {};
        }
        return {folder};
    }
    // Names are collected first: removing entries while readdir walks the folder may make it
    // skip some.
    std::vector<std::string> names;
    bool listed_whole = true;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            listed_whole = errno == 0;
            break;
        }
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    // In search order, so that the files left behind are named in the same order everywhere.
    std::sort(names.begin(), names.end(), comes_before_in_search_order);
    std::vector<std::string> kept;
    if (!listed_whole) {
        kept.push_back(folder);
    }
    const int folder_fd = ::dirfd(dir);
    for (const std::string& name : names) {
        // Folders are skipped before unlinking is asked for, since POSIX lets some systems unlink
        // a folder for a privileged process. A symbolic link is removed itself, never what it
        // points to. A file that is gone by now needs no deleting.
        struct stat status {};
        if (::fstatat(folder_fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) {
                kept.push_back(folder + name);
            }
            continue;
        }
        if (!S_ISDIR(status.st_mode) && ::unlinkat(folder_fd, name.c_str(), 0) != 0 &&
            errno != ENOENT) {
            kept.push_back(folder + name);
        }
    }
    ::closedir(dir);
    return kept;
}

bool replace_file(const std::string& from, const std::string& to) {
    // Without the flush, a crash soon after the rename could leave the final name on an empty or
    // partly written file on file systems that write data later than names. Only the file itself
    // is flushed: a link or a FIFO put at its name meanwhile is neither followed nor waited on.
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    const bool flushed = ::fsync(fd) == 0;
    ::close(fd);
    return flushed && ::rename(from.c_str(), to.c_str()) == 0;
}

bool remove_file(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

std::vector<std::string> wildcard_search(const std::string& pattern) {
    const std::size_t last_separator = pattern.rfind(kSeparator);
    const std::string folder =
        last_separator == std::string::npos ? "." : pattern.substr(0, last_separator + 1);
    const std::string_view name_pattern = std::string_view(pattern).substr(
        last_separator == std::string::npos ? 0 : last_separator + 1);
    std::vector<std::string> found;
    if (name_pattern.empty()) {
        return found;
    }
    for (const std::string& name : folder_entries(folder)) {
        if (matches_name_pattern(name_pattern, name)) {
            found.push_back(name);
        }
    }
    std::sort(found.begin(), found.end(), comes_before_in_search_order);
    return found;
}

// ---- Streams ----

std::FILE* open_regular_stream(const std::string& path) {
    // A FIFO or a device is refused before it is opened at all: opening either may wait for a
    // writer or act on the device. O_NONBLOCK covers an entry swapped in after the check.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    std::FILE* stream = nullptr;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && flags >= 0 &&
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) {
        stream = ::fdopen(fd, "rb");
    }
    if (stream == nullptr) {
        ::close(fd);
    }
    return stream;
}

std::FILE* create_new_stream(const std::string& path, bool& name_taken) {
    // O_EXCL fails on any entry of the name, a link included; the umask takes its bits off 0666
    // as for any new file.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    name_taken = fd < 0 && errno == EEXIST;
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* stream = ::fdopen(fd, "wb");
    if (stream == nullptr) {
        ::close(fd);
        ::unlink(path.c_str());
    }
    return stream;
}

// ---- 64-bit file offsets ----

int64_t tell_offset(std::FILE* stream) {
    return ::ftello(stream);
}

bool seek_offset(std::FILE* stream, int64_t offset, int origin) {
    return ::fseeko(stream, static_cast<off_t>(offset), origin) == 0;
}

}  // namespace framestow::platform

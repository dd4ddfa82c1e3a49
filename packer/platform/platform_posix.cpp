// The platform layer on POSIX systems (Linux): program path, INI lookup, folders, wildcard
// listing and checked file access.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <utility>

#include "platform/platform.h"

namespace framestow::platform {

namespace {

constexpr char kSeparator = '/';

char to_upper_ascii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string to_upper_ascii(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return to_upper_ascii(c); });
    return upper;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return to_upper_ascii(x) == to_upper_ascii(y);
           });
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

// As on Windows, a pattern that ends in ".*" also matches a name without a dot, with the ".*"
// standing for nothing: "*.*" matches every name and "readme.*" matches "readme".
bool matches_name_pattern(std::string_view pattern, std::string_view name) {
    if (matches_wildcard(pattern, name)) {
        return true;
    }
    constexpr std::string_view kAnyExtension = ".*";
    return pattern.ends_with(kAnyExtension) && name.find('.') == std::string_view::npos &&
           matches_wildcard(pattern.substr(0, pattern.size() - kAnyExtension.size()), name);
}

// The order in which the Windows file system delivers names: by their upper-cased bytes, and
// names that differ only in case by their own bytes, so the order is total.
bool comes_before_in_search_order(const std::string& a, const std::string& b) {
    const std::string upper_a = to_upper_ascii(a);
    const std::string upper_b = to_upper_ascii(b);
    if (upper_a != upper_b) {
        return upper_a < upper_b;
    }
    return a < b;
}

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
    std::ifstream ini(ini_path, std::ios::binary);
    std::string line;
    bool first_line = true;
    bool in_wanted_section = false;
    while (std::getline(ini, line)) {
        std::string_view text = line;
        if (first_line && text.starts_with(kUtf8ByteOrderMark)) {
            text.remove_prefix(kUtf8ByteOrderMark.size());
        }
        first_line = false;
        if (text.ends_with('\r')) {
            text.remove_suffix(1);
        }
        text = trim_blanks(text);
        if (text.empty() || text.front() == ';') {
            continue;
        }
        if (const std::optional<std::string_view> name = section_header_name(text)) {
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
        const KeyLine key_line = split_key_line(text);
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

void delete_files_in(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    // Names are collected first: removing entries while readdir walks the folder may make it
    // skip some.
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    const int folder_fd = ::dirfd(dir);
    for (const std::string& name : names) {
        // Folders are skipped before unlinking is asked for, since POSIX lets some systems unlink
        // a folder for a privileged process. A symbolic link is removed itself, never what it
        // points to.
        struct stat status {};
        if (::fstatat(folder_fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            !S_ISDIR(status.st_mode)) {
            ::unlinkat(folder_fd, name.c_str(), 0);
        }
    }
    ::closedir(dir);
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
    const off_t position = ::ftello(stream_);
    if (position < 0 || ::fseeko(stream_, 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const off_t end = ::ftello(stream_);
    // The position is put back, so measuring does not disturb reading.
    if (end < 0 || ::fseeko(stream_, position, SEEK_SET) != 0) {
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
    // A flush that failed earlier, inside a seek for length(), leaves only the error flag behind.
    if (std::ferror(stream_) != 0) {
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

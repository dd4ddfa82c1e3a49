#include "mapping_source.h"

#include <array>
#include <utility>

#include "mapping_fixed_text.h"
#include "text_scanner.h"

namespace framestow::inspect {

namespace {

// Fixed lines between the tables, as framestow writes them.
constexpr std::string_view kZeroCountLine = "// Count = 0 for the following app";
constexpr std::string_view kPragma = "TEXT_LOCATION_FLASH_PRAGMA";
constexpr std::string_view kAppsComment =
    "// Define all the apps headers here to point the bitmap address";
constexpr std::string_view kAppsOpening =
    "const AppIndexAttribute apps[BITMAP_APP_COUNT] TEXT_LOCATION_FLASH_ATTRIBUTE = {";

// The file's lines, without their CR LF or LF, read front to back.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : rest_(text) {}

    bool at_end() const { return rest_.empty(); }
    // The number of the line that next() gives, from 1.
    std::size_t number() const { return number_ + 1; }

    std::string_view peek() const { return split().first; }
    std::string_view next() {
        const auto [line, used] = split();
        rest_.remove_prefix(used);
        ++number_;
        return line;
    }

  private:
    std::pair<std::string_view, std::size_t> split() const {
        const std::size_t end = rest_.find('\n');
        std::string_view line = rest_.substr(0, end);
        const std::size_t used = end == std::string_view::npos ? rest_.size() : end + 1;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        return {line, used};
    }

    std::string_view rest_;
    std::size_t number_ = 0;
};

// A reading failure: the line it stands at and what was expected there.
struct Failure {
    std::size_t line;
    std::string what;
};

class SourceParser {
  public:
    explicit SourceParser(std::string_view text) : lines_(text) {}

    SourceReading run() {
        SourceReading reading;
        if (!read_opening() || !read_package_lines() || !read_tables() || !read_apps_table()) {
            reading.error = "line " + std::to_string(failure_.line) + ": " + failure_.what;
            return reading;
        }
        read_lookup_function();
        reading.source = std::move(source_);
        return reading;
    }

  private:
    bool fail(std::size_t line, std::string what) {
        failure_ = {line, std::move(what)};
        return false;
    }

    bool fail_here(std::string_view expected) {
        if (lines_.at_end()) {
            return fail(lines_.number(),
                        "the file ends where " + std::string(expected) + " should follow");
        }
        if (has_leading_zero_number(lines_.peek())) {
            return fail(lines_.number(),
                        "a number with a leading zero, which a compiler reads as octal: " +
                            quoted_excerpt(lines_.peek()));
        }
        return fail(lines_.number(), "expected " + std::string(expected) + ", found " +
                                         quoted_excerpt(lines_.peek()));
    }

    bool expect_line(std::string_view expected) {
        if (lines_.at_end() || lines_.peek() != expected) {
            return fail_here(quoted_excerpt(expected, 100));
        }
        lines_.next();
        return true;
    }

    // The opening comment is framestow's, line for line: a line that closed it early could
    // follow it with preprocessor lines that change what every look-up finds. The includes and
    // the comment before the package lines follow it exactly.
    bool read_opening() {
        if (lines_.at_end() || lines_.peek() != kOpeningComment.front()) {
            return fail(1,
                        "not a BitmapMapping.cpp written by framestow: it does not begin with "
                        "framestow's comment");
        }
        for (const std::string_view expected : kOpeningComment) {
            if (lines_.at_end() || lines_.peek() != expected) {
                return fail(lines_.number(),
                            "not a BitmapMapping.cpp written by framestow: its opening comment "
                            "differs from framestow's, found " +
                                quoted_excerpt(lines_.peek()));
            }
            lines_.next();
        }
        for (const std::string_view expected : kAfterComment) {
            if (!expect_line(expected)) {
                return false;
            }
        }
        return true;
    }

    bool read_package_lines() {
        while (!lines_.at_end() && !lines_.peek().empty()) {
            PackageLine package;
            package.line = lines_.number();
            const std::string_view line = lines_.next();
            TextScanner scan(line);
            bool ok = scan.take("//");
            package.name = std::string(scan.take_name());
            ok = ok && !package.name.empty() && scan.take(":") && scan.take("version") &&
                 scan.take("=");
            for (std::size_t part = 0; ok && part < package.version.size(); ++part) {
                const std::optional<uint64_t> number = scan.take_unsigned();
                ok = number.has_value() && (part == 3 || scan.take("."));
                package.version[part] = number.value_or(0);
            }
            const std::optional<uint64_t> size =
                ok && scan.take("size") && scan.take("=") ? scan.take_unsigned() : std::nullopt;
            if (!size || !scan.only_blanks_left()) {
                return fail(package.line,
                            "expected a package line such as \"// gui01.bin: version = 1.0.0.1  "
                            "size = 1024\", found " +
                                quoted_excerpt(line));
            }
            package.size = *size;
            source_.packages.push_back(std::move(package));
        }
        return true;
    }

    // Package sections ("// gui01.bin" and its tables), then the zero-count block, up to the
    // line that defines BITMAP_APP_COUNT.
    bool read_tables() {
        std::string package;
        bool zero_count = false;
        while (!lines_.at_end()) {
            const std::string_view line = lines_.peek();
            if (line.empty()) {
                lines_.next();
            } else if (line.starts_with("#define BITMAP_APP_COUNT")) {
                return true;
            } else if (line == kZeroCountLine) {
                zero_count = true;
                lines_.next();
            } else if (line == kPragma) {
                lines_.next();
                if (!read_table(package, zero_count)) {
                    return false;
                }
            } else if (!zero_count && line.starts_with("//")) {
                TextScanner scan(lines_.next());
                scan.take("//");
                package = std::string(scan.take_name());
                if (!scan.only_blanks_left()) {
                    return fail(lines_.number() - 1,
                                "expected a package section line such as \"// gui01.bin\", "
                                "found " +
                                    quoted_excerpt(line));
                }
            } else {
                return fail_here("a table, a package section or \"#define BITMAP_APP_COUNT\"");
            }
        }
        return fail_here("\"#define BITMAP_APP_COUNT\"");
    }

    bool read_table(const std::string& package, bool zero_count) {
        BitmapTable table;
        table.package = zero_count ? std::string() : package;
        table.zero_count = zero_count;
        table.line = lines_.number();
        if (lines_.at_end() || !read_table_declaration(lines_.peek(), table)) {
            return fail_here(
                "a table declaration such as \"const BitmapAttribute "
                "bitmapsA001[3] TEXT_LOCATION_FLASH_ATTRIBUTE = {\"");
        }
        lines_.next();
        while (!lines_.at_end() && lines_.peek() != "};") {
            TableRow row;
            row.line = lines_.number();
            if (!read_table_row(lines_.peek(), zero_count, row)) {
                return fail_here(
                    "a row such as \"    { 8, 1024 }, // 0: A001_001.png = { "
                    "offset, size }\" or \"};\" (table bitmaps" +
                    table.app_id + ")");
            }
            lines_.next();
            table.rows.push_back(std::move(row));
        }
        if (!expect_line("};")) {
            return false;
        }
        source_.tables.push_back(std::move(table));
        return true;
    }

    static bool read_table_declaration(std::string_view line, BitmapTable& table) {
        TextScanner scan(line);
        bool ok = scan.take("const") && scan.take("BitmapAttribute") && scan.take("bitmaps");
        table.app_id = std::string(scan.take_name());
        const std::optional<uint64_t> length =
            ok && scan.take("[") ? scan.take_unsigned() : std::nullopt;
        ok = length && scan.take("]") && scan.take("TEXT_LOCATION_FLASH_ATTRIBUTE") &&
             scan.take("=") && scan.take("{") && scan.take("//");
        const std::optional<uint64_t> count = ok ? scan.take_unsigned() : std::nullopt;
        ok = count && scan.take(":") && scan.take("the number of");
        if (!ok) {
            return false;
        }
        table.declared_length = *length;
        table.comment_count = *count;
        if (table.zero_count) {
            ok = scan.take("items of");
            table.comment_app_id = std::string(scan.take_name());
        } else {
            ok = scan.take("pictures of");
            table.comment_app_id = std::string(scan.take_name());
            ok = ok && scan.take("module");
        }
        return ok && scan.only_blanks_left();
    }

    static bool read_table_row(std::string_view line, bool zero_count, TableRow& row) {
        TextScanner scan(line);
        const std::optional<uint64_t> offset = scan.take("{") ? scan.take_unsigned() : std::nullopt;
        const std::optional<uint64_t> size =
            offset && scan.take(",") ? scan.take_unsigned() : std::nullopt;
        if (!size || !scan.take("}")) {
            return false;
        }
        row.offset = *offset;
        row.size = *size;
        row.comma = scan.take(",");
        if (scan.only_blanks_left()) {
            return true;
        }
        if (!scan.take("//")) {
            return false;
        }
        row.has_comment = true;
        if (zero_count) {
            return scan.take("png file count = 0") && scan.only_blanks_left();
        }
        const std::optional<uint64_t> index = scan.take_unsigned();
        if (!index || !scan.take(":")) {
            return false;
        }
        row.comment_index = *index;
        row.comment_placeholder = scan.take("There's no");
        row.comment_name = std::string(scan.take_name());
        if (row.comment_name.empty()) {
            return false;
        }
        if (!row.comment_placeholder && !(scan.take("=") && scan.take("{") && scan.take("offset") &&
                                          scan.take(",") && scan.take("size") && scan.take("}"))) {
            return false;
        }
        return scan.only_blanks_left();
    }

    bool read_apps_table() {
        source_.app_count_line = lines_.number();
        TextScanner scan(lines_.next());
        const std::optional<uint64_t> count =
            scan.take("#define BITMAP_APP_COUNT") ? scan.take_unsigned() : std::nullopt;
        if (!count || !scan.only_blanks_left()) {
            return fail(source_.app_count_line,
                        "expected \"#define BITMAP_APP_COUNT\" and a number");
        }
        source_.app_count = *count;
        if (!expect_line(kAppsComment) || !expect_line(kPragma) || !expect_line(kAppsOpening)) {
            return false;
        }
        while (!lines_.at_end() && lines_.peek() != "};") {
            AppEntry entry;
            entry.line = lines_.number();
            if (!read_app_entry(lines_.peek(), entry)) {
                return fail_here(
                    "an entry such as \"    { 1, 3, bitmapsA001 }, // 0: A001\" or "
                    "\"};\" (table apps)");
            }
            lines_.next();
            source_.apps.push_back(std::move(entry));
        }
        return expect_line("};");
    }

    static bool read_app_entry(std::string_view line, AppEntry& entry) {
        TextScanner scan(line);
        const std::optional<int64_t> bin_index = scan.take("{") ? scan.take_signed() : std::nullopt;
        const std::optional<int64_t> png_count =
            bin_index && scan.take(",") ? scan.take_signed() : std::nullopt;
        if (!png_count || !scan.take(",") || !scan.take("bitmaps")) {
            return false;
        }
        entry.bin_index = *bin_index;
        entry.png_count = *png_count;
        entry.table_app_id = std::string(scan.take_name());
        if (!scan.take("}")) {
            return false;
        }
        entry.comma = scan.take(",");
        const std::optional<uint64_t> index = scan.take("//") ? scan.take_unsigned() : std::nullopt;
        if (!index || !scan.take(":")) {
            return false;
        }
        entry.comment_index = *index;
        entry.comment_app_id = std::string(scan.take_name());
        return !entry.comment_app_id.empty() && scan.only_blanks_left();
    }

    // The firmware calls this function; any change to it changes what the device finds.
    void read_lookup_function() {
        while (!lines_.at_end() && lines_.peek().empty()) {
            lines_.next();
        }
        for (const std::string_view expected : kLookupFunction) {
            if (lines_.at_end() || lines_.peek() != expected) {
                source_.lookup_differs_at = lines_.number();
                return;
            }
            lines_.next();
        }
        if (!lines_.at_end()) {
            source_.lookup_differs_at = lines_.number();
        }
    }

    LineReader lines_;
    MappingSource source_;
    Failure failure_{0, {}};
};

}  // namespace

SourceReading read_mapping_source(std::string_view text) {
    return SourceParser(text).run();
}

std::optional<int> app_number(std::string_view app_id) {
    if (app_id.size() != 4 || app_id[0] != 'A') {
        return std::nullopt;
    }
    int number = 0;
    for (const char c : app_id.substr(1)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

}  // namespace framestow::inspect

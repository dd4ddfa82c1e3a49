#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace framestow::platform {
namespace {

using testing::TempFolder;
using testing::write_text;

struct IniCase {
    const char* what;
    std::string file;
    const char* section;
    const char* key;
    std::string expected;
};

// `ascii` as UTF-16 in the given byte order, after its byte order mark, as Windows PowerShell and
// Notepad write "Unicode" text.
std::string utf16_with_mark(std::string_view ascii, bool big_endian = false) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii) {
        bytes += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
}

std::string long_app_list() {
    std::string list;
    for (int app = 1; app <= 80; ++app) {
        list += "A" + std::string(app < 10 ? "00" : "0") + std::to_string(app) + ",";
    }
    return list;  // 400 characters, well past the 254 that a fixed buffer would keep
}

TEST(ReadIniValue, FindsValuesAsTheWindowsLookupDoes) {
    const std::string long_list = long_app_list();
    const std::string huge_value(200000, 'x');
    const IniCase cases[] = {
        {"names ignore case", "[PNG]\nZip_Type=1\n", "png", "zip_type", "1"},
        {"blanks around everything", "  [png]  \n \t zip_type \t=\t 1 \t\n", "png", "zip_type",
         "1"},
        {"blanks inside the brackets", "[ png\t]\nzip_type=1\n", "png", "zip_type", "1"},
        {"text after the header", "[png] ; settings\nzip_type=1\n", "png", "zip_type", "1"},
        {"blanks inside a value stay", "[gui01.bin]\napp_list = A001, A002 \n", "gui01.bin",
         "app_list", "A001, A002"},
        {"double quotes", "[s]\nname=\"gui01.bin\"\n", "s", "name", "gui01.bin"},
        {"single quotes keep inner blanks", "[s]\nname = ' a b ' \n", "s", "name", " a b "},
        {"only one pair of quotes", "[s]\nname=\"\"x\"\"\n", "s", "name", "\"x\""},
        {"unmatched quotes stay", "[s]\nname=\"abc'\n", "s", "name", "\"abc'"},
        {"a lone quote stays", "[s]\nname=\"\n", "s", "name", "\""},
        {"empty quotes", "[s]\nname=''\n", "s", "name", ""},
        {"';' line is a comment", "[s]\n;k=5\n  ; k=6\nk=1\n", "s", "k", "1"},
        {"'#' line is a key", "[s]\n#k=5\nk=1\n", "s", "#k", "5"},
        {"'#' line hides nothing", "[s]\n#k=5\nk=1\n", "s", "k", "1"},
        {"no comment cut from a value", "[s]\nk=1 ; fast\n", "s", "k", "1 ; fast"},
        {"'=' inside a value", "[s]\nk=a=b\n", "s", "k", "a=b"},
        {"first key wins", "[s]\nk=1\nk=2\n", "s", "k", "1"},
        {"first section wins", "[s]\nk=1\n[t]\n[S]\nk=2\n", "s", "k", "1"},
        {"later section of the name is not searched", "[s]\nk=1\n[t]\n[s]\nj=2\n", "s", "j", ""},
        {"key of the next section", "[s]\n[t]\nk=1\n", "s", "k", ""},
        {"key before any section", "k=1\n[s]\n", "s", "k", ""},
        {"section name is a prefix", "[png2]\nk=1\n", "png", "k", ""},
        {"key name is a prefix", "[s]\nkey=1\n", "s", "ke", ""},
        {"long value read whole", "[gui01.bin]\napp_list=" + long_list + "\n", "gui01.bin",
         "app_list", long_list},
        {"very long line", "[s]\nk=" + huge_value + "\nj=2\n", "s", "j", "2"},
        {"CR LF line ends", "[s]\r\nk=1\r\nj=\r\n", "s", "k", "1"},
        {"CR LF empty value", "[s]\r\nk=1\r\nj=\r\n", "s", "j", ""},
        {"CR LF after blanks", "[s] \r\nk = 1 \r\n", "s", "k", "1"},
        {"no final line end", "[s]\nk=1", "s", "k", "1"},
        {"blank lines", "\n\n[s]\n\n \t\nk=1\n\n", "s", "k", "1"},
        {"empty value", "[s]\nk=\nk=2\n", "s", "k", ""},
        // A line without '=' is a key with an empty value, and as the first such key it wins.
        {"key without '='", "[s]\nk\nk=2\n", "s", "k", ""},
        // Editors may start the file with a UTF-8 byte order mark; it does not hide the first
        // section.
        {"UTF-8 byte order mark", "\xEF\xBB\xBF[s]\nk=1\n", "s", "k", "1"},
        {"a lone CR ends a line", "[s]\rk=1\rj=2", "s", "k", "1"},
        {"a lone CR ends a value", "[s]\nk=a\rj=2\n", "s", "k", "a"},
        {"the line after a lone CR", "[s]\nk=a\rj=2\n", "s", "j", "2"},
        {"a lone CR ends a header", "[t]\r[s]\rk=1\r", "s", "k", "1"},
        {"CR CR LF", "[s]\r\r\nk=1\r\r\n", "s", "k", "1"},
        {"UTF-16 little-endian", utf16_with_mark("[png]\r\nzip_type=1\r\n"), "png", "zip_type",
         "1"},
        {"UTF-16 big-endian", utf16_with_mark("[png]\r\nzip_type=1\r\n", true), "png", "zip_type",
         "1"},
        {"UTF-16 names ignore case", utf16_with_mark("[GUI01.BIN]\nApp_List = \"A001,A002\"\n"),
         "gui01.bin", "app_list", "A001,A002"},
        {"UTF-16 lone CR", utf16_with_mark("[s]\rk=a\rj=2", true), "s", "j", "2"},
        {"UTF-16 long value", utf16_with_mark("[gui01.bin]\napp_list=" + long_list + "\n"),
         "gui01.bin", "app_list", long_list},
        // A last odd byte is a code unit whose other byte is 0.
        {"UTF-16 last odd byte", utf16_with_mark("[s]\nk=1") + "2", "s", "k", "12"},
        {"UTF-16 last odd byte on a line of its own", utf16_with_mark("[s]\nk=1\n", true) + "2",
         "s", "k", "1"},
        {"UTF-16 byte order mark alone", utf16_with_mark(""), "s", "k", ""},
        // The mark is taken once: a second one is a character of the first line.
        {"UTF-16 second byte order mark",
         utf16_with_mark("") + "\xFF\xFE" + utf16_with_mark("[s]\nk=1\n").substr(2), "s", "k", ""},
        {"UTF-16 without a byte order mark", utf16_with_mark("[s]\nk=1\n").substr(2), "s", "k", ""},
        {"missing section", "[s]\nk=1\n", "t", "k", ""},
        {"missing key", "[s]\nk=1\n", "s", "j", ""},
        {"empty file", "", "s", "k", ""},
    };
    TempFolder folder;
    const std::string ini = folder.file("config.ini");
    for (const IniCase& c : cases) {
        write_text(ini, c.file);
        EXPECT_EQ(read_ini_value(ini, c.section, c.key), c.expected) << c.what;
    }
}

TEST(ReadIniValue, GivesEmptyTextWithoutAReadableFile) {
    TempFolder folder;
    EXPECT_EQ(read_ini_value(folder.file("missing.ini"), "s", "k"), "");
    EXPECT_EQ(read_ini_value(folder.path().string(), "s", "k"), "");
}

}  // namespace
}  // namespace framestow::platform

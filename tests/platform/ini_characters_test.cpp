// What the POSIX INI lookup gives for characters beyond ASCII in a UTF-16 file: UTF-8, where the
// Windows lookup gives the ANSI code page. The packer's own names and values are ASCII.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace framestow::platform {
namespace {

using testing::TempFolder;
using testing::write_text;

// Code units in little-endian order after the byte order mark.
std::string utf16_units(std::initializer_list<char16_t> units) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

TEST(ReadIniValue, OtherCharactersOfAUtf16FileComeBackAsUtf8) {
    const struct {
        const char* what;
        std::initializer_list<char16_t> value;
        std::string expected;
    } cases[] = {
        {"two-byte character", {u'x', 0x00E9}, "x\xC3\xA9"},
        {"three-byte character", {0x20AC, u'-'}, "\xE2\x82\xAC-"},
        {"surrogate pair", {0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},
        {"high surrogate alone", {0xD800, u'x'}, "\xEF\xBF\xBDx"},
        {"low surrogate alone", {u'x', 0xDC00}, "x\xEF\xBF\xBD"},
        {"two high surrogates", {0xD800, 0xD800, 0xDC00}, "\xEF\xBF\xBD\xF0\x90\x80\x80"},
        {"a code unit that looks like a line end", {0x0A0D, u'x'}, "\xE0\xA8\x8Dx"},
    };
    TempFolder folder;
    const std::string ini = folder.file("config.ini");
    for (const auto& c : cases) {
        std::string file = utf16_units({u'[', u's', u']', u'\n', u'k', u'='});
        file += utf16_units(c.value).substr(2);
        file += utf16_units({u'\n'}).substr(2);
        write_text(ini, file);
        EXPECT_EQ(read_ini_value(ini, "s", "k"), c.expected) << c.what;
    }
    // Big-endian, a last odd byte is the high byte of its code unit: U+7800.
    write_text(ini, std::string("\xFE\xFF\0[\0s\0]\0\n\0k\0=\0"
                                "3x",
                                17));
    EXPECT_EQ(read_ini_value(ini, "s", "k"), "3\xE7\xA0\x80");
}

}  // namespace
}  // namespace framestow::platform

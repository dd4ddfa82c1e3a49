// The readers of BitmapMapping.cpp and BitmapMapping.xml and the checks between them and the
// package files, on the texts that the packer's own generators write and on those texts changed
// in one place.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <string>
#include <vector>

#include "consistency_checks.h"
#include "mapping/mapping_source.h"
#include "mapping/mapping_xml.h"
#include "mapping_source.h"
#include "mapping_xml.h"
#include "picture_slots.h"
#include "support/files.h"
#include "support/stdout_capture.h"
#include "support/temp_folder.h"

namespace framestow::inspect {
namespace {

using Lines = std::vector<std::string>;

struct MappingTexts {
    std::string cpp;
    std::string xml;
};

// Package gui01.bin holds A001 (picture 2 missing) and A002, gui02.bin holds A004; A003 has no
// pictures and A005 no package.
MappingTexts generated_texts() {
    BinList bins;
    bins.add({"gui01.bin", 1548, "A001,A002", parse_version("1.0.2.3")});
    bins.add({"gui02.bin", 108, "A004", parse_version("2.0.0.0")});
    const std::vector<PackageEntries> packages = {{{"A001_001.png", 100, 8},
                                                   {"A001_002.png", 0, 108},
                                                   {"A001_003.png", 40, 108},
                                                   {"A002_001.bmp", 1400, 148}},
                                                  {{"A004_001.png", 100, 8}}};
    testing::StdoutCapture console;
    std::string tables;
    tinyxml2::XMLDocument xml;
    create_mapping_xml(xml);
    for (const PackageEntries& entries : packages) {
        generate_bin_mapping_section(tables, bins, entries);
        add_bin_mapping_xml(xml, entries);
    }
    testing::TempFolder folder;
    const std::string path = folder.file("BitmapMapping.cpp");
    StagedOutput output{path, path, platform::File::open_for_writing(path)};
    EXPECT_EQ(generate_multi_mapping_cpp(
                  tables, bins,
                  {"A001_001.png", "A001_003.png", "A002_001.bmp", "A004_001.png", "A005_001.png"},
                  output),
              0);
    return {testing::read_text(path), print_mapping_xml(xml)};
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string line_of(const std::string& text, const std::string& needle) {
    if (text.find(needle) == std::string::npos) {
        ADD_FAILURE() << "no " << needle;
        return "?";
    }
    const auto end = text.begin() + static_cast<std::ptrdiff_t>(text.find(needle));
    return std::to_string(std::count(text.begin(), end, '\n') + 1);
}

Lines lines_of(const Problems& problems) {
    Lines lines;
    for (const Problem& problem : problems) {
        lines.push_back(problem.line());
    }
    return lines;
}

MappingSource read_source(const std::string& text) {
    SourceReading reading = read_mapping_source(text);
    EXPECT_TRUE(reading.source.has_value()) << reading.error;
    return reading.source.value_or(MappingSource{});
}

TEST(InspectReaders, TakeWhatTheGeneratorsWrite) {
    const MappingTexts texts = generated_texts();
    std::string lf_only = texts.cpp;
    std::erase(lf_only, '\r');
    for (const std::string& cpp : {texts.cpp, lf_only}) {
        const MappingSource source = read_source(cpp);
        EXPECT_EQ(lines_of(check_mapping_source(source)), Lines{});
        const XmlReading xml = read_mapping_xml(texts.xml);
        ASSERT_TRUE(xml.apps.has_value()) << xml.error;
        EXPECT_EQ(lines_of(check_xml_agreement(*xml.apps, source)), Lines{});

        Lines slots;
        for (const Slot& slot : slots_of(source)) {
            slots.push_back(slot.label() + " " + std::to_string(slot.app) + "/" +
                            std::to_string(slot.picture) + " " + std::to_string(slot.offset) + "+" +
                            std::to_string(slot.size));
        }
        EXPECT_EQ(slots,
                  (Lines{"gui01.bin A001_001.png 1/1 8+100", "gui01.bin A001_002.png 1/2 108+0",
                         "gui01.bin A001_003.png 1/3 108+40", "gui01.bin A002_001.bmp 2/1 148+1400",
                         "gui02.bin A004_001.png 4/1 8+100"}));
        ASSERT_EQ(source.apps.size(), 5u);
        EXPECT_EQ(source.apps[2].table_app_id, "A003");
        EXPECT_EQ(source.apps[4].png_count, 0);
    }
}

TEST(InspectReaders, RefuseASourceThatIsNotOurs) {
    const std::string cpp = generated_texts().cpp;
    const std::string row = "    { 108, 40 } // 2: A001_003.png = { offset, size }\r\n";
    const std::string not_ours = ": not a BitmapMapping.cpp written by framestow: ";
    const auto comment_differs = [&not_ours](int line, const std::string& found) {
        return "line " + std::to_string(line) + not_ours +
               "its opening comment differs from framestow's, found \"" + found + "\"";
    };
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"#include <cstdio>\r\nint main() {}\r\n",
         "line 1" + not_ours + "it does not begin with framestow's comment"},
        {replaced(cpp, "created by Framestow tool", "created by hand"),
         comment_differs(3, " * Description: Bitmap Mappings, this file is created by han...")},
        {replaced(cpp, " * Author: Framestow\r\n", " * Author: Framestow */ #define X 1\r\n"),
         comment_differs(4, " * Author: Framestow */ #define X 1")},
        {replaced(cpp, "{ 108, 40 }", "{ 0154, 40 }"),
         "line " + line_of(cpp, row) +
             ": a number with a leading zero, which a compiler reads as octal: \"    { 0154, 40 "
             "} // 2: A001_003.png = { offset, size }\""},
        {replaced(cpp, "#define MAX_NAME_LEN 16", "#define MAX_NAME_LEN 32"),
         "line 12: expected \"#define MAX_NAME_LEN 16\", found \"#define MAX_NAME_LEN 32\""},
        {replaced(cpp, "version = 1.0.2.3", "version = 1.0.2"),
         "line 15: expected a package line such as \"// gui01.bin: version = 1.0.0.1  size = "
         "1024\", found \"// gui01.bin: version = 1.0.2  size = 1548\""},
        {replaced(cpp, "{ 108, 40 }", "{ 108, 99999999999999999999 }"),
         "line " + line_of(cpp, row) +
             ": expected a row such as \"    { 8, 1024 }, // 0: A001_001.png = { offset, size "
             "}\" or \"};\" (table bitmapsA001), found \"    { 108, 99999999999999999999 } // "
             "2: A001_003.png = { off...\""},
        {cpp.substr(0, cpp.find(row)),
         "line " + line_of(cpp, row) + ": the file ends where \"};\" should follow"},
        {replaced(cpp, "    { 1, 3, bitmapsA001 },", "    { 1, 3, bitmapsA001 ]"),
         "line " + line_of(cpp, "{ 1, 3, bitmapsA001 }") +
             ": expected an entry such as \"    { 1, 3, bitmapsA001 }, // 0: A001\" or \"};\" "
             "(table apps), found \"    { 1, 3, bitmapsA001 ] // 0: A001\""},
    };
    for (const Case& c : cases) {
        const SourceReading reading = read_mapping_source(c.text);
        EXPECT_FALSE(reading.source.has_value());
        EXPECT_EQ(reading.error, c.error);
    }
}

TEST(InspectChecks, FindEveryDisagreementOfTheSource) {
    const std::string cpp = generated_texts().cpp;
    const auto at = [&cpp](const std::string& needle) {
        return " (BitmapMapping.cpp line " + line_of(cpp, needle) + ")";
    };
    struct Case {
        std::string from;
        std::string to;
        Lines problems;
    };
    const Case cases[] = {
        {"    { 108, 0 }, // 1: There's no A001_002.png",
         "    { 108, 0 }, // 1: A001_002.png = { offset, size }",
         {"gui01.bin A001_002.png: its size is 0, its comment does not mark it missing" +
          at("// 1: There's no")}},
        {"// 2: A001_003.png",
         "// 2: A001_004.png",
         {"gui01.bin A001_004.png: row 2 of bitmapsA001 is picture A001_003, its comment names "
          "A001_004.png" +
          at("// 2: A001_003.png")}},
        {"{ 8, 100 }, // 0:",
         "{ 8, 100 } // 0:",
         {"gui01.bin A001_001.png: no comma after its row: the file does not compile" +
          at("{ 8, 100 }")}},
        {"bitmapsA001[3]",
         "bitmapsA001[4]",
         {"BitmapMapping.cpp bitmapsA001: declared with 4 rows, its comment says 3, it holds 3" +
          at("bitmapsA001[3]")}},
        {"{ 1, 3, bitmapsA001 }",
         "{ 1, 2, bitmapsA001 }",
         {"BitmapMapping.cpp apps entry 0 (A001): pngCount 2, bitmapsA001 has 3 rows" +
          at("{ 1, 3, bitmapsA001 }")}},
        {"{ 2, 1, bitmapsA004 }",
         "{ 1, 1, bitmapsA004 }",
         {"BitmapMapping.cpp apps entry 3 (A004): binIndex 1, bitmapsA004 stands in the "
          "section of gui02.bin" +
          at("{ 2, 1, bitmapsA004 }")}},
        {"{ 2, 1, bitmapsA004 }",
         "{ 2, 1, bitmapsA003 }",
         {"BitmapMapping.cpp apps entry 3 (A004): it points at bitmapsA003: the firmware finds "
          "the pictures of A003 under application 4" +
              at("{ 2, 1, bitmapsA004 }"),
          "BitmapMapping.cpp apps entry 3 (A004): pngCount 1 for a table of the zero-count "
          "block" +
              at("{ 2, 1, bitmapsA004 }"),
          "BitmapMapping.cpp bitmapsA004: no entry of apps points at it: the firmware never "
          "finds these pictures of gui02.bin" +
              at("bitmapsA004[1]")}},
        {"#define BITMAP_APP_COUNT 5",
         "#define BITMAP_APP_COUNT 4",
         {"BitmapMapping.cpp: BITMAP_APP_COUNT is 4, the apps table has 5 entries" +
          at("#define BITMAP_APP_COUNT")}},
        {"// gui02.bin: version",
         "// gui03.bin: version",
         {"BitmapMapping.cpp: package line 2 names gui03.bin where gui02.bin belongs" +
              at("// gui02.bin: version"),
          "BitmapMapping.cpp bitmapsA004: it stands in the section of \"gui02.bin\", which no "
          "package line names" +
              at("bitmapsA004[1]")}},
        {"(pngIndex > 0) && (pngIndex <= apps[appIndex - 1].pngCount)",
         "(pngIndex > 0) && (pngIndex < apps[appIndex - 1].pngCount)",
         {"BitmapMapping.cpp: the function GetPngOffset is not the one framestow writes" +
          at("(pngIndex > 0)")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        const std::string text = replaced(cpp, c.from, c.to);
        EXPECT_EQ(lines_of(check_mapping_source(read_source(text))), c.problems);
    }
}

TEST(InspectChecks, CompareTheXmlWithTheSource) {
    const MappingTexts texts = generated_texts();
    const MappingSource source = read_source(texts.cpp);
    const auto cpp_at = [&texts](const std::string& needle) {
        return "BitmapMapping.cpp line " + line_of(texts.cpp, needle);
    };
    const auto xml_at = [&texts](const std::string& needle) {
        return "BitmapMapping.xml line " + line_of(texts.xml, needle);
    };
    struct Case {
        std::string from;
        std::string to;
        Lines problems;
        std::string error = {};
    };
    const Case cases[] = {
        {"image_size=\"40\"",
         "image_size=\"41\"",
         {"gui01.bin A001_003.png: size 40 in " + cpp_at("{ 108, 40 }") + ", 41 in " +
          xml_at("image_size=\"40\"")}},
        {"image_name=\"A001_002.png\"",
         "image_name=\"A001_012.png\"",
         {"gui01.bin A001_002.png: name A001_002.png in " + cpp_at("There's no A001_002") +
          ", A001_012.png in " + xml_at("A001_002.png")}},
        {"<app app_id=\"A004\">",
         "<app app_id=\"A005\">",
         {"gui02.bin A004: no app element in BitmapMapping.xml (" + cpp_at("bitmapsA004[1]") + ")",
          "BitmapMapping.xml: app A005, which BitmapMapping.cpp places in no package (" +
              xml_at("A004\">") + ")"}},
        {"image_offset=\"108\"/>",
         "image_offset=\"108\" extra=\"1\"/>",
         {},
         "line " + line_of(texts.xml, "image_offset=\"108\"/>") +
             ": unexpected attribute \"extra\" on image_item"},
        {"image_size=\"1400\"",
         "image_size=\"-1400\"",
         {},
         "line " + line_of(texts.xml, "1400") +
             ": an image_item needs image_name and the unsigned numbers image_size and "
             "image_offset"},
        {"</root>",
         "",
         {},
         "not readable XML: Error=XML_ERROR_PARSING ErrorID=15 (0xf) Line number=2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        const XmlReading xml = read_mapping_xml(replaced(texts.xml, c.from, c.to));
        EXPECT_EQ(xml.error, c.error);
        if (xml.apps) {
            EXPECT_EQ(lines_of(check_xml_agreement(*xml.apps, source)), c.problems);
        }
    }
}

TEST(InspectChecks, ComparePackageFilesWithTheSource) {
    const std::string cpp = generated_texts().cpp;
    const MappingSource source = read_source(cpp);
    const auto sound = [](const std::string& name, uint64_t length, uint8_t version_first) {
        return PackageFile{name, true, length, {0x55, 0x55, 0x55, 0x55, version_first, 0, 2, 3}, 8};
    };
    const PackageFile gui01 = sound("gui01.bin", 1548, 1);
    PackageFile gui02 = sound("gui02.bin", 108, 2);
    gui02.header = {0x55, 0x55, 0x55, 0x55, 2, 0, 0, 0};
    const std::string gui01_line =
        " (BitmapMapping.cpp line " + line_of(cpp, "// gui01.bin:") + ")";
    struct Case {
        const char* fault;
        std::vector<PackageFile> files;
        Lines problems;
    };
    PackageFile short_file = gui01;
    short_file.length = 5;
    short_file.header_length = 5;
    PackageFile bad_marker = gui01;
    bad_marker.header[2] = 0x54;
    PackageFile other_version = gui01;
    other_version.header[7] = 4;
    PackageFile longer = gui01;
    longer.length = 1600;
    const Case cases[] = {
        {"sound", {gui01, gui02}, {}},
        {"gui02.bin missing",
         {gui01},
         {"gui02.bin: missing from the output folder; "
          "BitmapMapping.cpp places 1 picture slot in it"}},
        {"a stray package",
         {gui01, gui02, sound("gui03.bin", 8, 3)},
         {"gui03.bin: in the output folder, but BitmapMapping.cpp names no such package"}},
        {"shorter than a header",
         {short_file, gui02},
         {"gui01.bin: 5 bytes, shorter than the 8-byte package header",
          "gui01.bin: the file is 5 bytes, BitmapMapping.cpp says size = 1548" + gui01_line,
          "gui01.bin A001_001.png: bytes 8 to 108 lie past the end of gui01.bin (5 bytes) "
          "(BitmapMapping.cpp line " +
              line_of(cpp, "{ 8, 100 }") + ")",
          "gui01.bin A001_003.png: bytes 108 to 148 lie past the end of gui01.bin (5 bytes) "
          "(BitmapMapping.cpp line " +
              line_of(cpp, "{ 108, 40 }") + ")",
          "gui01.bin A002_001.bmp: bytes 148 to 1548 lie past the end of gui01.bin (5 bytes) "
          "(BitmapMapping.cpp line " +
              line_of(cpp, "{ 148, 1400 }") + ")"}},
        {"another marker",
         {bad_marker, gui02},
         {"gui01.bin: its header begins 55 55 54 55, not 55 55 55 55"}},
        {"another version",
         {other_version, gui02},
         {"gui01.bin: version 1.0.2.4 in its header, 1.0.2.3 in BitmapMapping.cpp" + gui01_line}},
        {"bytes after the last picture",
         {longer, gui02},
         {"gui01.bin: the file is 1600 bytes, BitmapMapping.cpp says size = 1548" + gui01_line}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        EXPECT_EQ(lines_of(check_package_files(source, c.files).problems), c.problems);
    }
}

}  // namespace
}  // namespace framestow::inspect

#include "mapping/mapping_xml.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/stdout_capture.h"
#include "support/temp_folder.h"

namespace framestow {
namespace {

using testing::crlf_lines;
using testing::read_text;
using testing::TempFolder;

TEST(MappingXml, OneAppElementPerRunWithPlaceholderItems) {
    tinyxml2::XMLDocument document;
    create_mapping_xml(document);
    add_bin_mapping_xml(document, {{"A001_001.png", 1200, 8},
                                   {"A001_002.png", 0, 1208},
                                   {"A001_003.png", 340, 1208},
                                   {"A002_001.png", 512, 1548}});
    add_bin_mapping_xml(document, {});
    TempFolder folder;
    const std::string path = folder.file("BitmapMapping.xml");
    platform::File file = platform::File::open_for_writing(path);
    ASSERT_TRUE(save_mapping_xml(document, file));
    EXPECT_EQ(
        read_text(path),
        crlf_lines({
            R"(<?xml version="1.0" encoding="UTF-8" standalone="no"?>)",
            "<root>",
            R"(    <app app_id="A001">)",
            R"(        <image_item image_name="A001_001.png" image_size="1200" image_offset="8"/>)",
            R"(        <image_item image_name="A001_002.png" image_size="0" image_offset="1208"/>)",
            R"(        <image_item image_name="A001_003.png" image_size="340" image_offset="1208"/>)",
            "    </app>",
            R"(    <app app_id="A002">)",
            R"(        <image_item image_name="A002_001.png" image_size="512" image_offset="1548"/>)",
            "    </app>",
            "</root>",
        }));
    platform::File unopened = platform::File::open_for_writing(folder.file("missing/x.xml"));
    EXPECT_FALSE(save_mapping_xml(document, unopened));
    if (std::filesystem::exists("/dev/full")) {
        platform::File full = platform::File::open_for_writing("/dev/full");
        EXPECT_FALSE(save_mapping_xml(document, full));
    }
}

}  // namespace
}  // namespace framestow

// framestow-inspect's reader of BitmapMapping.xml and its comparison with BitmapMapping.cpp. The
// input is the XML file's text.
//
// The reader either refuses the text with a message, or gives the applications and their items.
// Those run through the comparison with a BitmapMapping.cpp of two applications without a fault;
// and the items, written out again in the packer's layout, read back the same.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "consistency_checks.h"
#include "fuzz_check.h"
#include "mapping_source.h"
#include "mapping_xml.h"

using fuzzcheck::require;
using namespace framestow::inspect;

namespace {

// gui01.bin holds A001 (picture 2 missing) and A002.
constexpr std::string_view kSource =
    "/*\r\n * Description: Bitmap Mappings, this file is created by Framestow tool, DO NOT MODIFY "
    "mannually!!\r\n */\r\n\r\n#include \"utils/BitmapMapping.h\"\r\n#include "
    "\"utils/SectionConfig.h\"\r\n\r\n#define MAX_NAME_LEN 16\r\n\r\n// The mapping for the "
    "following bin files.\r\n// gui01.bin: version = 1.0.0.1  size = 168\r\n\r\n// gui01.bin\r\n"
    "TEXT_LOCATION_FLASH_PRAGMA\r\nconst BitmapAttribute bitmapsA001[3] "
    "TEXT_LOCATION_FLASH_ATTRIBUTE = { // 3: the number of pictures of A001 module\r\n"
    "    { 8, 100 }, // 0: A001_001.png = { offset, size }\r\n"
    "    { 108, 0 }, // 1: There's no A001_002.png\r\n"
    "    { 108, 20 } // 2: A001_003.png = { offset, size }\r\n};\r\n\r\n"
    "TEXT_LOCATION_FLASH_PRAGMA\r\nconst BitmapAttribute bitmapsA002[1] "
    "TEXT_LOCATION_FLASH_ATTRIBUTE = { // 1: the number of pictures of A002 module\r\n"
    "    { 128, 40 } // 0: A002_001.bmp = { offset, size }\r\n};\r\n\r\n"
    "// Count = 0 for the following app\r\n#define BITMAP_APP_COUNT 2\r\n"
    "// Define all the apps headers here to point the bitmap address\r\n"
    "TEXT_LOCATION_FLASH_PRAGMA\r\nconst AppIndexAttribute apps[BITMAP_APP_COUNT] "
    "TEXT_LOCATION_FLASH_ATTRIBUTE = {\r\n    { 1, 3, bitmapsA001 }, // 0: A001\r\n"
    "    { 1, 1, bitmapsA002 } // 1: A002\r\n};\r\n";

const MappingSource& source() {
    static const MappingSource read = [] {
        SourceReading reading = read_mapping_source(kSource);
        require(reading.source.has_value(), "the harness's own BitmapMapping.cpp is read");
        return *reading.source;
    }();
    return read;
}

// Attribute values with the characters that XML reserves, and every control character (which a
// reader turns into a line feed or a blank), as references, so that they read back unchanged.
std::string attribute(std::string_view value) {
    std::string text;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '&' || c == '<' || c == '"' || byte < 0x20) {
            text += "&#" + std::to_string(byte) + ";";
        } else {
            text += c;
        }
    }
    return text;
}

std::string written(const std::vector<XmlApp>& apps) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n<root>\r\n";
    for (const XmlApp& app : apps) {
        text += "    <app app_id=\"" + attribute(app.app_id) + "\">\r\n";
        for (const XmlItem& item : app.items) {
            text += "        <image_item image_name=\"" + attribute(item.name) +
                    "\" image_size=\"" + std::to_string(item.size) + "\" image_offset=\"" +
                    std::to_string(item.offset) + "\"/>\r\n";
        }
        text += "    </app>\r\n";
    }
    return text + "</root>\r\n";
}

bool same_items(const std::vector<XmlApp>& a, const std::vector<XmlApp>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].app_id != b[i].app_id || a[i].items.size() != b[i].items.size()) {
            return false;
        }
        for (std::size_t j = 0; j < a[i].items.size(); ++j) {
            const XmlItem& x = a[i].items[j];
            const XmlItem& y = b[i].items[j];
            if (x.name != y.name || x.size != y.size || x.offset != y.offset) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const XmlReading reading = read_mapping_xml(text);
    if (!reading.apps) {
        require(!reading.error.empty(), "a refusal says why");
        return 0;
    }
    (void)check_xml_agreement(*reading.apps, source());
    const XmlReading again = read_mapping_xml(written(*reading.apps));
    require(again.apps.has_value(), "items written out again are read again");
    require(same_items(*again.apps, *reading.apps), "items written out again read back the same");
    return 0;
}

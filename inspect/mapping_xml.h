#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What BitmapMapping.xml says: under "root", one "app" element per application and package, each
// with one "image_item" per picture number, placeholders included.
namespace framestow::inspect {

struct XmlItem {
    std::string name;  // image_name
    uint64_t size = 0;
    uint64_t offset = 0;
    int line = 0;
};

struct XmlApp {
    std::string app_id;
    std::vector<XmlItem> items;
    int line = 0;
};

struct XmlReading {
    std::optional<std::vector<XmlApp>> apps;
    std::string error;  // why the text is not a readable BitmapMapping.xml, when apps is empty
};

// Reads the text of a BitmapMapping.xml. Elements and attributes that framestow does not write,
// and numbers that are not unsigned decimals, make the file unreadable: a tool that changed the
// file may have changed its meaning too.
XmlReading read_mapping_xml(std::string_view text);

}  // namespace framestow::inspect
